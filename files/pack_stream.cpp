#include "files/pack_stream.h"

#include <lzo/lzo1x.h>

#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr int32_t kRingSize = 2048;
constexpr int32_t kWindow = 2047;   // the farthest distance a reference carries
constexpr int32_t kMatchCount = 33;  // match lengths are counted up to this
constexpr int32_t kMaxRefLength = 17;

bool LzoReady() {
  static const bool ready = lzo_init() == LZO_E_OK;
  return ready;
}

// The LZO1X-1 work area, shared by the whole process; packing holds the lock.
std::mutex g_lzoWorkLock;
lzo_align_t g_lzoWork[(LZO1X_1_MEM_COMPRESS + sizeof(lzo_align_t) - 1) / sizeof(lzo_align_t)];

int32_t Fail(PackStream& s) {
  PackStreamReset(s);
  return 0;
}

int32_t UnpackLzo(PackStream& s, const uint8_t* packed, int32_t packedLength) {
  if (packed == nullptr || packedLength < 4 || !LzoReady()) return 0;
  const uint64_t length = static_cast<uint64_t>(packed[0]) | static_cast<uint64_t>(packed[1]) << 8 |
                          static_cast<uint64_t>(packed[2]) << 16 | static_cast<uint64_t>(packed[3]) << 24;
  const uint64_t body = static_cast<uint64_t>(packedLength) - 4;
  // LZO1X produces at most about 255 bytes from one input byte.
  if (length > INT32_MAX || length > body * 256 + 64) return 0;
  s.output = new (std::nothrow) uint8_t[length > 0 ? length : 1];
  if (s.output == nullptr) return 0;
  lzo_uint produced = static_cast<lzo_uint>(length);
  const int result = lzo1x_decompress_safe(packed + 4, static_cast<lzo_uint>(body), s.output, &produced, nullptr);
  if (result != LZO_E_OK || produced > length) return Fail(s);
  s.outputLength = static_cast<int32_t>(produced);
  return s.outputLength;
}

int32_t UnpackOwn(PackStream& s, const uint8_t* packed, int32_t packedLength) {
  if (packed == nullptr) return 0;
  int32_t in = 0;
  for (;;) {
    if (in >= packedLength) return Fail(s);  // no terminator
    const uint8_t flags = packed[in++];
    for (int bit = 7; bit >= 0; --bit) {
      if (in >= packedLength) return Fail(s);
      if ((flags >> bit & 1) == 0) {
        if (!PackStreamPutByte(s, packed[in++])) return Fail(s);
        continue;
      }
      const uint8_t b0 = packed[in++];
      if (b0 == 0) return s.outputLength;
      if (in >= packedLength) return Fail(s);
      const uint8_t b1 = packed[in++];
      // Distances run from 0 to 2175; the ring position is (index - distance)
      // mod 2048, so a distance d reaches the slot `back` = d mod 2048 bytes
      // back, 0 meaning the ring's own slot 2048 back. That slot must hold a
      // byte of this stream.
      int32_t back = ((b0 & 0xF0) * 8 + b1) % kRingSize;
      if (back == 0) back = kRingSize;
      if (back > s.outputLength) return Fail(s);  // before the stream's first byte
      const int32_t length = (b0 & 0x0F) + 2;
      for (int32_t i = 0; i < length; ++i) {
        const uint8_t byte = s.ring[(s.ringIndex + kRingSize - back) % kRingSize];
        if (!PackStreamPutByte(s, byte)) return Fail(s);
      }
    }
  }
}

int32_t PackLzo(PackStream& s, const uint8_t* input, int32_t n) {
  if (!LzoReady()) return 0;
  // The library's bound for incompressible input: n + n/16 + 64 + 3.
  const uint64_t capacity = 4 + static_cast<uint64_t>(n) + static_cast<uint64_t>(n) / 16 + 64 + 3;
  if (capacity > INT32_MAX) return 0;
  s.output = new (std::nothrow) uint8_t[capacity];
  if (s.output == nullptr) return 0;
  for (int i = 0; i < 4; ++i) s.output[i] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * i));
  lzo_uint packed = 0;
  int result;
  {
    std::lock_guard<std::mutex> lock(g_lzoWorkLock);
    result = lzo1x_1_compress(input, static_cast<lzo_uint>(n), s.output + 4, &packed, g_lzoWork);
  }
  if (result != LZO_E_OK || packed > capacity - 4) return Fail(s);
  s.outputLength = static_cast<int32_t>(4 + packed);
  return s.outputLength;
}

// One packet of the own format: the flag byte and up to 8 items.
struct Packet {
  uint8_t flags = 0;
  int items = 0;
  uint8_t bytes[16];
  int used = 0;
};

bool FlushPacket(PackStream& s, Packet& packet) {
  if (!PackStreamPutByte(s, packet.flags)) return false;
  for (int i = 0; i < packet.used; ++i) {
    if (!PackStreamPutByte(s, packet.bytes[i])) return false;
  }
  packet = Packet();
  return true;
}

bool AddLiteral(PackStream& s, Packet& packet, uint8_t byte) {
  packet.bytes[packet.used++] = byte;
  return ++packet.items < 8 || FlushPacket(s, packet);
}

