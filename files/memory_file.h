// Memory-file names: "mem://%8x.%8x", the block's byte count in lower-case
// hexadecimal right-aligned in 8 characters, ".", then the block's address
// in hexadecimal (at least 8 characters, 16 on this platform).
//
// Only blocks the runtime itself published are ever opened through such a
// name; any other address, or a count larger than the published block, is
// "no such file". The publisher owns the block and withdraws it before it
// frees it.
#pragma once

#include <cstdint>
#include <string>

// True when the name's first six bytes are "mem://" (case counts). Null is
// no memory-file name.
bool IsMemoryFileName(const char* name);

// Registers the block and returns its memory-file name.
std::string MemoryFilePublish(const void* base, uint32_t size);

// Forgets the block; names of it no longer open.
void MemoryFileWithdraw(const void* base);

// The published block a memory-file name stands for. False for anything
// else: no memory-file name, a malformed one, an address not published, a
// negative count or one beyond the published size.
bool MemoryFileLookup(const char* name, const uint8_t** base, int64_t* size);

// True while the first n bytes at base lie in a published block. Readers of
// a memory view test it, so a view whose block was withdrawn (and freed)
// reads nothing instead of freed memory.
bool MemoryFileCovers(const uint8_t* base, int64_t n);
