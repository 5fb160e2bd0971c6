// Resolving and unpacking a 4 MiB entry from a media pack, against
// lzo1x_decompress_safe alone on the same bytes.
#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "files/media_resolver.h"
#include "files/pack_stream.h"

namespace {

constexpr size_t kEntrySize = 4 << 20;

std::string EntryBytes() {
  std::string bytes;
  bytes.reserve(kEntrySize);
  uint32_t x = 1;
  while (bytes.size() < kEntrySize) {
    x = x * 1103515245 + 12345;
    static const char* words[] = {"zombie ", "cell ", "survivor ", "\r\n", "uzi ", "shotgun "};
    if ((x >> 16) % 5 == 0) {
      bytes += static_cast<char>(x >> 24);
    } else {
      bytes += words[(x >> 16) % 6];
    }
  }
  bytes.resize(kEntrySize);
  return bytes;
}

void PutU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
}

struct PackFile {
  std::string block;  // the mode 1 block
  std::string path;
  PackFile() {
    const std::string entry = EntryBytes();
    PackStream s;
    s.mode = 1;
    const int32_t n = PackStreamPack(s, reinterpret_cast<const uint8_t*>(entry.data()), kEntrySize);
    block.assign(reinterpret_cast<const char*>(s.output), static_cast<size_t>(n));
    std::string pack = std::string(4096, 'P') + block;
    const uint32_t directory = static_cast<uint32_t>(pack.size());
    pack += static_cast<char>(9);
    pack += "level.dat";
    PutU32(pack, 4096);
    PutU32(pack, static_cast<uint32_t>(block.size()));
    pack += '\0';
    pack += "kxQ";
    PutU32(pack, directory);
    char name[] = "/tmp/vnlpackbench.XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0 || write(fd, pack.data(), pack.size()) != static_cast<ssize_t>(pack.size())) std::abort();
    close(fd);
    path = name;
  }
  ~PackFile() { unlink(path.c_str()); }
};

PackFile& Pack() {
  static PackFile pack;
  return pack;
}

void BM_ResolveAndUnpack(benchmark::State& state) {
  MediaResolver resolver;
  MediaResolverSetPack(resolver, Pack().path.c_str());
  std::string out;
  for (auto _ : state) {
    if (MediaResolve(resolver, "Media/LEVEL.DAT", &out, true) != 1) std::abort();
    benchmark::DoNotOptimize(resolver.lastBlock);
  }
  MediaResolverRelease(resolver);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntrySize);
}
BENCHMARK(BM_ResolveAndUnpack)->Unit(benchmark::kMillisecond);

void BM_DecompressAlone(benchmark::State& state) {
  if (lzo_init() != LZO_E_OK) std::abort();
  const std::string& block = Pack().block;
  for (auto _ : state) {
    unsigned char* bytes = new unsigned char[kEntrySize];
    lzo_uint n = kEntrySize;
    lzo1x_decompress_safe(reinterpret_cast<const unsigned char*>(block.data()) + 4, block.size() - 4, bytes, &n,
                          nullptr);
    benchmark::DoNotOptimize(bytes);
    delete[] bytes;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kEntrySize);
}
BENCHMARK(BM_DecompressAlone)->Unit(benchmark::kMillisecond);

}  // namespace
