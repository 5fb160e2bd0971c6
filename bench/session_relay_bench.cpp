// The session host relaying texts between guests in separate processes,
// against a plain single-thread relay over poll written here with the same
// frames and the same guarantees (each text delivered once, in order, with
// its sender's id), run in turns in one benchmark.
//
// The guests are child processes forked before any thread starts, kept for
// the whole benchmark and told over a control socket what to do each round:
// connect to a port and register a player, then, once every guest has its
// id, exchange texts with a partner (guest i with guest i ^ 1). A guest keeps
// at most kWindow of its texts unanswered by its partner's, so no connection
// ever holds more than a few dozen frames in flight, and it checks every
// text it gets: type, recipient, sender and sequence number. A round counts
// from the partners' go until the last guest is done; the host is hosted
// afresh (NetHost) and the relay started afresh for each round, and the two
// alternate which goes first.
//
// Counters: host and relay texts per second (medians over the rounds), and
// ratio = host / relay (median of each round's ratio, with the lowest and
// highest as ratio_min and ratio_max).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "net/net_session.h"
#include "net/net_tuning.h"
#include "net/session_commands.h"
#include "process/app_globals.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWindow = 32;             // a guest's texts not yet answered by its partner
constexpr int kTextBytes = 32;          // payload of each text
constexpr int kTextsPerRound = 800000;  // all guests together
constexpr int kStallMs = 10000;         // a guest that sees nothing for this long fails
constexpr int kHeader = kNetHeaderSize;

// ---- Frames ----------------------------------------------------------------

uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void AppendFrame(std::string& out, uint8_t type, uint16_t recipient, uint16_t sender, const void* payload,
                 size_t length) {
  const uint8_t header[kHeader] = {type,
                                   static_cast<uint8_t>(length),
                                   static_cast<uint8_t>(length >> 8),
                                   static_cast<uint8_t>(recipient),
                                   static_cast<uint8_t>(recipient >> 8),
                                   static_cast<uint8_t>(sender),
                                   static_cast<uint8_t>(sender >> 8)};
  out.append(reinterpret_cast<const char*>(header), kHeader);
  out.append(static_cast<const char*>(payload), length);
}

// Bytes read from a stream; whole frames are taken from the front.
struct InBuffer {
  std::vector<uint8_t> bytes = std::vector<uint8_t>(64 * 1024);
  size_t start = 0;
  size_t end = 0;

  // One read of what the socket has, as far as there is room: the read's
  // result (0: closed; -1 with errno).
  ssize_t ReadFrom(int fd) {
    if (start > 0) {
      std::memmove(bytes.data(), bytes.data() + start, end - start);
      end -= start;
      start = 0;
    }
    const ssize_t n = recv(fd, bytes.data() + end, bytes.size() - end, 0);
    if (n > 0) end += static_cast<size_t>(n);
    return n;
  }
  // The next whole frame (header at *frame, payload behind it), or null;
  // *bad when its length is above what a frame may have.
  const uint8_t* Next(bool* bad) {
    *bad = false;
    if (end - start < static_cast<size_t>(kHeader)) return nullptr;
    const uint8_t* frame = bytes.data() + start;
    const size_t length = LoadU16(frame + 1);
    if (length > static_cast<size_t>(kNetMaxPayload)) {
      *bad = true;
      return nullptr;
    }
    if (end - start < kHeader + length) return nullptr;
    start += kHeader + length;
    return frame;
  }
};

