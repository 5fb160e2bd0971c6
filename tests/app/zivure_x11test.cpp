// The game program in a real X window: a real focus change pauses and
// resumes it, a real Escape key ends it, and it ends in order.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/test_env.h"

namespace {

// Output of a shell command line (test tooling only).
std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  pclose(pipe);
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

// Kills the processes it holds when it goes, so that a failed assertion
// leaves nothing running (a child left behind would keep the test runner
// waiting on its output).
struct ChildGuard {
  pid_t pids[2] = {0, 0};
  ~ChildGuard() {
    for (pid_t pid : pids) {
      if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
      }
    }
  }
};

class ZivureX11Test : public testing::Test {
 protected:
  ScratchDir dir_;
  std::string Log() const { return ReadFileBytes(dir_.File("ErrorLog.txt")); }

  // Waits up to 20 s for the text to appear in the log (count times).
  bool WaitForLog(const std::string& text, int count = 1) const {
    for (int i = 0; i < 4000; ++i) {
      const std::string log = Log();
      int seen = 0;
      for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++seen;
      if (seen >= count) return true;
      usleep(5000);
    }
    return false;
  }
};

TEST_F(ZivureX11Test, RealFocusChangeAndEscape) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server";
  const std::string program = VNL_TEST_BINARY_DIR "/../zivure";
  ChildGuard guard;
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("TMPDIR", dir_.path().c_str(), 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("SDL_VIDEODRIVER");
    if (std::freopen(dir_.File("stdout.txt").c_str(), "w", stdout) == nullptr) _exit(126);
    // Under the sanitizers: what Mesa keeps at exit is not ours to report.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  guard.pids[0] = child;
  ASSERT_TRUE(WaitForLog("Init Finalized\n"));
  const std::string window = CommandOutput("timeout 20 xdotool search --sync --name '^Zivure$' | head -n 1");
  ASSERT_FALSE(window.empty());
  std::system(("timeout 20 xdotool windowfocus --sync " + window).c_str());

  // Another window takes the focus: the game pauses; the focus back resumes.
  const pid_t other = fork();
  ASSERT_GE(other, 0);
  if (other == 0) {
    execlp("xclock", "xclock", "-name", "vnlclock", static_cast<char*>(nullptr));
    _exit(127);
  }
  guard.pids[1] = other;
  const std::string clock = CommandOutput("timeout 20 xdotool search --sync --classname vnlclock | head -n 1");
  ASSERT_FALSE(clock.empty());
  std::system(("timeout 20 xdotool windowfocus --sync " + clock).c_str());
  EXPECT_TRUE(WaitForLog("pause loop in showscreen/hibernate\n"));
  std::system(("timeout 20 xdotool windowfocus --sync " + window).c_str());
  EXPECT_TRUE(WaitForLog("pause loop ended\n"));

  const std::string shot = dir_.File("screen.png");
  std::system(("import -window root " + shot + " 2>/dev/null").c_str());
  EXPECT_TRUE(FileExists(shot));

  // A real key press (XTEST) to the focused game window, held for a few
  // frames: the frame end reads the key state once a frame.
  std::system(("timeout 20 xdotool windowfocus --sync " + window + " keydown Escape sleep 0.3 keyup Escape").c_str());
  int status = 0;
  pid_t ended = 0;
  for (int i = 0; i < 2000 && ended == 0; ++i) {
    ended = waitpid(child, &status, WNOHANG);
    if (ended == 0) usleep(5000);
  }
  if (ended == child) {
    guard.pids[0] = 0;
  } else {
    ADD_FAILURE() << "the program did not end on Escape";
  }

  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadFileBytes(dir_.File("stdout.txt")), "exit\n");
  const std::string log = Log();
  const size_t resumed = log.find("pause loop ended\n");
  const size_t shutDown = log.find("Shut down VNL\n");
  ASSERT_NE(resumed, std::string::npos);
  ASSERT_NE(shutDown, std::string::npos);
  EXPECT_LT(resumed, shutDown);
  EXPECT_EQ(log.substr(0, 17), "Start new log...\n");
  const std::string last = "vnl is shut down\n";
  ASSERT_GE(log.size(), last.size());
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
}

}  // namespace
