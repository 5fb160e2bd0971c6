#include "devices/sound_device.h"

#include <gtest/gtest.h>

#include "app/app_globals.h"

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

TEST(SoundDeviceTest, SlotsStartFreeAndReleaseTheirVoices) {
  SoundSample sample;
  SampleInit(sample);
  EXPECT_EQ(sample.voiceCount, 0);
  auto data = std::make_shared<SoundData>();
  data->frames = {1000, -1000, 2000, -2000};
  sample.voiceCount = 2;
  for (int v = 0; v < 2; ++v) {
    sample.voices[v] = new SoundBuffer;
    sample.voices[v]->data = data;
    sample.voices[v]->playing = true;
  }
  int16_t out[6] = {};
  SoundMix(&sample, 1, out, 3);
  EXPECT_EQ(out[0], 2000);
  EXPECT_EQ(out[3], -4000);
  EXPECT_EQ(out[4], 0);  // the sound ended after two frames
  EXPECT_FALSE(sample.voices[0]->playing);
  SampleFree(sample);
  EXPECT_EQ(sample.voiceCount, 0);
  EXPECT_EQ(sample.voices[0], nullptr);
  EXPECT_EQ(data.use_count(), 1);
}

}  // namespace
