#include "devices/sound_voices.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "devices/sound_device.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "tests/support/media_pack_builder.h"
#include "tests/support/sound_fixture.h"
#include "tests/support/test_env.h"

namespace {

const std::string kSound = WavFile(1, 22050, 16, Pcm16({100, 200, 300, 400}));

class SoundCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(sound_.device.output, nullptr);
    WriteFileBytes(dir_.File("Boom.wav"), kSound);
    WriteFileBytes(dir_.File("bad.wav"), "RIFF....WAVEfmt ");
  }

  // Loads the test sound into the slot with the voices; the error code.
  int32_t Load(uint32_t slot, int32_t voices, const std::string& name = "Boom.wav") {
    SoundLoad(dir_.File(name).c_str(), slot, voices);
    return g_errorState.code;
  }

  SoundSample& Slot(int n) { return g_app.soundSlots[n]; }

  // While it lives the mixer does not run, so play states stay as the
  // commands leave them.
  SoundOutputLock PauseMixer() { return SoundOutputLock(sound_.device.output); }

  ScratchDir dir_;
  SoundSystem sound_;
};

TEST_F(SoundCommandsTest, LoadSetsTheErrorCodes) {
  const struct {
    const char* name;
    uint32_t slot;
    int32_t error;
    int32_t voices;  // of the slot afterwards
  } cases[] = {
      {"Boom.wav", 7, 0, 2},
      {"BOOM.WAV", 7, 0, 2},  // found without regard to case
      {"missing.wav", 7, 3, 2},
      {"bad.wav", 7, 3, 0},
      {"Boom.wav", 4095, 0, 2},
      {"Boom.wav", 4096, 7, 0},
      {"Boom.wav", 0xFFFFFFFF, 7, 0},
  };
  for (const auto& c : cases) {
    RuntimeSetError(kErrorOutOfBounds);
    EXPECT_EQ(Load(c.slot, 2, c.name), c.error) << c.name << " into " << c.slot;
    if (c.slot < 4096) {
      EXPECT_EQ(Slot(c.slot).voiceCount, c.voices) << c.name << " into " << c.slot;
    }
  }
}

TEST_F(SoundCommandsTest, LoadReadsTheMediaPack) {
  const std::string sound = WavFile(2, 11025, 8, "\x10\x20\x30\x40");
  WriteFileBytes(dir_.File("program"), MediaPackBytes(LayoutMediaPack("program", {{"zap.wav", sound}}, false)));
  MediaResolverSetPack(sound_.resolver, dir_.File("program").c_str());
  SoundLoad("Media/ZAP.wav", 3, 1);
  EXPECT_EQ(g_errorState.code, 0);
  ASSERT_EQ(Slot(3).voiceCount, 1);
  EXPECT_EQ(Slot(3).voices[0]->data->rate, 11025u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(Slot(3).voices[0]->data->bytes), 4), "\x10\x20\x30\x40");
}

TEST_F(SoundCommandsTest, FreeSlotIsTheHighestUnloadedOne) {
  EXPECT_EQ(SoundFreeSlot(), 4095);
  ASSERT_EQ(Load(4095, 1), 0);
  EXPECT_EQ(SoundFreeSlot(), 4094);
  const SoundOutputLock pause = PauseMixer();
  for (int s = 0; s < kSoundSlotCount; ++s) Slot(s).voiceCount = 1;
  EXPECT_EQ(SoundFreeSlot(), -1);
  EXPECT_EQ(g_errorState.code, 7);
  Slot(12).voiceCount = 0;
  EXPECT_EQ(SoundFreeSlot(), 12);
  EXPECT_EQ(g_errorState.code, 0);
  for (int s = 0; s < kSoundSlotCount - 1; ++s) Slot(s).voiceCount = 0;
}

TEST_F(SoundCommandsTest, PlayTurnsPanAndVolumeIntoTheVoice) {
  ASSERT_EQ(Load(5, 1), 0);
  const struct {
    double pan, volume;
    int32_t voicePan, voiceVolume;
  } cases[] = {
      {2.0, 0.5, 10000, -602}, {-0.5, 1.0, -5000, 0},   {0.25, 0.01, 2500, -4000}, {0, 0, 0, -10000},
      {0, -3, 0, -10000},      {0, 7, 0, 0},            {-7, 1, -10000, 0},        {NAN, NAN, 10000, 0},
  };
  const SoundOutputLock pause = PauseMixer();
  for (const auto& c : cases) {
    ClearLastError();
    EXPECT_EQ(SoundPlay(5, c.pan, c.volume), 5 * 256) << c.pan << ", " << c.volume;
    const SoundBuffer& voice = *Slot(5).voices[0];
    EXPECT_TRUE(voice.playing);
    EXPECT_FALSE(voice.looping);
    EXPECT_EQ(voice.pan, c.voicePan) << c.pan;
    EXPECT_EQ(voice.volume, c.voiceVolume) << c.volume;
    EXPECT_EQ(g_errorState.code, 0);
    SoundStopAll();
  }
  EXPECT_EQ(SamplePlay(Slot(5), 0, 100, 1), 0);
  EXPECT_TRUE(Slot(5).voices[0]->looping) << "flag 1 loops";
}

