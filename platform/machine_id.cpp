#include "platform/machine_id.h"

#include "platform/file_io.h"

namespace {

uint32_t SerialFromFile(const char* path) {
  // Only a regular file, opened without waiting (a FIFO would block).
  int fd = PlatformOpenRegularFile(path);
  if (fd < 0) return 0;
  char digits[8];
  const int64_t n = PlatformReadAt(fd, digits, sizeof digits, 0);
  PlatformCloseFd(fd);
  if (n != static_cast<int64_t>(sizeof digits)) return 0;
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