bool WriteAll(int fd, const void* data, size_t length) {
  const auto* p = static_cast<const uint8_t*>(data);
  while (length > 0) {
    const ssize_t n = write(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, void* data, size_t length) {
  auto* p = static_cast<uint8_t*>(data);
  while (length > 0) {
    const ssize_t n = read(fd, p, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

int ConnectLoopback(uint16_t port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A TCP port that was free a moment ago.
uint16_t FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  socklen_t size = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

// ---- Guests ----------------------------------------------------------------

// What the parent tells a guest, and what it answers.
struct GuestOrder {
  uint16_t port;   // 0: the guest ends
  int32_t texts;   // to send, and to receive from its partner
};
struct GuestReply {
  int32_t value;   // the player's id (0: none); then 1 when every text came right
};

// Registers a player on the connection; its id, or 0.
uint16_t Register(int fd) {
  uint8_t payload[kNetRegisterPayload] = {};
  payload[0] = payload[1] = payload[2] = payload[3] = 0xFF;
  payload[4] = 0xFE;
  payload[5] = 0xFF;
  std::memcpy(payload + 8, "guest", 5);
  std::string frame;
  AppendFrame(frame, kMsgRegister, 0, 0, payload, sizeof payload);
  if (!WriteAll(fd, frame.data(), frame.size())) return 0;
  uint8_t answer[kHeader];
  if (!ReadAll(fd, answer, sizeof answer) || answer[0] != kMsgIdAssigned || LoadU16(answer + 1) != 0) return 0;
  return LoadU16(answer + 3);
}

// Sends its texts to the partner and takes the partner's, checking each;
// true when all came, in order, from the partner, to this player.
bool Exchange(int fd, uint16_t self, uint16_t partner, int32_t texts) {
  uint8_t text[kTextBytes];
  std::memset(text, '.', sizeof text);
  std::string out;
  size_t outSent = 0;
  InBuffer in;
  int32_t sent = 0;
  int32_t got = 0;
  for (;;) {
    if (outSent == out.size()) {
      out.clear();
      outSent = 0;
    }
    for (; sent < texts && sent - got < kWindow; ++sent) {
      std::memcpy(text, &sent, sizeof sent);
      AppendFrame(out, kMsgText, partner, self, text, sizeof text);
    }
    if (outSent < out.size()) {
      const ssize_t n = send(fd, out.data() + outSent, out.size() - outSent, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) outSent += static_cast<size_t>(n);
      else if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
    }
    if (got == texts && sent == texts && outSent == out.size()) return true;
    pollfd waiting = {fd, static_cast<short>(POLLIN | (outSent < out.size() ? POLLOUT : 0)), 0};
    const int ready = poll(&waiting, 1, kStallMs);
    if (ready == 0) return false;
    if (ready < 0 || (waiting.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
    const ssize_t n = in.ReadFrom(fd);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return false;
    bool bad = false;
    while (const uint8_t* frame = in.Next(&bad)) {
      int32_t number = 0;
      std::memcpy(&number, frame + kHeader, sizeof number);
      if (frame[0] != kMsgText || LoadU16(frame + 1) != kTextBytes || LoadU16(frame + 3) != self ||
          LoadU16(frame + 5) != partner || number != got || frame[kHeader + kTextBytes - 1] != '.') {
        return false;
      }
      ++got;
    }
    if (bad) return false;
  }
}

[[noreturn]] void GuestMain(int control) {
  GuestOrder order;
  while (ReadAll(control, &order, sizeof order) && order.port != 0) {
    const int fd = ConnectLoopback(order.port);
    const uint16_t self = fd >= 0 ? Register(fd) : 0;
    GuestReply reply = {self};
    uint16_t partner = 0;
    bool ok = WriteAll(control, &reply, sizeof reply) && ReadAll(control, &partner, sizeof partner);
    if (ok && self != 0 && partner != 0) {
      reply.value = Exchange(fd, self, partner, order.texts) ? 1 : 0;
      ok = WriteAll(control, &reply, sizeof reply);
    }
    if (fd >= 0) close(fd);
    if (!ok) break;
  }
  _exit(0);
}

// The guest processes, forked while the benchmark has no other thread.
class Guests {
 public:
  explicit Guests(int count) {
    for (int i = 0; i < count; ++i) {
      int pair[2];
      if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return;
      const pid_t child = fork();
      if (child == 0) {
        close(pair[0]);
        for (int other : controls_) close(other);
        GuestMain(pair[1]);
      }
      close(pair[1]);
      if (child < 0) {
        close(pair[0]);
        return;
      }
      pids_.push_back(child);
      controls_.push_back(pair[0]);
    }
  }
  ~Guests() {
    const GuestOrder end = {0, 0};
    for (int fd : controls_) {
      WriteAll(fd, &end, sizeof end);
      close(fd);
    }
    for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
  }
  int Count() const { return static_cast<int>(controls_.size()); }

  // One round against the server on the port: every guest registers, then
  // the partners exchange their texts. The seconds from the go to the last
  // guest's end, or -1 when a guest failed.
  double Round(uint16_t port, int32_t textsEach) {
    const GuestOrder order = {port, textsEach};
    for (int fd : controls_) WriteAll(fd, &order, sizeof order);
    std::vector<uint16_t> ids;
    bool ok = true;
    for (int fd : controls_) {
      GuestReply reply = {0};
      ok = ReadAll(fd, &reply, sizeof reply) && ok && reply.value != 0;
      ids.push_back(static_cast<uint16_t>(reply.value));
    }
    const auto start = Clock::now();
    for (size_t i = 0; i < controls_.size(); ++i) {
      const uint16_t partner = ok ? ids[i ^ 1] : 0;
      WriteAll(controls_[i], &partner, sizeof partner);
    }
    if (!ok) return -1;
    for (int fd : controls_) {
      GuestReply reply = {0};
      ok = ReadAll(fd, &reply, sizeof reply) && ok && reply.value == 1;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return ok ? seconds : -1;
  }

 private:
  std::vector<pid_t> pids_;
  std::vector<int> controls_;
};

// ---- The plain relay -------------------------------------------------------

// One thread over poll: accepts connections, gives a registration the next
// id, and passes each text on to the connection of its recipient (to every
// other player for 0xFFFF), with the sender's id when the sending connection
// holds it and 0 otherwise. Each connection reads what is there into its
// buffer and takes every whole frame out of it; what goes to a connection is
// gathered and written once a pass.
class PlainRelay {
 public:
  PlainRelay() {
    listening_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listening_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listening_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listening_, 128) != 0 || pipe2(stop_, O_CLOEXEC) != 0) {
      return;
    }
    getsockname(listening_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
  }
  ~PlainRelay() {
    if (thread_.joinable()) {
      WriteAll(stop_[1], "x", 1);
      thread_.join();
    }
    for (auto& c : connections_) close(c->fd);
    close(listening_);
    close(stop_[0]);
    close(stop_[1]);
  }
  uint16_t Port() const { return port_; }

 private:
  struct Connection {
    int fd;
    InBuffer in;
    std::string out;
    size_t outSent = 0;
    std::vector<uint16_t> ids;
    bool closed = false;
  };

  void Run() {
    std::vector<pollfd> waiting;
    for (;;) {
      waiting.clear();
      waiting.push_back({stop_[0], POLLIN, 0});
      waiting.push_back({listening_, POLLIN, 0});
      for (auto& c : connections_) {
        waiting.push_back({c->fd, static_cast<short>(POLLIN | (c->outSent < c->out.size() ? POLLOUT : 0)), 0});
      }
      if (poll(waiting.data(), waiting.size(), -1) < 0) continue;
      if (waiting[0].revents != 0) return;
      if (waiting[1].revents != 0) Accept();
      for (size_t i = 0; i + 2 < waiting.size(); ++i) {
        if ((waiting[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) != 0) Read(*connections_[i]);
      }
      for (auto& c : connections_) Flush(*c);
      DropClosed();
    }
  }

  void Accept() {
    for (;;) {
      const int fd = accept4(listening_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
      if (fd < 0) return;
      auto connection = std::make_unique<Connection>();
      connection->fd = fd;
      connections_.push_back(std::move(connection));
    }
  }

  void Read(Connection& c) {
    const ssize_t n = c.in.ReadFrom(c.fd);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      c.closed = true;
      return;
    }
    bool bad = false;
    while (const uint8_t* frame = c.in.Next(&bad)) Serve(c, frame);
    if (bad) c.closed = true;
  }

  void Serve(Connection& c, const uint8_t* frame) {
    const uint8_t type = frame[0];
    const size_t length = LoadU16(frame + 1);
    const uint16_t recipient = LoadU16(frame + 3);
    uint16_t sender = LoadU16(frame + 5);
    if (type == kMsgRegister && recipient == 0) {
      const uint16_t id = nextId_++;
      c.ids.push_back(id);
      owners_[id] = &c;
      AppendFrame(c.out, kMsgIdAssigned, id, 0, nullptr, 0);
      return;
    }
    if (type != kMsgText) return;
    if (owners_[sender] != &c) sender = 0;
    if (recipient == kNetIdEveryone) {
      for (auto& other : connections_) {
        for (uint16_t id : other->ids) {
          if (id != sender) AppendFrame(other->out, kMsgText, id, sender, frame + kHeader, length);
        }
      }
    } else if (Connection* to = owners_[recipient]) {
      AppendFrame(to->out, kMsgText, recipient, sender, frame + kHeader, length);
    }
  }

  void Flush(Connection& c) {
    if (c.closed || c.outSent == c.out.size()) return;
    const ssize_t n = send(c.fd, c.out.data() + c.outSent, c.out.size() - c.outSent, MSG_NOSIGNAL);
    if (n > 0) c.outSent += static_cast<size_t>(n);
    else if (n < 0 && errno != EAGAIN && errno != EINTR) c.closed = true;
    if (c.outSent == c.out.size()) {
      c.out.clear();
      c.outSent = 0;
    }
  }

  void DropClosed() {
    for (size_t i = 0; i < connections_.size();) {
      Connection& c = *connections_[i];
      if (!c.closed) {
        ++i;
        continue;
      }
      for (uint16_t id : c.ids) owners_[id] = nullptr;
      close(c.fd);
      connections_.erase(connections_.begin() + static_cast<ptrdiff_t>(i));
    }
  }

  int listening_ = -1;
  int stop_[2] = {-1, -1};
  uint16_t port_ = 0;
  uint16_t nextId_ = kNetFirstPlayerId;
  std::vector<std::unique_ptr<Connection>> connections_;
  std::vector<Connection*> owners_ = std::vector<Connection*>(65536, nullptr);
  std::thread thread_;
};

// ---- The benchmark ---------------------------------------------------------

double Median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// One round through a host session of this process (hosted afresh); the
// seconds, or -1.
double HostRound(Guests& guests, int32_t textsEach) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    const uint16_t port = FreePort();
    if (NetHost(port) != 1) continue;
    const double seconds = guests.Round(port, textsEach);
    NetSessionEnd();
    return seconds;
  }
  return -1;
}

double RelayRound(Guests& guests, int32_t textsEach) {
  PlainRelay relay;
  return relay.Port() != 0 ? guests.Round(relay.Port(), textsEach) : -1;
}

void BM_SessionHostAgainstPlainRelay(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const int32_t textsEach = kTextsPerRound / count;
  signal(SIGPIPE, SIG_IGN);
  Guests guests(count);
  if (guests.Count() != count) {
    state.SkipWithError("cannot start the guest processes");
    return;
  }
  g_netTuning.hostOnLoopback = true;
  if (g_app.session == nullptr) g_app.session = NetSessionCreate();
  std::vector<double> hostRates;
  std::vector<double> relayRates;
  std::vector<double> ratios;
  const double texts = static_cast<double>(textsEach) * count;
  for (auto _ : state) {
    const bool hostFirst = hostRates.size() % 2 == 0;
    const double first = hostFirst ? HostRound(guests, textsEach) : RelayRound(guests, textsEach);
    const double second = hostFirst ? RelayRound(guests, textsEach) : HostRound(guests, textsEach);
    const double hostSeconds = hostFirst ? first : second;
    const double relaySeconds = hostFirst ? second : first;
    if (hostSeconds <= 0 || relaySeconds <= 0) {
      // A guest that cannot register, or whose texts come late, missing,
      // out of order or from another sender, fails the round.
      state.SkipWithError(hostSeconds <= 0 ? "a round through the host failed" : "a round through the relay failed");
      break;
    }
    hostRates.push_back(texts / hostSeconds);
    relayRates.push_back(texts / relaySeconds);
    ratios.push_back(relaySeconds / hostSeconds);
  }
  if (ratios.empty()) return;
  state.counters["host_texts_per_s"] = Median(hostRates);
  state.counters["relay_texts_per_s"] = Median(relayRates);
  state.counters["ratio"] = Median(ratios);
  state.counters["ratio_min"] = *std::min_element(ratios.begin(), ratios.end());
  state.counters["ratio_max"] = *std::max_element(ratios.begin(), ratios.end());
}
BENCHMARK(BM_SessionHostAgainstPlainRelay)
    ->ArgName("guests")
    ->Arg(2)
    ->Arg(16)
    ->Arg(64)
    ->Iterations(6)
    ->Unit(benchmark::kSecond);

}  // namespace
