// The whole program from start-up to teardown, run in a child process with
// pushed window events, checked through its error log, standard output and
// exit status.
#include "app/runtime_main.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "app/frame_end.h"
#include "app/sub_table.h"
#include "core/isaac.h"
#include "files/error_log.h"
#include "files/ini_document.h"
#include "process/app_globals.h"
#include "tests/support/test_env.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size() - 1;
    lines.push_back(text.substr(start, end - start + 1));
    start = end + 1;
  }
  return lines;
}

// Whether `wanted` occurs in `lines` in this order (other lines between).
::testing::AssertionResult HasInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
  size_t at = 0;
  for (const std::string& line : lines) {
    if (at < wanted.size() && line == wanted[at]) ++at;
  }
  if (at == wanted.size()) return ::testing::AssertionSuccess();
  std::string all;
  for (const std::string& line : lines) all += line;
  return ::testing::AssertionFailure() << "missing in order: " << wanted[at] << "log:\n" << all;
}

const std::vector<std::string> kStartUp = {
    "Start new log...\n", "timer\n",       "diva\n",          "diva init\n",   "Cptn\n",
    "Network\n",          "Input\n",       "Window mode\n",   "Create DXin\n", "reptr\n",
    "getexe\n",           "cd\n",          "kisteling...\n",  "init gettimer\n", "clear screen\n",
    "flip\n",             "mk2D\n",        "finding font...\n", "Init Finalized\n",
};

// Waits (inside the child) until the log holds `count` lines equal to line.
void WaitForLog(const std::string& line, int count = 1) {
  for (;;) {
    int seen = 0;
    for (const std::string& l : SplitLines(ReadFileBytes(ErrorLogPath()))) seen += l == line;
    if (seen >= count) return;
    SDL_Delay(5);
  }
}

void PushWindowEvent(Uint8 what) {
  SDL_Event e = {};
  e.type = SDL_WINDOWEVENT;
  e.window.event = what;
  SDL_PushEvent(&e);
}

void PushQuit() {
  SDL_Event e = {};
  e.type = SDL_QUIT;
  SDL_PushEvent(&e);
}

void PushKey(SDL_Scancode code) {
  SDL_Event e = {};
  e.type = SDL_KEYDOWN;
  e.key.state = SDL_PRESSED;
  e.key.keysym.scancode = code;
  e.key.keysym.sym = SDL_GetKeyFromScancode(code);
  SDL_PushEvent(&e);
}

void LogTitle() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  const std::string line = std::string("title: ") + (window ? SDL_GetWindowTitle(window) : "?") + "\n";
  ErrorLogAppend(line.c_str());
}
void OnPause() { ErrorLogAppend("ON_PAUSE\n"); }
void OnResume() { ErrorLogAppend("ON_RESUME\n"); }
void OnQuit() { ErrorLogAppend("ON_QUIT\n"); }
void LogRandom() {
  const std::string line = "random " + std::to_string(IsaacGenerate()) + "\n";
  ErrorLogAppend(line.c_str());
}

const SubTableEntry kHooks[] = {
    {OnPause, "VNL_ON_PAUSE"}, {OnResume, "VNL_ON_RESUME"}, {OnQuit, "VNL_ON_QUIT"},
    {LogTitle, "VNL_WIN32_MSG"}, {nullptr, nullptr},
};

// A folder of its own for each test, named the same in the death-test child
// (which runs the test again from the start in a new process).
class TestFolder {
 public:
  TestFolder() {
    path_ = std::string(VNL_TEST_BINARY_DIR) + "/runtime_main." +
            testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

const SubTableEntry kRandomOnQuit[] = {{LogRandom, "VNL_ON_QUIT"}, {nullptr, nullptr}};

class RuntimeMainTest : public testing::Test {
 protected:
  TestFolder dir_;
  ScopedEnv tmp_{"TMPDIR", dir_.path()};
  std::string Log() const { return ReadFileBytes(dir_.File("ErrorLog.txt")); }
  std::string Stdout() const { return ReadFileBytes(dir_.File("stdout.txt")); }

  // Every start-up line in order, the first line exact, then the teardown
  // with the last line exact.
  void ExpectFullStartAndEnd() const {
    const std::vector<std::string> lines = SplitLines(Log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Start new log...\n");
    EXPECT_EQ(lines.back(), "vnl is shut down\n");
    std::vector<std::string> wanted = kStartUp;
    wanted.push_back("Shut down VNL\n");
    EXPECT_TRUE(HasInOrder(lines, wanted));
  }

  // In the child: standard output into a file, then the program with a
  // thread that drives it through pushed events.
  void Run(void (*driver)()) {
    std::freopen(dir_.File("stdout.txt").c_str(), "w", stdout);
    std::thread(driver).detach();
    RuntimeMain(kShowDefault);
  }
};

TEST_F(RuntimeMainTest, StartsAndEndsInOrderWhenTheWindowCloses) {
  WriteFileBytes(dir_.File("ErrorLog.txt"), "stale\n");
  EXPECT_EXIT(Run([] {
                WaitForLog("Init Finalized\n");
                PushQuit();
              }),
              testing::ExitedWithCode(0), "");
  ExpectFullStartAndEnd();
  EXPECT_EQ(Stdout(), "exit\n");
}

void QuitAtOnce() {
  WaitForLog("Init Finalized\n");
  PushQuit();
}

TEST_F(RuntimeMainTest, TheRandomSeedDiffersFromRunToRun) {
  std::string first;
  EXPECT_EXIT(
      {
        g_subTable = kRandomOnQuit;
        Run(QuitAtOnce);
      },
      testing::ExitedWithCode(0), "");
  for (const std::string& line : SplitLines(Log())) {
    if (line.rfind("random ", 0) == 0) first = line;
  }
  std::string second;
  EXPECT_EXIT(
      {
        g_subTable = kRandomOnQuit;
        Run(QuitAtOnce);
      },
      testing::ExitedWithCode(0), "");
  for (const std::string& line : SplitLines(Log())) {
    if (line.rfind("random ", 0) == 0) second = line;
  }
  EXPECT_FALSE(first.empty());
  EXPECT_FALSE(second.empty());
  EXPECT_NE(first, second);
}

TEST_F(RuntimeMainTest, FocusPausesAndResumes) {
  EXPECT_EXIT(
      {
        g_subTable = kHooks;
        Run([] {
          WaitForLog("Init Finalized\n");
          PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
          WaitForLog("pause loop in showscreen/hibernate\n");
          PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
          WaitForLog("pause loop ended\n");
          PushQuit();
        });
      },
      testing::ExitedWithCode(0), "");
  const std::vector<std::string> lines = SplitLines(Log());
  EXPECT_TRUE(HasInOrder(lines, {"Init Finalized\n", "ON_PAUSE\n", "pause loop in showscreen/hibernate\n",
                                 "title: Zivure <pause>\n", "ON_RESUME\n", "pause loop ended\n",
                                 "title: Zivure\n", "ON_QUIT\n", "Shut down VNL\n", "vnl is shut down\n"}));
  EXPECT_EQ(Stdout(), "exit\n");
}

// ESC, then a pause and a resume twice: a program still running after ESC
// pauses a second time; then left Alt with F4.
void EscapeThenAltF4() {
  WaitForLog("Init Finalized\n");
  PushKey(SDL_SCANCODE_ESCAPE);
  for (int round = 1; round <= 2; ++round) {
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    WaitForLog("pause loop in showscreen/hibernate\n", round);
    PushWindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    WaitForLog("pause loop ended\n", round);
  }
  PushKey(SDL_SCANCODE_LALT);
  PushKey(SDL_SCANCODE_F4);
}

TEST_F(RuntimeMainTest, EscapeEnds) {
  EXPECT_EXIT(Run(EscapeThenAltF4), testing::ExitedWithCode(0), "");
  const std::vector<std::string> lines = SplitLines(Log());
  // ESC ends the program at the first frame end that sees it: before or
  // right after the first pause, never reaching the second.
  EXPECT_LT(std::count(lines.begin(), lines.end(), "pause loop ended\n"), 2);
  EXPECT_TRUE(HasInOrder(lines, {"Init Finalized\n", "Shut down VNL\n", "vnl is shut down\n"}));
  EXPECT_EQ(Stdout(), "exit\n");
}

TEST_F(RuntimeMainTest, ForbiddenEscapeDoesNotEndButAltF4Does) {
  EXPECT_EXIT(
      {
        AllowEscape(0);
        Run(EscapeThenAltF4);
      },
      testing::ExitedWithCode(0), "");
  const std::vector<std::string> lines = SplitLines(Log());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "pause loop ended\n"), 2);
  EXPECT_TRUE(HasInOrder(lines, {"pause loop ended\n", "pause loop ended\n", "Shut down VNL\n", "vnl is shut down\n"}));
  EXPECT_EQ(Stdout(), "exit\n");
}

TEST_F(RuntimeMainTest, AFailedWindowEndsWithAMessageAndAFailureStatus) {
  ScopedEnv no_display("SDL_VIDEODRIVER", "no-such-driver");
  EXPECT_EXIT(Run([] {}), testing::ExitedWithCode(1), "cannot open the window");
  const std::vector<std::string> lines = SplitLines(Log());
  EXPECT_TRUE(HasInOrder(lines, {"Start new log...\n", "timer\n", "diva\n", "diva init\n"}));
  EXPECT_FALSE(HasInOrder(lines, {"Cptn\n"}));
  EXPECT_EQ(lines.back(), "vnl is shut down\n");
  EXPECT_EQ(Stdout(), "exit\n");
}

std::string g_iniPath;

// A game main that changes an INI value and returns, so that the program
// ends through ProgramEnd and the change is written back at exit.
int32_t PutIniValueAndReturn() {
  IniOpen(RtString(g_iniPath.c_str()));
  IniPut(RtString("s"), RtString("k"), RtString("new"));
  return 0;
}

const SubTableEntry kOnQuitOnly[] = {{OnQuit, "VNL_ON_QUIT"}, {nullptr, nullptr}};

// Standard output a pipe whose reader has gone: writing "exit" fails, and
// the program still ends in order with its exit handlers.
TEST_F(RuntimeMainTest, AClosedStandardOutputLosesNothing) {
  g_iniPath = dir_.File("s.ini");
  EXPECT_EXIT(
      {
        WriteFileBytes(g_iniPath, "[s]\r\nk=old\r\n");
        int ends[2];
        if (pipe(ends) != 0) std::_Exit(2);
        close(ends[0]);
        dup2(ends[1], STDOUT_FILENO);
        GameProgram game = RuntimeGame();
        game.main = PutIniValueAndReturn;
        game.subs = kOnQuitOnly;
        RuntimeSetGame(game);
        RuntimeMain(kShowDefault);
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(ReadFileBytes(g_iniPath), "[s]\r\nk=new\r\n");
  const std::vector<std::string> lines = SplitLines(Log());
  EXPECT_TRUE(HasInOrder(lines, {"Init Finalized\n", "ON_QUIT\n", "Shut down VNL\n", "vnl is shut down\n"}));
}

int g_earlySignal = 0;
void (*g_gameSettings)() = nullptr;

// The game's settings, then a termination signal before the first log line.
void SettingsThenSignal() {
  if (g_gameSettings != nullptr) g_gameSettings();
  raise(g_earlySignal);
}

// SIGTERM or SIGINT before the window library is there: a close request
// all the same, which the first message pump (still inside start-up) ends
// in order.
TEST_F(RuntimeMainTest, AnEarlyTerminationSignalEndsInOrder) {
  for (int signal_number : {SIGTERM, SIGINT}) {
    g_earlySignal = signal_number;
    EXPECT_EXIT(
        {
          std::freopen(dir_.File("stdout.txt").c_str(), "w", stdout);
          signal(signal_number, SIG_DFL);  // not ignored, as a background job's SIGINT is
          GameProgram game = RuntimeGame();
          g_gameSettings = game.projectSettings;
          game.projectSettings = SettingsThenSignal;
          game.subs = kOnQuitOnly;
          RuntimeSetGame(game);
          RuntimeMain(kShowDefault);
        },
        testing::ExitedWithCode(0), "")
        << strsignal(signal_number);
    EXPECT_EQ(Stdout(), "exit\n");
    // No ASSERT here: the death-test child runs this loop too, and must get
    // to the second round.
    const std::vector<std::string> lines = SplitLines(Log());
    EXPECT_TRUE(!lines.empty() && lines.front() == "Start new log...\n" && lines.back() == "vnl is shut down\n")
        << Log();
    EXPECT_TRUE(HasInOrder(lines, {"Start new log...\n", "diva init\n", "ON_QUIT\n", "Shut down VNL\n"}));
  }
}

// The real program, ended the way a desktop ends it (SIGTERM becomes a
// close request).
TEST_F(RuntimeMainTest, TheGameProgramStartsAndEnds) {
  const std::string program = VNL_TEST_BINARY_DIR "/../zivure";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::freopen(dir_.File("stdout.txt").c_str(), "w", stdout);
    // Under the sanitizers: what Mesa keeps at exit is not ours to report.
    setenv("ASAN_OPTIONS", "detect_leaks=0", 0);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // The signal goes once start-up is over (its last log line is written),
  // however long that takes on this machine; a program that ends first, or
  // is still starting after two minutes, fails the test.
  int status = 0;
  pid_t ended = 0;
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  while (Log().find("Init Finalized\n") == std::string::npos) {
    ended = waitpid(child, &status, WNOHANG);
    if (ended != 0 || std::chrono::steady_clock::now() >= giveUp) break;
    usleep(5000);
  }
  if (ended == 0 && Log().find("Init Finalized\n") == std::string::npos) kill(child, SIGKILL);
  ASSERT_EQ(ended, 0) << "the program ended before its start-up was over; its log:\n" << Log();
  kill(child, SIGTERM);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_FALSE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
      << "the program's start-up was not over after two minutes; its log:\n" << Log();
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(Stdout(), "exit\n");
  ExpectFullStartAndEnd();
}

}  // namespace
