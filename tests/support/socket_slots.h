// Test helper for the socket layer: system sockets placed in slots.
#pragma once

#include <cstdint>

// Counts one network start-up and gives the socket (a connected stream, such
// as one end of a socket pair) the lowest free slot; -1 when none is free.
int32_t SlotForSocket(int fd);
