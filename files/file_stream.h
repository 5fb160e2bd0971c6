// FileStream: the runtime's one read stream, over a disk file or over a
// published memory block named by a memory-file name (files/memory_file.h).
//
// At most one of fd and memory is set; a stream with neither is closed. A
// value-initialised record (FileStream s{}) is closed. The stream never owns
// a memory block: the block belongs to whoever published it, and once it is
// withdrawn the stream reads nothing from it.
//
// None of the operations sets the runtime's last error.
#pragma once

#include <cstdint>

struct FileStream {
  int fd = -1;                      // open disk file, -1 = none
  const uint8_t* memory = nullptr;  // first byte of a memory block, null = none
  int64_t size = 0;                 // bytes in the file or block
  int64_t position = 0;             // offset of the next byte to read
};

// True when the stream has a file or a memory block.
bool StreamIsOpen(const FileStream& s);

// Closes the stream, then opens the name: a memory-file name of a published
// block gives a view of it; any other name (at most 1023 bytes, '\' read as
// '/') must be a regular file that can be read. False leaves it closed.
bool StreamOpen(FileStream& s, const char* name);

// Reads n bytes at the position.
// File: true only when all n bytes arrived; the position grows by n even
// when the read comes short.
// Memory: copies what is left when fewer than n bytes remain (nothing at
// the end, still true); false when the position lies past the end.
// A negative n is false.
bool StreamRead(FileStream& s, void* buffer, int32_t n);

// Reads one 4-byte little-endian value. Bytes that do not arrive read as 0.
bool StreamRead4(FileStream& s, uint32_t* value);

// Reads one line into buffer (max bytes): at most max - 1 content bytes,
// always zero-terminated. A line ends at '\n' or at the end of the data; one
// '\r' right before its end is dropped; the position moves past the '\n'.
// A longer line is delivered in pieces of max - 1 bytes. Files and memory
// blocks give the same lines. False when nothing is left to read, or max is
// below 2 (no room for a byte); the buffer then holds an empty text.
bool StreamReadLine(FileStream& s, char* buffer, int32_t max);

// Closes the file (the block is not freed) and zeroes size and position.
void StreamClose(FileStream& s);

// Line reading keeps read-ahead windows of the files it reads; whatever
// writes to a file the process may be reading calls this first, so no line
// comes from bytes that were replaced since.
void StreamForgetReadAhead();
