// The host's server under output it cannot send at once: a peer that sends
// at full speed, a joiner that stops reading for a moment, a peer that
// floods and never reads. The host's own connection is never dropped for
// being full, a remote peer only once it stops reading for good, and what
// goes out is whole frames in order.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/net_session.h"
#include "net/session_commands.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/net_fixture.h"

namespace {

// How long a test waits for something that must come (a drop, the end of a
// burst): far beyond what any machine takes. A wait also ends as soon as
// the session in g_app is over, so a failure does not wait it out.
constexpr double kPatienceMs = 120000;
// The stall limit of the test that a peer is dropped at it: short, so that
// the test does not wait the fixture's long limit, yet long enough that the
// program's own sends on the host, which the same limit bounds, never meet
// it on a loaded machine.
constexpr double kStallCaseMs = 2000;
constexpr size_t kTextBytes = 1000;
// How many texts of kTextBytes an empty inbox takes before it drops any.
constexpr auto kInboxHolds = static_cast<int32_t>(kNetInboxBytes / kTextBytes);

// True once the condition holds; false when the session in g_app ends or
// kPatienceMs pass first.
template <typename Condition>
bool WaitFor(Condition condition) {
  const double deadline = PlatformMilliseconds() + kPatienceMs;
  for (;;) {
    if (condition()) return true;
    if (PlatformMilliseconds() > deadline || NetSessionRunning() == 0) return false;
    PlatformSleep(1);
  }
}

// A text of kTextBytes that begins with its number: "17......".
std::string Numbered(int32_t number) {
  std::string text = std::to_string(number);
  text.resize(kTextBytes, '.');
  return text;
}

// The number of a text Numbered made, or -1 for any other text.
int32_t NumberOf(const std::string& text) {
  const size_t digits = text.find_first_not_of("0123456789");
  if (text.size() != kTextBytes || digits == 0 || digits == std::string::npos) return -1;
  if (text.find_first_not_of('.', digits) != std::string::npos) return -1;
  return std::stoi(text.substr(0, digits));
}

// Numbered texts from the peer, one after another, as one block of bytes.
std::string Burst(uint16_t recipient, uint16_t sender, int32_t first, int32_t count) {
  std::string bytes;
  bytes.reserve(static_cast<size_t>(count) * (kNetHeaderSize + kTextBytes));
  for (int32_t i = first; i < first + count; ++i) bytes += FrameBytes({kMsgText, recipient, sender, Numbered(i)});
  return bytes;
}

// The texts a player has taken from its inbox, checked as they come: each
// sender's numbered texts in the order sent (a full inbox drops some, so
// there may be gaps), the other texts kept in order.
class Inbox {
 public:
  explicit Inbox(int32_t player) : player_(player) {}

  // Takes the texts waiting for the player (in g_app's session): as many
  // as an inbox holds at most, so that a call ends even while the session
  // thread fills the inbox as fast as it is read (and the other player's
  // inbox, read next, is not left full meanwhile).
  void TakeAll() {
    std::string text;
    for (int32_t taken = 0; taken < kNetInboxTexts && !(text = NetGetMessage(player_).c_str()).empty(); ++taken) {
      const int32_t number = NumberOf(text);
      if (number < 0) {
        others.push_back(text);
        continue;
      }
      Stream& stream = streams_[NetLastSender()];
      if (number <= stream.last) ++outOfOrder;
      if (number == stream.count && stream.leadingRun == stream.count) ++stream.leadingRun;
      stream.last = number;
      ++stream.count;
    }
  }
  // Of the sender's numbered texts: how many came, the number of the
  // latest, and how many came before the first gap (0, 1, 2, ...).
  int32_t Count(int32_t sender) const { return Of(sender).count; }
  int32_t Last(int32_t sender) const { return Of(sender).last; }
  int32_t LeadingRun(int32_t sender) const { return Of(sender).leadingRun; }
  // The senders of numbered texts.
  std::vector<int32_t> Senders() const {
    std::vector<int32_t> senders;
    for (const auto& [sender, stream] : streams_) senders.push_back(sender);
    return senders;
  }

  int32_t outOfOrder = 0;
  std::vector<std::string> others;

