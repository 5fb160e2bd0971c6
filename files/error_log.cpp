#include "files/error_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "files/file_stream.h"
#include "files/memory_file.h"
#include "platform/file_io.h"
#include "platform/system_paths.h"

std::string ErrorLogPath() { return PlatformTempFolder() + "ErrorLog.txt"; }

void ErrorLogAppend(const char* text) {
  if (text == nullptr) text = "NULL";
  const std::string path = ErrorLogPath();

  int fd = -1;
  for (int attempt = 0; attempt < 5 && fd < 0; ++attempt) {
    if (IsMemoryFileName(path.c_str())) continue;
    fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
  }
  if (fd < 0) return;

  StreamForgetReadAhead();
  PlatformWriteAll(fd, text, std::strlen(text));
  PlatformCloseFd(fd);
}

void ErrorLogAppendFormat(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (length >= 0) {
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, again);
    ErrorLogAppend(text.c_str());
  }
  va_end(again);
}
