#include "platform/system_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// The last TMPDIR value read and the folder made of it.
struct TempCache {
  std::mutex lock;
  std::string value;
  std::string folder;
  bool known = false;
};

// Made at the first call and never destroyed: any thread may ask for the
// folder (a line for the error log, say) while exit() runs the destructors
// of the program's statics, and a destroyed cache would be read after it
// was freed.
TempCache& TheTempCache() {
  static TempCache* const cache = new TempCache;
  return *cache;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

}  // namespace

std::string PlatformTempFolder() {
  const char* env = std::getenv("TMPDIR");
  const std::string value = (env != nullptr && env[0] != '\0') ? env : "/tmp";
  TempCache& cache = TheTempCache();
  const std::lock_guard<std::mutex> hold(cache.lock);
  if (cache.known && value == cache.value) return cache.folder;
  std::string folder = value;
  // A relative folder is taken from the current directory now, so that a
  // later change of directory does not move the log and temporary files.
  bool resolved = true;
  if (folder[0] != '/') {
    const std::string current = CurrentDirectory();
    resolved = !current.empty();
    if (resolved) folder = current + (current == "/" ? "" : "/") + folder;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += '/';
  cache.known = resolved;
  cache.value = value;
  cache.folder = folder;
  return folder;
}

std::string PlatformExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(n));
    buffer.resize(buffer.size() * 2);
  }
}
