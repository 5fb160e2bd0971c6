#include "platform/file_io.h"

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

void PlatformCloseFd(int& fd) {
  if (fd != -1) close(fd);
  fd = -1;
}
