// The texture backup: every sprite's pixels to the backup file and back.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <cstring>
#include <string>

#include "app/screen_mode.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/sprite_pixels.h"
#include "gfx2d/sprite_slots.h"
#include "process/app_globals.h"
#include "tests/support/sprite_fixture.h"

namespace {

std::string Int32Bytes(int32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);  // the machine is little-endian, as the file
  return bytes;
}

class TexturesInMemoryTest : public SpriteTest {
 protected:
  void Load(int32_t n, int32_t width, int32_t height, uint32_t seed) {
    ImageBuffer picture = PatternPicture(width, height, seed);
    ASSERT_TRUE(SpriteFromImage(engine(), n, picture, 0, false));
    ImageBufferRelease(picture);
  }
  // "" when sprite n holds exactly the pattern picture.
  std::string Holds(int32_t n, int32_t width, int32_t height, uint32_t seed) {
    ImageBuffer expected = PatternPicture(width, height, seed);
    ImageBuffer actual;
    std::string difference = "sprite is free";
    if (SpriteToImage(engine(), n, actual)) difference = PictureDifference(actual, expected);
    ImageBufferRelease(actual);
    ImageBufferRelease(expected);
    return difference;
  }
  std::string BackupFile() { return TempTextureFileName(engine()); }
};

TEST_F(TexturesInMemoryTest, WriteThenRestoreGivesEverySpriteBack) {
  Load(0, 5, 3, 1);
  Load(300, 40, 20, 2);
  Load(kFontSpriteBase, 20, 10, 3);
  const SpriteRecord before = engine().sprites[300];

  ASSERT_EQ(TexturesInMemory(0), 1);
  const std::string file = ReadFileBytes(BackupFile());
  ASSERT_EQ(file.size(), (12 + 5 * 3 * 4) + (12 + 40 * 20 * 4) + (12 + 20 * 10 * 4));
  EXPECT_EQ(file.substr(0, 12), Int32Bytes(0) + Int32Bytes(5) + Int32Bytes(3));
  EXPECT_EQ(Holds(300, 40, 20, 2), "");  // the sprites keep their textures

  SpriteReset(engine(), 0);
  SpriteReset(engine(), kFontSpriteBase);
  Load(300, 8, 8, 9);
  ASSERT_EQ(TexturesInMemory(5), 1);  // any value but 0 restores
  EXPECT_EQ(Holds(0, 5, 3, 1), "");
  EXPECT_EQ(Holds(300, 40, 20, 2), "");
  EXPECT_EQ(Holds(kFontSpriteBase, 20, 10, 3), "");
  const SpriteRecord& after = engine().sprites[300];
  EXPECT_EQ(after.textureWidth, before.textureWidth);
  EXPECT_EQ(after.textureHeight, before.textureHeight);
  EXPECT_EQ(after.uMax, before.uMax);
  EXPECT_EQ(after.vMax, before.vMax);
  EXPECT_FALSE(FileExists(BackupFile()));

  const std::string log = ErrorLogText();
  EXPECT_NE(log.find("move textures from mem to temp file\n   \"" + BackupFile() + "\"\n   ...done\n"),
            std::string::npos);
  EXPECT_NE(log.find("restoring textures from temp file\n   ...done\n"), std::string::npos);
}

TEST_F(TexturesInMemoryTest, RestoreWithoutFileChangesNothing) {
  Load(1, 4, 4, 5);
  EXPECT_EQ(TexturesInMemory(1), 0);
  EXPECT_EQ(Holds(1, 4, 4, 5), "");
}

TEST_F(TexturesInMemoryTest, DamagedFileRestoresOnlyItsSoundRecords) {
  const std::string good = Int32Bytes(2) + Int32Bytes(1) + Int32Bytes(1) + std::string("\x11\x22\x33\x44", 4);
  const std::string damaged[] = {
      Int32Bytes(3) + Int32Bytes(1 << 20) + Int32Bytes(1 << 20),  // a size beyond any texture
      Int32Bytes(3) + Int32Bytes(2) + Int32Bytes(2) + "short",    // pixels cut off
      Int32Bytes(-7) + Int32Bytes(1) + Int32Bytes(1) + "abcd",    // a number outside the table
      Int32Bytes(3) + Int32Bytes(0) + Int32Bytes(5),              // an empty picture
      Int32Bytes(3) + "xy",                                       // a header cut off
  };
  for (const std::string& tail : damaged) {
    SpriteReset(engine(), 2);
    WriteFileBytes(BackupFile(), good + tail);
    EXPECT_EQ(TexturesInMemory(1), 1);
    EXPECT_EQ(engine().sprites[2].imageWidth, 1);
    EXPECT_EQ(engine().sprites[3].imageWidth, 0);
    EXPECT_FALSE(FileExists(BackupFile()));
  }
}

TEST_F(TexturesInMemoryTest, WriteNeverFollowsALinkAtTheName) {
  Load(1, 4, 4, 5);
  const std::string target = temp_.File("victim");
  WriteFileBytes(target, "keep");
  ASSERT_EQ(symlink(target.c_str(), BackupFile().c_str()), 0);
  ASSERT_EQ(TexturesInMemory(0), 1);
  EXPECT_EQ(ReadFileBytes(target), "keep");
  EXPECT_EQ(ReadFileBytes(BackupFile()).size(), 12u + 4 * 4 * 4);
}

TEST_F(TexturesInMemoryTest, AFileThatCannotBeMadeOrWrittenWholeAnswersZero) {
  Load(1, 16, 16, 5);
  // A folder with something in it stands under the name: nothing is made.
  ASSERT_EQ(mkdir(BackupFile().c_str(), 0700), 0);
  WriteFileBytes(BackupFile() + "/inside", "x");
  EXPECT_EQ(TexturesInMemory(0), 0);
  ASSERT_EQ(unlink((BackupFile() + "/inside").c_str()), 0);
  ASSERT_EQ(rmdir(BackupFile().c_str()), 0);

  // A file size limit below the sprite's pixels: the write comes short, and
  // the partial file is removed rather than left for a rebuild.
  rlimit old;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 100;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const int32_t answer = TexturesInMemory(0);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(answer, 0);
  EXPECT_FALSE(FileExists(BackupFile()));
  EXPECT_EQ(Holds(1, 16, 16, 5), "");  // the sprite keeps its texture
}

TEST(TexturesInMemoryNoEngineTest, AnswersZeroBeforeStartUp) {
  ASSERT_EQ(g_app.engine2d, nullptr);
  EXPECT_EQ(TexturesInMemory(0), 0);
  EXPECT_EQ(TexturesInMemory(1), 0);
}

}  // namespace
