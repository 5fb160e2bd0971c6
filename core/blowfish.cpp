#include "core/blowfish.h"

#include <cstdlib>
#include <cstring>

#include "core/blowfish_tables.h"
#include "core/c_runtime.h"
#include "core/fatal_error.h"
#include "core/text_codecs.h"

namespace {

constexpr int kSBoxWords = 4 * 256;

uint32_t Feistel(const BlowfishContext& ctx, uint32_t x) {
  const uint32_t* s = ctx.s;
  return ((s[x >> 24] + s[256 + ((x >> 16) & 255)]) ^ s[512 + ((x >> 8) & 255)]) + s[768 + (x & 255)];
}

uint32_t ReadWordLE(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

void WriteWordLE(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}

}  // namespace

void BlowfishAlloc(BlowfishContext& ctx) {
  ctx.p = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * (kBlowfishRounds + 2)));
  ctx.s = static_cast<uint32_t*>(std::malloc(sizeof(uint32_t) * kSBoxWords));
  if (ctx.p == nullptr || ctx.s == nullptr) {
    BlowfishFree(ctx);
    RuntimeOutOfMemory();
  }
}

void BlowfishFree(BlowfishContext& ctx) {
  std::free(ctx.p);
  std::free(ctx.s);
  ctx.p = nullptr;
  ctx.s = nullptr;
}

void BlowfishSetKey(BlowfishContext& ctx, const uint8_t* key, uint32_t length) {
  // With no key bytes the cyclic walk below would divide by zero.
  static const uint8_t kZeroKey[1] = {0};
  if (length == 0 || key == nullptr) {
    key = kZeroKey;
    length = 1;
  }
  std::memcpy(ctx.p, kBlowfishInitP, sizeof kBlowfishInitP);
  std::memcpy(ctx.s, kBlowfishInitS, sizeof kBlowfishInitS);
  uint32_t j = 0;
  for (int i = 0; i < kBlowfishRounds + 2; ++i) {
    uint32_t data = 0;
    for (int k = 0; k < 4; ++k) {
      data = (data << 8) | key[j];
      j = (j + 1) % length;
    }
    ctx.p[i] ^= data;
  }
  uint32_t left = 0;
  uint32_t right = 0;
  for (int i = 0; i < kBlowfishRounds + 2; i += 2) {
    BlowfishEncipherBlock(ctx, left, right);
    ctx.p[i] = left;
    ctx.p[i + 1] = right;
  }
  for (int i = 0; i < kSBoxWords; i += 2) {
    BlowfishEncipherBlock(ctx, left, right);
    ctx.s[i] = left;
    ctx.s[i + 1] = right;
  }
}

void BlowfishEncipherBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right) {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = 0; i < kBlowfishRounds; i += 2) {
    l ^= ctx.p[i];
    r ^= Feistel(ctx, l);
    r ^= ctx.p[i + 1];
    l ^= Feistel(ctx, r);
  }
  left = r ^ ctx.p[kBlowfishRounds + 1];
  right = l ^ ctx.p[kBlowfishRounds];
}

void BlowfishDecipherBlock(const BlowfishContext& ctx, uint32_t& left, uint32_t& right) {
  uint32_t l = left;
  uint32_t r = right;
  for (int i = kBlowfishRounds + 1; i > 1; i -= 2) {
    l ^= ctx.p[i];
    r ^= Feistel(ctx, l);
    r ^= ctx.p[i - 1];
    l ^= Feistel(ctx, r);
  }
  left = r ^ ctx.p[0];
  right = l ^ ctx.p[1];
}

uint64_t BlowfishPadLength(uint64_t length) { return (length + 7) & ~uint64_t{7}; }

uint64_t BlowfishEncipherBuffer(const BlowfishContext& ctx, const uint8_t* in, uint8_t* out,
                                uint64_t length) {
  for (uint64_t offset = 0; offset < length; offset += 8) {
    // The block is taken whole before it is written, so in and out may be
    // one buffer; a short last block is filled with zero bytes.
    uint8_t block[8] = {};
    std::memcpy(block, in + offset, length - offset < 8 ? length - offset : 8);
    uint32_t left = ReadWordLE(block);
    uint32_t right = ReadWordLE(block + 4);
    BlowfishEncipherBlock(ctx, left, right);
    WriteWordLE(out + offset, left);
    WriteWordLE(out + offset + 4, right);
  }
  return BlowfishPadLength(length);
}

void BlowfishDecipherBuffer(const BlowfishContext& ctx, const uint8_t* in, uint8_t* out,
                            uint64_t length) {
  for (uint64_t offset = 0; offset < length; offset += 8) {
    uint32_t left = ReadWordLE(in + offset);
    uint32_t right = ReadWordLE(in + offset + 4);
    BlowfishDecipherBlock(ctx, left, right);
    WriteWordLE(out + offset, left);
    WriteWordLE(out + offset + 4, right);
  }
}

namespace {

void ContextForKey(BlowfishContext& ctx, const RtString& key) {
  BlowfishAlloc(ctx);
  BlowfishSetKey(ctx, reinterpret_cast<const uint8_t*>(key.text), key.length);
}

}  // namespace

RtString EncipherToHex(const RtString& key, const RtString& text) {
  const uint64_t padded = BlowfishPadLength(text.length);
  if (padded * 2 > kStringMaxLength) RuntimeOutOfMemory();
  if (padded == 0) return RtString();
  BlowfishContext ctx;
  ContextForKey(ctx, key);
  RtString bytes;
  StringReserve(bytes, static_cast<uint32_t>(padded), false);
  BlowfishEncipherBuffer(ctx, reinterpret_cast<const uint8_t*>(text.text),
                         reinterpret_cast<uint8_t*>(bytes.text), text.length);
  BlowfishFree(ctx);
  return HexFromBytes(reinterpret_cast<const uint8_t*>(bytes.text), static_cast<int32_t>(padded), false);
}

namespace {

// A digit's value without validation: anything up to '9' (as a signed
// byte) counts from '0', everything else from 'a'.
int HexDigitValue(char c) {
  const int v = static_cast<signed char>(c);
  return v <= '9' ? v - '0' : v - 'a' + 10;
}

}  // namespace

RtString DecipherFromHex(const RtString& key, RtString& hex) {
  for (uint32_t i = 0; i < hex.length; ++i) {
    hex.text[i] = static_cast<char>(CrtToLower(static_cast<uint8_t>(hex.text[i])));
  }
  const uint32_t byteCount = hex.length / 2;
  if (byteCount == 0) return RtString();
  // A byte count that is no multiple of 8 is stretched by its remainder;
  // the work buffer holds every whole block that deciphering then touches,
  // plus the terminator.
  const uint64_t decipheredLength = uint64_t{byteCount} + byteCount % 8;
  const uint64_t workSize = BlowfishPadLength(decipheredLength);
  RtString work;
  StringReserve(work, static_cast<uint32_t>(workSize), false);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(work.text);
  std::memset(bytes, 0, workSize + 1);
  for (uint32_t i = 0; i < byteCount; ++i) {
    bytes[i] = static_cast<uint8_t>(16 * HexDigitValue(hex.text[2 * i]) + HexDigitValue(hex.text[2 * i + 1]));
  }
  BlowfishContext ctx;
  ContextForKey(ctx, key);
  BlowfishDecipherBuffer(ctx, bytes, bytes, decipheredLength);
  BlowfishFree(ctx);
  bytes[decipheredLength] = 0;
  return StringFromCStr(work.text);
}
