// Music files (MP3 through libmpg123) opened as a music stream on the sound
// device (dummy driver): the length the scan finds, the decoding thread
// filling the stream's ring, and the seek back to the start.
//
// The harness takes the mixer's place: the stream is never set playing, so
// the mixer leaves it alone, and the harness drains the ring itself as fast
// as the decoder fills it, for at most kLongestDrainMs of music, checking
// that the position only grows and stays within the length. Then it seeks
// back to the start, drains a little more and closes the stream while the
// decoder may still be at work. An opened or restarted piece is at 0, or
// at once at its length when the decoder has nothing to give from its
// start (a damaged file may decode in part the first time and not at all
// after the seek).
#include <chrono>
#include <thread>
#include <vector>

#include "devices/music_stream.h"
#include "devices/sound_device.h"
#include "devices/sound_stream.h"
#include "fuzz/fuzz_input.h"
#include "platform/audio.h"
#include "process/app_globals.h"

namespace {

constexpr const char* kTarget = "music_file";
constexpr int64_t kLongestDrainMs = 20000;
// No frame of MPEG audio lasts more than a few milliseconds per byte of it
// (the smallest free-format frames at 8 kHz come nearest); a length beyond
// that was made up rather than read.
constexpr int64_t kMostMsPerByte = 8;

// The streaming voice the mixer has been given, or null (a silent stream).
SoundStream* AttachedStream() {
  for (SoundStream* s : g_app.soundDevice->streams) {
    if (s != nullptr) return s;
  }
  return nullptr;
}

// Takes the decoded frames until the position reaches the length or
// untilMs of music has been taken; the position must never go back nor
// pass the length.
void Drain(MusicStream* stream, SoundStream& voice, int64_t untilMs) {
  std::vector<int16_t> frames(2 * 4096);
  const int64_t length = MusicStreamLength(stream);
  int64_t taken = 0;
  int64_t last = MusicStreamPosition(stream);
  while (taken * 1000 / kAudioRate < untilMs) {
    const uint32_t n = SoundStreamRead(voice, frames.data(), 4096);
    taken += n;
    const int64_t position = MusicStreamPosition(stream);
    FUZZ_CHECK(position >= last, kTarget, "the position went back while the piece was drained");
    FUZZ_CHECK(position <= length, kTarget, "the position passed the length");
    last = position;
    if (n == 0) {
      if (position == length) return;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSoundOnce();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = FuzzWriteFile("music.mp3", data, size);
  MusicStream* stream = MusicStreamOpen(path.c_str(), g_app.soundDevice);
  FUZZ_CHECK(stream != nullptr, kTarget, "no stream for a file");
  const int64_t length = MusicStreamLength(stream);
  FUZZ_CHECK(length >= 0, kTarget, "a negative length");
  FUZZ_CHECK(length <= 1000 + kMostMsPerByte * static_cast<int64_t>(size), kTarget,
             "a length of " + std::to_string(length) + " ms from " + std::to_string(size) + " bytes");
  const int64_t opened = MusicStreamPosition(stream);
  FUZZ_CHECK(opened == 0 || opened == length, kTarget, "an opened piece is at " + std::to_string(opened));
  MusicStreamSetVolume(stream, 500);
  SoundStream* voice = AttachedStream();
  if (voice != nullptr) {
    Drain(stream, *voice, kLongestDrainMs);
    MusicStreamSeekStart(stream);
    const int64_t restarted = MusicStreamPosition(stream);
    FUZZ_CHECK(restarted == 0 || restarted == length, kTarget,
               "the seek to the start left the position at " + std::to_string(restarted));
    Drain(stream, *voice, 500);
  } else {
    FUZZ_CHECK(length == 0, kTarget, "a silent stream has a length");
  }
  MusicStreamClose(stream);
  FUZZ_CHECK(AttachedStream() == nullptr, kTarget, "a closed stream is still attached");
  FuzzForgetErrorLog();
  return 0;
}
