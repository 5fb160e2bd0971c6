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

TEST(SoundDeviceTest, NewSlotsAreAllFreeAndFreeingTakesTheirVoices) {
  SoundSample* slots = SoundSlotsNew();
  ASSERT_NE(slots, nullptr);
  for (const int s : {0, 1, 2047, 4095}) {
    EXPECT_EQ(slots[s].voiceCount, 0) << s;
    EXPECT_EQ(slots[s].currentVoice, 0) << s;
    EXPECT_EQ(slots[s].fileName, nullptr) << s;
    EXPECT_EQ(slots[s].device, nullptr) << s;
    for (SoundBuffer* voice : slots[s].voices) EXPECT_EQ(voice, nullptr) << s;
  }
  g_app.soundSlots = slots;
  EXPECT_EQ(SoundFreeSlot(), 4095);
  g_app.soundSlots = nullptr;
  // A loaded slot's voices go with the table (the sanitizer build catches
  // a leak), and null is no table.
  const auto data = MakeSoundData(1, 22050, 8, std::string(64, '\x80'));
  slots[4095].voiceCount = 1;
  slots[4095].voices[0] = new SoundBuffer;
  slots[4095].voices[0]->data = data;
  SoundSlotsFree(slots);
  EXPECT_EQ(data.use_count(), 1);
  SoundSlotsFree(nullptr);
}

TEST(SoundDeviceTest, SlotsFreedWhileTheMixerRunsAreDetachedFirst) {
  // The mixer runs on the audio thread the whole time; freeing the slots
  // must never race with a mix (the sanitizer build catches a use after free).
  SoundDevice device;
  SoundDeviceCreate(device);
  ASSERT_EQ(SoundDeviceInit(device, nullptr), 1);
  const auto data = MakeSoundData(2, 22050, 16, std::string(4 * 4096, '\x10'));
  for (int round = 0; round < 20; ++round) {
    SoundSample* slots = SoundSlotsNew();
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
    SoundSlotsFree(detached);
  }
  EXPECT_EQ(data.use_count(), 1);
  SoundDeviceRelease(device);
}

}  // namespace
