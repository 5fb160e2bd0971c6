#include "devices/sound_stream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "devices/sound_device.h"

namespace {

// Copies count frames between a linear buffer and the ring from frame
// index start on, in up to two pieces around the ring's end.
void CopyIntoRing(SoundStream& stream, uint64_t start, const int16_t* from, uint32_t count) {
  const uint32_t at = static_cast<uint32_t>(start % stream.capacity);
  const uint32_t first = std::min(count, stream.capacity - at);
  std::memcpy(stream.ring + 2 * static_cast<size_t>(at), from, 4 * static_cast<size_t>(first));
  std::memcpy(stream.ring, from + 2 * static_cast<size_t>(first), 4 * static_cast<size_t>(count - first));
}

void CopyFromRing(const SoundStream& stream, uint64_t start, int16_t* to, uint32_t count) {
  const uint32_t at = static_cast<uint32_t>(start % stream.capacity);
  const uint32_t first = std::min(count, stream.capacity - at);
  std::memcpy(to, stream.ring + 2 * static_cast<size_t>(at), 4 * static_cast<size_t>(first));
  std::memcpy(to + 2 * static_cast<size_t>(first), stream.ring, 4 * static_cast<size_t>(count - first));
}

}  // namespace

bool SoundStreamCreate(SoundStream& stream, uint32_t frames) {
  SoundStreamDestroy(stream);
  frames = std::max(frames, 1u);
  stream.ring = static_cast<int16_t*>(std::calloc(frames, 4));
  if (stream.ring == nullptr) return false;
  stream.capacity = frames;
  return true;
}

void SoundStreamDestroy(SoundStream& stream) {
  std::free(stream.ring);
  stream.ring = nullptr;
  stream.capacity = 0;
  stream.written = 0;
  stream.read = 0;
  stream.playing = false;
}

uint32_t SoundStreamBuffered(const SoundStream& stream) {
  return static_cast<uint32_t>(stream.written.load(std::memory_order_acquire) -
                               stream.read.load(std::memory_order_acquire));
}

uint32_t SoundStreamSpace(const SoundStream& stream) { return stream.capacity - SoundStreamBuffered(stream); }

uint32_t SoundStreamWrite(SoundStream& stream, const int16_t* frames, uint32_t count) {
  count = std::min(count, SoundStreamSpace(stream));
  if (count == 0) return 0;
  const uint64_t written = stream.written.load(std::memory_order_relaxed);
  CopyIntoRing(stream, written, frames, count);
  stream.written.store(written + count, std::memory_order_release);
  return count;
}

uint32_t SoundStreamRead(SoundStream& stream, int16_t* out, uint32_t count) {
  const uint64_t read = stream.read.load(std::memory_order_relaxed);
  const uint64_t written = stream.written.load(std::memory_order_acquire);
  count = static_cast<uint32_t>(std::min<uint64_t>(count, written - read));
  if (count == 0) return 0;
  CopyFromRing(stream, read, out, count);
  stream.read.store(read + count, std::memory_order_release);
  return count;
}

void SoundStreamDrop(SoundStream& stream) { stream.read.store(stream.written.load()); }

bool SoundStreamAttach(SoundDevice& device, SoundStream* stream) {
  if (device.output == nullptr || stream == nullptr) return false;
  SoundOutputLock lock(device.output);
  for (SoundStream*& place : device.streams) {
    if (place == stream) return true;
  }
  for (SoundStream*& place : device.streams) {
    if (place == nullptr) {
      place = stream;
      return true;
    }
  }
  return false;
}

void SoundStreamDetach(SoundDevice& device, SoundStream* stream) {
  if (stream == nullptr) return;
  SoundOutputLock lock(device.output);
  for (SoundStream*& place : device.streams) {
    if (place == stream) place = nullptr;
  }
}
