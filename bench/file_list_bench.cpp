// FileList over a folder of 10,000 files, against a plain listing with
// readdir into strings sorted with strcasecmp.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "files/dir_list.h"

namespace {

// A folder of 10,000 empty files, made once for every benchmark here and
// made the current directory.
class Folder {
 public:
  Folder() {
    path_ = (std::filesystem::temp_directory_path() / "vnl_file_list_bench.XXXXXX").string();
    if (mkdtemp(path_.data()) == nullptr) std::abort();
    for (int i = 0; i < 10000; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/File%05d.%s", (i * 7919) % 10000, i % 2 ? "png" : "TXT");
      if (FILE* f = std::fopen((path_ + name).c_str(), "w")) std::fclose(f);
    }
    if (chdir(path_.c_str()) != 0) std::abort();
  }
  ~Folder() {
    if (chdir("/") != 0) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }

 private:
  std::string path_;
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void BM_FileList(benchmark::State& state) {
  TheFolder();
  RtArray<RtString> out;
  for (auto _ : state) benchmark::DoNotOptimize(FileList("*.*", out));
}
BENCHMARK(BM_FileList)->Unit(benchmark::kMillisecond);

void BM_ReaddirAndSort(benchmark::State& state) {
  TheFolder();
  for (auto _ : state) {
    std::vector<std::string> names;
    DIR* dir = opendir(".");
    while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
    benchmark::DoNotOptimize(names.data());
  }
}
BENCHMARK(BM_ReaddirAndSort)->Unit(benchmark::kMillisecond);

}  // namespace