 private:
  struct Stream {
    int32_t count = 0;
    int32_t last = -1;
    int32_t leadingRun = 0;
  };
  Stream Of(int32_t sender) const {
    const auto found = streams_.find(sender);
    return found != streams_.end() ? found->second : Stream();
  }

  int32_t player_;
  std::map<int32_t, Stream> streams_;
};

// The player's next text, waited for; empty when none came.
std::string NextText(int32_t player) {
  std::string text;
  WaitFor([&] { return !(text = NetGetMessage(player).c_str()).empty(); });
  return text;
}

// The frames the host sends to a raw peer, read on a thread of its own as
// fast as they come until the reader is destroyed. Numbered texts are only
// read; the other frames are kept.
class RawReader {
 public:
  explicit RawReader(int fd) : fd_(fd), thread_([this] { Run(); }) {}
  ~RawReader() {
    stop_ = true;
    thread_.join();
  }
  // The host closed or reset the connection.
  bool Closed() const { return closed_; }
  // True once the frame has come, waiting up to kPatienceMs.
  bool Got(const RawFrame& wanted) {
    const double deadline = PlatformMilliseconds() + kPatienceMs;
    while (PlatformMilliseconds() < deadline && !closed_) {
      {
        const std::lock_guard<std::mutex> hold(lock_);
        for (const RawFrame& frame : frames_) {
          if (FrameBytes(frame) == FrameBytes(wanted)) return true;
        }
      }
      PlatformSleep(5);
    }
    return false;
  }

 private:
  static uint16_t Load16(const std::string& bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
  }

  void Run() {
    std::string bytes;
    std::vector<char> buffer(64 * 1024);
    while (!stop_) {
      pollfd waiting = {fd_, POLLIN, 0};
      if (poll(&waiting, 1, 20) < 1) continue;
      const ssize_t n = recv(fd_, buffer.data(), buffer.size(), MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) {
        closed_ = true;
        return;
      }
      bytes.append(buffer.data(), static_cast<size_t>(n));
      constexpr size_t kHeader = kNetHeaderSize;
      size_t at = 0;
      while (bytes.size() - at >= kHeader && bytes.size() - at >= kHeader + Load16(bytes, at + 1)) {
        const RawFrame frame = {static_cast<uint8_t>(bytes[at]), Load16(bytes, at + 3), Load16(bytes, at + 5),
                                bytes.substr(at + kHeader, Load16(bytes, at + 1))};
        at += kHeader + frame.payload.size();
        if (NumberOf(frame.payload) >= 0) continue;
        const std::lock_guard<std::mutex> hold(lock_);
        frames_.push_back(frame);
      }
      bytes.erase(0, at);
    }
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> closed_{false};
  std::mutex lock_;
  std::vector<RawFrame> frames_;
  std::thread thread_;
};

// The socket of a slot whose peer is the given socket (a connection's
// other end in this process); -1 when there is none.
int OtherEndOf(int fd) {
  sockaddr_in end = {};
  socklen_t size = sizeof end;
  getsockname(fd, reinterpret_cast<sockaddr*>(&end), &size);
  for (int32_t slot = 0; slot < kSocketSlotCount; ++slot) {
    const int other = SockSlot(slot)->fd;
    sockaddr_in peer = {};
    size = sizeof peer;
    if (other != -1 && other != fd && getpeername(other, reinterpret_cast<sockaddr*>(&peer), &size) == 0 &&
        peer.sin_port == end.sin_port && peer.sin_addr.s_addr == end.sin_addr.s_addr) {
      return other;
    }
  }
  return -1;
}

// Lets the system hold little of what goes out on the socket: about 100 KB
// in flight on the loopback, the rest waits in the program.
void HoldLittle(int fd) {
  const int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
}

// A host session in g_app (with the players alice and carol on demand),
// raw peers, and on demand a joined guest session in the same process.
class SessionBacklogTest : public SessionPairTest {
 protected:
  void TearDown() override {
    for (int fd : raws_) close(fd);
    SessionPairTest::TearDown();
  }

