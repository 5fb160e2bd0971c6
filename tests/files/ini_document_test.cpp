#include "files/ini_document.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "files/file_write_back.h"
#include "files/memory_file.h"
#include "platform/file_io.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

class IniTest : public testing::Test {
 protected:
  void SetUp() override { IniResetForTest(); }
  void TearDown() override { IniResetForTest(); }

  // The names and values of one section of the process-wide document.
  static std::vector<std::string> Keys(int32_t section) {
    std::vector<std::string> out;
    for (const IniKey& key : IniTable().sections[section].keys) {
      out.push_back(std::string(key.name.c_str()) + "=" + key.value.c_str());
    }
    return out;
  }

  ScratchDir dir_;
};

TEST_F(IniTest, GetBeforeAnyOpenAnswersTheDefault) {
  EXPECT_STREQ(IniGet("a", "b", "fallback").c_str(), "fallback");
}

TEST_F(IniTest, PutLooksUpWithoutCaseAndKeepsStoredNames) {
  IniPut("Video", "Width", "640");
  IniPut("VIDEO", "width", "800");
  ASSERT_EQ(IniTable().sections.count, 1);
  EXPECT_STREQ(IniTable().sections[0].name.c_str(), "Video");
  EXPECT_EQ(Keys(0), std::vector<std::string>{"Width=800"});
  EXPECT_STREQ(IniGet("video", "WIDTH", "x").c_str(), "800");
  EXPECT_EQ(IniTable().changed, 1);
}

TEST_F(IniTest, EmptyValueForAMissingKeyAddsAnEmptySectionButNoChange) {
  IniPut("s", "k", "");
  ASSERT_EQ(IniTable().sections.count, 1);
  EXPECT_EQ(IniTable().sections[0].keys.count, 0);
  EXPECT_EQ(IniTable().changed, 0);
}

TEST_F(IniTest, RemovingMovesTheLastIntoThePlace) {
  for (const char* key : {"k1", "k2", "k3", "k4"}) IniPut("s", key, key);
  IniPut("s", "K2", "");
  EXPECT_EQ(Keys(0), (std::vector<std::string>{"k1=k1", "k4=k4", "k3=k3"}));

  for (const char* section : {"t", "u", "v"}) IniPut(section, "x", "1");
  IniPut("T", "", "whatever");
  ASSERT_EQ(IniTable().sections.count, 3);
  EXPECT_STREQ(IniTable().sections[1].name.c_str(), "v");
  EXPECT_STREQ(IniTable().sections[2].name.c_str(), "u");
  IniPut("missing", "", "");
  EXPECT_EQ(IniTable().sections.count, 3);
}

TEST_F(IniTest, OnlyTheFirstOfDuplicateSectionsIsSearched) {
  IniDocument& document = IniTable();
  IniSection first;
  first.name = "dup";
  IniSection second;
  second.name = "DUP";
  IniKey key;
  key.name = "k";
  key.value = "v";
  ASSERT_TRUE(second.keys.Push(key));
  ASSERT_TRUE(IniPushSection(document, first));
  ASSERT_TRUE(IniPushSection(document, second));
  EXPECT_STREQ(IniGet("dup", "k", "none").c_str(), "none");
}

TEST_F(IniTest, WriteBackPutsTheUnnamedSectionFirst) {
  const std::string file = dir_.File("game.ini");
  IniOpen(file.c_str());
  IniPut("video", "width", "640");
  IniPut("", "version", "3");
  IniPut("empty", "k", "");
  IniPut("video", "title", "a = b ; c");
  IniWrite();
  EXPECT_EQ(ReadFileBytes(file),
            "[]\r\nversion=3\r\n[video]\r\nwidth=640\r\ntitle=a = b ; c\r\n[empty]\r\n");
  EXPECT_EQ(IniTable().sections.count, 0);
  EXPECT_STREQ(IniTable().fileName.c_str(), "");
}

