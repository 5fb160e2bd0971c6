#include "platform/path_nocase.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstring>

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

bool EqualNoCase(const char* a, const std::string& b) {
  const size_t n = std::strlen(a);
  if (n != b.size()) return false;
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

// The entry of the folder equal to the name without regard to case.
bool FindEntry(const std::string& folder, const std::string& name, std::string* entry) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return false;
  bool found = false;
  while (const dirent* e = readdir(dir)) {
    if (!EqualNoCase(e->d_name, name)) continue;
    if (!found || std::strcmp(e->d_name, entry->c_str()) < 0) *entry = e->d_name;
    found = true;
  }
  closedir(dir);
  return found;
}

}  // namespace

bool PlatformFindPathNoCase(const std::string& path, std::string* found) {
  if (path.empty()) return false;
  std::string result;
  size_t start = 0;
  if (path[0] == '/') {
    result = "/";
    start = 1;
  }
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string component = path.substr(start, end - start);
    if (!component.empty()) {
      const std::string folder = result;
      std::string candidate = folder + component;
      if (component != "." && component != ".." && !Exists(candidate)) {
        std::string entry;
        if (!FindEntry(folder, component, &entry)) return false;
        candidate = folder + entry;
      }
      result = candidate;
      if (end < path.size()) result += '/';
    }
    start = end + 1;
  }
  *found = result;
  return true;
}
