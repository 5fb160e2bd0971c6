// Reading a 10 MiB text file line by line through a file channel, against
// std::getline on an ifstream.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "files/file_channels.h"

namespace {

struct TextFile {
  std::string path;
  TextFile() {
    std::string text;
    uint32_t x = 3;
    while (text.size() < (10u << 20)) {
      x = x * 1664525 + 1013904223;
      text += std::string(10 + (x >> 24) % 70, static_cast<char>('a' + (x >> 8) % 26));
      text += "\r\n";
    }
    char name[] = "/tmp/vnllinebench.XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    close(fd);
    path = name;
  }
  ~TextFile() { unlink(path.c_str()); }
};

TextFile& File() {
  static TextFile file;
  return file;
}

void BM_ChannelReadLine(benchmark::State& state) {
  RtString line;
  for (auto _ : state) {
    if (FileChannelOpen(0, File().path.c_str(), 1) != 1) std::abort();
    int64_t lines = 0;
    while (!FileChannelAtEnd(0)) {
      FileChannelReadLine(0, line);
      ++lines;
    }
    FileChannelClose(0);
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_ChannelReadLine)->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state) {
  std::string line;
  for (auto _ : state) {
    std::ifstream in(File().path, std::ios::binary);
    int64_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);

}  // namespace
