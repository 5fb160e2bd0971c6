#include "devices/music.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "app/idle_step.h"
#include "devices/input_device.h"
#include "devices/music_stream.h"
#include "devices/sound_stream.h"
#include "files/media_resolver.h"
#include "platform/input_state.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/timer.h"
#include "tests/support/media_encoder.h"
#include "tests/support/sound_fixture.h"
#include "tests/support/test_env.h"

namespace {

std::string Bytes(const std::vector<int16_t>& samples) {
  return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * sizeof(int16_t));
}

// g_app's sound system with a music resolver (no pack), made after the
// audio driver is chosen; the music is stopped before the rest goes.
class MusicSystem {
 public:
  MusicSystem() {
    resolver.packEnabled = 0;
    g_app.musicResolver = &resolver;
  }
  ~MusicSystem() {
    MusicStop();
    g_app.musicResolver = nullptr;
    MediaResolverRelease(resolver);
  }
  MusicSystem(const MusicSystem&) = delete;
  MusicSystem& operator=(const MusicSystem&) = delete;

  SoundSystem sound;
  MediaResolver resolver;
};

// The streaming voice the mixer has been given, or null.
SoundStream* AttachedStream() {
  for (SoundStream* s : g_app.soundDevice->streams) {
    if (s != nullptr) return s;
  }
  return nullptr;
}

class MusicTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(music_.sound.device.output, nullptr); }

  // An MP3 file of a tone of the given length; its path.
  std::string Tune(const std::string& name, int frames, int channels = 2, int rate = 22050) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(WriteMp3File(path, ToneSamples(channels, rate, frames), channels, rate)) << name;
    return path;
  }

  ScratchDir dir_;
  MusicSystem music_;
};

TEST_F(MusicTest, LengthInMillisecondsAtAnyRateAndLayout) {
  const struct {
    int channels;
    int rate;
    int frames;
    int64_t ms;
  } cases[] = {
      {2, 22050, 22050, 1000}, {1, 44100, 22050, 500}, {2, 48000, 12000, 250},
      {1, 22050, 4410, 200},   {2, 32000, 64000, 2000},
  };
  for (const auto& c : cases) {
    const std::string path = Tune("t.mp3", c.frames, c.channels, c.rate);
    MusicStream* stream = MusicStreamOpen(path.c_str(), &music_.sound.device);
    ASSERT_NE(stream, nullptr);
    EXPECT_NEAR(MusicStreamLength(stream), c.ms, 2) << c.channels << " channels at " << c.rate;
    EXPECT_EQ(MusicStreamPosition(stream), 0);
    MusicStreamClose(stream);
  }
}

TEST_F(MusicTest, PlaysThroughTheMusicResolverToTheEnd) {
  Tune("Theme.mp3", 6615);  // 300 ms
  ASSERT_EQ(g_app.mediaResolver, &music_.sound.resolver);
  g_app.mediaResolver = nullptr;  // the other resolver plays no part
  RuntimeSetError(kErrorOutOfMemory);
  MusicPlay(dir_.File("theme.MP3").c_str(), false);
  g_app.mediaResolver = &music_.sound.resolver;
  EXPECT_EQ(g_errorState.code, 0);
  ASSERT_NE(g_music.window, nullptr);
  EXPECT_EQ(g_music.loopDeadline, 0.0);
  EXPECT_EQ(g_music.volume, 1.0);
  EXPECT_STREQ(g_music.fileName.c_str(), dir_.File("Theme.mp3").c_str());
  EXPECT_NEAR(MusicStreamLength(g_music.window), 300, 2);
  EXPECT_TRUE(MusicIsPlaying());
  EXPECT_TRUE(Eventually([] { return !MusicIsPlaying(); }));
  EXPECT_EQ(MusicStreamPosition(g_music.window), MusicStreamLength(g_music.window));
}

TEST_F(MusicTest, NameFoundNowhereGivesError3AndNoMusic) {
  MusicPlay(Tune("a.mp3", 22050).c_str(), true);
  ASSERT_NE(g_music.window, nullptr);
  MusicPlay(dir_.File("missing.mp3").c_str(), true);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(g_music.window, nullptr);
  EXPECT_EQ(g_music.loopDeadline, 0.0);
  EXPECT_FALSE(MusicIsPlaying());
  EXPECT_EQ(AttachedStream(), nullptr) << "the old piece left the mixer";

  g_app.musicResolver = nullptr;
  MusicPlay(dir_.File("a.mp3").c_str(), false);
  EXPECT_EQ(g_errorState.code, kErrorFile);
  EXPECT_EQ(g_music.window, nullptr);
}

