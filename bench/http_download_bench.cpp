// Downloading a 256 MiB file over HTTP from a real server on the loopback:
// NetHttpGetFile against `curl -s -o` of the same file from the same
// server, taking turns (which of the two goes first alternates by round).
// The server is nginx, or lighttpd where nginx is missing (the environment
// variable VNL_HTTP_SERVER=lighttpd picks lighttpd), run by the benchmark as
// its own process with its own configuration in a temporary folder, on a
// free port of 127.0.0.1, and stopped at the end (or when this program dies).
// curl runs as a subprocess, so its time includes its own start-up. Each
// download goes to a file in the same folder, removed before the next one
// (outside the timing). Counters: the median times, `ratio`, the median of
// the rounds' engine/curl ratios, with the lowest and the highest
// (`ratio_low`, `ratio_high`), and `same_bytes` (1 when the engine's first
// file is the served file byte for byte).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "net/socket_commands.h"

namespace {

constexpr int64_t kFileBytes = int64_t{256} << 20;
constexpr int32_t kTimeoutMs = 10000;

double NowMs() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The full path of an installed program: the PATH first, then the system
// folders that hold servers (not on every user's PATH); empty when missing.
std::string FindProgram(const std::string& name) {
  std::string folders = getenv("PATH") != nullptr ? getenv("PATH") : "";
  folders += ":/usr/sbin:/sbin:/usr/local/sbin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const std::string path = folders.substr(start, end - start) + "/" + name;
    if (end > start && access(path.c_str(), X_OK) == 0) return path;
    start = end + 1;
  }
  return std::string();
}

// A port of 127.0.0.1 that nobody listens on just now (the kernel picks it).
uint16_t FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  uint16_t port = 0;
  if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    port = ntohs(address.sin_port);
  }
  if (fd >= 0) close(fd);
  return port;
}

bool Answers(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  const bool connected = fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) close(fd);
  return connected;
}

// Starts the program with its output in the log file; it gets SIGTERM when
// this program dies. The process id, or -1.
pid_t Start(const std::vector<std::string>& argv, const std::string& log) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child != 0) return child;
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(127);
  const int out = log.empty() ? open("/dev/null", O_WRONLY) : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (out >= 0) {
    dup2(out, STDOUT_FILENO);
    dup2(out, STDERR_FILENO);
  }
  execv(args[0], args.data());
  _exit(127);
}

// The exit code of the process, or 128 + the signal that ended it.
int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

// The file to serve: pseudo-random bytes, written in blocks of 1 MiB.
bool MakeServedFile(const std::string& path) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  std::vector<uint32_t> block((1 << 20) / sizeof(uint32_t));
  uint32_t x = 12345;
  bool ok = true;
  for (int64_t written = 0; ok && written < kFileBytes; written += 1 << 20) {
    for (uint32_t& word : block) {
      x ^= x << 13;
      x ^= x >> 17;
      x ^= x << 5;
      word = x;
    }
    ok = write(fd, block.data(), 1 << 20) == 1 << 20;
  }
  return close(fd) == 0 && ok;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::ifstream first(a, std::ios::binary);
  std::ifstream second(b, std::ios::binary);
  std::vector<char> x(1 << 20);
  std::vector<char> y(1 << 20);
  while (first && second) {
    first.read(x.data(), static_cast<std::streamsize>(x.size()));
    second.read(y.data(), static_cast<std::streamsize>(y.size()));
    if (first.gcount() != second.gcount() || std::memcmp(x.data(), y.data(), first.gcount()) != 0) return false;
  }
  return first.eof() && second.eof();
}

int64_t FileSize(const std::string& path) {
  struct stat info = {};
  return stat(path.c_str(), &info) == 0 ? static_cast<int64_t>(info.st_size) : -1;
}

// The HTTP server, serving the folder's "www" on 127.0.0.1.
class Server {
 public:
  explicit Server(const std::string& folder) : folder_(folder) {}
  ~Server() { Stop(); }

  // Starts nginx or lighttpd; false with the reason in *why.
  bool Start(std::string* why) {
    const char* wanted = getenv("VNL_HTTP_SERVER");
    const bool lighttpdOnly = wanted != nullptr && std::strcmp(wanted, "lighttpd") == 0;
    const std::string nginx = lighttpdOnly ? std::string() : FindProgram("nginx");
    const std::string lighttpd = FindProgram("lighttpd");
    if (nginx.empty() && lighttpd.empty()) {
      *why = "neither nginx nor lighttpd is installed (Debian packages nginx, lighttpd)";
      return false;
    }
    // A port found free can be taken by someone else before the server
    // binds it: then the server ends, and another port is tried.
    for (int attempt = 0; attempt < 5; ++attempt) {
      port_ = FreeLoopbackPort();
      if (port_ == 0) continue;
      name_ = nginx.empty() ? "lighttpd" : "nginx";
      pid_ = nginx.empty() ? StartLighttpd(lighttpd) : StartNginx(nginx);
      if (pid_ > 0 && WaitUntilAnswering()) return true;
      Stop();
    }
    *why = name_ + " did not start; see " + folder_ + "/server.log";
    return false;
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    Wait(pid_);
    pid_ = -1;
  }
  uint16_t port() const { return port_; }
  const std::string& name() const { return name_; }

