#include "files/error_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/support/test_env.h"

namespace {

TEST(ErrorLogTest, AppendsTextsAsGivenInOrder) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  EXPECT_EQ(ErrorLogPath(), dir.File("ErrorLog.txt"));
  ErrorLogAppend("first line\n");
  ErrorLogAppend("");
  ErrorLogAppend(nullptr);
  ErrorLogAppend("second line\n");
  EXPECT_EQ(ReadFileBytes(dir.File("ErrorLog.txt")), "first line\nNULLsecond line\n");
  struct stat st {};
  ASSERT_EQ(stat(dir.File("ErrorLog.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(ErrorLogTest, TempFolderGetsExactlyOneSlash) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path() + "//");
  ErrorLogAppend("x");
  EXPECT_EQ(ReadFileBytes(dir.File("ErrorLog.txt")), "x");
}

TEST(ErrorLogTest, NeverWritesThroughASymbolicLink) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.path());
  WriteFileBytes(dir.File("victim.txt"), "keep");
  ASSERT_EQ(symlink(dir.File("victim.txt").c_str(), dir.File("ErrorLog.txt").c_str()), 0);
  ErrorLogAppend("dropped\n");
  EXPECT_EQ(ReadFileBytes(dir.File("victim.txt")), "keep");
}

TEST(ErrorLogTest, UnwritableFolderDropsTheTextQuietly) {
  ScratchDir dir;
  ScopedEnv tmp("TMPDIR", dir.File("missing/folder"));
  ErrorLogAppend("lost\n");
  EXPECT_FALSE(FileExists(dir.File("missing")));
}

}  // namespace
