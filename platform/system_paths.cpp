#include "platform/system_paths.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <vector>

namespace {

// The last TMPDIR value read and the folder made of it.
std::mutex g_tempLock;
std::string g_tempValue;
std::string g_tempFolder;
bool g_tempKnown = false;

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
  const std::lock_guard<std::mutex> hold(g_tempLock);
  if (g_tempKnown && value == g_tempValue) return g_tempFolder;
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
  g_tempKnown = resolved;
  g_tempValue = value;
  g_tempFolder = folder;
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