 private:
  pid_t StartNginx(const std::string& program) {
    const std::string& d = folder_;
    std::filesystem::create_directories(d + "/nginx-temp");
    WriteText(d + "/nginx.conf",
              "daemon off;\nmaster_process off;\nworker_processes 1;\npid " + d + "/nginx.pid;\nerror_log " + d +
                  "/server.log;\nevents { worker_connections 64; }\nhttp {\n  access_log off;\n"
                  "  default_type application/octet-stream;\n  sendfile on;\n"
                  "  client_body_temp_path " + d + "/nginx-temp/body;\n  proxy_temp_path " + d +
                  "/nginx-temp/proxy;\n  fastcgi_temp_path " + d + "/nginx-temp/fastcgi;\n  uwsgi_temp_path " + d +
                  "/nginx-temp/uwsgi;\n  scgi_temp_path " + d + "/nginx-temp/scgi;\n  server {\n    listen 127.0.0.1:" +
                  std::to_string(port_) + ";\n    root " + d + "/www;\n  }\n}\n");
    return ::Start({program, "-e", d + "/server.log", "-p", d + "/", "-c", d + "/nginx.conf"}, d + "/server.log");
  }
  pid_t StartLighttpd(const std::string& program) {
    const std::string& d = folder_;
    WriteText(d + "/lighttpd.conf", "server.document-root = \"" + d + "/www\"\nserver.bind = \"127.0.0.1\"\n" +
                                        "server.port = " + std::to_string(port_) + "\nserver.errorlog = \"" + d +
                                        "/server.log\"\nmimetype.assign = (\"\" => \"application/octet-stream\")\n");
    return ::Start({program, "-D", "-f", d + "/lighttpd.conf"}, d + "/server.log");
  }
  bool WaitUntilAnswering() {
    for (int tries = 0; tries < 500; ++tries) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      if (Answers(port_)) return true;
      usleep(10000);
    }
    return false;
  }

  std::string folder_;
  std::string name_;
  uint16_t port_ = 0;
  pid_t pid_ = -1;
};

// A temporary folder, removed with everything in it at the end.
struct Scratch {
  std::string path;
  Scratch() {
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp") + "/vnlhttpbench.XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

void BM_DownloadAgainstCurl(benchmark::State& state) {
  Scratch scratch;
  if (scratch.path.empty()) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::string served = scratch.path + "/www/big.bin";
  std::filesystem::create_directories(scratch.path + "/www");
  if (!MakeServedFile(served)) {
    state.SkipWithError("cannot write the served file");
    return;
  }
  Server server(scratch.path);
  std::string why;
  if (!server.Start(&why)) {
    std::fprintf(stderr, "http_download_bench: skipped: %s\n", why.c_str());
    state.SkipWithError(why.c_str());
    return;
  }
  const std::string curl = FindProgram("curl");
  if (curl.empty()) std::fprintf(stderr, "http_download_bench: curl is not installed: its row is skipped\n");
  std::fprintf(stderr, "http_download_bench: %s on 127.0.0.1:%u\n", server.name().c_str(), server.port());

  const std::string target = scratch.path + "/download.bin";
  const RtString host("127.0.0.1");
  const RtString path("/big.bin");
  const RtString file(target.c_str());
  const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/big.bin";
  // One download of each: the time, or -1 when it failed or the file is not
  // whole.
  const auto engine = [&] {
    unlink(target.c_str());
    const double start = NowMs();
    const int32_t ok = NetHttpGetFile(host, path, static_cast<int32_t>(server.port()), file, kTimeoutMs);
    const double took = NowMs() - start;
    return ok == 1 && FileSize(target) == kFileBytes ? took : -1.0;
  };
  const auto reference = [&] {
    unlink(target.c_str());
    const double start = NowMs();
    const pid_t pid = Start({curl, "-s", "-S", "-o", target, url}, std::string());
    const int status = pid > 0 ? Wait(pid) : -1;
    const double took = NowMs() - start;
    return status == 0 && FileSize(target) == kFileBytes ? took : -1.0;
  };

  // A first download of each, untimed: the served file, curl and its
  // libraries are in the page cache before the rounds.
  const bool engineWorks = engine() >= 0;
  const bool sameBytes = engineWorks && SameBytes(served, target);
  if (!engineWorks || (!curl.empty() && reference() < 0)) {
    state.SkipWithError("a download failed");
    return;
  }
  std::vector<double> engineMs;
  std::vector<double> curlMs;
  std::vector<double> ratios;
  int round = 0;
  for (auto _ : state) {
    double e = 0;
    double c = 0;
    if (curl.empty()) {
      e = engine();
    } else if (round++ % 2 == 0) {
      e = engine();
      c = reference();
    } else {
      c = reference();
      e = engine();
    }
    if (e < 0 || c < 0) {
      state.SkipWithError("a download failed");
      break;
    }
    engineMs.push_back(e);
    if (!curl.empty()) {
      curlMs.push_back(c);
      ratios.push_back(e / c);
    }
  }
  unlink(target.c_str());
  server.Stop();
  if (engineMs.empty()) return;
  state.counters["engine_ms"] = Median(engineMs);
  state.counters["same_bytes"] = sameBytes ? 1 : 0;
  state.counters["MiB_per_s"] = static_cast<double>(kFileBytes >> 20) / (Median(engineMs) / 1000);
  if (ratios.empty()) return;
  state.counters["curl_ms"] = Median(curlMs);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_low"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_high"] = *std::max_element(ratios.begin(), ratios.end());
}
BENCHMARK(BM_DownloadAgainstCurl)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace
