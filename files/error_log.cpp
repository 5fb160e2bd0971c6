#include "files/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "files/memory_file.h"
#include "platform/system_paths.h"

std::string ErrorLogPath() { return PlatformTempFolder() + "ErrorLog.txt"; }

void ErrorLogAppend(const char* text) {
  if (text == nullptr) text = "NULL";
  const std::string path = ErrorLogPath();

  int fd = -1;
  for (int attempt = 0; attempt < 5 && fd < 0; ++attempt) {
    if (IsMemoryFileName(path.c_str())) continue;
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0600);
  }
  if (fd < 0) return;

  const size_t length = std::strlen(text);
  size_t written = 0;
  while (written < length) {
    const ssize_t n = write(fd, text + written, length - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    written += static_cast<size_t>(n);
  }
  close(fd);
}
