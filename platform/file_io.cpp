#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int64_t PlatformReadAt(int fd, void* buffer, size_t n, int64_t offset) {
  if (offset < 0) return -1;
  char* out = static_cast<char*>(buffer);
  size_t got = 0;
  while (got < n) {
    const ssize_t r = pread(fd, out + got, n - got, static_cast<off_t>(offset + static_cast<int64_t>(got)));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<int64_t>(got);
}

bool PlatformWriteAll(int fd, const void* data, size_t n) {
  const char* in = static_cast<const char*>(data);
  size_t done = 0;
  while (done < n) {
    const ssize_t w = write(fd, in + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    done += static_cast<size_t>(w);
  }
  return true;
}

int PlatformOpenRegularFile(const char* path) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info = {};
  // Reads then wait for data as on any regular file.
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || fcntl(fd, F_SETFL, 0) != 0) PlatformCloseFd(fd);
  return fd;
}

int64_t PlatformFileSize(int fd) {
  struct stat info = {};
  if (fstat(fd, &info) != 0) return -1;
  return static_cast<int64_t>(info.st_size);
}

void PlatformCloseFd(int& fd) {
  if (fd != -1) close(fd);
  fd = -1;
}
