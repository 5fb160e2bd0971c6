// The sound device and the 4096 sound slots.
//
// The device is one platform audio output (22050 Hz, 16-bit, stereo) filled
// by our own mixer (devices/sound_mixer.h), which adds up every playing
// voice of every slot. A slot holds up to four voices over one sample's
// shared data, so that a sound can overlap itself.
//
// The mixer runs on the audio thread and reads the slots of g_app. Whatever
// changes a slot's voices, or a voice's play state, does so while holding
// the output's lock (SoundOutputLock).
#pragma once

#include <cstdint>
#include <memory>

#include "core/rt_string.h"
#include "platform/audio.h"

struct PlatformWindow;
struct SoundStream;

inline constexpr int kSoundMaxVoices = 4;
// Streaming voices the mixer takes besides the slots: the music and the
// sound of a movie.
inline constexpr int kSoundStreamCount = 2;

// A sample's PCM data as the WAV file holds it: 8-bit unsigned or 16-bit
// signed little-endian samples, 1 or 2 channels interleaved, at the file's
// own rate. The mixer converts it while it plays.
struct SoundData {
  uint8_t* bytes = nullptr;  // malloc'd; freed with the record
  uint32_t byteCount = 0;
  uint32_t rate = 0;
  uint16_t channels = 0;
  uint16_t bits = 0;

  SoundData() = default;
  SoundData(const SoundData&) = delete;
  SoundData& operator=(const SoundData&) = delete;
  ~SoundData();
};

// Whole frames of the data; a partial frame at the end is not played.
uint32_t SoundDataFrames(const SoundData& data);

// One voice: a play position over shared sample data.
struct SoundBuffer {
  std::shared_ptr<SoundData> data;
  uint64_t position = 0;   // in frames of the data, 32 bits of fraction
  bool playing = false;
  bool looping = false;
  int32_t volume = 0;      // hundredths of a decibel, -10000 to 0
  int32_t pan = 0;         // hundredths of a decibel taken off the other side
};

struct SoundDevice {
  PlatformAudio* output = nullptr;  // none until SoundDeviceInit succeeds
  PlatformAudioFormat caps = {0, 0, 0};
  SoundStream* streams[kSoundStreamCount] = {};  // attached streaming voices (sound_stream.h)
};

struct SoundSample {
  int32_t voiceCount = 0;     // 0 = free slot, else 1 to 4
  int32_t currentVoice = 0;
  const char* fileName = nullptr;  // held only while loading
  SoundDevice* device = nullptr;
  SoundBuffer* voices[kSoundMaxVoices] = {};
};

// Holds the output's lock while it lives, so the mixer does not run
// meanwhile; nothing to hold without an output. The thread that holds it
// may take it again.
class SoundOutputLock {
 public:
  explicit SoundOutputLock(PlatformAudio* output);
  ~SoundOutputLock();
  SoundOutputLock(const SoundOutputLock&) = delete;
  SoundOutputLock& operator=(const SoundOutputLock&) = delete;

 private:
  PlatformAudio* output_;
};

// The output of the sample's device; null without a device or output.
PlatformAudio* SampleOutput(const SoundSample& sample);

void SoundDeviceCreate(SoundDevice& device);
// Opens the sound output with the mixer over g_app's sound slots and the
// device's streams; 1 on success, 0 when there is no sound output.
int32_t SoundDeviceInit(SoundDevice& device, PlatformWindow* window);
// The output does not depend on a window: nothing to re-bind.
void SoundDeviceSetWindow(SoundDevice& device, PlatformWindow* window);
void SoundDeviceRelease(SoundDevice& device);

// The kSoundSlotCount free sound slots, all zero from calloc: fresh pages
// that are only touched when a slot is used. Ends the program when the
// memory cannot be had, as a failed new would.
SoundSample* SoundSlotsNew();
// Frees every slot, the last first, and the table from SoundSlotsNew;
// nothing for null.
void SoundSlotsFree(SoundSample* slots);

// Takes g_app's sound slots away from the mixer, while the output is locked
// so that a mix in progress finishes first; returns them for freeing.
SoundSample* SoundSlotsDetach(SoundDevice* device);

void SampleInit(SoundSample& sample);
// Stops and frees every voice of the slot; the slot is then free.
void SampleRelease(SoundSample& sample);
void SampleFree(SoundSample& sample);

// Language commands over g_app's sound device and slots.
// Loads a WAV file (resolved through the media resolver) into the slot
// with 1 to 4 voices (other counts are brought into that range). Clears
// the last error; 7 for a slot of 4096 or above, 3 for a file that is not
// found or not loadable (the slot is then free).
void SoundLoad(const RtString& file, uint32_t slot, int32_t voices);
// The highest free slot; -1 with error 7 when every slot is loaded.
int32_t SoundFreeSlot();