TEST_F(IniTest, NothingIsWrittenUnchangedUnnamedOrFromMemory) {
  const std::string file = dir_.File("untouched.ini");
  IniOpen(file.c_str());
  IniPut("s", "k", "");  // no change
  IniWrite();
  EXPECT_FALSE(FileExists(file));

  IniPut("s", "k", "v");  // an unnamed document
  IniWrite();

  IniDocument document;
  IniDocumentSetFileName(document, "mem://       4.    1000");
  document.changed = 1;
  EXPECT_FALSE(IniDocumentWriteBack(document));
}

TEST_F(IniTest, ChangeOfDirectoryDoesNotMoveTheWrite) {
  char old_dir[4096];
  ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  IniOpen("relative.ini");
  ScratchDir elsewhere;
  ASSERT_EQ(chdir(elsewhere.path().c_str()), 0);
  IniPut("s", "k", "v");
  IniOpen("");  // writes back, then empties
  ASSERT_EQ(chdir(old_dir), 0);
  EXPECT_EQ(ReadFileBytes(dir_.File("relative.ini")), "[s]\r\nk=v\r\n");
  EXPECT_FALSE(FileExists(elsewhere.File("relative.ini")));
  EXPECT_EQ(IniTable().changed, 0);
}

TEST_F(IniTest, ExitWritesTheChangedDocument) {
  const std::string file = dir_.File("exit.ini");
  IniOpen(file.c_str());
  EXPECT_EXIT(
      {
        IniPut("s", "k", "v");
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(file), "[s]\r\nk=v\r\n");
}

TEST_F(IniTest, NameThatDoesNotFitIsNeverWritten) {
  // A valid path past the bound: cut at 1023 bytes it would name another
  // file.
  std::string dots;
  while (dots.size() + dir_.path().size() < kMaxPathBytes) dots += "./";
  const std::string name = dir_.path() + "/" + dots + "x.ini";
  IniOpen(name.c_str());
  IniPut("s", "k", "v");
  EXPECT_FALSE(IniDocumentWriteBack(IniTable()));
  IniWrite();
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

TEST(WriteBackFileTest, ReplacesKeepsModeAndLeavesNoTemporary) {
  ScratchDir dir;
  const std::string file = dir.File("data.txt");
  WriteFileBytes(file, "old");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(WriteBackFile(file, "new", 3));
  EXPECT_EQ(ReadFileBytes(file), "new");
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  ASSERT_EQ(mkdir(dir.File("empty_dir").c_str(), 0755), 0);
  EXPECT_TRUE(WriteBackFile(dir.File("empty_dir"), "x", 1));
  EXPECT_EQ(ReadFileBytes(dir.File("empty_dir")), "x");

  ASSERT_EQ(mkdir(dir.File("full_dir").c_str(), 0755), 0);
  WriteFileBytes(dir.File("full_dir/keep"), "kept");
  EXPECT_FALSE(WriteBackFile(dir.File("full_dir"), "x", 1));
  EXPECT_EQ(ReadFileBytes(dir.File("full_dir/keep")), "kept");
  EXPECT_FALSE(WriteBackFile(dir.File("no_such_dir/file"), "x", 1));

  // No temporary file is left behind.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"data.txt", "empty_dir", "full_dir"}));
}

// Written in steps, the file takes the target's place only at the finish;
// abandoned, it leaves the old file and nothing else.
TEST(WriteBackFileTest, InStepsTheOldFileStaysUntilTheFinish) {
  ScratchDir dir;
  const std::string file = dir.File("data.txt");
  WriteFileBytes(file, "old");
  StagedWrite abandoned;
  ASSERT_TRUE(WriteBackBegin(abandoned, file));
  ASSERT_TRUE(PlatformWriteAll(abandoned.fd, "partial", 7));
  EXPECT_EQ(ReadFileBytes(file), "old");
  WriteBackAbandon(abandoned);
  EXPECT_EQ(abandoned.fd, -1);
  StagedWrite finished;
  ASSERT_TRUE(WriteBackBegin(finished, file));
  ASSERT_TRUE(PlatformWriteAll(finished.fd, "new", 3));
  EXPECT_EQ(ReadFileBytes(file), "old");
  EXPECT_TRUE(WriteBackFinish(finished));
  EXPECT_EQ(ReadFileBytes(file), "new");
  EXPECT_FALSE(WriteBackFinish(finished)) << "finished once";
  StagedWrite nowhere;
  EXPECT_FALSE(WriteBackBegin(nowhere, dir.File("no_such_dir/file")));
  EXPECT_FALSE(WriteBackBegin(nowhere, ""));
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"data.txt"});
}

