// Whole reads and writes on POSIX file descriptors, retried on EINTR and
// on short transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>

// Reads up to n bytes at the offset (the file pointer is not moved). Returns
// the bytes read, fewer only at the end of the file, or -1 on an error.
int64_t PlatformReadAt(int fd, void* buffer, size_t n, int64_t offset);

// Writes all n bytes at the file pointer. False when not all were written,
// a pipe whose reader has gone (EPIPE) included.
bool PlatformWriteAll(int fd, const void* data, size_t n);

// Opens a regular file for reading; -1 for anything else (a named pipe
// fails at once instead of waiting for a writer).
int PlatformOpenRegularFile(const char* path);

// The size of the open file, or -1.
int64_t PlatformFileSize(int fd);

// Closes fd when it is not -1, and sets it to -1.
void PlatformCloseFd(int& fd);
