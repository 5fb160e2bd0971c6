#include "files/media_resolver.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/file_stream.h"
#include "files/memory_file.h"
#include "process/app_globals.h"
#include "tests/support/media_pack_builder.h"
#include "tests/support/test_env.h"

namespace {

std::string ReadStream(const std::string& name) {
  FileStream s;
  if (!StreamOpen(s, name.c_str())) return "<cannot open>";
  std::string bytes(static_cast<size_t>(s.size), '\0');
  const bool ok = StreamRead(s, bytes.data(), static_cast<int32_t>(bytes.size()));
  StreamClose(s);
  return ok ? bytes : "<cannot read>";
}

std::string Sample(size_t n, char seed) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += static_cast<char>(seed + (i * i / 7) % 23);
  return s;
}

const std::vector<std::pair<std::string, std::string>> kFiles = {
    {"hero.png", Sample(5000, 'a')}, {"tundel42.mp3", Sample(300, 'A')}, {"empty.txt", ""}};

// A pack held on disk or published in memory.
class PackFixture : public testing::TestWithParam<std::tuple<bool, bool>> {
 protected:
  bool Negative() const { return std::get<0>(GetParam()); }
  bool InMemory() const { return std::get<1>(GetParam()); }

  void SetUp() override { layout_ = LayoutMediaPack("ELF-program-bytes", kFiles, Negative()); }
  void TearDown() override {
    MediaResolverRelease(resolver_);
    if (!memoryPack_.empty()) MemoryFileWithdraw(memoryPack_.data());
  }

  // Installs the pack's bytes as the resolver's pack.
  void Install(const std::string& bytes) {
    if (!memoryPack_.empty()) MemoryFileWithdraw(memoryPack_.data());
    if (InMemory()) {
      memoryPack_ = bytes + '\0';
      MediaResolverSetPack(resolver_, MemoryFilePublish(memoryPack_.data(), bytes.size()).c_str());
    } else {
      WriteFileBytes(dir_.File("program"), bytes);
      MediaResolverSetPack(resolver_, dir_.File("program").c_str());
    }
  }

  ScratchDir dir_;
  ScopedEnv tmp_{"TMPDIR", dir_.path()};
  MediaPackLayout layout_;
  MediaResolver resolver_;
  std::string memoryPack_;
};

