// The sound device and the 4096 sound slots.
//
// The device is one platform audio output (22050 Hz, 16-bit, stereo) filled
// by our own mixer, which adds up every playing voice of every slot. A slot
// holds up to four voices over one sample's shared data, so that a sound
// can overlap itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio.h"

struct PlatformWindow;

inline constexpr int kSoundMaxVoices = 4;

// A sample's data, converted at load time to the device's format:
// interleaved stereo 16-bit frames at 22050 Hz.
struct SoundData {
  std::vector<int16_t> frames;
};

// One voice: a play position over shared sample data.
struct SoundBuffer {
  std::shared_ptr<const SoundData> data;
  uint32_t position = 0;   // in frames
  bool playing = false;
  bool looping = false;
  int32_t volume = 0;      // hundredths of a decibel, -10000 to 0
  int32_t pan = 0;         // hundredths of a decibel taken off the other side
};

struct SoundDevice {
  PlatformAudio* output = nullptr;  // none until SoundDeviceInit succeeds
  PlatformAudioFormat caps = {0, 0, 0};
};

struct SoundSample {
  int32_t voiceCount = 0;     // 0 = free slot, else 1 to 4
  int32_t currentVoice = 0;
  char* fileName = nullptr;   // held only while loading
  SoundDevice* device = nullptr;
  SoundBuffer* voices[kSoundMaxVoices] = {};
};

void SoundDeviceCreate(SoundDevice& device);
// Opens the sound output with the mixer over g_app's sound slots; 1 on
// success, 0 when there is no sound output.
int32_t SoundDeviceInit(SoundDevice& device, PlatformWindow* window);
// The output does not depend on a window: nothing to re-bind.
void SoundDeviceSetWindow(SoundDevice& device, PlatformWindow* window);
void SoundDeviceRelease(SoundDevice& device);

// Takes g_app's sound slots away from the mixer, while the output is locked
// so that a mix in progress finishes first; returns them for freeing.
SoundSample* SoundSlotsDetach(SoundDevice* device);

void SampleInit(SoundSample& sample);
// Stops and frees every voice of the slot; the slot is then free.
void SampleRelease(SoundSample& sample);
void SampleFree(SoundSample& sample);

// Adds every playing voice of the slots into the stereo frames (the
// device's mixer callback).
void SoundMix(SoundSample* slots, int slotCount, int16_t* samples, int frameCount);
