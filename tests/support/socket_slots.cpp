#include "tests/support/socket_slots.h"

#include "net/socket_layer.h"

int32_t SlotForSocket(int fd) {
  NetStartup();
  for (int32_t slot = 0; slot < kSocketSlotCount; ++slot) {
    SocketSlot* record = SockSlot(slot);
    if (record->fd == -1) {
      record->fd = fd;
      record->isUdp = 0;
      return slot;
    }
  }
  return -1;
}
