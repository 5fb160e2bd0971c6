#include "files/line_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "files/media_resolver.h"
#include "files/memory_file.h"
#include "process/app_globals.h"
#include "process/error_state.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

class LineStoreTest : public testing::Test {
 protected:
  void SetUp() override { LineStoreResetForTest(); }
  void TearDown() override { LineStoreResetForTest(); }

  std::string Get(const std::string& name, uint32_t index, double* answer = nullptr) {
    RtString out;
    const double a = LineFileGet(name.c_str(), index, out);
    if (answer != nullptr) *answer = a;
    return out.c_str();
  }

  ScratchDir dir_;
};

TEST_F(LineStoreTest, LineNumbersOutOfRangeAreErrorSeven) {
  const std::string file = dir_.File("a.txt");
  ASSERT_EQ(LineFilePut(file.c_str(), 0, "kept"), 0);
  for (uint32_t index : {256u, 0xFFFFFFFFu}) {
    double answer = 0;
    EXPECT_EQ(Get(file, index, &answer), "NO_DATA");
    EXPECT_EQ(answer, 7);
    EXPECT_EQ(g_errorState.code, 7);
    EXPECT_EQ(LineFilePut(file.c_str(), index, "x"), 7);
  }
  EXPECT_EQ(Get(file, 0), "kept");
  EXPECT_EQ(g_lineStore.last, 0);
}

TEST_F(LineStoreTest, PutsPastTheEndWriteEmptyLinesBetween) {
  const std::string file = dir_.File("new.txt");
  EXPECT_EQ(LineFilePut(file.c_str(), 2, "two"), 0);
  EXPECT_EQ(g_errorState.code, 3);  // the file did not exist yet
  EXPECT_EQ(LineFilePut(file.c_str(), 4, "four\t"), 0);
  EXPECT_EQ(g_errorState.code, 0);
  double answer = -1;
  EXPECT_EQ(Get(file, 3, &answer), "NO_DATA");
  EXPECT_EQ(answer, 0);
  EXPECT_EQ(Get(file, 4), "four");
  LineFileFlush();
  EXPECT_EQ(ReadFileBytes(file), "\r\n\r\ntwo\r\n\r\nfour\t\r\n");
  EXPECT_EQ(g_lineStore.name[0], '\0');
}

TEST_F(LineStoreTest, SwitchingNamesWritesBackAndCaseCounts) {
  const std::string first = dir_.File("one.txt");
  ASSERT_EQ(LineFilePut(first.c_str(), 0, "1"), 0);
  const std::string upper = dir_.File("ONE.txt");
  double answer = 0;
  EXPECT_EQ(Get(upper, 0, &answer), "NO_FILE");
  EXPECT_EQ(answer, 3);
  EXPECT_EQ(ReadFileBytes(first), "1\r\n");
  // A name that was not loaded stays cached with empty lines.
  EXPECT_EQ(Get(upper, 0, &answer), "NO_DATA");
  EXPECT_EQ(answer, 0);
}

TEST_F(LineStoreTest, OverLongTextsAndNamesAreRefused) {
  const std::string file = dir_.File("long.txt");
  EXPECT_EQ(LineFilePut(file.c_str(), 0, std::string(1023, 'x').c_str()), 0);
  EXPECT_EQ(LineFilePut(file.c_str(), 1, std::string(1024, 'y').c_str()), 7);
  EXPECT_EQ(g_errorState.code, 7);
  EXPECT_EQ(Get(file, 0), std::string(1023, 'x'));
  EXPECT_EQ(Get(file, 1), "NO_DATA");

  std::string dots;
  while (dots.size() + dir_.path().size() < 1023) dots += "./";
  const std::string long_name = dir_.path() + "/" + dots + "x.txt";
  EXPECT_EQ(LineFilePut(long_name.c_str(), 0, "x"), 3);
  double answer = 0;
  EXPECT_EQ(Get(long_name, 0, &answer), "NO_FILE");
  EXPECT_EQ(answer, 3);
  // The cached file was left alone.
  EXPECT_STREQ(g_lineStore.name, file.c_str());
  LineFileFlush();
  EXPECT_FALSE(FileExists(dir_.File("x.txt")));
  EXPECT_EQ(ReadFileBytes(file), std::string(1023, 'x') + "\r\n");
}

TEST_F(LineStoreTest, WriteGoesWhereTheFileWasNamed) {
  char old_dir[4096];
  ASSERT_NE(getcwd(old_dir, sizeof old_dir), nullptr);
  ASSERT_EQ(chdir(dir_.path().c_str()), 0);
  ASSERT_EQ(LineFilePut("rel.txt", 0, "here"), 0);
  ScratchDir elsewhere;
  ASSERT_EQ(chdir(elsewhere.path().c_str()), 0);
  LineFileFlush();
  ASSERT_EQ(chdir(old_dir), 0);
  EXPECT_EQ(ReadFileBytes(dir_.File("rel.txt")), "here\r\n");
  EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
}

