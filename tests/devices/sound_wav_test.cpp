#include "devices/sound_wav.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "devices/sound_device.h"
#include "files/file_stream.h"
#include "files/memory_file.h"
#include "tests/support/sound_fixture.h"
#include "tests/support/test_env.h"

namespace {

using namespace std::string_literals;

const std::string kData = Pcm16({1, -2, 300, -400});
const std::string kFormat = WavChunk("fmt ", WavFormat(1, 22050, 16));
// An INFO list of 17 bytes, as common tools write one, and the same chunk
// with the pad byte that RIFF puts behind an odd-sized chunk.
const std::string kOddList = "INFOIART\x05\0\0\0abcd\0"s;
const std::string kPaddedList = WavChunk("LIST", kOddList) + "\0"s;

// Loads through a disk file and through a memory block of exactly the
// file's size, so that a read past the end shows in the sanitizer build.
class WavLoadTest : public testing::Test {
 protected:
  void SetUp() override {
    SoundDeviceCreate(device_);
    ASSERT_EQ(SoundDeviceInit(device_, nullptr), 1);
    SampleInit(sample_);
  }
  void TearDown() override {
    SampleFree(sample_);
    SoundDeviceRelease(device_);
  }

  bool Load(const std::string& bytes, bool memory, int32_t voices = 1) {
    if (!memory) {
      WriteFileBytes(dir_.File("sound.wav"), bytes);
      return SampleLoad(sample_, &device_, dir_.File("sound.wav").c_str(), voices);
    }
    std::unique_ptr<uint8_t[]> block(new uint8_t[bytes.size()]);
    std::memcpy(block.get(), bytes.data(), bytes.size());
    const std::string name = MemoryFilePublish(block.get(), static_cast<uint32_t>(bytes.size()));
    const bool loaded = SampleLoad(sample_, &device_, name.c_str(), voices);
    MemoryFileWithdraw(block.get());
    return loaded;
  }

  void ExpectFree(const char* what) {
    EXPECT_EQ(sample_.voiceCount, 0) << what;
    EXPECT_EQ(sample_.fileName, nullptr) << what;
    for (SoundBuffer* voice : sample_.voices) EXPECT_EQ(voice, nullptr) << what;
  }

  ScratchDir dir_;
  SoundDevice device_;
  SoundSample sample_;
};

TEST_F(WavLoadTest, LoadsTheFormatsTheDevicePlays) {
  const struct {
    const char* name;
    std::string file;
    uint16_t channels, bits;
    uint32_t rate;
    std::string data;
  } cases[] = {
      {"16-bit mono", WavFile(1, 22050, 16, kData), 1, 16, 22050, kData},
      {"16-bit stereo", WavFile(2, 44100, 16, kData), 2, 16, 44100, kData},
      {"8-bit mono", WavFile(1, 11025, 8, "\x01\x80\xff"), 1, 8, 11025, "\x01\x80\xff"},
      {"8-bit stereo", WavFile(2, 8000, 8, "\x01\x02"), 2, 8, 8000, "\x01\x02"},
      {"the lowest rate", WavFile(1, 100, 16, kData), 1, 16, 100, kData},
      {"the highest rate", WavFile(1, 200000, 16, kData), 1, 16, 200000, kData},
      {"a chunk before an 18-byte format chunk",
       WavRiff(WavChunk("LIST", "abcd") + WavChunk("fmt ", WavFormat(1, 22050, 16) + "\0\0"s) +
               WavChunk("fact", "1234") + WavChunk("data", kData)),
       1, 16, 22050, kData},
      {"a format tag other than PCM",
       WavRiff(WavChunk("fmt ", WavFormat(2, 22050, 16, -1, 3)) + WavChunk("data", kData)), 2, 16, 22050, kData},
      {"three channels with a stereo block align",
       WavRiff(WavChunk("fmt ", WavFormat(3, 22050, 16, 4)) + WavChunk("data", kData)), 2, 16, 22050, kData},
      {"chunks after the data", WavRiff(kFormat + WavChunk("data", kData) + WavChunk("LIST", "x")), 1, 16, 22050,
       kData},
      {"a partial frame after the last one", WavFile(1, 22050, 16, kData + "\x07"), 1, 16, 22050, kData + "\x07"},
      {"an odd-sized chunk with its pad byte", WavRiff(kPaddedList + kFormat + WavChunk("data", kData)), 1, 16,
       22050, kData},
      {"an odd-sized chunk without its pad byte",
       WavRiff(WavChunk("LIST", kOddList) + kFormat + WavChunk("data", kData)), 1, 16, 22050, kData},
      {"a pad byte that is not zero",
       WavRiff(WavChunk("LIST", kOddList) + "\xff" + kFormat + WavChunk("data", kData)), 1, 16, 22050, kData},
      {"an odd-sized format chunk with its pad byte",
       WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 16) + "x") + "\0"s + WavChunk("data", kData)), 1, 16, 22050,
       kData},
      {"a RIFF size that is not the file's", "RIFF\xff\xff\xff\xffWAVE"s + kFormat + WavChunk("data", kData), 1, 16,
       22050, kData},
      {"an extensible format of PCM",
       WavRiff(WavChunk("fmt ", WavExtensibleFormat(2, 22050, 16, 1)) + WavChunk("data", kData)), 2, 16, 22050, kData},
  };
  for (bool memory : {false, true}) {
    for (const auto& c : cases) {
      ASSERT_TRUE(Load(c.file, memory)) << c.name << (memory ? " from memory" : " from disk");
      EXPECT_EQ(sample_.voiceCount, 1);
      EXPECT_EQ(sample_.device, &device_);
      EXPECT_EQ(sample_.fileName, nullptr) << "the name is the caller's";
      const SoundData& data = *sample_.voices[0]->data;
      EXPECT_EQ(data.channels, c.channels) << c.name;
      EXPECT_EQ(data.bits, c.bits) << c.name;
      EXPECT_EQ(data.rate, c.rate) << c.name;
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(data.bytes), data.byteCount), c.data) << c.name;
      EXPECT_FALSE(sample_.voices[0]->playing);
    }
  }
}

