#include "app/shell_commands.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/clock.h"
#include "platform/command_line.h"
#include "platform/process.h"
#include "process/program_end.h"
#include "tests/support/test_env.h"

namespace {

std::string Join(std::initializer_list<std::string> words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    line += PlatformQuoteArgument(word);
  }
  return line;
}

TEST(ShellRunTest, WaitGivesTheExitStatus) {
  struct Case {
    std::string command;
    double status;
  };
  for (const Case& c : {Case{"true", 0.0}, Case{"false", 1.0}, Case{Join({"sh", "-c", "exit 7"}), 7.0},
                        Case{Join({"sh", "-c", "exit 255"}), 255.0},
                        Case{Join({"sh", "-c", "kill -TERM $$"}), 128.0 + SIGTERM},
                        Case{Join({"sh", "-c", "kill -KILL $$"}), 128.0 + SIGKILL}}) {
    double code = -1.0;
    EXPECT_EQ(ShellRun(c.command.c_str(), 1.0, 1.0, &code), 1.0) << c.command;
    EXPECT_EQ(code, c.status) << c.command;
  }
}

TEST(ShellRunTest, ArgumentsReachTheProgramWithoutAShell) {
  ScratchDir dir;
  const std::string out = dir.File("out");
  const std::string odd = "a;b | $HOME * `x` \"q\" \\";
  double code = -1.0;
  ASSERT_EQ(ShellRun(Join({"sh", "-c", "printf %s \"$1\" > \"$2\"", "sh", odd, out}).c_str(), 1, 0, &code), 1.0);
  EXPECT_EQ(code, 0.0);
  EXPECT_EQ(ReadFileBytes(out), odd);
}

TEST(ShellRunTest, ProgramsThatCannotStartAnswerZero) {
  ScratchDir dir;
  WriteFileBytes(dir.File("not_executable"), "#!/bin/sh\nexit 3\n");
  for (const std::string& command : {std::string(), std::string("   "), std::string("no-such-program-vnl x"),
                                     dir.File("not_executable"), std::string("\"\" x")}) {
    double code = -1.0;
    EXPECT_EQ(ShellRun(command.c_str(), 1.0, 1.0, &code), 0.0) << command;
    EXPECT_EQ(code, 0.0) << command;
  }
}

TEST(ShellRunTest, WithoutWaitReturnsAtOnceAndTheProgramRunsOn) {
  ScratchDir dir;
  const std::string go = dir.File("go");
  const std::string done = dir.File("done");
  double code = -1.0;
  // The program waits for a file that is made only after ShellRun returned.
  EXPECT_EQ(ShellRun(Join({"sh", "-c", "while [ ! -e \"$1\" ]; do sleep 0.01; done; echo done > \"$2\"", "sh", go,
                           done}).c_str(),
                     0.0, 1.0, &code),
            1.0);
  EXPECT_EQ(code, 0.0);
  WriteFileBytes(go, "");
  for (int i = 0; i < 1000 && ReadFileBytes(done) != "done\n"; ++i) PlatformSleep(10);
  EXPECT_EQ(ReadFileBytes(done), "done\n");
}

TEST(ShellRunTest, ChildrenNotWaitedForAreReaped) {
  const pid_t pid = PlatformProcessStart({"true"});
  ASSERT_GT(pid, 0);
  PlatformProcessDetach(pid);
  // A zombie still answers kill(pid, 0); a reaped child is gone.
  bool gone = false;
  for (int i = 0; i < 1000 && !gone; ++i) {
    gone = kill(pid, 0) != 0 && errno == ESRCH;
    if (!gone) PlatformSleep(10);
  }
  EXPECT_TRUE(gone);
}

// Records at exit whether the program counted as ending, and calls
// ProgramEnd as an exit handler may (it must return at once).
void RecordEndingAtExit() {
  const char* file = std::getenv("VNL_SHELL_END_PROBE");
  if (file == nullptr) return;
  WriteFileBytes(file, ProgramEnding() ? "ending" : "running");
  ProgramEnd();
}

TEST(ShellEndTest, StartsTheCommandAndEndsTheProcessOnce) {
  ScratchDir dir;
  const std::string started = dir.File("started");
  const std::string probe = dir.File("probe");
  EXPECT_EXIT(
      {
        setenv("VNL_SHELL_END_PROBE", probe.c_str(), 1);
        std::atexit(RecordEndingAtExit);
        ShellEnd(Join({"sh", "-c", "echo started > \"$1\"", "sh", started}).c_str());
      },
      testing::ExitedWithCode(0), "");
  for (int i = 0; i < 1000 && ReadFileBytes(started) != "started\n"; ++i) PlatformSleep(10);
  EXPECT_EQ(ReadFileBytes(started), "started\n");
  EXPECT_EQ(ReadFileBytes(probe), "ending");
}

}  // namespace