TEST_F(MusicTest, LoopDeadlineIsTheLengthAndAtLeast500Ms) {
  const struct {
    int frames;
    double wait;
  } cases[] = {{2205, 500.0}, {22050, 1000.0}};
  for (const auto& c : cases) {
    const std::string path = Tune("loop.mp3", c.frames);
    const double before = TimerGetMillis();
    MusicPlay(path.c_str(), true);
    const double after = TimerGetMillis();
    EXPECT_GE(g_music.loopDeadline, before + c.wait - 2) << c.frames;
    EXPECT_LE(g_music.loopDeadline, after + c.wait + 2) << c.frames;
  }
}

TEST_F(MusicTest, LoopRestartsOnlyOnceTheDeadlineHasPassed) {
  MusicPlay(Tune("short.mp3", 2205).c_str(), true);  // 100 ms
  const double deadline = g_music.loopDeadline;
  ASSERT_GT(deadline, 0.0);
  MusicLoopRestart();
  if (TimerGetMillis() < deadline) {
    EXPECT_EQ(g_music.loopDeadline, deadline);
  }
  // Between its end and its restart a looping piece still counts as playing.
  ASSERT_TRUE(Eventually([] { return MusicStreamPosition(g_music.window) == MusicStreamLength(g_music.window); }));
  EXPECT_TRUE(MusicIsPlaying());
  ASSERT_TRUE(Eventually([&] { return TimerGetMillis() >= deadline; }));
  const double before = TimerGetMillis();
  MusicLoopRestart();
  EXPECT_GE(g_music.loopDeadline, before + 500.0);
  EXPECT_LT(MusicStreamPosition(g_music.window), MusicStreamLength(g_music.window)) << "back at the start";
  EXPECT_TRUE(Eventually([] { return MusicStreamPosition(g_music.window) == MusicStreamLength(g_music.window); }))
      << "and played again";
}

TEST_F(MusicTest, PauseHoldsThePositionAndMovesTheDeadlineByThePausedTime) {
  MusicPlay(Tune("long.mp3", 3 * 22050).c_str(), true);
  ASSERT_TRUE(Eventually([] { return MusicStreamPosition(g_music.window) > 0; }));
  const double deadline = g_music.loopDeadline;
  MusicPause(true);
  EXPECT_EQ(g_music.loopDeadline, -deadline);
  PlatformSleep(50);  // a mix under way when the pause came has ended
  const int64_t held = MusicStreamPosition(g_music.window);
  PlatformSleep(100);
  EXPECT_EQ(MusicStreamPosition(g_music.window), held);
  EXPECT_TRUE(MusicIsPlaying());

  const double before = TimerGetMillis();
  MusicPause(false);
  const double after = TimerGetMillis();
  EXPECT_GE(g_music.loopDeadline, deadline + (before - g_music.pauseStart));
  EXPECT_LE(g_music.loopDeadline, deadline + (after - g_music.pauseStart));
  EXPECT_GE(g_music.loopDeadline, deadline + 150.0);
  EXPECT_TRUE(Eventually([&] { return MusicStreamPosition(g_music.window) > held; }));

  // Resuming music that is not paused leaves the deadline alone.
  const double running = g_music.loopDeadline;
  MusicPause(false);
  EXPECT_EQ(g_music.loopDeadline, running);
}

TEST_F(MusicTest, VolumeIsSentOnlyWhenItChanges) {
  MusicPlay(Tune("v.mp3", 22050).c_str(), false);
  SoundStream* stream = AttachedStream();
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(stream->gain, kSoundStreamUnityGain);
  const struct {
    double volume;
    uint32_t gain;
  } cases[] = {
      {0.5, 32768}, {0.0, 0}, {1.0, 65536}, {2.0, 65536}, {-1.0, 0}, {0.001, 65},
      {std::numeric_limits<double>::quiet_NaN(), 0},
  };
  for (const auto& c : cases) {
    MusicVolume(c.volume);
    EXPECT_EQ(stream->gain, c.gain) << c.volume;
  }
  MusicVolume(0.5);
  MusicStreamSetVolume(g_music.window, 1000);
  MusicVolume(0.5);
  EXPECT_EQ(stream->gain, kSoundStreamUnityGain) << "the same volume again sends nothing";

  // Without music only the stored volume changes; the next piece starts at 1.
  MusicStop();
  EXPECT_EQ(g_music.volume, -1.0);
  MusicVolume(0.25);
  EXPECT_EQ(g_music.volume, 0.25);
  MusicPlay(dir_.File("v.mp3").c_str(), false);
  EXPECT_EQ(g_music.volume, 1.0);
  EXPECT_EQ(AttachedStream()->gain, kSoundStreamUnityGain);
}