bool AddReference(PackStream& s, Packet& packet, int32_t distance, int32_t length) {
  packet.flags |= static_cast<uint8_t>(0x80 >> packet.items);
  packet.bytes[packet.used++] = static_cast<uint8_t>((distance >> 7) << 4 | (length - 2));
  packet.bytes[packet.used++] = static_cast<uint8_t>(distance & 0x7F);
  return ++packet.items < 8 || FlushPacket(s, packet);
}

int32_t MatchLength(const uint8_t* input, int32_t n, int32_t candidate, int32_t p) {
  int32_t limit = kMatchCount;
  if (limit > n - p) limit = n - p;
  int32_t length = 0;
  while (length < limit && input[candidate + length] == input[p + length]) ++length;
  return length;
}

void InsertPosition(PackStream& s, const uint8_t* input, int32_t n, int32_t p) {
  if (p + 1 < n) PackStreamHashInsert(s.hash, input[p], input[p + 1], p);
}

int32_t PackOwn(PackStream& s, const uint8_t* input, int32_t n) {
  if (input == nullptr && n > 0) return 0;
  for (auto& bucket : s.hash) {
    for (int32_t& slot : bucket) slot = -1;
  }
  Packet packet;
  int32_t p = 0;
  while (p < n) {
    int32_t bestLength = 0;
    int32_t bestPosition = 0;
    if (p > 0 && p + 1 < n) {
      const int32_t windowStart = p > kWindow ? p - kWindow : 0;
      const int32_t* bucket = s.hash[(input[p] % 64) * 64 + input[p + 1] % 64];
      int inWindow = 0;
      for (int i = 0; i < 16 && bucket[i] >= windowStart && bestLength < kMatchCount; ++i, ++inWindow) {
        const int32_t length = MatchLength(input, n, bucket[i], p);
        if (length > bestLength) {
          bestLength = length;
          bestPosition = bucket[i];
        }
      }
      if (inWindow == 16) {
        for (int32_t c = bucket[15] - 1; c >= windowStart && bestLength < kMatchCount; --c) {
          const int32_t length = MatchLength(input, n, c, p);
          if (length > bestLength) {
            bestLength = length;
            bestPosition = c;
          }
        }
      }
    }
    if (bestLength < 3) {
      if (!AddLiteral(s, packet, input[p])) return Fail(s);
      InsertPosition(s, input, n, p);
      ++p;
      continue;
    }
    const int32_t length = bestLength < kMaxRefLength ? bestLength : kMaxRefLength;
    if (!AddReference(s, packet, p - bestPosition, length)) return Fail(s);
    for (int32_t i = 0; i < length; ++i) InsertPosition(s, input, n, p + i);
    p += length;
  }
  // The terminator: a reference item whose b0 is 0.
  // A full packet was flushed already; the terminator then comes in a
  // packet of its own with the flag byte 0xFF.
  packet.flags |= packet.items == 0 && n > 0 ? 0xFF : static_cast<uint8_t>(0x80 >> packet.items);
  packet.bytes[packet.used++] = 0;
  if (!FlushPacket(s, packet)) return Fail(s);
  return s.outputLength;
}

}  // namespace

void PackStreamReset(PackStream& s) {
  delete[] s.output;
  s.output = nullptr;
  s.outputLength = 0;
  s.ringIndex = 0;
}

bool PackStreamPutByte(PackStream& s, uint8_t byte) {
  if (s.outputLength == INT32_MAX) return false;
  if (s.outputLength % 1024 == 0) {
    const int64_t capacity = static_cast<int64_t>(s.outputLength) / 1024 * 1024 + 1032;
    uint8_t* grown = new (std::nothrow) uint8_t[capacity];
    if (grown == nullptr) return false;
    if (s.outputLength > 0) std::memcpy(grown, s.output, static_cast<size_t>(s.outputLength));
    delete[] s.output;
    s.output = grown;
  }
  s.output[s.outputLength++] = byte;
  s.ring[s.ringIndex] = byte;
  s.ringIndex = static_cast<uint16_t>((s.ringIndex + 1) % kRingSize);
  return true;
}

void PackStreamHashInsert(int32_t (*table)[16], uint8_t a, uint8_t b, int32_t position) {
  int32_t* bucket = table[(a % 64) * 64 + b % 64];
  std::memmove(bucket + 1, bucket, 15 * sizeof(int32_t));
  bucket[0] = position;
}

int32_t PackStreamUnpack(PackStream& s, const uint8_t* packed, int32_t packedLength) {
  PackStreamReset(s);
  if (packedLength < 0) return 0;
  return s.mode == 1 ? UnpackLzo(s, packed, packedLength) : UnpackOwn(s, packed, packedLength);
}

int32_t PackStreamPack(PackStream& s, const uint8_t* input, int32_t inputLength) {
  PackStreamReset(s);
  if (inputLength < 0 || (input == nullptr && inputLength > 0)) return 0;
  return s.mode == 1 ? PackLzo(s, input, inputLength) : PackOwn(s, input, inputLength);
}