  // Hosts with alice and carol. The system may hold only 256 KiB at each
  // end of the host's own connection (as on a machine with small socket
  // buffers), so that a burst is more than it holds on any machine.
  void HostWithAliceAndCarol() {
    ASSERT_TRUE(Host());
    alice_ = NetPlayerAdd("alice");
    carol_ = NetPlayerAdd("carol");
    ASSERT_GE(alice_, 101);
    ASSERT_GE(carol_, 101);
    const int serverEnd = OtherEndOf(SockSlot(host_->sessionSocket)->fd);
    ASSERT_NE(serverEnd, -1);
    const int held = 256 * 1024;
    setsockopt(SockSlot(host_->sessionSocket)->fd, SOL_SOCKET, SO_RCVBUF, &held, sizeof held);
    setsockopt(serverEnd, SOL_SOCKET, SO_SNDBUF, &held, sizeof held);
  }
  // A raw peer connected to the host and registered under the name (*id).
  // A send that the host takes nothing of for kPatienceMs fails, so a host
  // that stopped reading cannot hang the test.
  int RawPeer(const std::string& name, uint16_t* id) {
    const int fd = RawConnect(port_);
    if (fd < 0) return -1;
    raws_.push_back(fd);
    const timeval patience = {static_cast<time_t>(kPatienceMs / 1000), 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    RawWrite(fd, FrameBytes({kMsgRegister, 0, 0, RegisterPayload(name, false)}));
    RawFrame answer;
    *id = RawReadFrame(fd, &answer) && answer.type == kMsgIdAssigned ? answer.recipient : 0;
    return fd;
  }
  // The guest session joins the host and registers bob.
  void JoinWithBob() {
    OnGuest();
    ASSERT_EQ(NetJoin("127.0.0.1", port_), 1);
    bob_ = NetPlayerAdd("bob");
    ASSERT_GE(bob_, 101);
    OnHost();
  }

  int32_t alice_ = 0;
  int32_t carol_ = 0;
  int32_t bob_ = 0;
  std::vector<int> raws_;
};

// A peer that reads everything sends broadcasts as fast as its connection
// takes them. The host relays each to its two players over its own
// connection, which its session thread reads as well: that connection
// gets more than it can hold at once, and is served on, not dropped. The
// players get the texts whole and in order (the first ones at least, as
// many as an inbox holds; a full inbox drops the rest), a text after the
// burst, and the peer stays connected; the host still answers and relays.
TEST_F(SessionBacklogTest, AFastSenderLeavesTheHostsSessionRunning) {
  HostWithAliceAndCarol();
  uint16_t senderId = 0;
  const int sender = RawPeer("sender", &senderId);
  ASSERT_GE(senderId, 101);
  RawReader reader(sender);
  constexpr int32_t kTexts = 20000;
  std::atomic<bool> written{false};
  std::thread writer([&] {
    written = RawWrite(sender, Burst(kNetIdEveryone, senderId, 0, kTexts) +
                                   FrameBytes({kMsgText, static_cast<uint16_t>(alice_), senderId, "end"}));
  });
  // "end" always finds room: it is short, and a full inbox is full of long
  // texts.
  Inbox alice(alice_);
  Inbox carol(carol_);
  EXPECT_TRUE(WaitFor([&] {
    alice.TakeAll();
    carol.TakeAll();
    return !alice.others.empty();
  }));
  writer.join();
  EXPECT_TRUE(written);
  carol.TakeAll();
  EXPECT_EQ(alice.others, std::vector<std::string>{"end"});
  for (const Inbox* inbox : {&alice, &carol}) {
    EXPECT_EQ(inbox->Senders(), std::vector<int32_t>{senderId});
    EXPECT_EQ(inbox->outOfOrder, 0);
    EXPECT_GE(inbox->LeadingRun(senderId), kInboxHolds);
    EXPECT_LT(inbox->Last(senderId), kTexts);
  }
  EXPECT_EQ(NetSessionRunning(), 1);
  EXPECT_EQ(NetPlayerCount(), 3);
  EXPECT_STREQ(NetRequest(carol_).c_str(), "carol");
  EXPECT_STREQ(NetRequest(senderId).c_str(), "sender");
  ASSERT_EQ(NetSendMessage(alice_, 0, "after"), 1);
  EXPECT_TRUE(reader.Got({kMsgText, senderId, static_cast<uint16_t>(alice_), "after"}));
  EXPECT_EQ(NextText(carol_), "after");
  EXPECT_FALSE(reader.Closed());
  EXPECT_EQ(NetNextDeparted(), 0);
}

// A joiner's process stops for 1.5 s while another peer broadcasts 500
// texts. Its link holds little in flight (the host's socket buffer for it
// made small, so that the system holds about 100 KB of the 500 KB), so
// what it does not read waits on the host. Once it reads again it is still
// in the session: it gets the texts in order, whole, as far as its inbox
// holds them, then a short text sent after them, and it is answered and
// heard.
TEST_F(SessionBacklogTest, AJoinerThatStopsForAMomentStaysInTheSession) {
  g_netTuning.stallMs = NetTuning().stallMs;  // the product's own limit
  ASSERT_TRUE(Host());
  JoinWithBob();
  uint16_t senderId = 0;
  const int sender = RawPeer("sender", &senderId);
  ASSERT_GE(senderId, 101);
  RawReader reader(sender);
  const int hostEnd = OtherEndOf(SockSlot(guest_->sessionSocket)->fd);
  ASSERT_NE(hostEnd, -1);
  HoldLittle(hostEnd);

  // The joiner's session thread stops at its session's lock.
  MutexLock(&guest_->lock);
  const double stop = PlatformMilliseconds();
  constexpr int32_t kTexts = 500;
  const bool written = RawWrite(sender, Burst(kNetIdEveryone, senderId, 0, kTexts) +
                                            FrameBytes({kMsgText, static_cast<uint16_t>(bob_), senderId, "end"}));
  while (PlatformMilliseconds() - stop < 1500) PlatformSleep(10);
  MutexUnlock(&guest_->lock);
  EXPECT_TRUE(written);

  // Bob's inbox is read once "end" is in it: the burst has all come, and
  // the texts it had no room for were dropped.
  OnGuest();
  EXPECT_TRUE(WaitFor([&] {
    MutexLock(&guest_->lock);
    bool ended = false;
    for (const NetPlayerRecord* p = guest_->localPlayers.head; p != nullptr; p = p->next) {
      ended = ended || (p->id == bob_ && p->inbox.tail != nullptr && p->inbox.tail->message.length == 3);
    }
    MutexUnlock(&guest_->lock);
    return ended;
  }));
  Inbox bob(bob_);
  bob.TakeAll();
  EXPECT_EQ(bob.Senders(), std::vector<int32_t>{senderId});
  EXPECT_EQ(bob.Count(senderId), kInboxHolds);
  EXPECT_EQ(bob.LeadingRun(senderId), kInboxHolds);
  EXPECT_EQ(bob.others, std::vector<std::string>{"end"});
  EXPECT_EQ(NetSessionRunning(), 1);
  EXPECT_EQ(NetPlayerCount(), 2);
  ASSERT_TRUE(RawWrite(sender, FrameBytes({kMsgText, static_cast<uint16_t>(bob_), senderId, "again"})));
  EXPECT_EQ(NextText(bob_), "again");
  ASSERT_EQ(NetSendMessage(bob_, senderId, "back"), 1);
  EXPECT_TRUE(reader.Got({kMsgText, senderId, static_cast<uint16_t>(bob_), "back"}));
  OnHost();
  EXPECT_EQ(NetNextDeparted(), 0);
}

// A peer that stops reading is dropped once more waits for it than its
// bound, or once its connection has taken nothing for the stall limit,
// whichever comes first: with no stall limit in reach, at its bound; with
// less waiting than the bound, at the stall limit. Its link holds little
// in flight (the host's socket buffer for it made small), so that what it
// does not read waits on the host.
TEST_F(SessionBacklogTest, APeerThatStopsReadingIsDroppedAtItsBoundOrStallLimit) {
  const struct {
    const char* what;
    double stallMs;
    int32_t texts;  // sent to it; 0: as many as it takes
  } cases[] = {
      {"bound", kPatienceMs * 10, 0},
      {"stall limit", kStallCaseMs, static_cast<int32_t>(kNetPeerOutputBytes / kTextBytes / 4)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    g_netTuning.stallMs = c.stallMs;
    ASSERT_TRUE(Host());
    alice_ = NetPlayerAdd("alice");
    uint16_t lazyId = 0;
    const int lazy = RawPeer("lazy", &lazyId);
    ASSERT_GE(lazyId, 101);
    const int hostEnd = OtherEndOf(lazy);
    ASSERT_NE(hostEnd, -1);
    HoldLittle(hostEnd);
    int32_t sent = 0;
    int32_t departed = 0;
    EXPECT_TRUE(WaitFor([&] {
      for (int32_t i = 0; i < 100 && (c.texts == 0 || sent < c.texts); ++i, ++sent) {
        EXPECT_EQ(NetSendMessage(alice_, lazyId, Numbered(sent).c_str()), 1);
      }
      departed = NetNextDeparted();
      return departed != 0;
    }));
    EXPECT_EQ(departed, lazyId);
    // At its bound: more than the bound was sent to it.
    if (c.texts == 0) {
      EXPECT_GT(sent * static_cast<int64_t>(kTextBytes), static_cast<int64_t>(kNetPeerOutputBytes));
    }
    EXPECT_EQ(NetPlayerCount(), 1);
    NetSessionEnd();
  }
}

// A peer that never reads floods the host with broadcasts. The host's own
// connection, relaying them to its two players, is as full as it gets and
// is served on (the players' texts come whole and in order). Then alice
// broadcasts too, and what waits for the flooder grows until the host
// gives up on it (at its output bound or its stall limit): the flooder
// alone is dropped; the host answers, takes a new player and relays.
TEST_F(SessionBacklogTest, APeerThatFloodsAndNeverReadsIsDroppedAlone) {
  HostWithAliceAndCarol();
  uint16_t flooderId = 0;
  const int flooder = RawPeer("flooder", &flooderId);
  ASSERT_GE(flooderId, 101);
  constexpr int32_t kTexts = 150000;
  constexpr int32_t kTextsPerWrite = 500;
  std::thread writer([&] {
    for (int32_t first = 0; first < kTexts; first += kTextsPerWrite) {
      if (!RawWrite(flooder, Burst(kNetIdEveryone, flooderId, first, kTextsPerWrite))) return;
    }
  });
  Inbox alice(alice_);
  Inbox carol(carol_);
  // Well past the point where the host's own connection is full.
  EXPECT_TRUE(WaitFor([&] {
    alice.TakeAll();
    carol.TakeAll();
    return carol.Last(flooderId) >= 10000;
  }));
  int32_t sent = 0;
  int32_t departed = 0;
  EXPECT_TRUE(WaitFor([&] {
    for (int32_t i = 0; i < 100 && NetSendMessage(alice_, 0, Numbered(sent).c_str()) == 1; ++i) ++sent;
    alice.TakeAll();
    carol.TakeAll();
    departed = NetNextDeparted();
    return departed != 0;
  }));
  EXPECT_EQ(departed, flooderId);
  writer.join();  // the flooder's writes fail once it is dropped
  alice.TakeAll();
  carol.TakeAll();
  EXPECT_EQ(alice.Senders(), std::vector<int32_t>{flooderId});
  for (const int32_t sender : carol.Senders()) EXPECT_TRUE(sender == alice_ || sender == flooderId) << sender;
  for (const Inbox* inbox : {&alice, &carol}) {
    EXPECT_EQ(inbox->outOfOrder, 0);
    EXPECT_GE(inbox->LeadingRun(flooderId), kInboxHolds);
    EXPECT_TRUE(inbox->others.empty());
  }
  EXPECT_EQ(NetSessionRunning(), 1);
  EXPECT_EQ(NetPlayerCount(), 2);
  EXPECT_STREQ(NetRequest(alice_).c_str(), "alice");
  const int32_t dave = NetPlayerAdd("dave");
  EXPECT_GE(dave, 101);
  ASSERT_EQ(NetSendMessage(alice_, dave, "welcome"), 1);
  EXPECT_EQ(NextText(dave), "welcome");
  EXPECT_EQ(NetLastSender(), alice_);
}

}  // namespace
