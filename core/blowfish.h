// Blowfish block cipher (ECB, zero padding) and the dialect's two text
// cipher commands.
//
// A block is 8 bytes read as two 32-bit words, each little-endian: bytes 0-3
// are the left word (byte 0 least significant), bytes 4-7 the right word.
// Words are uint32_t throughout so that all arithmetic wraps at 2^32.
#pragma once

#include <cstdint>

#include "core/rt_string.h"

struct BlowfishContext {
  uint32_t* p;  // 18 words
  uint32_t* s;  // four S-boxes of 256 words in one block, box 0 first
};

// Allocates the tables (contents undefined until a key is set); memory that
// cannot be had is fatal error 7.
void BlowfishAlloc(BlowfishContext& ctx);
void BlowfishFree(BlowfishContext& ctx);

// The standard key schedule. Key bytes are taken cyclically, so only the
// first 72 take effect. An empty key is the key of one zero byte.
void BlowfishSetKey(BlowfishContext& ctx, const uint8_t* key, uint32_t length);

void BlowfishEncipherBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);
void BlowfishDecipherBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right);

// The length rounded up to a multiple of 8.
uint64_t BlowfishPadLength(uint64_t length);

// Enciphers length bytes in ECB mode, the last block filled with zero bytes;
// returns the padded length (0 for length 0). out must hold the padded
// length; it may be the same buffer as in.
uint64_t BlowfishEncipherBuffer(const BlowfishContext& ctx, const uint8_t* in, uint8_t* out,
                                uint64_t length);

// Deciphers every 8-byte block that begins before length, including a whole
// last block when length is not a multiple of 8: both buffers must hold the
// padded length. out may be the same buffer as in.
void BlowfishDecipherBuffer(const BlowfishContext& ctx, const uint8_t* in, uint8_t* out,
                            uint64_t length);

// The text enciphered under the key, as lower-case hexadecimal: 2 x (length
// rounded up to 8) digits; an empty text gives the empty string.
RtString EncipherToHex(const RtString& key, const RtString& text);

// Lower-cases hex in place, decodes its digit pairs (an odd last digit is
// ignored), deciphers them and returns the text up to the first zero byte.
// Nothing is validated: a wrong key or damaged text gives arbitrary bytes.
RtString DecipherFromHex(const RtString& key, RtString& hex);