TEST_F(MusicTest, StopClosesThePiece) {
  MusicPlay(Tune("s.mp3", 22050).c_str(), true);
  MusicVolume(0.5);
  MusicStop();
  EXPECT_EQ(g_music.window, nullptr);
  EXPECT_EQ(g_music.loopDeadline, 0.0);
  EXPECT_EQ(g_music.volume, -1.0);
  EXPECT_FALSE(MusicIsPlaying());
  EXPECT_EQ(AttachedStream(), nullptr);
  MusicStop();
  MusicPause(true);
  MusicRestart();
  MusicLoopRestart();
}

TEST_F(MusicTest, StoppingAndReplacingWhileDecoding) {
  // The sanitizer build catches a decoder or mixer touching a freed stream.
  const std::string path = Tune("ten.mp3", 10 * 22050);
  for (int round = 0; round < 20; ++round) {
    MusicPlay(path.c_str(), round % 2 == 0);
    if (round % 3 == 0) PlatformSleep(5);
    if (round % 4 == 0) MusicRestart();
    if (round % 5 == 0) MusicStop();
  }
  EXPECT_TRUE(MusicIsPlaying());
  // The device goes first; stopping afterwards still frees the piece.
  music_.sound.Shutdown();
  MusicStop();
  EXPECT_EQ(g_music.window, nullptr);
}

TEST_F(MusicTest, IdleStepRestartsLoopingMusicWhoseTimeIsUp) {
  PlatformInputReset();
  InputDevice input;
  InputCreate(input);
  InputInit(input, nullptr, nullptr, false);
  g_app.input = &input;
  MusicPlay(Tune("idle.mp3", 2205).c_str(), true);
  MakeMusicLoopDue();
  const double before = TimerGetMillis();
  IdleStep();
  EXPECT_GE(g_music.loopDeadline, before + 500.0);
  g_app.input = nullptr;
  InputFree(input);
  PlatformInputReset();
}