TEST(WriteBackPathTest, AbsoluteWithSlashesAndBounded) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(WriteBackPath("a\\b.ini"), std::string(cwd) + "/a/b.ini");
  EXPECT_EQ(WriteBackPath("/x/y"), "/x/y");
  EXPECT_EQ(WriteBackPath(""), "");
  EXPECT_EQ(WriteBackPath(nullptr), "");
  EXPECT_EQ(WriteBackPath("mem://       1.       1"), "");
  EXPECT_EQ(WriteBackPath(std::string(kMaxPathBytes + 1, 'a').c_str()), "");
  EXPECT_NE(WriteBackPath(std::string(kMaxPathBytes, 'a').c_str()), "");
}

}  // namespace

namespace {

TEST_F(IniTest, ReadsAFileAndSurvivesARoundTrip) {
  const std::string file = dir_.File("round.ini");
  WriteFileBytes(file, "; comment\r\ntop=1\r\n[Video]\r\nWidth = 640\r\n[empty]\r\n[Audio]\nvolume=80\t\r\n" +
                           std::string("long=") + std::string(2000, 'v') + "\r\nafter=yes\r\n");
  IniOpen(file.c_str());
  EXPECT_EQ(IniTable().changed, 0);
  EXPECT_STREQ(IniGet("", "top", "d").c_str(), "1");
  EXPECT_STREQ(IniGet("video", "width", "d").c_str(), "640");
  EXPECT_STREQ(IniGet("audio", "volume", "d").c_str(), "80");
  EXPECT_EQ(IniGet("audio", "long", "d").length, 1023u - 5u);
  EXPECT_STREQ(IniGet("audio", "after", "d").c_str(), "yes");

  // The section "" now stands last in the array; it is still written first.
  IniPut("", "top", "");
  IniPut("", "top", "2");
  IniPut("Video", "", "");
  IniPut("", "x", "y");
  const std::vector<std::string> before = {"top=2", "x=y"};
  IniOpen(file.c_str());  // writes back, then reads the file again
  EXPECT_STREQ(IniGet("", "top", "d").c_str(), "2");
  EXPECT_STREQ(IniGet("", "x", "d").c_str(), "y");
  EXPECT_STREQ(IniGet("audio", "volume", "d").c_str(), "80");
  EXPECT_STREQ(IniGet("video", "width", "d").c_str(), "d");
  ASSERT_GE(IniTable().sections.count, 1);
  EXPECT_EQ(Keys(0), before);
}

TEST_F(IniTest, MissingFileKeepsItsNameAndIsCreatedByAChange) {
  const std::string file = dir_.File("later.ini");
  IniOpen(file.c_str());
  EXPECT_EQ(IniTable().sections.count, 0);
  EXPECT_STREQ(IniTable().fileName.c_str(), file.c_str());
  IniPut("s", "k", "v");
  IniOpen("");
  EXPECT_EQ(ReadFileBytes(file), "[s]\r\nk=v\r\n");
}

TEST_F(IniTest, DocumentFromAMemoryFileIsNeverWritten) {
  const std::string text = "[s]\r\nk=v\r\n";
  const std::string name = MemoryFilePublish(text.data(), static_cast<uint32_t>(text.size()));
  IniOpen(name.c_str());
  MemoryFileWithdraw(text.data());
  EXPECT_STREQ(IniGet("S", "K", "d").c_str(), "v");
  IniPut("s", "k", "w");
  EXPECT_FALSE(IniDocumentWriteBack(IniTable()));
}

}  // namespace
