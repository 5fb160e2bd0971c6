#include "platform/system_paths.h"

#include <unistd.h>

#include <cstdlib>
#include <vector>

std::string PlatformTempFolder() {
  const char* env = std::getenv("TMPDIR");
  std::string folder = (env != nullptr && env[0] != '\0') ? env : "/tmp";
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  if (folder != "/") folder += '/';
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
