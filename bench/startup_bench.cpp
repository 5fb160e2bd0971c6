// Start-up of the game program against a bare SDL2 + OpenGL program
// (bare_gl_program), both under the offscreen video driver, run in turns:
// from process start until the game has logged "Init Finalized" (start-up
// done, its first frames swapped) or the bare program has swapped its first
// frame. For the game, also from a close request until the process has
// exited. The counters are medians over the runs (the machine's load moves
// single runs a lot); `ratio` is the game's start-up over the bare one, and
// `fastest_ratio` the same for the fastest run of each, the least disturbed.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/system_paths.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Millis(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// Starts the program (stdout to /dev/null) and waits until the file holds
// the line; the time that took. *end receives the time from SIGTERM to the
// process's exit.
double StartAndWait(const std::string& program, const std::string& argument, const std::string& file,
                    const char* line, double* end) {
  unlink(file.c_str());
  const auto started = Clock::now();
  const pid_t child = fork();
  if (child == 0) {
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execl(program.c_str(), program.c_str(), argument.empty() ? nullptr : argument.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  while (ReadAll(file).find(line) == std::string::npos) {
    if (waitpid(child, &status, WNOHANG) == child) return -1;
    usleep(200);
  }
  const auto up = Clock::now();
  kill(child, SIGTERM);
  // A program that does not end within five seconds is killed.
  for (int waited = 0; waitpid(child, &status, WNOHANG) != child; ++waited) {
    if (waited == 25000) kill(child, SIGKILL);
    usleep(200);
  }
  *end = Millis(up, Clock::now());
  return Millis(started, up);
}

void BM_StartUpAgainstBareProgram(benchmark::State& state) {
  const std::string self = PlatformExecutablePath();
  const std::string folder = self.substr(0, self.rfind('/'));
  const std::string game = folder + "/../zivure";
  const std::string bare = folder + "/bare_gl_program";
  char scratch[] = "/tmp/vnlbench.XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string log = std::string(scratch) + "/ErrorLog.txt";
  const std::string marker = std::string(scratch) + "/bare.txt";
  setenv("TMPDIR", scratch, 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  std::vector<double> gameRuns;
  std::vector<double> bareRuns;
  std::vector<double> endRuns;
  for (auto _ : state) {
    double end = 0.0;
    double unused = 0.0;
    const double gameMs = StartAndWait(game, "", log, "Init Finalized\n", &end);
    const double bareMs = StartAndWait(bare, marker, marker, "First swap\n", &unused);
    if (gameMs < 0 || bareMs < 0) {
      state.SkipWithError("a program ended before it was up");
      break;
    }
    gameRuns.push_back(gameMs);
    bareRuns.push_back(bareMs);
    endRuns.push_back(end);
  }
  const double gameMs = Median(gameRuns);
  const double bareMs = Median(bareRuns);
  state.counters["startup_ms"] = gameMs;
  state.counters["bare_ms"] = bareMs;
  state.counters["ratio"] = bareMs > 0 ? gameMs / bareMs : 0.0;
  state.counters["end_ms"] = Median(endRuns);
  if (!gameRuns.empty()) {
    state.counters["fastest_ratio"] =
        *std::min_element(gameRuns.begin(), gameRuns.end()) / *std::min_element(bareRuns.begin(), bareRuns.end());
  }
  unlink(log.c_str());
  unlink(marker.c_str());
  rmdir(scratch);
}
BENCHMARK(BM_StartUpAgainstBareProgram)->Unit(benchmark::kMillisecond)->Iterations(30);

}  // namespace
