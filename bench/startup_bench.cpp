// Start-up and end of the game program under the offscreen video driver:
// from process start until start-up has finished (the first frame has been
// swapped during start-up), and from a close request until the process has
// exited.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/system_paths.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BM_StartUpAndEnd(benchmark::State& state) {
  const std::string self = PlatformExecutablePath();
  const std::string program = self.substr(0, self.rfind('/')) + "/../zivure";
  char folder[] = "/tmp/vnlbench.XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string log = std::string(folder) + "/ErrorLog.txt";
  setenv("TMPDIR", folder, 1);
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  double startTotal = 0.0;
  double endTotal = 0.0;
  for (auto _ : state) {
    unlink(log.c_str());
    const auto started = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
      if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    while (ReadAll(log).find("Init Finalized\n") == std::string::npos) usleep(200);
    const auto up = std::chrono::steady_clock::now();
    kill(child, SIGTERM);
    int status = 0;
    waitpid(child, &status, 0);
    const auto ended = std::chrono::steady_clock::now();
    startTotal += std::chrono::duration<double, std::milli>(up - started).count();
    endTotal += std::chrono::duration<double, std::milli>(ended - up).count();
  }
  state.counters["startup_ms"] = startTotal / static_cast<double>(state.iterations());
  state.counters["end_ms"] = endTotal / static_cast<double>(state.iterations());
  unlink(log.c_str());
  rmdir(folder);
}
BENCHMARK(BM_StartUpAndEnd)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