// Files that are not music, or not whole: the piece is still the current
// one, plays what decodes (or nothing), ends, loops and stops.
TEST_F(MusicTest, CorruptFilesPlaySilentlyOrInPart) {
  const std::string tune = ReadFileBytes(Tune("good.mp3", 22050));
  ASSERT_GT(tune.size(), 2000u);
  std::string noise;
  uint32_t seed = 12345;
  for (int i = 0; i < 65536; ++i) {
    seed = seed * 1103515245u + 12345u;
    noise += static_cast<char>(seed >> 24);
  }
  std::string frameSyncs;
  for (int i = 0; i < 4096; ++i) frameSyncs += std::string("\xFF\xFB\x90\x64", 4) + std::string(i % 7, '\x55');
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"text", "this is not music\n"},
      {"zeros", std::string(65536, '\0')},
      {"noise", noise},
      {"frame syncs over garbage", frameSyncs},
      {"first part only", tune.substr(0, tune.size() * 2 / 5)},
      {"header then noise", tune.substr(0, 1500) + noise},
      {"tag claiming 256 MB", std::string("ID3\x04\x00\x00\x7F\x7F\x7F\x7F", 10) + tune.substr(0, 500)},
      {"a wave file", WavFile(2, 22050, 16, std::string(4000, '\x11'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFileBytes(dir_.File("bad.mp3"), c.bytes);
    for (bool loop : {false, true}) {
      MusicPlay(dir_.File("bad.mp3").c_str(), loop);
      EXPECT_EQ(g_errorState.code, 0);
      ASSERT_NE(g_music.window, nullptr);
      EXPECT_GE(MusicStreamLength(g_music.window), 0);
      if (loop) {
        for (int i = 0; i < 3; ++i) {
          MakeMusicLoopDue();
          const double before = TimerGetMillis();
          MusicLoopRestart();
          EXPECT_GE(g_music.loopDeadline, before + 500.0);
        }
        MusicPause(true);
        MusicPause(false);
      } else {
        EXPECT_TRUE(Eventually([] { return !MusicIsPlaying(); }));
      }
    }
    MusicStop();
  }
}

// The MP3 file with the frame count of its info header (the first frame,
// "Xing" or "Info") replaced; unchanged when it has none.
std::string WithClaimedFrames(std::string mp3, uint32_t frames) {
  size_t at = mp3.find("Info");
  if (at == std::string::npos) at = mp3.find("Xing");
  if (at == std::string::npos || at + 12 > mp3.size() || (mp3[at + 7] & 1) == 0) return mp3;
  for (int i = 0; i < 4; ++i) mp3[at + 8 + i] = static_cast<char>(frames >> (24 - 8 * i));
  return mp3;
}

// Opening costs what the file holds, whatever its info header claims: the
// decoder's resampler once walked every claimed frame, so a few kilobytes
// claiming 2^31 frames held the main thread for some 20 s. A header that
// claims more frames than the file holds is not used, and the length is
// that of the frames there (with the encoder's delay and padding, which
// only the header would tell).
TEST_F(MusicTest, AnInfoHeaderClaimingMoreFramesThanTheFileHoldsIsNotBelieved) {
  const std::string tune = ReadFileBytes(Tune("a.mp3", 1600, 1, 8000));  // 200 ms
  const std::string lying = WithClaimedFrames(tune, 0x7FFFFFFF);
  ASSERT_NE(lying, tune) << "the writer gave no info header";
  WriteFileBytes(dir_.File("claims.mp3"), lying);
  const auto start = std::chrono::steady_clock::now();
  MusicStream* stream = MusicStreamOpen(dir_.File("claims.mp3").c_str(), &music_.sound.device);
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_NE(stream, nullptr);
  EXPECT_LT(took, std::chrono::seconds(5));
  EXPECT_GE(MusicStreamLength(stream), 200);
  EXPECT_LE(MusicStreamLength(stream), 400);
  EXPECT_EQ(MusicStreamPosition(stream), 0);
  MusicStreamPlay(stream);
  EXPECT_TRUE(Eventually([stream] { return MusicStreamPosition(stream) == MusicStreamLength(stream); }));
  MusicStreamClose(stream);
}

TEST_F(MusicTest, FilesThatAreNotRegularFilesAreSilent) {
  ASSERT_EQ(mkfifo(dir_.File("pipe.mp3").c_str(), 0600), 0);
  MusicStream* stream = MusicStreamOpen(dir_.File("pipe.mp3").c_str(), &music_.sound.device);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(MusicStreamLength(stream), 0);
  MusicStreamPlay(stream);
  EXPECT_EQ(MusicStreamPosition(stream), 0);
  MusicStreamClose(stream);
  EXPECT_EQ(AttachedStream(), nullptr);
}

// The frames of raw 16-bit stereo output, without the (nearly) silent ones
// whose channels are both within 1 of 0.
std::vector<int16_t> WithoutSilentFrames(const std::string& raw) {
  std::vector<int16_t> kept;
  for (size_t at = 0; at + 4 <= raw.size(); at += 4) {
    int16_t frame[2];
    std::memcpy(frame, raw.data() + at, 4);
    if (std::abs(frame[0]) > 1 || std::abs(frame[1]) > 1) kept.insert(kept.end(), frame, frame + 2);
  }
  return kept;
}

// Whether the samples hold the part somewhere, frame-aligned, each sample
// within 1 of the part's.
bool HoldsNearly(const std::vector<int16_t>& samples, const std::vector<int16_t>& part) {
  for (size_t start = 0; start + part.size() <= samples.size(); start += 2) {
    size_t i = 0;
    while (i < part.size() && std::abs(samples[start + i] - part[i]) <= 1) ++i;
    if (i == part.size()) return true;
  }
  return false;
}

// The real output path: SDL's disk driver writes the mixed stream to a file.
TEST(MusicOutputTest, TheDiskOutputHoldsTheDecodedPiece) {
  ScratchDir dir;
  ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  ScopedEnv file("SDL_DISKAUDIOFILE", dir.File("out.raw"));
  MusicSystem music;
  ASSERT_NE(music.sound.device.output, nullptr) << "SDL's disk audio driver";
  const std::string path = dir.File("tone.mp3");
  ASSERT_TRUE(WriteMp3File(path, ToneSamples(2, 44100, 44100), 2, 44100));
  const std::vector<int16_t> decoded = DecodeMp3File(path);
  ASSERT_GT(decoded.size(), 2u * 20000);
  MusicPlay(path.c_str(), false);
  ASSERT_EQ(g_errorState.code, 0);
  EXPECT_TRUE(Eventually([] { return !MusicIsPlaying(); }));
  MusicStop();
  music.sound.Shutdown();  // the driver writes out what was mixed and closes the file
  const std::string out = ReadFileBytes(dir.File("out.raw"));
  const std::vector<int16_t> middle(decoded.begin() + 2 * 5000, decoded.begin() + 2 * 15000);
  // A starved decoding thread (a loaded machine) makes the mixer play
  // silence until frames are there again: the piece comes out whole but
  // may be split by silence, so silent frames are left out on both sides.
  // The player sends the decoder back to the start after it has decoded
  // ahead, as far as the thread got by then; the decoder's rounding then
  // differs from a fresh decode by 1 in a few samples.
  EXPECT_TRUE(HoldsNearly(WithoutSilentFrames(out), WithoutSilentFrames(Bytes(middle))))
      << out.size() << " bytes of output";
}

}  // namespace
