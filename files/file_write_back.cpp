#include "files/file_write_back.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "files/memory_file.h"
#include "platform/file_io.h"

namespace {

// The mode a new file gets from open(..., 0666) under the process's umask.
mode_t DefaultFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Opens a fresh temporary file beside the path; -1 when none can be made.
int CreateTempBeside(const std::string& path, std::string& temp_name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 16; ++attempt) {
    // A short name in the target's folder, whatever the length of its own.
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".vnl%ld.%u.tmp", static_cast<long>(getpid()), counter++);
    temp_name = path.substr(0, path.rfind('/') + 1) + suffix;
    const int fd = open(temp_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

}  // namespace

std::string WriteBackPath(const char* name) {
  if (name == nullptr || name[0] == '\0' || IsMemoryFileName(name)) return std::string();
  std::string path;
  if (!SystemPath(name, &path)) return std::string();
  if (path[0] == '/') return path;
  char current[4096];
  if (getcwd(current, sizeof current) == nullptr) return std::string();
  std::string absolute(current);
  if (absolute.empty() || absolute.back() != '/') absolute += '/';
  return absolute + path;
}

bool WriteBackFile(const std::string& path, const char* bytes, size_t count) {
  StagedWrite file;
  if (!WriteBackBegin(file, path)) return false;
  if (!PlatformWriteAll(file.fd, bytes, count)) {
    WriteBackAbandon(file);
    return false;
  }
  return WriteBackFinish(file);
}

bool WriteBackBegin(StagedWrite& file, const std::string& path) {
  file = StagedWrite();
  if (path.empty()) return false;
  file.fd = CreateTempBeside(path, file.tempName);
  if (file.fd < 0) return false;
  file.path = path;
  return true;
}

bool WriteBackFinish(StagedWrite& file) {
  if (file.fd < 0) return false;
  mode_t mode = DefaultFileMode();
  bool ok = true;
  struct stat old_state;
  if (lstat(file.path.c_str(), &old_state) == 0) {
    if (S_ISDIR(old_state.st_mode)) {
      // A directory of that name gives way when it is empty, as a file
      // written over it would have done; otherwise the write fails.
      ok = rmdir(file.path.c_str()) == 0;
    } else if (S_ISREG(old_state.st_mode)) {
      mode = old_state.st_mode & 07777;
    }
  }
  ok = ok && fchmod(file.fd, mode) == 0;
  if (close(file.fd) != 0) ok = false;
  file.fd = -1;
  if (ok && rename(file.tempName.c_str(), file.path.c_str()) != 0) ok = false;
  if (!ok) unlink(file.tempName.c_str());
  return ok;
}

void WriteBackAbandon(StagedWrite& file) {
  if (file.fd < 0) return;
  close(file.fd);
  file.fd = -1;
  unlink(file.tempName.c_str());
}
