// An encoded picture gathered in memory while a library writes it, so that
// the file is touched only once the whole encoding has succeeded.
//
// A plain record with malloc'd storage: the encoders' library callbacks
// append to it from frames that a library error may jump over.
#pragma once

#include <cstddef>
#include <cstdint>

struct EncodedBytes {
  uint8_t* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
};

// Appends n bytes. False (contents kept) when the storage cannot grow.
bool EncodedBytesAppend(EncodedBytes& out, const void* bytes, size_t n);

// Frees the storage; the record is empty again.
void EncodedBytesFree(EncodedBytes& out);

// Replaces the file of that name with the bytes (a temporary file renamed
// over it; an empty directory of that name gives way). False, with the old
// file untouched, for a memory-file name or any write failure.
bool EncodedBytesWriteFile(const EncodedBytes& bytes, const char* name);
