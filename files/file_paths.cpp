#include "files/file_paths.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

bool SystemPath(const char* name, std::string* out) {
  if (name == nullptr) return false;
  const size_t length = std::strlen(name);
  if (length > kMaxPathBytes) return false;
  out->assign(name, length);
  for (char& c : *out) {
    if (c == '\\') c = '/';
  }
  return true;
}

bool RemovePath(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return rmdir(path.c_str()) == 0;
  return unlink(path.c_str()) == 0;
}

int CreateFresh(const std::string& path, mode_t mode) {
  if (path.empty()) return -1;
  RemovePath(path);
  return open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
}
