// A streaming voice: 16-bit stereo frames at the output rate, written ahead
// by a decoder into a ring that the mixer drains while it plays.
//
// One thread writes (the decoder) and one reads (the mixer on the audio
// thread); the two counters let each go on without waiting for the other,
// so the audio thread never waits for a file or a decoder. The stream is
// attached to a device while the mixer may read it; a stream is destroyed
// only after it has been detached.
#pragma once

#include <atomic>
#include <cstdint>

struct SoundDevice;

inline constexpr uint32_t kSoundStreamUnityGain = 65536;

struct SoundStream {
  int16_t* ring = nullptr;             // 2 * capacity samples, left first
  uint32_t capacity = 0;               // in frames
  std::atomic<uint64_t> written{0};    // frames written since creation
  std::atomic<uint64_t> read{0};       // frames the mixer has taken
  std::atomic<bool> playing{false};    // the mixer takes frames only while set
  std::atomic<uint32_t> gain{kSoundStreamUnityGain};  // 16.16 factor, at most 1
};

// Makes an empty ring of the given number of frames (at least 1); false
// when memory runs out.
bool SoundStreamCreate(SoundStream& stream, uint32_t frames);
// Frees the ring of a stream that is not attached.
void SoundStreamDestroy(SoundStream& stream);

// Frames the writer may add, and frames waiting for the mixer.
uint32_t SoundStreamSpace(const SoundStream& stream);
uint32_t SoundStreamBuffered(const SoundStream& stream);

// Writer side: appends up to count frames; the number appended.
uint32_t SoundStreamWrite(SoundStream& stream, const int16_t* frames, uint32_t count);

// Reader side (the mixer): takes up to count frames; the number taken.
uint32_t SoundStreamRead(SoundStream& stream, int16_t* out, uint32_t count);

// Forgets every buffered frame. The caller keeps both sides still: it holds
// the device's output lock and keeps the writer from writing.
void SoundStreamDrop(SoundStream& stream);

// Hands the stream to the device's mixer, under the output lock; false
// without an output or when every place for a stream is taken.
bool SoundStreamAttach(SoundDevice& device, SoundStream* stream);
// Takes it away again, under the output lock, so a mix in progress ends
// first; afterwards the mixer no longer reads it.
void SoundStreamDetach(SoundDevice& device, SoundStream* stream);
