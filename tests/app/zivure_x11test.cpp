// The game program in a real X window: a real click leaves the intro for
// the title screen, a real focus change pauses and resumes it, a real
// Escape key ends it, and it ends in order.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "gfx2d/image_buffer.h"
#include "gfx2d/png_image.h"
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

  // Starts the game with its log in the scratch folder and its standard
  // output in stdout.txt there; answers the child's id.
  pid_t StartGame() const {
    const std::string program = VNL_TEST_BINARY_DIR "/../zivure";
    const pid_t child = fork();
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
    return child;
  }

  // Once the game has started: its window, focused; empty when none
  // shows.
  std::string FocusedWindow() const {
    if (!WaitForLog("Init Finalized\n")) return "";
    const std::string window = CommandOutput("timeout 20 xdotool search --sync --name '^Zivure$' | head -n 1");
    if (!window.empty()) std::system(("timeout 20 xdotool windowfocus --sync " + window).c_str());
    return window;
  }

  // A real key press (XTEST) of Escape to the focused game window, held
  // down until the child ends (the frame end reads the key state once a
  // frame, and a frame may take long on a loaded machine), for at most a
  // minute. True when it ended, with its status.
  static bool EndWithEscape(const std::string& window, pid_t child, int* status) {
    std::system(("timeout 20 xdotool windowfocus --sync " + window + " keydown Escape").c_str());
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    bool ended = false;
    while (!ended && std::chrono::steady_clock::now() < giveUp) {
      ended = waitpid(child, status, WNOHANG) == child;
      if (!ended) usleep(5000);
    }
    std::system("timeout 20 xdotool keyup Escape");
    return ended;
  }

  // Waits up to a minute for the text to appear in the log (count times).
  bool WaitForLog(const std::string& text, int count = 1) const {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    for (;;) {
      const std::string log = Log();
      int seen = 0;
      for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++seen;
      if (seen >= count) return true;
      if (std::chrono::steady_clock::now() >= giveUp) return false;
      usleep(5000);
    }
  }
};

TEST_F(ZivureX11Test, RealFocusChangeAndEscape) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server";
  ChildGuard guard;
  const pid_t child = StartGame();
  ASSERT_GE(child, 0);
  guard.pids[0] = child;
  const std::string window = FocusedWindow();
  ASSERT_FALSE(window.empty());

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

  int status = 0;
  if (EndWithEscape(window, child, &status)) {
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

// The pixel (x, y) of a PNG picture as 0xRRGGBB, or 0xFFFFFFFF when the
// picture cannot be read.
uint32_t PicturePixel(const std::string& path, int32_t x, int32_t y) {
  ImageBuffer image;
  uint32_t rgb = 0xFFFFFFFF;
  if (ImageLoadPng(image, path.c_str(), -1) && x < image.width && y < image.height) {
    const uint8_t* p = image.pixels + (static_cast<size_t>(y) * image.width + x) * 4;
    rgb = static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2];
  }
  ImageBufferRelease(image);
  return rgb;
}

bool LogoRed(uint32_t rgb) { return (rgb >> 16) > 120 && (rgb >> 8 & 0xFF) < 60 && (rgb & 0xFF) < 60; }

// The game's window grows to its play size, the intro runs until a click
// after its cool-down, and the title screen then shows the enlarged logo.
TEST_F(ZivureX11Test, ClickLeavesTheIntroForTheTitleScreen) {
  if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X server";
  ChildGuard guard;
  const pid_t child = StartGame();
  ASSERT_GE(child, 0);
  guard.pids[0] = child;
  const std::string window = FocusedWindow();
  ASSERT_FALSE(window.empty());
  // A point on the top bar of the logo's Z, three times enlarged.
  const std::string shot = dir_.File("window.png");
  auto logoShown = [&] {
    std::system(("import -window " + window + " " + shot + " 2>/dev/null").c_str());
    return LogoRed(PicturePixel(shot, 467, 60));
  };
  EXPECT_FALSE(logoShown()) << "the intro shows no logo";
  // The intro ignores clicks for its first 100 frames, however long they
  // take: click again until the title shows (for at most two minutes),
  // waiting long enough after each click for it to come.
  bool title = false;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (!title && std::chrono::steady_clock::now() < giveUp) {
    std::system(("timeout 20 xdotool mousemove --window " + window + " 600 300 mousedown 1 sleep 0.2 mouseup 1").c_str());
    for (int poll = 0; poll < 15 && !title; ++poll) {
      usleep(200000);
      title = logoShown();
    }
  }
  EXPECT_TRUE(title);
  EXPECT_EQ(CommandOutput("xdotool getwindowgeometry " + window + " | grep -o '[0-9]*x[0-9]*'"), "1260x714");

  int status = 0;
  if (EndWithEscape(window, child, &status)) {
    guard.pids[0] = 0;
  } else {
    ADD_FAILURE() << "the program did not end on Escape";
  }
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
