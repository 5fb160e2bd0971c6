// Sprites per 60 Hz frame as a game draws them, under an X server and
// offscreen: how many 32 x 32 alpha-blended sprites fit in a 16.7 ms frame
// of a 1260 x 714 window when the engine draws them with the sprite command
// once per sprite and ShowScreen at the end (sprite_frames_engine), against
// a plain OpenGL program with the least state for the same picture
// (sprite_frames_plain: texture, modulate, blend, no alpha test, one client
// vertex array, glDrawArrays, a window of RGB 8/8/8 without depth or
// stencil). A third program is the plain one in a window of the engine's
// format (depth 24, stencil 8), to tell the engine's own costs from the
// window's.
//
// Each program runs in its own process with its own window; under X each
// has an Xvfb of its own (started here with -displayfd on a display number
// the server picks, stopped at the end), so that neither window covers the
// other. Each count is found by bisection on the shortest time of a few
// frames (from the first drawing call to the swapped and finished frame);
// the searches go in step, their frames taking turns, so that all see the
// same load of the machine, in a few rounds whose median ratio is reported
// with the lowest and the highest. Then the frame time at 5,000 sprites,
// the shortest of a few frames per round, median over the rounds. The
// frames of the engine and of the plain program at the final count are
// compared pixel for pixel (same_pixels 1).
//
// Arguments: display (0 offscreen, 1 X), smoothing (0 nearest texels, 1 the
// engine's default, linear). Without Xvfb the X rows are skipped, saying
// so. Run it also with LP_NUM_THREADS set for Mesa's software renderer with
// fewer rasteriser threads.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "bench/frame_count_search.h"
#include "bench/sprite_frames_protocol.h"
#include "bench/xvfb_server.h"
#include "platform/system_paths.h"

namespace {

constexpr double kFrameMillis = 1000.0 / 60.0;
constexpr int kTimedFrames = 7;
constexpr int kRounds = 5;
constexpr int kFixedCount = 5000;

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Ends a child: it has graceMillis to end by itself, then gets SIGTERM,
// and SIGKILL when it has not ended 5 s later.
void EndChild(pid_t pid, int graceMillis) {
  if (pid <= 0) return;
  int status = 0;
  for (int waited = 0; waitpid(pid, &status, WNOHANG) != pid; ++waited) {
    if (waited == graceMillis) kill(pid, SIGTERM);
    if (waited == graceMillis + 5000) kill(pid, SIGKILL);
    if (waited > graceMillis + 10000) return;
    usleep(1000);
  }
}

// One drawing program (see sprite_frames_scene.h for its commands).
class Program {
 public:
  // The end of its input ends the program.
  ~Program() {
    if (to_ != nullptr) std::fclose(to_);
    if (from_ != nullptr) std::fclose(from_);
    EndChild(pid_, 2000);
  }

  // Starts path with the arguments and the environment variables
  // ("NAME=value") added; false with its first line in *why when it does
  // not answer "ready".
  bool Start(const std::string& path, const std::vector<std::string>& arguments,
             const std::vector<std::string>& environment, std::string* why) {
    int commands[2];
    int replies[2];
    if (pipe(commands) != 0 || pipe(replies) != 0) {
      *why = "no pipe";
      return false;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(commands[0], STDIN_FILENO);
      dup2(replies[1], sprite_frames::kReplyFd);
      for (int fd : {commands[0], commands[1], replies[0], replies[1]}) {
        if (fd != STDIN_FILENO && fd != sprite_frames::kReplyFd) close(fd);
      }
      const int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, STDOUT_FILENO);
      for (const std::string& variable : environment) putenv(const_cast<char*>(variable.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(path.c_str()));
      for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(127);
    }
    close(commands[0]);
    close(replies[1]);
    to_ = fdopen(commands[1], "w");
    from_ = fdopen(replies[0], "r");
    const std::string first = ReadLine();
    if (pid_ < 0 || first != "ready") {
      *why = path + ": " + (first.empty() ? "ended without an answer" : first);
      return false;
    }
    return true;
  }

