#include "platform/machine_id.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

uint32_t SerialFromFile(const char* path) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  char digits[8];
  const ssize_t n = read(fd, digits, sizeof digits);
  close(fd);
  if (n != static_cast<ssize_t>(sizeof digits)) return 0;
  uint32_t serial = 0;
  for (char c : digits) {
    uint32_t value = 0;
    if (c >= '0' && c <= '9') {
      value = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      value = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      value = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return 0;
    }
    serial = (serial << 4) | value;
  }
  return serial;
}

}  // namespace

uint32_t PlatformVolumeSerial() {
  const uint32_t serial = SerialFromFile("/etc/machine-id");
  return serial != 0 ? serial : SerialFromFile("/var/lib/dbus/machine-id");
}