TEST_F(WavLoadTest, RefusesDamagedAndUnplayableFiles) {
  const std::string data = "data"s + "\x08\0\0\0"s + kData;
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"an empty file", ""},
      {"no RIFF", "RIFX" + WavFile(1, 22050, 16, kData).substr(4)},
      {"no WAVE", WavFile(1, 22050, 16, kData).replace(8, 4, "AVI ")},
      {"cut inside the RIFF header", WavFile(1, 22050, 16, kData).substr(0, 10)},
      {"no format chunk", WavRiff(WavChunk("data", kData))},
      {"a format chunk shorter than the PCM fields",
       WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 16).substr(0, 14)) + WavChunk("data", kData))},
      {"a format chunk running past the end", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 16), 0xFFFFFFF0))},
      {"a chunk before the format running past the end",
       WavRiff(WavChunk("JUNK", "", 0xFFFFFFFF) + kFormat + WavChunk("data", kData))},
      {"no data chunk", WavRiff(kFormat + WavChunk("LIST", "abcd"))},
      {"a data chunk one byte longer than the file", WavRiff(kFormat + WavChunk("data", kData, kData.size() + 1))},
      {"a data size of 0xFFFFFFFF", WavRiff(kFormat + WavChunk("data", kData, 0xFFFFFFFF))},
      {"a data chunk header cut short", WavRiff(kFormat + data.substr(0, 6))},
      {"no data bytes", WavFile(1, 22050, 16, "")},
      {"less than one frame of data", WavFile(2, 22050, 16, "\x01\x02\x03")},
      {"24-bit samples", WavFile(1, 22050, 24, "\x01\x02\x03")},
      {"32-bit float samples", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 32, -1, 3)) + WavChunk("data", kData))},
      {"4-bit ADPCM", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 4, 256, 2)) + WavChunk("data", kData))},
      {"u-law", WavRiff(WavChunk("fmt ", WavFormat(1, 8000, 8, -1, 7) + "\0\0"s) + WavChunk("fact", "\4\0\0\0"s) +
                        WavChunk("data", "\xff\x7f\x80\x00"s))},
      {"A-law", WavRiff(WavChunk("fmt ", WavFormat(2, 8000, 8, -1, 6)) + WavChunk("data", "\xd5\x55\x2a\xaa"s))},
      {"u-law in an extensible format",
       WavRiff(WavChunk("fmt ", WavExtensibleFormat(1, 8000, 8, 7)) + WavChunk("data", "\xff\x7f"s))},
      {"A-law in an extensible format",
       WavRiff(WavChunk("fmt ", WavExtensibleFormat(2, 8000, 8, 6)) + WavChunk("data", "\xd5\x55"s))},
      {"0 bits", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 0, 2)) + WavChunk("data", kData))},
      {"a block align of two frames", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 16, 4)) + WavChunk("data", kData))},
      {"a block align of 0", WavRiff(WavChunk("fmt ", WavFormat(1, 22050, 16, 0)) + WavChunk("data", kData))},
      {"six channels", WavFile(6, 22050, 16, kData + kData + kData)},
      {"rate 0", WavFile(1, 0, 16, kData)},
      {"rate 99", WavFile(1, 99, 16, kData)},
      {"rate 200001", WavFile(1, 200001, 16, kData)},
  };
  for (bool memory : {false, true}) {
    for (const auto& c : cases) {
      ASSERT_TRUE(Load(WavFile(1, 22050, 16, kData), memory));
      EXPECT_FALSE(Load(c.file, memory)) << c.name << (memory ? " from memory" : " from disk");
      ExpectFree(c.name);
    }
  }
}

