#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/debugger.h"
#include "platform/system_paths.h"
#include "tests/support/test_env.h"

namespace {

TEST(PlatformTest, TempFolderAlwaysEndsInOneSlash) {
  struct Case {
    std::optional<std::string> tmpdir;
    const char* folder;
  };
  for (const Case& c : {Case{std::nullopt, "/tmp/"}, Case{"", "/tmp/"}, Case{"/var/x", "/var/x/"},
                        Case{"/var/x//", "/var/x/"}, Case{"/", "/"}}) {
    ScopedEnv env("TMPDIR", c.tmpdir);
    EXPECT_EQ(PlatformTempFolder(), c.folder) << c.tmpdir.value_or("(unset)");
  }
}

std::string CurrentDirectory() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : "";
}

// Returns to the directory that was current when it was made.
struct DirectoryRestorer {
  std::string old = CurrentDirectory();
  ~DirectoryRestorer() { EXPECT_EQ(chdir(old.c_str()), 0); }
};

// A relative TMPDIR is resolved where the program stood when it first read
// that value, so that changing directory later does not move the temporary
// files and the error log; a changed value is resolved anew.
TEST(PlatformTest, RelativeTempFolderStaysWhereItWasFirstRead) {
  DirectoryRestorer restorer;
  ScratchDir first;
  ScratchDir second;
  ASSERT_EQ(chdir(first.path().c_str()), 0);
  const std::string firstDir = CurrentDirectory();
  ScopedEnv env("TMPDIR", "vnl-rel-tmp");
  EXPECT_EQ(PlatformTempFolder(), firstDir + "/vnl-rel-tmp/");
  ASSERT_EQ(chdir(second.path().c_str()), 0);
  const std::string secondDir = CurrentDirectory();
  EXPECT_EQ(PlatformTempFolder(), firstDir + "/vnl-rel-tmp/");
  EXPECT_EQ(PlatformTempFolder(), firstDir + "/vnl-rel-tmp/");
  {
    ScopedEnv other("TMPDIR", "other//");
    EXPECT_EQ(PlatformTempFolder(), secondDir + "/other/");
  }
  EXPECT_EQ(PlatformTempFolder(), secondDir + "/vnl-rel-tmp/");
}

// Another thread may ask for the folder while the program ends (a line for
// the error log): exit() must not free the cached folder under it. The
// sanitizer builds report such a read of freed memory; the thread itself
// checks that what it reads stays the folder.
TEST(PlatformTest, TempFolderCanBeAskedForWhileTheProgramExits) {
  // Longer than a string keeps in place, so that the cache holds memory.
  const std::string folder = "/tmp/vnl-a-folder-name-of-some-length";
  ScopedEnv env("TMPDIR", folder);
  EXPECT_EXIT(
      {
        std::atomic<bool> asked{false};
        std::thread([&folder, &asked] {
          for (;;) {
            if (PlatformTempFolder() != folder + "/") std::_Exit(3);
            asked = true;
          }
        }).detach();
        while (!asked) std::this_thread::yield();
        std::exit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(PlatformTest, ExecutablePathNamesThisTestProgram) {
  const std::string path = PlatformExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path[0], '/');
  EXPECT_NE(path.find("platform_unit_tests"), std::string::npos) << path;
}

TEST(PlatformTest, ClockCountsFromTheFirstReadingAndSleeps) {
  const double start = PlatformMilliseconds();
  EXPECT_GE(start, 0.0);
  PlatformSleep(20);
  const double slept = PlatformMilliseconds() - start;
  EXPECT_GE(slept, 20.0);
  PlatformSleep(-5);  // nothing
}

TEST(PlatformTest, ArgumentsAreQuotedByWindowsRules) {
  struct Case {
    const char* argument;
    const char* quoted;
  };
  for (const Case& c : {Case{"plain", "plain"}, Case{"", "\"\""}, Case{"two words", "\"two words\""},
                        Case{"say \"hi\"", "\"say \\\"hi\\\"\""}, Case{"C:\\dir\\", "C:\\dir\\"},
                        Case{"C:\\my dir\\", "\"C:\\my dir\\\\\""}, Case{"a\\\"b", "\"a\\\\\\\"b\""}}) {
    EXPECT_EQ(PlatformQuoteArgument(c.argument), c.quoted) << c.argument;
  }
  const char* argv[] = {"/bin/game", "-x", "a b"};
  PlatformSetArguments(3, argv);
  EXPECT_EQ(PlatformCommandLine(), "/bin/game -x \"a b\"");
}

TEST(PlatformTest, DebugOutFileForcesAttachedAndCollectsText) {
  ScratchDir dir;
  {
    ScopedEnv env("VNL_DEBUG_OUT", dir.File("out.txt"));
    EXPECT_TRUE(PlatformDebuggerAttached());
    PlatformDebuggerWrite("one\n", 4);
    PlatformDebuggerWrite("two\n", 4);
  }
  EXPECT_EQ(ReadFileBytes(dir.File("out.txt")), "one\ntwo\n");
  ScopedEnv none("VNL_DEBUG_OUT", std::nullopt);
  EXPECT_FALSE(PlatformDebuggerAttached());
}

}  // namespace
