#include "devices/sound_device.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/sound_fixture.h"

namespace {

TEST(SoundDeviceTest, OpensTheDummyOutputAndReleases) {
  SoundDevice device;
  SoundDeviceCreate(device);
  EXPECT_EQ(device.output, nullptr);
  ASSERT_EQ(SoundDeviceInit(device, nullptr), 1) << "SDL_AUDIODRIVER=dummy is set by the test main";
  EXPECT_EQ(device.caps.rate, 22050);
  EXPECT_EQ(device.caps.channels, 2);
  EXPECT_EQ(device.caps.bits, 16);
  SoundDeviceRelease(device);
  EXPECT_EQ(device.output, nullptr);
  SoundDeviceRelease(device);
}

TEST(SoundDeviceTest, SlotsFreedWhileTheMixerRunsAreDetachedFirst) {
  // The mixer runs on the audio thread the whole time; freeing the slots
  // must never race with a mix (the sanitizer build catches a use after free).
  SoundDevice device;
  SoundDeviceCreate(device);
  ASSERT_EQ(SoundDeviceInit(device, nullptr), 1);
  const auto data = MakeSoundData(2, 22050, 16, std::string(4 * 4096, '\x10'));
  for (int round = 0; round < 20; ++round) {
    auto* slots = new SoundSample[kSoundSlotCount];
    for (int s = 0; s < kSoundSlotCount; ++s) SampleInit(slots[s]);
    for (int s = 0; s < 64; ++s) {
      slots[s].voiceCount = 1;
      slots[s].voices[0] = new SoundBuffer;
      slots[s].voices[0]->data = data;
      slots[s].voices[0]->playing = true;
      slots[s].voices[0]->looping = true;
    }
    // Handed to the running mixer under the output's lock, as a live
    // program would.
    PlatformAudioLock(device.output);
    g_app.soundSlots = slots;
    PlatformAudioUnlock(device.output);
    PlatformSleep(2);
    SoundSample* detached = SoundSlotsDetach(&device);
    EXPECT_EQ(detached, slots);
    EXPECT_EQ(g_app.soundSlots, nullptr);
    for (int s = kSoundSlotCount - 1; s >= 0; --s) SampleFree(detached[s]);
    delete[] detached;
  }
  EXPECT_EQ(data.use_count(), 1);
  SoundDeviceRelease(device);
}

}  // namespace
