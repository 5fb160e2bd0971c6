#include "devices/sound_stream.h"

#include <gtest/gtest.h>

#include <vector>

#include "devices/sound_device.h"
#include "devices/sound_mixer.h"
#include "tests/support/sound_fixture.h"

namespace {

std::vector<int16_t> Frames(int first, int count) {
  std::vector<int16_t> out;
  for (int i = 0; i < count; ++i) {
    out.push_back(static_cast<int16_t>(first + i));
    out.push_back(static_cast<int16_t>(-(first + i)));
  }
  return out;
}

TEST(SoundStreamTest, RingKeepsOrderAcrossItsEndAndNeverOverfills) {
  SoundStream s;
  ASSERT_TRUE(SoundStreamCreate(s, 8));
  EXPECT_EQ(SoundStreamSpace(s), 8u);
  int next = 0;
  int expect = 0;
  std::vector<int16_t> got(2 * 8);
  // Writes of 5 and reads of 3 walk the ring around its end many times.
  for (int round = 0; round < 40; ++round) {
    const uint32_t room = SoundStreamSpace(s);
    const std::vector<int16_t> in = Frames(next, 5);
    const uint32_t written = SoundStreamWrite(s, in.data(), 5);
    EXPECT_EQ(written, std::min(5u, room));
    next += static_cast<int>(written);
    EXPECT_LE(SoundStreamBuffered(s), 8u);
    const uint32_t read = SoundStreamRead(s, got.data(), 3);
    for (uint32_t i = 0; i < read; ++i) {
      EXPECT_EQ(got[2 * i], static_cast<int16_t>(expect));
      EXPECT_EQ(got[2 * i + 1], static_cast<int16_t>(-expect));
      ++expect;
    }
  }
  EXPECT_EQ(SoundStreamBuffered(s), static_cast<uint32_t>(next - expect));
  SoundStreamDrop(s);
  EXPECT_EQ(SoundStreamBuffered(s), 0u);
  EXPECT_EQ(SoundStreamRead(s, got.data(), 8), 0u);
  SoundStreamDestroy(s);
}

TEST(SoundStreamTest, MixerAddsPlayingStreamsAtTheirGainAndSaturates) {
  SoundStream a;
  SoundStream b;
  ASSERT_TRUE(SoundStreamCreate(a, 1024));
  ASSERT_TRUE(SoundStreamCreate(b, 1024));
  const std::vector<int16_t> loud = {30000, -30000, 30000, -30000, 1000, 1000};
  SoundStreamWrite(a, loud.data(), 3);
  SoundStreamWrite(b, loud.data(), 3);
  a.playing = true;
  b.playing = true;
  b.gain = kSoundStreamUnityGain / 2;
  SoundStream* streams[] = {&a, nullptr, &b};
  // Four frames: the last has no data left in either stream.
  std::vector<int16_t> out(8, 5);
  SoundMix(nullptr, 0, streams, 3, out.data(), 4);
  const std::vector<int16_t> want = {32767, -32768, 32767, -32768, 1505, 1505, 5, 5};
  EXPECT_EQ(out, want);

  // A stream that is not playing keeps its frames.
  SoundStreamWrite(a, loud.data(), 1);
  a.playing = false;
  std::vector<int16_t> quiet(2, 0);
  SoundMix(nullptr, 0, streams, 3, quiet.data(), 1);
  EXPECT_EQ(quiet, std::vector<int16_t>(2, 0));
  EXPECT_EQ(SoundStreamBuffered(a), 1u);
  SoundStreamDestroy(a);
  SoundStreamDestroy(b);
}

TEST(SoundStreamTest, AttachNeedsAnOutputAndAFreePlace) {
  SoundDevice none;
  SoundDeviceCreate(none);
  SoundStream s[3];
  EXPECT_FALSE(SoundStreamAttach(none, &s[0]));
  SoundSystem sound;
  ASSERT_NE(sound.device.output, nullptr);
  EXPECT_TRUE(SoundStreamAttach(sound.device, &s[0]));
  EXPECT_TRUE(SoundStreamAttach(sound.device, &s[0])) << "once only";
  EXPECT_TRUE(SoundStreamAttach(sound.device, &s[1]));
  EXPECT_FALSE(SoundStreamAttach(sound.device, &s[2]));
  SoundStreamDetach(sound.device, &s[0]);
  EXPECT_TRUE(SoundStreamAttach(sound.device, &s[2]));
  SoundStreamDetach(sound.device, &s[1]);
  SoundStreamDetach(sound.device, &s[2]);
  for (SoundStream* place : sound.device.streams) EXPECT_EQ(place, nullptr);
}

}  // namespace
