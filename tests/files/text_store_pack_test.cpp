// The INI reader and the line store reading entries of the media pack.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "files/ini_document.h"
#include "files/line_store.h"
#include "files/media_resolver.h"
#include "files/section_reader.h"
#include "process/app_globals.h"
#include "tests/support/media_pack_builder.h"
#include "tests/support/test_env.h"

namespace {

class TextStorePackTest : public testing::Test {
 protected:
  void SetUp() override {
    const MediaPackLayout layout = LayoutMediaPack(
        "program", {{"Scene.ddw", ";DDW\r\n[textures]\r\ncount=1\r\n1=wall tile.png\r\n"}, {"lines.txt", "a\r\nb\r\n"}},
        true);
    WriteFileBytes(dir_.File("program"), MediaPackBytes(layout));
    MediaResolverSetPack(resolver_, dir_.File("program").c_str());
    g_app.mediaResolver = &resolver_;
    IniResetForTest();
    LineStoreResetForTest();
    ASSERT_NE(getcwd(oldDir_, sizeof(oldDir_)), nullptr);
    ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  }
  void TearDown() override {
    IniResetForTest();
    LineStoreResetForTest();
    MediaResolverRelease(resolver_);
    g_app.mediaResolver = nullptr;
    // Back where the test started: later tests resolve relative names.
    ASSERT_EQ(chdir(oldDir_), 0);
  }

  char oldDir_[4096] = {};
  ScratchDir dir_;
  MediaResolver resolver_;
};

TEST_F(TextStorePackTest, SceneDocumentReadsFromThePackAndOutlivesTheBlock) {
  IniDocument scene;
  SectionReaderParse(scene, "media/scene.DDW");
  EXPECT_EQ(std::string(scene.fileName.c_str()).rfind("mem://", 0), 0u);
  MediaResolverRelease(resolver_);  // the block is gone; the document holds copies
  EXPECT_STREQ(SectionReaderGet(scene, "TEXTURES", "count", "0").c_str(), "1");
  EXPECT_STREQ(SectionReaderGet(scene, "textures", "1", "0").c_str(), "wall tile.png");
  EXPECT_STREQ(SectionReaderGet(scene, "objects", "count", "0").c_str(), "0");
}

TEST_F(TextStorePackTest, PackedIniIsNeverWrittenPackedLinesGoToDisk) {
  IniOpen("scene.ddw");
  EXPECT_STREQ(IniGet("textures", "count", "").c_str(), "1");
  IniPut("textures", "count", "2");
  IniWrite();

  RtString line;
  EXPECT_EQ(LineFileGet("lines.txt", 1, line), 0);
  EXPECT_STREQ(line.c_str(), "b");
  EXPECT_EQ(LineFilePut("lines.txt", 0, "changed"), 0);
  EXPECT_EQ(LineFileGet("missing.txt", 0, line), 3);
  EXPECT_STREQ(line.c_str(), "NO_FILE");

  // The line store keeps the caller's name, so its changes land on disk
  // under that name (and are found there first from then on); the INI
  // document was read from the pack's memory block and wrote nothing.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    ++files;
    EXPECT_TRUE(entry.path().filename() == "program" || entry.path().filename() == "lines.txt");
  }
  EXPECT_EQ(files, 2);
  EXPECT_EQ(ReadFileBytes(dir_.File("lines.txt")), "changed\r\nb\r\n");
}

}  // namespace