TEST_F(LineStoreTest, WriteGoesToTheFileFoundWithoutRegardToCase) {
  MediaResolver resolver;
  g_app.mediaResolver = &resolver;
  ASSERT_EQ(mkdir(dir_.File("Data").c_str(), 0700), 0);
  WriteFileBytes(dir_.File("Data/Scores.txt"), "a\r\nb\r\n");
  EXPECT_EQ(Get(dir_.File("data/scores.TXT"), 1), "b");
  EXPECT_EQ(LineFilePut(dir_.File("data/scores.TXT").c_str(), 1, "B"), 0);
  LineFileFlush();
  g_app.mediaResolver = nullptr;
  EXPECT_EQ(ReadFileBytes(dir_.File("Data/Scores.txt")), "a\r\nB\r\n");
}

TEST_F(LineStoreTest, ExitWritesTheChangedFile) {
  const std::string file = dir_.File("exit.txt");
  EXPECT_EXIT(
      {
        LineFilePutString(file.c_str(), 1.9, "second");
        ProgramEnd();
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(file), "\r\nsecond\r\n");
}

}  // namespace

namespace {

TEST_F(LineStoreTest, LoadsAtMost256LinesAndCutsControlBytes) {
  const std::string file = dir_.File("big.txt");
  std::string data;
  for (int i = 0; i < 300; ++i) data += "line " + std::to_string(i) + (i == 7 ? "\t\t\r\n" : "\n");
  WriteFileBytes(file, data);
  EXPECT_EQ(Get(file, 255), "line 255");
  EXPECT_EQ(Get(file, 7), "line 7");
  EXPECT_EQ(g_lineStore.last, 255);
  EXPECT_EQ(g_lineStore.changed, 0);
  ASSERT_EQ(LineFilePut(file.c_str(), 0, "first"), 0);
  LineFileFlush();
  const std::string written = ReadFileBytes(file);
  EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 256);
  EXPECT_EQ(written.substr(0, 14), "first\r\nline 1\r");
  EXPECT_NE(written.find("line 7\t\t\r\n"), std::string::npos);
}

TEST_F(LineStoreTest, OverLongLineKeepsItsStartAndTheNextLineFollows) {
  const std::string file = dir_.File("long.txt");
  WriteFileBytes(file, std::string(1500, 'a') + "\r\nsecond\r\n");
  EXPECT_EQ(Get(file, 0), std::string(1023, 'a'));
  EXPECT_EQ(Get(file, 1), "second");
  EXPECT_EQ(g_lineStore.last, 1);
}

TEST_F(LineStoreTest, MemoryFilesReadLikeDiskFilesAndAreNeverWritten) {
  const std::string text = "one\r\ntwo";
  const std::string name = MemoryFilePublish(text.data(), static_cast<uint32_t>(text.size()));
  EXPECT_EQ(Get(name, 1), "two");
  ASSERT_EQ(LineFilePut(name.c_str(), 0, "changed"), 0);
  MemoryFileWithdraw(text.data());
  LineFileFlush();
  EXPECT_EQ(text, "one\r\ntwo");
}

}  // namespace

namespace {

TEST_F(LineStoreTest, NumberCommands) {
  const std::string file = dir_.File("numbers.txt");
  LineFilePutDouble(file.c_str(), 0, 2.0);
  LineFilePutDouble(file.c_str(), 1.7, 0.25);
  LineFilePutString(file.c_str(), 2, "12abc");
  double d = -1;
  int32_t i = -1;
  LineFileGetDouble(file.c_str(), 1, d);
  EXPECT_EQ(d, 0.25);
  LineFileGetInt(file.c_str(), 2, i);
  EXPECT_EQ(i, 12);
  LineFileGetDouble(file.c_str(), 5, d);  // "NO_DATA"
  EXPECT_EQ(d, 0);
  LineFileGetDouble(file.c_str(), -1, d);  // out of range
  EXPECT_EQ(d, 0);
  EXPECT_EQ(g_errorState.code, 7);
  RtString text;
  LineFileGetString(file.c_str(), 0, text);
  EXPECT_STREQ(text.c_str(), "2");
  LineFileGetString(dir_.File("missing.txt").c_str(), 0, text);
  EXPECT_STREQ(text.c_str(), "NO_FILE");
  LineFileGetDouble(file.c_str(), 0, d);  // reloads the written file
  EXPECT_EQ(d, 2);
  EXPECT_EQ(ReadFileBytes(file), "2\r\n0.25\r\n12abc\r\n");
}

}  // namespace
