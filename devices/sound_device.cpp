#include "devices/sound_device.h"

#include <cstdlib>
#include <string>
#include <type_traits>

#include "core/fatal_error.h"
#include "devices/sound_mixer.h"
#include "devices/sound_wav.h"
#include "files/media_resolver.h"
#include "process/app_globals.h"
#include "process/error_state.h"

namespace {

void MixerCallback(void* user, int16_t* samples, int frameCount) {
  // Runs with the output locked; SoundSlotsDetach clears the slots pointer
  // and SoundStreamDetach a stream under the same lock before they are
  // freed.
  const auto* device = static_cast<const SoundDevice*>(user);
  SoundSample* slots = g_app.soundSlots;
  SoundMix(slots, slots != nullptr ? kSoundSlotCount : 0, device->streams, kSoundStreamCount, samples, frameCount);
}

}  // namespace

SoundData::~SoundData() { std::free(bytes); }

uint32_t SoundDataFrames(const SoundData& data) {
  const uint32_t frameBytes = static_cast<uint32_t>(data.channels) * (data.bits / 8);
  return frameBytes == 0 ? 0 : data.byteCount / frameBytes;
}

SoundOutputLock::SoundOutputLock(PlatformAudio* output) : output_(output) { PlatformAudioLock(output_); }

SoundOutputLock::~SoundOutputLock() { PlatformAudioUnlock(output_); }

PlatformAudio* SampleOutput(const SoundSample& sample) {
  return sample.device != nullptr ? sample.device->output : nullptr;
}

void SoundDeviceCreate(SoundDevice& device) { device.output = nullptr; }

int32_t SoundDeviceInit(SoundDevice& device, PlatformWindow* /*window*/) {
  if (device.output == nullptr) device.output = PlatformAudioOpen(MixerCallback, &device);
  if (device.output == nullptr) return 0;
  device.caps = PlatformAudioGetFormat(device.output);
  return 1;
}

void SoundDeviceSetWindow(SoundDevice& /*device*/, PlatformWindow* /*window*/) {}

void SoundDeviceRelease(SoundDevice& device) {
  if (device.output != nullptr) PlatformAudioClose(device.output);
  device.output = nullptr;
}

SoundSample* SoundSlotsNew() {
  // A slot of all zero bytes is a free slot: every field's initial value
  // is zero or null, and no field needs a constructor or destructor run.
  static_assert(std::is_trivially_copyable_v<SoundSample> && std::is_trivially_destructible_v<SoundSample>,
                "sound slots come from calloc and go back to free");
  auto* slots = static_cast<SoundSample*>(std::calloc(kSoundSlotCount, sizeof(SoundSample)));
  if (slots == nullptr) RuntimeOutOfMemory();
  return slots;
}

void SoundSlotsFree(SoundSample* slots) {
  if (slots == nullptr) return;
  for (int slot = kSoundSlotCount - 1; slot >= 0; --slot) SampleFree(slots[slot]);
  std::free(slots);
}

SoundSample* SoundSlotsDetach(SoundDevice* device) {
  SoundOutputLock lock(device != nullptr ? device->output : nullptr);
  SoundSample* slots = g_app.soundSlots;
  g_app.soundSlots = nullptr;
  return slots;
}

void SampleInit(SoundSample& sample) {
  sample.voiceCount = 0;
  sample.currentVoice = 0;
  sample.device = nullptr;
  for (SoundBuffer*& voice : sample.voices) voice = nullptr;
}

void SampleRelease(SoundSample& sample) {
  SoundOutputLock lock(SampleOutput(sample));
  // Every voice that exists goes, also those of a load that failed after
  // its first voice was made.
  for (SoundBuffer*& voice : sample.voices) {
    delete voice;
    voice = nullptr;
  }
  // The mixer reads the count; a slot without an output to lock never had
  // one above 0 (SampleLoad counts voices only on an output), so it is
  // written only when it changes.
  if (sample.voiceCount != 0) sample.voiceCount = 0;
  sample.currentVoice = 0;
}

void SampleFree(SoundSample& sample) { SampleRelease(sample); }

void SoundLoad(const RtString& file, uint32_t slot, int32_t voices) {
  ClearLastError();
  if (slot >= static_cast<uint32_t>(kSoundSlotCount)) {
    RuntimeSetError(kErrorOutOfMemory);
    return;
  }
  std::string resolved;
  if (g_app.mediaResolver == nullptr || MediaResolve(*g_app.mediaResolver, file.c_str(), &resolved, true) == 0) {
    RuntimeSetError(kErrorFile);
    return;
  }
  if (g_app.soundSlots == nullptr || !SampleLoad(g_app.soundSlots[slot], g_app.soundDevice, resolved.c_str(), voices)) {
    RuntimeSetError(kErrorFile);
  }
}

int32_t SoundFreeSlot() {
  ClearLastError();
  if (g_app.soundSlots != nullptr) {
    for (int32_t slot = kSoundSlotCount - 1; slot >= 0; --slot) {
      if (g_app.soundSlots[slot].voiceCount < 1) return slot;
    }
  }
  RuntimeSetError(kErrorOutOfMemory);
  return -1;
}
