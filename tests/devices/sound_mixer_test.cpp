#include "devices/sound_mixer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "devices/sound_device.h"
#include "tests/support/sound_fixture.h"

namespace {

// Slots with voices over test data, as loading would leave them, but
// playing from the start.
class MixSlots {
 public:
  MixSlots() {
    for (SoundSample& s : slots) SampleInit(s);
  }
  ~MixSlots() {
    for (SoundSample& s : slots) SampleFree(s);
  }

  SoundBuffer& Play(int slot, std::shared_ptr<SoundData> data, bool looping = false) {
    SoundSample& s = slots[slot];
    auto* voice = new SoundBuffer;
    voice->data = std::move(data);
    voice->playing = true;
    voice->looping = looping;
    s.voices[s.voiceCount++] = voice;
    return *voice;
  }

  std::vector<int16_t> Mix(int frames, int16_t start = 0) {
    std::vector<int16_t> out(2 * frames, start);
    SoundMix(slots, 2, nullptr, 0, out.data(), frames);
    return out;
  }

  SoundSample slots[2];
};

std::shared_ptr<SoundData> Mono16(std::initializer_list<int> samples, uint32_t rate = 22050) {
  return MakeSoundData(1, rate, 16, Pcm16(samples));
}

TEST(SoundMixerTest, GainOfHundredthsOfADecibel) {
  const struct {
    int32_t value;
    uint32_t gain;  // 65536 = unity
  } cases[] = {
      {0, 65536},     {1, 65536},    {INT_MAX, 65536}, {-602, 32770}, {-2000, 6554},
      {-4000, 655},   {-9999, 1},    {-10000, 0},      {INT_MIN, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(SoundGainFromHundredthsDb(c.value), c.gain) << c.value;
}

TEST(SoundMixerTest, SettersKeepVolumeAndPanInRange) {
  const struct {
    int32_t in, volume, pan;
  } cases[] = {
      {0, 0, 0}, {-602, -602, -602}, {602, 0, 602}, {-10001, -10000, -10000}, {20000, 0, 10000},
      {INT_MIN, -10000, -10000}, {INT_MAX, 0, 10000},
  };
  for (const auto& c : cases) {
    SoundBuffer voice;
    SoundVoiceSetVolume(voice, c.in);
    SoundVoiceSetPan(voice, c.in);
    EXPECT_EQ(voice.volume, c.volume) << c.in;
    EXPECT_EQ(voice.pan, c.pan) << c.in;
  }
}

TEST(SoundMixerTest, OneVoiceInEachFormat) {
  const struct {
    const char* name;
    uint16_t channels, bits;
    uint32_t rate;
    std::string bytes;
    int32_t volume, pan;
    std::vector<int16_t> out;  // left, right per frame; the voice has ended by the last frame
  } cases[] = {
      {"16-bit mono sounds on both sides", 1, 16, 22050, Pcm16({1000, -2000}), 0, 0, {1000, 1000, -2000, -2000, 0, 0}},
      {"16-bit stereo keeps its sides", 2, 16, 22050, Pcm16({100, -200, 300, -400}), 0, 0,
       {100, -200, 300, -400, 0, 0}},
      {"8-bit mono is unsigned around 128", 1, 8, 22050, std::string("\x80\xff\x00", 3), 0, 0,
       {0, 0, 32512, 32512, -32768, -32768, 0, 0}},
      {"8-bit stereo", 2, 8, 22050, std::string("\x00\xff", 2), 0, 0, {-32768, 32512, 0, 0}},
      {"pan right silences the left", 1, 16, 22050, Pcm16({10000}), 0, 10000, {0, 10000, 0, 0}},
      {"pan left silences the right", 1, 16, 22050, Pcm16({10000}), 0, -10000, {10000, 0, 0, 0}},
      {"pan 602 halves the left", 1, 16, 22050, Pcm16({10000}), 0, 602, {5000, 10000, 0, 0}},
      {"volume -602 halves both sides", 2, 16, 22050, Pcm16({10000, -10000}), -602, 0, {5000, -5000, 0, 0}},
      {"volume -10000 is silence", 1, 16, 22050, Pcm16({10000}), -10000, 0, {0, 0, 0, 0}},
      {"a volume above 0 dB stays at unity", 1, 16, 22050, Pcm16({32767, -32768}), 30000, 0,
       {32767, 32767, -32768, -32768}},
      {"a pan beyond the range silences one side", 1, 16, 22050, Pcm16({32767}), 0, 50000, {0, 32767}},
      {"11025 Hz data is stretched between its frames", 1, 16, 11025, Pcm16({0, -1000}), 0, 0,
       {0, 0, -500, -500, -1000, -1000, -1000, -1000, 0, 0}},
      {"44100 Hz data takes every other frame", 1, 16, 44100, Pcm16({1, 2, 3, 4}), 0, 0, {1, 1, 3, 3, 0, 0}},
      {"a partial frame at the end is not played", 2, 16, 22050, Pcm16({7, 8, 9}), 0, 0, {7, 8, 0, 0}},
  };
  for (const auto& c : cases) {
    MixSlots slots;
    SoundBuffer& voice = slots.Play(0, MakeSoundData(c.channels, c.rate, c.bits, c.bytes));
    voice.volume = c.volume;
    voice.pan = c.pan;
    const int frames = static_cast<int>(c.out.size() / 2);
    EXPECT_EQ(slots.Mix(frames), c.out) << c.name;
    EXPECT_FALSE(voice.playing) << c.name;
    EXPECT_EQ(voice.position, 0u) << c.name;
  }
}

TEST(SoundMixerTest, VoicesAddUpAndTheSumSaturates) {
  const struct {
    int16_t before;
    std::vector<int> voices;
    int16_t out;
  } cases[] = {
      {0, {30000, 30000}, 32767},
      {0, {-30000, -30000}, -32768},
      {0, {30000, 30000, -30000}, 30000},  // the sum is limited, not each step
      {0, {1, 2, 3, 4, 5, 6, 7, 8}, 36},
      {1000, {500}, 1500},                 // what the output held is kept
      {-32768, {-1}, -32768},
  };
  for (const auto& c : cases) {
    MixSlots slots;
    for (size_t i = 0; i < c.voices.size(); ++i) slots.Play(static_cast<int>(i % 2), Mono16({c.voices[i]}));
    const std::vector<int16_t> out = slots.Mix(1, c.before);
    EXPECT_EQ(out[0], c.out) << c.voices.size() << " voices from " << c.before;
    EXPECT_EQ(out[1], c.out) << c.voices.size() << " voices from " << c.before;
  }
}

TEST(SoundMixerTest, ALoopingVoiceWrapsAcrossCallsAndChunks) {
  MixSlots slots;
  SoundBuffer& voice = slots.Play(0, Mono16({10, 20, 30, 40, 50}), true);
  std::vector<int16_t> out = slots.Mix(601);
  const std::vector<int16_t> more = slots.Mix(300);
  out.insert(out.end(), more.begin(), more.end());
  for (size_t f = 0; f < out.size() / 2; ++f) ASSERT_EQ(out[2 * f], 10 * (f % 5 + 1)) << "frame " << f;
  EXPECT_TRUE(voice.playing);
}

TEST(SoundMixerTest, AVoiceEndsWithItsLastFrame) {
  MixSlots slots;
  SoundBuffer& voice = slots.Play(0, Mono16({1, 2, 3}));
  SoundBuffer& idle = slots.Play(1, Mono16({9}));
  idle.playing = false;
  EXPECT_EQ(slots.Mix(3), (std::vector<int16_t>{1, 1, 2, 2, 3, 3}));
  EXPECT_FALSE(voice.playing) << "stopped as soon as the data ran out";
  EXPECT_EQ(voice.position, 0u);
  EXPECT_EQ(slots.Mix(2), std::vector<int16_t>(4, 0));
}

}  // namespace
