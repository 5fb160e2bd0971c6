#include "devices/sound_device.h"

#include <algorithm>
#include <cmath>

#include "app/app_globals.h"

namespace {

void MixerCallback(void* /*user*/, int16_t* samples, int frameCount) {
  // Runs with the output locked; SoundSlotsDetach clears the pointer under
  // the same lock before the slots are freed.
  if (g_app.soundSlots != nullptr) SoundMix(g_app.soundSlots, kSoundSlotCount, samples, frameCount);
}

float GainFromHundredthsDb(int32_t value) {
  if (value <= -10000) return 0.0f;
  return static_cast<float>(std::pow(10.0, value / 2000.0));
}

}  // namespace

void SoundDeviceCreate(SoundDevice& device) { device.output = nullptr; }

int32_t SoundDeviceInit(SoundDevice& device, PlatformWindow* /*window*/) {
  if (device.output == nullptr) device.output = PlatformAudioOpen(MixerCallback, nullptr);
  if (device.output == nullptr) return 0;
  device.caps = PlatformAudioGetFormat(device.output);
  return 1;
}

void SoundDeviceSetWindow(SoundDevice& /*device*/, PlatformWindow* /*window*/) {}

void SoundDeviceRelease(SoundDevice& device) {
  if (device.output != nullptr) PlatformAudioClose(device.output);
  device.output = nullptr;
}

SoundSample* SoundSlotsDetach(SoundDevice* device) {
  PlatformAudio* output = device != nullptr ? device->output : nullptr;
  PlatformAudioLock(output);
  SoundSample* slots = g_app.soundSlots;
  g_app.soundSlots = nullptr;
  PlatformAudioUnlock(output);
  return slots;
}

void SampleInit(SoundSample& sample) {
  sample.voiceCount = 0;
  sample.currentVoice = 0;
  sample.device = nullptr;
  for (SoundBuffer*& voice : sample.voices) voice = nullptr;
}

void SampleRelease(SoundSample& sample) {
  PlatformAudio* output = sample.device != nullptr ? sample.device->output : nullptr;
  PlatformAudioLock(output);
  for (SoundBuffer*& voice : sample.voices) {
    delete voice;
    voice = nullptr;
  }
  sample.voiceCount = 0;
  sample.currentVoice = 0;
  PlatformAudioUnlock(output);
}

void SampleFree(SoundSample& sample) { SampleRelease(sample); }

void SoundMix(SoundSample* slots, int slotCount, int16_t* samples, int frameCount) {
  for (int s = 0; s < slotCount; ++s) {
    const SoundSample& sample = slots[s];
    for (int v = 0; v < sample.voiceCount && v < kSoundMaxVoices; ++v) {
      SoundBuffer* voice = sample.voices[v];
      if (voice == nullptr || !voice->playing || voice->data == nullptr) continue;
      const std::vector<int16_t>& frames = voice->data->frames;
      const uint32_t total = static_cast<uint32_t>(frames.size() / 2);
      const float gain = GainFromHundredthsDb(voice->volume);
      const float left = gain * GainFromHundredthsDb(std::min(0, -voice->pan));
      const float right = gain * GainFromHundredthsDb(std::min(0, voice->pan));
      for (int f = 0; f < frameCount; ++f) {
        if (voice->position >= total) {
          if (!voice->looping || total == 0) {
            voice->playing = false;
            voice->position = 0;
            break;
          }
          voice->position = 0;
        }
        const int32_t l = samples[2 * f] + static_cast<int32_t>(frames[2 * voice->position] * left);
        const int32_t r = samples[2 * f + 1] + static_cast<int32_t>(frames[2 * voice->position + 1] * right);
        samples[2 * f] = static_cast<int16_t>(std::clamp(l, -32768, 32767));
        samples[2 * f + 1] = static_cast<int16_t>(std::clamp(r, -32768, 32767));
        ++voice->position;
      }
    }
  }
}