TEST_P(PackFixture, FindsUnpacksAndFreesEntries) {
  Install(MediaPackBytes(layout_));
  std::string out;
  ASSERT_EQ(MediaResolve(resolver_, "Media/sub\\HERO.Png", &out, true), 1);
  EXPECT_TRUE(IsMemoryFileName(out.c_str()));
  EXPECT_EQ(ReadStream(out), kFiles[0].second);
  const std::string first = out;

  out = "tundel42.MP3";
  ASSERT_EQ(MediaResolve(resolver_, out.c_str(), &out, true), 1);  // the output as input
  EXPECT_EQ(ReadStream(out), kFiles[1].second);
  EXPECT_EQ(ReadStream(first), "<cannot open>");  // the first block is gone

  ASSERT_EQ(MediaResolve(resolver_, "empty.txt", &out, true), 1);
  EXPECT_EQ(ReadStream(out), "");

  EXPECT_EQ(MediaResolve(resolver_, "missing.png", &out, true), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(resolver_.packEnabled, 1);
}

TEST_P(PackFixture, TemporaryFileOutput) {
  Install(MediaPackBytes(layout_));
  std::string out;
  ASSERT_EQ(MediaResolve(resolver_, "music/tundel42.mp3", &out, false), 1);
  const PackBuilderEntry& e = layout_.entries[1];
  std::string expected = dir_.path() + "/kxq";
  expected += static_cast<char>('A' + (static_cast<uint32_t>(e.offset) & 0xFF) % 26);
  expected += static_cast<char>('A' + (e.packedSize & 0xFF) % 26);
  expected += "tundel42.mp3";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(ReadFileBytes(out), kFiles[1].second);
  ASSERT_EQ(MediaResolve(resolver_, "hero.png", &out, false), 1);
  EXPECT_FALSE(FileExists(expected));
  MediaResolverRelease(resolver_);
  EXPECT_FALSE(FileExists(out));
}

TEST_P(PackFixture, WrongSignatureTurnsThePackOff) {
  layout_.signature = "XxQ";
  Install(MediaPackBytes(layout_));
  std::string out;
  EXPECT_EQ(MediaResolve(resolver_, "hero.png", &out, true), 0);
  EXPECT_EQ(out, "hero.png");
  EXPECT_EQ(resolver_.packEnabled, 0);
  layout_.signature = "kxQ";
  Install(MediaPackBytes(layout_));  // a new pack enables the resolver again
  EXPECT_EQ(MediaResolve(resolver_, "hero.png", &out, true), 1);
}

TEST_P(PackFixture, HostilePacksAreMisses) {
  using Damage = std::function<void(MediaPackLayout&)>;
  const std::vector<std::pair<const char*, Damage>> cases = {
      {"directory beyond the file", [](MediaPackLayout& l) { l.directory = 0x7FFFFFFF; }},
      {"directory before the file", [](MediaPackLayout& l) { l.directory = INT32_MIN; }},
      {"directory in the trailer", [](MediaPackLayout& l) { l.directory = l.negative ? -7 : 1 << 20; }},
      {"directory without its 0", [](MediaPackLayout& l) { l.terminated = false; }},
      {"name running into the trailer",
       [](MediaPackLayout& l) { l.entries[0].name = std::string(200, 'x'), l.terminated = false; }},
      {"offset beyond the file", [](MediaPackLayout& l) { l.entries[0].offset = 0x7FFFFF00; }},
      {"offset before the file", [](MediaPackLayout& l) { l.entries[0].offset = INT32_MIN; }},
      {"packed size below 4", [](MediaPackLayout& l) { l.entries[0].packedSize = 3; }},
      {"packed size beyond the bytes", [](MediaPackLayout& l) { l.entries[0].packedSize = 0xFFFFFFF0u; }},
      {"packed size past the end", [](MediaPackLayout& l) { l.entries[0].packedSize += 1000; }},
      {"unpacked size beyond LZO's reach",
       [](MediaPackLayout& l) { l.entries[0].packed.replace(0, 4, std::string("\xF0\xFF\xFF\x3F", 4)); }},
      {"unpacked size above 2^31",
       [](MediaPackLayout& l) { l.entries[0].packed.replace(0, 4, std::string("\xFF\xFF\xFF\xFF", 4)); }},
      {"damaged LZO stream", [](MediaPackLayout& l) { l.entries[0].packedSize -= 10; }},
      {"LZO stream holds more than it says",
       [](MediaPackLayout& l) { l.entries[0].packed[0] = static_cast<char>(l.entries[0].packed[0] - 1); }},
  };
  std::string out;
  for (const auto& [what, damage] : cases) {
    MediaPackLayout layout = layout_;
    damage(layout);
    Install(MediaPackBytes(layout));
    EXPECT_EQ(MediaResolve(resolver_, "hero.png", &out, true), 0) << what;
    EXPECT_EQ(out, "") << what;
  }
  for (const std::string& tiny : {std::string(), std::string("kxQ"), std::string("\0\0kxQ\0", 6)}) {
    Install(tiny);
    EXPECT_EQ(MediaResolve(resolver_, "hero.png", &out, true), 0);
    EXPECT_NE(out, "hero.png.unpacked");
  }
}

// Packs with a few random bytes changed: whatever is found must read back
// whole, and nothing may read outside the pack.
TEST_P(PackFixture, RandomlyDamagedPacksNeverReadOutside) {
  const std::string good = MediaPackBytes(layout_);
  std::mt19937 random(20261210);
  std::string out;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = good;
    const int changes = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < changes; ++i) {
      // Mostly the directory and trailer at the end, sometimes anywhere.
      const size_t tail = std::min<size_t>(bytes.size(), 64);
      const size_t at = random() % 2 == 0 ? bytes.size() - 1 - random() % tail : random() % bytes.size();
      bytes[at] = static_cast<char>(random());
    }
    Install(bytes);
    for (const char* name : {"hero.png", "EMPTY.TXT", "tundel42.mp3"}) {
      if (MediaResolve(resolver_, name, &out, true) == 1) {
        EXPECT_NE(ReadStream(out), "<cannot read>") << round;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Packs, PackFixture, testing::Combine(testing::Bool(), testing::Bool()));

class ResolverTest : public testing::Test {
 protected:
  void TearDown() override { MediaResolverRelease(resolver_); }
  ScratchDir dir_;
  ScopedEnv tmp_{"TMPDIR", dir_.path()};
  MediaResolver resolver_;
};

TEST_F(ResolverTest, FilesOnDiskAsWrittenOrWithoutRegardToCase) {
  ASSERT_EQ(mkdir(dir_.File("Media").c_str(), 0700), 0);
  WriteFileBytes(dir_.File("Media/Hero.PNG"), "png");
  std::string out;
  const std::string written = dir_.path() + "\\Media\\Hero.PNG";
  EXPECT_EQ(MediaResolve(resolver_, written.c_str(), &out, true), 1);
  EXPECT_EQ(out, written);
  const std::string otherCase = dir_.path() + "/media/hero.png";
  EXPECT_EQ(MediaResolve(resolver_, otherCase.c_str(), &out, true), 1);
  EXPECT_EQ(out, dir_.File("Media/Hero.PNG"));
  // A directory is no file; without a pack there is nothing else to find.
  EXPECT_EQ(MediaResolve(resolver_, dir_.File("media").c_str(), &out, true), 0);
  EXPECT_EQ(resolver_.packEnabled, 0);
  EXPECT_EQ(MediaResolve(resolver_, nullptr, &out, true), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(MediaResolve(resolver_, "", &out, true), 0);
  EXPECT_EQ(MediaResolve(resolver_, std::string(1100, 'a').c_str(), &out, true), 0);
  EXPECT_EQ(out, "");
}

TEST_F(ResolverTest, MemoryFileNamesAreAnsweredUnchangedAndKept) {
  const MediaPackLayout layout = LayoutMediaPack("", {{"scene.ddw", "scene text"}}, false);
  WriteFileBytes(dir_.File("program"), MediaPackBytes(layout));
  MediaResolverSetPack(resolver_, dir_.File("program").c_str());
  std::string scene;
  ASSERT_EQ(MediaResolve(resolver_, "scene.ddw", &scene, true), 1);
  std::string out;
  EXPECT_EQ(MediaResolve(resolver_, scene.c_str(), &out, true), 1);
  EXPECT_EQ(out, scene);
  EXPECT_EQ(ReadStream(scene), "scene text");  // not freed by the second call
  const std::string unpublished = "mem://       4.    1000";
  EXPECT_EQ(MediaResolve(resolver_, unpublished.c_str(), &out, true), 0);
  EXPECT_EQ(out, unpublished);
}

TEST_F(ResolverTest, TakenBlocksOutliveTheNextCall) {
  const MediaPackLayout layout = LayoutMediaPack("", {{"a.txt", "first"}, {"b.txt", "second"}}, true);
  WriteFileBytes(dir_.File("program"), MediaPackBytes(layout));
  MediaResolverSetPack(resolver_, dir_.File("program").c_str());
  std::string a;
  ASSERT_EQ(MediaResolve(resolver_, "a.txt", &a, true), 1);
  uint8_t* block = MediaResolverTakeBlock(resolver_);
  ASSERT_NE(block, nullptr);
  std::string b;
  ASSERT_EQ(MediaResolve(resolver_, "b.txt", &b, true), 1);
  EXPECT_EQ(ReadStream(a), "first");
  EXPECT_EQ(ReadStream(b), "second");
  MediaBlockFree(block);
  EXPECT_EQ(ReadStream(a), "<cannot open>");
}

TEST_F(ResolverTest, SetPackOnTheGlobalResolvers) {
  MediaSetPack("a", "b");  // no resolvers yet: nothing happens
  MediaResolver music;
  g_app.mediaResolver = &resolver_;
  g_app.musicResolver = &music;
  resolver_.packEnabled = 0;
  MediaSetPack("media.pack", "music.pack");
  EXPECT_EQ(resolver_.packFileName, "media.pack");
  EXPECT_EQ(resolver_.packEnabled, 1);
  EXPECT_EQ(music.packFileName, "music.pack");
  g_app.mediaResolver = nullptr;
  g_app.musicResolver = nullptr;
}

}  // namespace
