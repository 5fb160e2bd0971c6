#include "devices/sound_voices.h"

#include <cmath>

#include "core/float_to_int.h"
#include "core/min_max.h"
#include "devices/sound_device.h"
#include "devices/sound_mixer.h"
#include "process/app_globals.h"
#include "process/error_state.h"

namespace {

bool IsLoaded(const SoundSample& sample) { return SampleOutput(sample) != nullptr && sample.voiceCount > 0; }

// The slot a channel names, or null when the slot is out of range or
// there are no slots.
SoundSample* ChannelSlot(int32_t channel) {
  const auto slot = static_cast<uint32_t>(channel >> 8);
  if (slot >= static_cast<uint32_t>(kSoundSlotCount) || g_app.soundSlots == nullptr) return nullptr;
  return &g_app.soundSlots[slot];
}

}  // namespace

SoundBuffer* SampleChooseVoice(SoundSample& sample) {
  if (sample.voiceCount < 1) return nullptr;
  SoundBuffer* voice = sample.voices[sample.currentVoice];
  if (voice == nullptr || !voice->playing) return voice;
  if (sample.voiceCount == 1) return nullptr;
  sample.currentVoice = (sample.currentVoice + 1) % sample.voiceCount;
  voice = sample.voices[sample.currentVoice];
  // The oldest use of that voice is cut off.
  if (voice != nullptr && voice->playing) SoundVoiceRewind(*voice);
  return voice;
}

int32_t SamplePlay(SoundSample& sample, int32_t pan, int32_t volume, uint32_t flags) {
  if (!IsLoaded(sample)) return -1;
  SoundOutputLock lock(SampleOutput(sample));
  SoundBuffer* voice = SampleChooseVoice(sample);
  if (voice == nullptr) return -1;
  const int32_t attenuation = volume <= 0 ? kSoundVolumeMin : TruncToInt32(2000.0 * std::log10(volume / 100.0));
  SoundVoiceSetVolume(*voice, attenuation);
  SoundVoiceSetPan(*voice, pan);
  voice->looping = (flags & 1) != 0;
  voice->playing = true;
  return sample.currentVoice;
}

bool SampleStop(SoundSample& sample, int32_t voice) {
  if (!IsLoaded(sample)) return false;
  SoundOutputLock lock(SampleOutput(sample));
  const bool one = voice >= 0 && voice < sample.voiceCount;
  for (int32_t v = one ? voice : 0; v < (one ? voice + 1 : sample.voiceCount); ++v) {
    if (sample.voices[v] == nullptr) return false;
    SoundVoiceRewind(*sample.voices[v]);
  }
  return true;
}

bool SampleIsPlaying(SoundSample& sample, int32_t voice) {
  if (voice < 0 || voice >= sample.voiceCount) return false;
  SoundOutputLock lock(SampleOutput(sample));
  return sample.voices[voice] != nullptr && sample.voices[voice]->playing;
}

int32_t SoundPlay(uint32_t slot, double pan, double volume) {
  if (slot >= static_cast<uint32_t>(kSoundSlotCount)) {
    RuntimeSetError(kErrorOutOfMemory);
    return 0;
  }
  if (g_app.soundSlots == nullptr) return -1;
  pan = MaxF(-1.0, MinF(pan, 1.0));
  const int32_t percent = MaxIntDouble(0, MinF(100.0 * volume, 100.0));
  const int32_t voice = SamplePlay(g_app.soundSlots[slot], TruncToInt32(pan * 10000.0), percent, 0);
  if (voice < 0) return voice;
  return static_cast<int32_t>(slot) * 256 + voice;
}

bool SoundIsPlaying(int32_t channel) {
  SoundSample* sample = ChannelSlot(channel);
  if (sample == nullptr) {
    RuntimeSetError(kErrorOutOfMemory);
    return false;
  }
  return SampleIsPlaying(*sample, channel & 255);
}

void SoundStop(int32_t channel) {
  if (channel < 0) return;
  SoundSample* sample = ChannelSlot(channel);
  if (sample != nullptr) SampleStop(*sample, channel & 255);
}

void SoundStopAll() {
  if (g_app.soundSlots == nullptr) return;
  for (int slot = 0; slot < kSoundSlotCount; ++slot) SampleStop(g_app.soundSlots[slot], -1);
}
