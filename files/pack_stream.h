// PackStream: turns a packed block into an unpacked one in a growing output
// buffer, and back.
//
// Mode 1 is the media pack's container: a u32 little-endian unpacked length,
// then LZO1X data. Any other mode is the runtime's own byte-oriented LZ
// format: packets of one flag byte (bit 7 for the first item) and up to 8
// items, a literal byte (flag bit 0) or a two-byte reference b0, b1 (flag bit
// 1) with distance (b0 & 0xF0) * 8 + b1 and length (b0 & 0x0F) + 2; b0 = 0
// ends the stream. References copy byte by byte from a 2048-byte ring of the
// last output bytes, at (ring index - distance) mod 2048: distance 0 and
// distances above 2048 wrap around the ring.
//
// Both unpackers treat their input as hostile: they never read past the
// packed length, never copy ring bytes the stream has not written itself,
// and refuse lengths that do not fit a signed 32-bit count.
#pragma once

#include <cstdint>

struct PackStream {
  int32_t hash[4096][16];        // own-format packer: recent positions per bucket, -1 = empty
  uint8_t* output = nullptr;     // result, owned by the stream until a caller takes it
  int32_t outputLength = 0;      // bytes in the output
  uint8_t ring[2048];            // the last 2048 output bytes
  uint16_t ringIndex = 0;        // where the next output byte goes in the ring
  int32_t mode = 0;              // 1 = LZO1X container, else own format

  PackStream() = default;
  PackStream(const PackStream&) = delete;
  PackStream& operator=(const PackStream&) = delete;
  ~PackStream() { delete[] output; }
};

// Frees the output; length 0, ring index 0; the mode stays.
void PackStreamReset(PackStream& s);

// Appends one byte to the output (growing it in steps of 1024 bytes) and to
// the ring. False when the output cannot grow (then the byte is lost).
bool PackStreamPutByte(PackStream& s, uint8_t byte);

// Puts the position at the front of the bucket of the two bytes
// ((a mod 64) * 64 + b mod 64), dropping the bucket's oldest position.
void PackStreamHashInsert(int32_t (*table)[16], uint8_t a, uint8_t b, int32_t position);

// Unpacks the packed bytes into a fresh output (the previous one is freed
// first). Returns the output length. On any failure (damaged or truncated
// data, an impossible length, no memory) the result is 0 and the output is
// none; a block that unpacks to 0 bytes leaves an output of length 0.
int32_t PackStreamUnpack(PackStream& s, const uint8_t* packed, int32_t packedLength);

// Packs the input into a fresh output; returns the output length, 0 on
// failure (output none).
int32_t PackStreamPack(PackStream& s, const uint8_t* input, int32_t inputLength);