TEST_F(SoundCommandsTest, PlayTakesTheNextVoiceAndCutsOffTheOldest) {
  ASSERT_EQ(Load(1, 1), 0);
  ASSERT_EQ(Load(2, 3), 0);
  const SoundOutputLock pause = PauseMixer();
  // A one-voice sound still playing is not restarted.
  EXPECT_EQ(SoundPlay(1, 0, 1), 256);
  Slot(1).voices[0]->position = 12345;
  EXPECT_EQ(SoundPlay(1, 0, 1), -1);
  EXPECT_EQ(Slot(1).voices[0]->position, 12345u);

  EXPECT_EQ(SoundPlay(2, 0, 1), 512);
  EXPECT_EQ(SoundPlay(2, 0, 1), 513);
  EXPECT_EQ(SoundPlay(2, 0, 1), 514);
  Slot(2).voices[0]->position = 777;
  EXPECT_EQ(SoundPlay(2, 0, 1), 512);
  EXPECT_EQ(Slot(2).voices[0]->position, 0u) << "restarted from the start";
  for (int v = 0; v < 3; ++v) EXPECT_TRUE(SoundIsPlaying(512 + v)) << v;

  // A voice that has finished is used again.
  SoundStop(512);
  EXPECT_EQ(SoundPlay(2, 0, 1), 512);
}

TEST_F(SoundCommandsTest, PlayIsPlayingAndStopOutsideTheSlots) {
  ClearLastError();
  EXPECT_EQ(SoundPlay(9, 0, 1), -1) << "a free slot";
  EXPECT_EQ(g_errorState.code, 0);
  EXPECT_EQ(SoundPlay(4096, 0, 1), 0);
  EXPECT_EQ(g_errorState.code, 7);
  for (int32_t channel : {-1, 4096 * 256, INT32_MIN}) {
    ClearLastError();
    EXPECT_FALSE(SoundIsPlaying(channel)) << channel;
    EXPECT_EQ(g_errorState.code, 7) << channel;
    SoundStop(channel);
  }
  ClearLastError();
  EXPECT_FALSE(SoundIsPlaying(9 * 256));
  EXPECT_EQ(g_errorState.code, 0);
}

TEST_F(SoundCommandsTest, StopEndsOneVoiceOrAll) {
  ASSERT_EQ(Load(3, 2), 0);
  ASSERT_EQ(Load(4, 1), 0);
  const SoundOutputLock pause = PauseMixer();
  const int32_t first = SoundPlay(3, 0, 1);
  const int32_t second = SoundPlay(3, 0, 1);
  const int32_t other = SoundPlay(4, 0, 1);
  ASSERT_EQ(second, first + 1);
  EXPECT_FALSE(SoundIsPlaying(first + 2)) << "no such voice";
  SoundStop(-1);
  SoundStop(first);
  EXPECT_FALSE(SoundIsPlaying(first));
  EXPECT_TRUE(SoundIsPlaying(second));
  SoundPlay(3, 0, 1);
  SoundStop(3 * 256 + 9);  // a voice number beyond the slot's voices stops them all
  EXPECT_FALSE(SoundIsPlaying(first));
  EXPECT_FALSE(SoundIsPlaying(second));
  EXPECT_TRUE(SoundIsPlaying(other));
  SoundStopAll();
  EXPECT_FALSE(SoundIsPlaying(other));
}

TEST_F(SoundCommandsTest, ASoundPlaysToItsEndOnTheOutput) {
  ASSERT_EQ(Load(6, 1), 0);
  const int32_t channel = SoundPlay(6, 0, 1);
  ASSERT_EQ(channel, 6 * 256);
  EXPECT_TRUE(Eventually([&] { return !SoundIsPlaying(channel); }));
  EXPECT_EQ(SoundPlay(6, 0, 1), channel) << "played again from the start";
}

// The real output path: SDL's disk driver writes the mixed stream to a file.
TEST(SoundOutputTest, TheDiskOutputHoldsThePlayedSamples) {
  ScratchDir dir;
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", dir.File("out.raw"));
  SoundSystem sound;
  ASSERT_NE(sound.device.output, nullptr) << "SDL's disk audio driver";
  // A stereo sound whose sides differ: it comes out unchanged at full volume.
  std::string frames;
  for (int i = 0; i < 3000; ++i) frames += Pcm16({100 + i, -7 - 3 * i});
  WriteFileBytes(dir.File("stereo.wav"), WavFile(2, 22050, 16, frames));
  SoundLoad(dir.File("stereo.wav").c_str(), 40, 1);
  ASSERT_EQ(g_errorState.code, 0);
  const int32_t channel = SoundPlay(40, 0, 1);
  ASSERT_EQ(channel, 40 * 256);
  EXPECT_TRUE(Eventually([&] { return !SoundIsPlaying(channel); }));
  sound.Shutdown();  // the driver writes out what was mixed and closes the file
  const std::string out = ReadFileBytes(dir.File("out.raw"));
  EXPECT_NE(out.find(frames), std::string::npos) << out.size() << " bytes of output";
}

}  // namespace