  // The time of one frame of count sprites; a huge time once the program
  // has failed.
  double Frame(int count) {
    std::fprintf(to_, "frame %d\n", count);
    std::fflush(to_);
    const std::string answer = ReadLine();
    if (answer.empty()) failed_ = true;
    return failed_ ? 1e9 : std::atof(answer.c_str());
  }

  // Whether it stopped answering.
  bool Failed() const { return failed_; }

  // The back buffer of a frame of count sprites on a cleared one.
  std::string Picture(int count, const std::string& path) {
    std::fprintf(to_, "picture %d %s\n", count, path.c_str());
    std::fflush(to_);
    if (ReadLine() != "ok") return std::string();
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    unlink(path.c_str());
    return bytes;
  }

 private:
  std::string ReadLine() {
    char line[512];
    if (from_ == nullptr || std::fgets(line, sizeof line, from_) == nullptr) return std::string();
    std::string text = line;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
  bool failed_ = false;
};

// The largest counts whose frames fit in 16.7 ms, one for each program,
// searched in step with the frames taking turns; a count's time is the
// shortest of a few frames, since other work only ever makes a frame
// longer.
std::vector<int> SpritesPerFrame(const std::vector<Program*>& programs) {
  std::vector<FrameCountSearch> searches(programs.size());
  const auto done = [&] {
    return std::all_of(searches.begin(), searches.end(), [](const FrameCountSearch& s) { return s.Done(); });
  };
  while (!done()) {
    std::vector<int> counts(programs.size());
    std::vector<double> best(programs.size(), 1e9);
    for (size_t p = 0; p < programs.size(); ++p) counts[p] = searches[p].Done() ? 0 : searches[p].Probe();
    for (int f = 0; f <= kTimedFrames; ++f) {  // the first frame warms up
      for (size_t p = 0; p < programs.size(); ++p) {
        if (counts[p] == 0) continue;
        const double millis = programs[p]->Frame(counts[p]);
        if (f > 0) best[p] = std::min(best[p], millis);
      }
    }
    for (size_t p = 0; p < programs.size(); ++p) {
      if (counts[p] > 0) searches[p].Report(best[p] <= kFrameMillis);
    }
  }
  std::vector<int> result;
  for (const FrameCountSearch& s : searches) result.push_back(s.low);
  return result;
}

// The shortest frame time of each program at count sprites, frames taking
// turns.
std::vector<double> FrameMillis(const std::vector<Program*>& programs, int count) {
  std::vector<double> best(programs.size(), 1e9);
  for (int f = 0; f <= kTimedFrames; ++f) {
    for (size_t p = 0; p < programs.size(); ++p) {
      const double millis = programs[p]->Frame(count);
      if (f > 0) best[p] = std::min(best[p], millis);
    }
  }
  return best;
}

// The three programs of one row, each on its display; the servers end
// after the programs.
struct Programs {
  std::vector<std::unique_ptr<XvfbServer>> servers;
  Program engine;
  Program plain;
  Program plainEngineFormat;

  // False with the reason in *why when a program or server did not start.
  bool Start(bool underX, const std::string& smoothing, const std::string& temp, std::string* why) {
    const std::string self = PlatformExecutablePath();
    const std::string folder = self.substr(0, self.rfind('/'));
    std::vector<std::string> env;
    return Environment(underX, temp, &env, why) &&
           engine.Start(folder + "/sprite_frames_engine", {smoothing}, env, why) &&
           Environment(underX, temp, &env, why) &&
           plain.Start(folder + "/sprite_frames_plain", {"least", smoothing}, env, why) &&
           Environment(underX, temp, &env, why) &&
           plainEngineFormat.Start(folder + "/sprite_frames_plain", {"engine-format", smoothing}, env, why);
  }