TEST_F(WavLoadTest, VoiceCountsAreBroughtIntoRangeAndShareTheData) {
  const struct {
    int32_t asked, voices;
  } cases[] = {{-5, 1}, {0, 1}, {1, 1}, {3, 3}, {4, 4}, {9, 4}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(WavFile(1, 22050, 16, kData), false, c.asked));
    EXPECT_EQ(sample_.voiceCount, c.voices) << c.asked;
    EXPECT_EQ(sample_.currentVoice, 0);
    for (int v = 0; v < kSoundMaxVoices; ++v) {
      if (v < c.voices) {
        ASSERT_NE(sample_.voices[v], nullptr) << c.asked;
        EXPECT_EQ(sample_.voices[v]->data, sample_.voices[0]->data);
        EXPECT_FALSE(sample_.voices[v]->playing);
      } else {
        EXPECT_EQ(sample_.voices[v], nullptr) << c.asked;
      }
    }
  }
}

TEST_F(WavLoadTest, LoadingAgainFreesTheOldData) {
  ASSERT_TRUE(Load(WavFile(1, 22050, 16, kData), false, 4));
  std::weak_ptr<SoundData> first = sample_.voices[0]->data;
  ASSERT_TRUE(Load(WavFile(2, 22050, 8, "\x01\x02"), false, 2));
  EXPECT_TRUE(first.expired());
  std::weak_ptr<SoundData> second = sample_.voices[0]->data;
  EXPECT_FALSE(Load("RIFF", false, 2));
  EXPECT_TRUE(second.expired());
  ExpectFree("after a failed load");
}

TEST_F(WavLoadTest, NothingLoadsWithoutAnOutputOrAName) {
  WriteFileBytes(dir_.File("sound.wav"), WavFile(1, 22050, 16, kData));
  const std::string path = dir_.File("sound.wav");
  SoundDevice silent;
  SoundDeviceCreate(silent);
  EXPECT_FALSE(SampleLoad(sample_, &silent, path.c_str(), 1));
  ExpectFree("a device without output");
  EXPECT_FALSE(SampleLoad(sample_, nullptr, path.c_str(), 1));
  ExpectFree("no device");
  EXPECT_FALSE(SampleLoad(sample_, &device_, "", 1));
  EXPECT_FALSE(SampleLoad(sample_, &device_, dir_.File("missing.wav").c_str(), 1));
  ExpectFree("no file");
  EXPECT_TRUE(SampleLoad(sample_, &device_, path.c_str(), 1));
}

TEST_F(WavLoadTest, FillingReadsFromTheOffsetIntoTheBuffer) {
  ASSERT_TRUE(SampleCreateBuffer(sample_, 4, 22050, 16, 2, false));
  const std::string bytes = "..abcdef";
  const std::string name = MemoryFilePublish(bytes.data(), static_cast<uint32_t>(bytes.size()));
  FileStream s{};
  ASSERT_TRUE(StreamOpen(s, name.c_str()));
  EXPECT_FALSE(SampleFillBuffer(sample_, s, 5, 2)) << "more than the buffer holds";
  EXPECT_TRUE(SampleFillBuffer(sample_, s, 4, 2));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sample_.voices[0]->data->bytes), 4), "abcd");
  EXPECT_FALSE(SampleFillBuffer(sample_, s, 4, 0xFFFFFFFF)) << "two bytes left";
  EXPECT_FALSE(SampleFillBuffer(sample_, s, 2, 7)) << "one byte left";
  StreamClose(s);
  MemoryFileWithdraw(bytes.data());
}

}  // namespace