  // The environment of the next program: offscreen, or an X server of its
  // own.
  bool Environment(bool underX, const std::string& temp, std::vector<std::string>* out, std::string* why) {
    *out = {"SDL_AUDIODRIVER=dummy", "VNL_NO_MSGBOX=1", "TMPDIR=" + temp};
    if (!underX) {
      out->push_back("SDL_VIDEODRIVER=offscreen");
      return true;
    }
    servers.push_back(std::make_unique<XvfbServer>());
    if (!servers.back()->Start("1280x1024x24", why)) return false;
    out->push_back("SDL_VIDEODRIVER=x11");
    out->push_back("DISPLAY=" + servers.back()->Display());
    return true;
  }
};

// Removes the folder with the files the programs left in it.
void RemoveFolder(const std::string& folder) {
  if (DIR* dir = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlink((folder + "/" + name).c_str());
    }
    closedir(dir);
  }
  rmdir(folder.c_str());
}

void Measure(benchmark::State& state, Programs& run, const std::string& temp) {
  const std::vector<Program*> programs = {&run.engine, &run.plain, &run.plainEngineFormat};
  std::vector<double> engineSprites;
  std::vector<double> plainSprites;
  std::vector<double> sameFormatSprites;
  std::vector<double> ratios;
  std::vector<double> sameFormatRatios;
  std::vector<double> engineMillis;
  std::vector<double> plainMillis;
  std::vector<double> sameFormatMillis;
  for (auto _ : state) {
    for (int round = 0; round < kRounds; ++round) {
      const std::vector<int> counts = SpritesPerFrame(programs);
      engineSprites.push_back(counts[0]);
      plainSprites.push_back(counts[1]);
      sameFormatSprites.push_back(counts[2]);
      ratios.push_back(counts[1] > 0 ? static_cast<double>(counts[0]) / counts[1] : 0.0);
      sameFormatRatios.push_back(counts[2] > 0 ? static_cast<double>(counts[0]) / counts[2] : 0.0);
      const std::vector<double> millis = FrameMillis(programs, kFixedCount);
      engineMillis.push_back(millis[0]);
      plainMillis.push_back(millis[1]);
      sameFormatMillis.push_back(millis[2]);
    }
  }
  state.counters["engine_sprites"] = Median(engineSprites);
  state.counters["plain_sprites"] = Median(plainSprites);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
  state.counters["plain_ds_sprites"] = Median(sameFormatSprites);
  state.counters["ratio_ds"] = Median(sameFormatRatios);
  state.counters["engine_ms_5k"] = Median(engineMillis);
  state.counters["plain_ms_5k"] = Median(plainMillis);
  state.counters["plain_ds_ms_5k"] = Median(sameFormatMillis);
  for (const Program* p : programs) {
    if (p->Failed()) {
      state.SkipWithError("a drawing program stopped answering");
      return;
    }
  }
  const int count = static_cast<int>(std::min(Median(engineSprites), Median(plainSprites)));
  const std::string enginePicture = run.engine.Picture(count, temp + "/engine.rgba");
  const std::string plainPicture = run.plain.Picture(count, temp + "/plain.rgba");
  state.counters["same_pixels"] = !enginePicture.empty() && enginePicture == plainPicture ? 1 : 0;
}

void BM_GameSpritesPerFrame(benchmark::State& state) {
  // A program that has ended must not end this one by SIGPIPE.
  signal(SIGPIPE, SIG_IGN);
  char scratch[] = "/tmp/vnlsprites.XXXXXX";
  if (mkdtemp(scratch) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string why;
  {
    Programs run;
    if (run.Start(state.range(0) != 0, state.range(1) != 0 ? "1" : "0", scratch, &why)) {
      Measure(state, run, scratch);
    }
  }
  RemoveFolder(scratch);
  if (!why.empty()) state.SkipWithError(why.c_str());
}
BENCHMARK(BM_GameSpritesPerFrame)
    ->ArgNames({"x11", "smooth"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
