#include "net/session_commands.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "net/net_session.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/net_fixture.h"
#include "tests/support/test_env.h"

namespace {

// The player's next text, waited for as long as Eventually waits; empty
// when none came.
std::string NextMessage(int32_t player) {
  std::string text;
  Eventually([&] { return !(text = NetGetMessage(player).c_str()).empty(); });
  return text;
}

// True when the peer closed the connection (not when the read timed out).
bool ClosedByPeer(int fd) {
  char byte;
  return recv(fd, &byte, 1, 0) == 0;
}

// Whether the system tells what each thread is blocked in
// (/proc/self/task/*/syscall).
bool ThreadCallsVisible() {
  const std::string own = "/proc/self/task/" + std::to_string(gettid()) + "/syscall";
  return !ReadFileBytes(own).empty();
}

// Whether a thread of this process other than the caller is blocked on the
// mutex: a thread that waits for a mutex waits in the system on a futex
// word inside it, and the system tells each thread's blocking call with
// its first argument.
bool SomeThreadWaitsOn(const void* mutex) {
  const auto from = reinterpret_cast<uintptr_t>(mutex);
  const uintptr_t to = from + sizeof(pthread_mutex_t);
  DIR* tasks = opendir("/proc/self/task");
  if (tasks == nullptr) return false;
  bool waiting = false;
  while (const dirent* task = readdir(tasks)) {
    if (task->d_name[0] == '.' || std::atoi(task->d_name) == gettid()) continue;
    const std::string call = ReadFileBytes(std::string("/proc/self/task/") + task->d_name + "/syscall");
    char* rest = nullptr;
    const long number = std::strtol(call.c_str(), &rest, 10);
    if (rest == call.c_str() || number != SYS_futex) continue;
    const uintptr_t word = std::strtoull(rest, nullptr, 16);
    waiting = waiting || (word >= from && word < to);
  }
  closedir(tasks);
  return waiting;
}

// Whether every byte written to the connection has reached the other side
// (the system there has acknowledged them all).
bool AllBytesTaken(int fd) {
  int pending = -1;
  return ioctl(fd, SIOCOUTQ, &pending) == 0 && pending == 0;
}

// The host and guest sessions, with players and a raw peer on demand.
class SessionTest : public SessionPairTest {
 protected:
  void TearDown() override {
    if (raw_ != -1) close(raw_);
    SessionPairTest::TearDown();
  }

  // Hosts, then joins from the guest session; ends on the host.
  void HostAndJoin() {
    OnHost();
    ASSERT_TRUE(Host());
    OnGuest();
    ASSERT_EQ(NetJoin("127.0.0.1", port_), 1);
    OnHost();
  }
  // Alice and carol on the host, bob on the joined guest.
  void HostTwoPlayersAndGuestOne() {
    HostAndJoin();
    alice_ = NetPlayerAdd("alice");
    carol_ = NetPlayerAdd("carol");
    OnGuest();
    bob_ = NetPlayerAdd("bob");
  }
  // A raw peer registered with the host under the name; its id.
  uint16_t RegisterRawPeer(int fd, const std::string& name) {
    RawWrite(fd, FrameBytes({kMsgRegister, 0, 0, RegisterPayload(name, false)}));
    RawFrame answer;
    if (!RawReadFrame(fd, &answer) || answer.type != kMsgIdAssigned) return 0;
    return answer.recipient;
  }
  // Hosts with the players alice and carol and a raw peer registered under
  // the name (raw_, with the id rawId_).
  void HostTwoPlayersAndRawPeer(const std::string& name) {
    ASSERT_TRUE(Host());
    alice_ = NetPlayerAdd("alice");
    carol_ = NetPlayerAdd("carol");
    raw_ = RawConnect(port_);
    rawId_ = RegisterRawPeer(raw_, name);
    ASSERT_GE(rawId_, 101);
  }
  // Where the host's search for the next free id starts.
  void SetNextId(uint16_t id) {
    MutexLock(&host_->lock);
    host_->nextPlayerId = id;
    MutexUnlock(&host_->lock);
  }

  int32_t alice_ = 0;
  int32_t bob_ = 0;
  int32_t carol_ = 0;
  int raw_ = -1;
  uint16_t rawId_ = 0;
};

TEST_F(SessionTest, TheHostNumbersNamesAndListsItsPlayers) {
  ASSERT_TRUE(Host());
  EXPECT_EQ(NetSessionRunning(), 1);
  const int32_t alice = NetPlayerAdd("alice");
  const int32_t bob = NetPlayerAdd("bob");
  const int32_t nameless = NetPlayerAdd("");
  const std::string longName(200, 'n');
  const int32_t longNamed = NetPlayerAdd(longName.c_str());
  EXPECT_GE(alice, 101);
  EXPECT_EQ(bob, alice + 1);
  EXPECT_EQ(NetPlayerCount(), 4);  // the query identity is not a player
  EXPECT_EQ(NetPlayerId(0), alice);
  EXPECT_EQ(NetPlayerId(1), bob);
  EXPECT_EQ(NetPlayerId(4), 0);
  const struct {
    int32_t id;
    std::string name;
  } names[] = {{alice, "alice"}, {bob, "bob"}, {nameless, "NO_DATA"}, {longNamed, longName.substr(0, 127)},
               {999, "NO_DATA"}};
  for (const auto& n : names) EXPECT_EQ(std::string(NetRequest(n.id).c_str()), n.name) << n.id;
}

// A broadcast reaches every other player, in this process and the other one,
// with the player's own id as recipient; a direct text reaches one player.
TEST_F(SessionTest, TextsReachPlayersOfBothProcesses) {
  HostTwoPlayersAndGuestOne();
  EXPECT_EQ(NetPlayerCount(), 3);
  OnHost();
  ASSERT_EQ(NetSendMessage(alice_, 0, "hi all"), 1);
  OnGuest();
  ASSERT_EQ(NetSendMessage(bob_, alice_, "psst"), 1);

  const struct {
    NetSession* session;
    int32_t player;
    std::string text;
    int32_t sender;
  } expected[] = {{host_, carol_, "hi all", alice_}, {guest_, bob_, "hi all", alice_}, {host_, alice_, "psst", bob_}};
  for (const auto& e : expected) {
    g_app.session = e.session;
    EXPECT_EQ(NextMessage(e.player), e.text) << e.player;
    EXPECT_EQ(NetLastSender(), e.sender);
  }
  // Nothing else came for alice or carol (no copy of alice's broadcast for
  // herself, no second one for carol): bob's broadcast, served after hers
  // and relayed over the same connection, is the next text of each.
  OnGuest();
  ASSERT_EQ(NetSendMessage(bob_, 0, "after"), 1);
  OnHost();
  EXPECT_EQ(NextMessage(alice_), "after");
  EXPECT_EQ(NextMessage(carol_), "after");
  const std::string tooLong(1024, 'x');
  EXPECT_EQ(NetSendMessage(alice_, 0, tooLong.c_str()), 0);
  EXPECT_EQ(NetSendMessage(alice_, 0, tooLong.substr(1).c_str()), 1);
  OnGuest();
  EXPECT_EQ(NextMessage(bob_).size(), 1023u);
}

TEST_F(SessionTest, PlayersWhoLeaveAreCollectedNewestFirst) {
  HostTwoPlayersAndGuestOne();
  EXPECT_EQ(NetNextDeparted(), 0);  // only the host collects departures
  NetSessionEnd();                  // the guest's process drops its connection
  OnHost();
  EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 2; }));
  EXPECT_EQ(NetPlayerLeave(alice_), alice_);
  EXPECT_EQ(NetPlayerLeave(carol_), carol_);
  EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 0; }));
  // Each player once, the guest's query identity not at all.
  EXPECT_EQ(NetNextDeparted(), carol_);
  EXPECT_EQ(NetNextDeparted(), alice_);
  EXPECT_EQ(NetNextDeparted(), bob_);
  EXPECT_EQ(NetNextDeparted(), 0);
}

TEST_F(SessionTest, LeaveSendsNothingForIdsThatAreNoPlayers) {
  ASSERT_TRUE(Host());
  for (int32_t id : {0, -4, 65280, 70000}) EXPECT_EQ(NetPlayerLeave(id), id - 1) << id;
}

TEST_F(SessionTest, CommandsWithoutASessionFail) {
  const uint16_t port = RefusedPort();
  g_app.session = nullptr;
  EXPECT_EQ(NetHost(port), 0);
  EXPECT_EQ(NetJoin("127.0.0.1", port), 0);
  EXPECT_EQ(NetSessionRunning(), 0);
  EXPECT_EQ(NetPlayerAdd("x"), 0);
  EXPECT_EQ(NetPlayerLeave(101), 0);
  EXPECT_EQ(NetSendMessage(101, 0, "x"), 0);
  EXPECT_STREQ(NetGetMessage(101).c_str(), "");
  EXPECT_EQ(NetPlayerCount(), 0);
  EXPECT_EQ(NetPlayerId(0), 0);
  EXPECT_STREQ(NetRequest(101).c_str(), "NO_DATA");
  EXPECT_EQ(NetNextDeparted(), 0);
  NetSetAccepting(0);
  NetSessionEnd();
}

// A session that is not running answers nothing, and without waiting for
// an answer: all of them together take less than half of one answer's
// wait.
TEST_F(SessionTest, QuestionsWithoutARunningSessionFail) {
  const double start = PlatformMilliseconds();
  EXPECT_EQ(NetPlayerCount(), 0);
  EXPECT_EQ(NetPlayerId(0), 0);
  EXPECT_STREQ(NetRequest(101).c_str(), "NO_DATA");
  EXPECT_EQ(NetPlayerAdd("x"), 0);
  EXPECT_LT(PlatformMilliseconds() - start, kLongWaitMs / 2);
  EXPECT_EQ(host_->localPlayers.count, 0);
}

// A refused join fails at once, without waiting for an answer; one that no
// answer comes for fails after the answer's wait (a short one here). Both
// take less than half of the long waits, so neither waited for one.
TEST_F(SessionTest, JoiningFailsWithoutAnAnsweringServer) {
  uint16_t silentPort = 0;
  const int silent = RawListen(&silentPort);  // accepts, never answers
  const struct {
    const char* what;
    uint16_t port;
    int32_t replyPolls;
  } cases[] = {{"refused", RefusedPort(), g_netTuning.replyPolls}, {"silent", silentPort, kShortReplyPolls}};
  OnGuest();
  for (const auto& c : cases) {
    g_netTuning.replyPolls = c.replyPolls;
    const double start = PlatformMilliseconds();
    EXPECT_EQ(NetJoin("127.0.0.1", c.port), 0) << c.what;
    EXPECT_LT(PlatformMilliseconds() - start, kLongWaitMs / 2) << c.what;
    NetSessionEnd();
    EXPECT_EQ(NetSessionRunning(), 0);
    EXPECT_EQ(NetStartupCount(), 0);
  }
  EXPECT_EQ(NetJoin("a..b", port_), 0);
  close(silent);
}

// While the host takes nobody new, a join and a new player of its own get
// no answer: their waits are short ones here.
TEST_F(SessionTest, WhileNotAcceptingNobodyNewIsServed) {
  ASSERT_TRUE(Host());
  NetSetAccepting(0);
  const int32_t replyPolls = g_netTuning.replyPolls;
  g_netTuning.replyPolls = kShortReplyPolls;
  OnGuest();
  EXPECT_EQ(NetJoin("127.0.0.1", port_), 0);
  OnHost();
  EXPECT_EQ(NetPlayerAdd("late"), 0);
  g_netTuning.replyPolls = replyPolls;
  NetSetAccepting(1);
  EXPECT_GE(NetPlayerAdd("welcome"), 101);
}

// The server's end ends the guest's session by itself; its start-up is
// released once, so the program's own sockets stay open.
TEST_F(SessionTest, TheServersEndEndsTheGuestsSessionOnce) {
  NetStartup();
  const int32_t own = SockUdpOpen(0);
  HostAndJoin();
  NetSessionEnd();
  OnGuest();
  EXPECT_TRUE(Eventually([] { return NetSessionRunning() == 0; }));
  NetSessionEnd();
  NetSessionEnd();
  EXPECT_EQ(NetStartupCount(), 1);
  EXPECT_NE(SockSlot(own)->fd, -1);
}

TEST_F(SessionTest, HostingWithoutAPortUsesTheDefaultOne) {
  if (NetHost(0) != 1) GTEST_SKIP() << "port 27910 is taken";
  const int peer = RawConnect(27910);
  ASSERT_GE(peer, 0);
  EXPECT_GE(RegisterRawPeer(peer, "raw"), 101);
  close(peer);
}

// After the last player id the ids go round to the lowest one nobody holds.
TEST_F(SessionTest, IdsDoNotRunPastTheLastPlayerId) {
  ASSERT_TRUE(Host());
  const int32_t first = NetPlayerAdd("first");
  EXPECT_GE(first, 101);
  EXPECT_EQ(NetPlayerCount(), 1);  // the query identity is no player
  SetNextId(0xFEFF);
  EXPECT_EQ(NetPlayerAdd("last"), 0xFEFF);
  // The lowest free id: first and the query identity hold the two before it.
  EXPECT_EQ(NetPlayerAdd("round again"), kNetFirstPlayerId + 2);
  EXPECT_EQ(NetPlayerCount(), 3);
}

// Frames that arrive in pieces are put together; a frame too long for any
// buffer, or a peer gone in the middle of one, ends that peer's connection
// (its players leave) and nobody else's.
TEST_F(SessionTest, HostileAndBrokenPeersOnlyHurtThemselves) {
  ASSERT_TRUE(Host());
  const int32_t alice = NetPlayerAdd("alice");

  const int slow = RawConnect(port_);
  const std::string registration = FrameBytes({kMsgRegister, 0, 0, RegisterPayload("slow", false)});
  for (char byte : registration) {
    RawWrite(slow, std::string(1, byte));
    usleep(500);
  }
  RawFrame answer;
  ASSERT_TRUE(RawReadFrame(slow, &answer));
  EXPECT_EQ(answer.type, kMsgIdAssigned);
  const uint16_t slowId = answer.recipient;
  EXPECT_GE(slowId, 101);
  RawWrite(slow, FrameBytes({kMsgText, static_cast<uint16_t>(alice), slowId, "over here"}).substr(0, 9));
  close(slow);  // in the middle of a frame

  const int oversized = RawConnect(port_);
  const uint16_t oversizedId = RegisterRawPeer(oversized, "big");
  RawWrite(oversized, FrameBytes({kMsgText, static_cast<uint16_t>(alice), oversizedId, "x"}, 1024));
  EXPECT_TRUE(ClosedByPeer(oversized));

  EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 1; }));
  std::vector<int32_t> departed;
  for (int32_t id; (id = NetNextDeparted()) != 0;) departed.push_back(id);
  EXPECT_EQ(departed, (std::vector<int32_t>{oversizedId, slowId}));
  EXPECT_STREQ(NetGetMessage(alice).c_str(), "");
  EXPECT_GE(NetPlayerAdd("still served"), 101);
  close(oversized);
}

// However a peer's bytes are cut into reads, the host serves the same frames
// in the same order: a stream of texts for a player of the host's (the
// longest one among them), a question, a second registration, another text
// and a leave, written whole, byte by byte, in pieces that cut headers and
// payloads, and in pieces of a frame and more.
TEST_F(SessionTest, AHostServesAStreamHoweverItIsCutIntoReads) {
  ASSERT_TRUE(Host());
  const auto alice = static_cast<uint16_t>(NetPlayerAdd("alice"));
  ASSERT_GE(alice, 101);
  const std::string longest(kNetMaxPayload, 'x');
  const std::vector<std::string> texts = {"one", longest, "three", "after the question"};
  for (const size_t cut : {size_t{0}, size_t{1}, size_t{3}, size_t{7}, size_t{8}, size_t{1031}, size_t{1500}}) {
    SCOPED_TRACE(cut);
    const int peer = RawConnect(port_);
    const int one = 1;
    setsockopt(peer, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    const uint16_t first = RegisterRawPeer(peer, "first");
    ASSERT_GE(first, 101);
    std::string stream;
    for (size_t i = 0; i < 3; ++i) stream += FrameBytes({kMsgText, alice, first, texts[i]});
    stream += FrameBytes({kMsgHello, 0, first, ""}) + FrameBytes({kMsgRegister, 0, 0, RegisterPayload("second", false)}) +
              FrameBytes({kMsgText, alice, first, texts[3]}) + FrameBytes({kMsgLeave, 0, first, ""});
    for (size_t at = 0; at < stream.size(); at += cut == 0 ? stream.size() : cut) {
      ASSERT_TRUE(RawWrite(peer, stream.substr(at, cut == 0 ? std::string::npos : cut)));
      if (cut != 0) usleep(200);
    }
    RawFrame hello;
    ASSERT_TRUE(RawReadFrame(peer, &hello));
    EXPECT_EQ(FrameBytes(hello), FrameBytes({kMsgHello, first, 0, U16(1)}));
    RawFrame second;
    ASSERT_TRUE(RawReadFrame(peer, &second));
    EXPECT_EQ(second.type, kMsgIdAssigned);
    EXPECT_GT(second.recipient, first);
    for (const std::string& text : texts) {
      EXPECT_EQ(NextMessage(alice), text);
      EXPECT_EQ(NetLastSender(), first);
    }
    EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 2; }));  // alice and the second
    close(peer);
    EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 1; }));
    EXPECT_EQ(NetNextDeparted(), second.recipient);
    EXPECT_EQ(NetNextDeparted(), first);
    EXPECT_EQ(NetNextDeparted(), 0);
  }
}

// The host serves its connections in turn, one frame of each at a time in
// the order they came: frames that wait on two connections at once reach a
// player interleaved.
TEST_F(SessionTest, TheHostTakesOneFrameOfEachConnectionInTurn) {
  ASSERT_TRUE(Host());
  const auto alice = static_cast<uint16_t>(NetPlayerAdd("alice"));
  ASSERT_GE(alice, 101);
  const int first = RawConnect(port_);
  const uint16_t firstId = RegisterRawPeer(first, "first");
  const int second = RawConnect(port_);
  const uint16_t secondId = RegisterRawPeer(second, "second");
  ASSERT_GE(firstId, 101);
  ASSERT_GE(secondId, 101);
  // The session thread is held at its lock, where it waits before it reads
  // the connections again, while both connections get their frames; it
  // goes on once the host's side has them all.
  if (!ThreadCallsVisible()) GTEST_SKIP() << "the system does not tell what a thread waits for";
  MutexLock(&host_->lock);
  EXPECT_TRUE(Eventually([&] { return SomeThreadWaitsOn(host_->lock); }));
  std::string firstFrames;
  std::string secondFrames;
  for (const char* text : {"1", "2", "3"}) {
    firstFrames += FrameBytes({kMsgText, alice, firstId, std::string("first ") + text});
    secondFrames += FrameBytes({kMsgText, alice, secondId, std::string("second ") + text});
  }
  RawWrite(first, firstFrames + FrameBytes({kMsgText, alice, firstId, "first 4"}));
  RawWrite(second, secondFrames);
  EXPECT_TRUE(Eventually([&] { return AllBytesTaken(first) && AllBytesTaken(second); }));
  MutexUnlock(&host_->lock);
  for (const char* text : {"first 1", "second 1", "first 2", "second 2", "first 3", "second 3", "first 4"}) {
    EXPECT_EQ(NextMessage(alice), text);
  }
  close(first);
  close(second);
}

// Only the server gives ids and answers: a peer that sends such frames in
// the server's name changes nothing, and a question asked in another
// identity's name gets no answer.
TEST_F(SessionTest, PeersCannotSpeakForTheServerOrForOthers) {
  ASSERT_TRUE(Host());
  const int32_t alice = NetPlayerAdd("alice");
  const int forger = RawConnect(port_);
  const uint16_t forgerId = RegisterRawPeer(forger, "forger");
  ASSERT_GE(forgerId, 101);
  EXPECT_EQ(NetPlayerCount(), 2);  // the host's query identity has its id now
  MutexLock(&host_->lock);
  const uint16_t hostQuery = host_->ownQueryId;
  MutexUnlock(&host_->lock);
  for (const RawFrame& frame : {RawFrame{kMsgIdAssigned, 7, 0, ""}, RawFrame{kMsgPlayerCount, 0, 0, U16(99)},
                                RawFrame{kMsgHello, 0, hostQuery, ""}, RawFrame{kMsgPlayerCount, 0, 12345, ""}}) {
    RawWrite(forger, FrameBytes(frame));
  }
  const int32_t bob = NetPlayerAdd("bob");
  EXPECT_GT(bob, forgerId);
  EXPECT_EQ(NetPlayerCount(), 3);
  // No answer reached the forger: the first frame it gets is the answer to
  // its own question, asked after all of those.
  RawWrite(forger, FrameBytes({kMsgHello, 0, forgerId, ""}));
  RawFrame answer;
  ASSERT_TRUE(RawReadFrame(forger, &answer));
  EXPECT_EQ(FrameBytes(answer), FrameBytes({kMsgHello, forgerId, 0, U16(1)}));
  RawWrite(forger, FrameBytes({kMsgText, kNetIdEveryone, forgerId, "to all"}));
  EXPECT_EQ(NextMessage(alice), "to all");
  EXPECT_EQ(NetLastSender(), forgerId);
  close(forger);
}

// A peer speaks only for the identities its own connection holds: a leave
// naming another connection's player is ignored, and a text in another's
// name goes out as the server's (sender 0).
TEST_F(SessionTest, APeerCannotRemoveOrSpeakForAnothersPlayer) {
  HostTwoPlayersAndRawPeer("forger");
  const auto alice = static_cast<uint16_t>(alice_);
  const auto carol = static_cast<uint16_t>(carol_);
  const uint16_t forgerId = rawId_;
  RawWrite(raw_, FrameBytes({kMsgLeave, 0, alice, ""}) + FrameBytes({kMsgText, carol, alice, "in alice's name"}) +
                       FrameBytes({kMsgText, carol, forgerId, "in my own"}));
  // The texts come after the leave on the same connection: it was handled.
  EXPECT_EQ(NextMessage(carol), "in alice's name");
  EXPECT_EQ(NetLastSender(), 0);
  EXPECT_EQ(NextMessage(carol), "in my own");
  EXPECT_EQ(NetLastSender(), forgerId);
  EXPECT_EQ(NetPlayerCount(), 3);
  EXPECT_EQ(NetNextDeparted(), 0);
  // Alice's own connection may let her leave.
  EXPECT_EQ(NetPlayerLeave(alice), alice);
  EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 2; }));
  EXPECT_EQ(NetNextDeparted(), alice);
}

// A flood of texts fills a player's inbox up to its limit in texts or in
// bytes; the texts that arrive then are dropped, the first ones wait in
// order, and once read the inbox takes texts again.
TEST_F(SessionTest, AFloodFillsAnInboxOnlyToItsLimit) {
  HostTwoPlayersAndRawPeer("flooder");
  const auto alice = static_cast<uint16_t>(alice_);
  const auto carol = static_cast<uint16_t>(carol_);
  const int flooder = raw_;
  const uint16_t flooderId = rawId_;
  const struct {
    const char* what;
    int32_t texts;
    size_t bytes;
    int32_t kept;
  } cases[] = {
      {"short texts", kNetInboxTexts + 100, 1, kNetInboxTexts},
      {"long texts", 300, 1000, static_cast<int32_t>(kNetInboxBytes / 1000)},
  };
  for (const auto& c : cases) {
    std::string flood;
    for (int32_t i = 0; i < c.texts; ++i) {
      std::string text = std::to_string(i);
      if (text.size() < c.bytes) text.resize(c.bytes, '.');
      flood += FrameBytes({kMsgText, alice, flooderId, text});
    }
    // Carol's text is relayed after all of alice's.
    ASSERT_TRUE(RawWrite(flooder, flood + FrameBytes({kMsgText, carol, flooderId, "done"})));
    ASSERT_EQ(NextMessage(carol), "done") << c.what;
    int32_t kept = 0;
    for (std::string text; !(text = NetGetMessage(alice).c_str()).empty(); ++kept) {
      ASSERT_EQ(text.substr(0, text.find('.')), std::to_string(kept)) << c.what;
    }
    EXPECT_EQ(kept, c.kept) << c.what;
  }
  RawWrite(flooder, FrameBytes({kMsgText, alice, flooderId, "again"}));
  EXPECT_EQ(NextMessage(alice), "again");
}

// A server that sends answers nobody asked for cannot make the guest keep
// them all: only the newest few wait, and questions are still answered.
TEST_F(SessionTest, UnaskedAnswersDoNotPileUpOnTheGuest) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  std::thread server([&] {
    const int guest = RawAccept(listening);
    uint16_t nextId = 500;
    RawFrame request;
    while (RawReadFrame(guest, &request)) {
      if (request.type != kMsgRegister) {
        RawWrite(guest, FrameBytes({request.type, request.sender, 0, U16(7)}));
        continue;
      }
      // The player's registration (after the query identity's) is answered
      // behind a flood of answers.
      if (nextId == 501) {
        std::string flood;
        for (int i = 0; i < 1000; ++i) flood += FrameBytes({kMsgPlayerCount, 500, 0, U16(9)});
        RawWrite(guest, flood);
      }
      RawWrite(guest, FrameBytes({kMsgIdAssigned, nextId++, 0, ""}));
    }
    close(guest);
  });
  OnGuest();
  ASSERT_EQ(NetJoin("127.0.0.1", port), 1);
  EXPECT_EQ(NetPlayerAdd("bob"), 501);
  MutexLock(&guest_->lock);
  EXPECT_EQ(guest_->replies.count, kNetWaitingAnswers);
  MutexUnlock(&guest_->lock);
  EXPECT_EQ(NetPlayerCount(), 7);
  NetSessionEnd();
  server.join();
  close(listening);
}

// A registration that timed out keeps its turn for the server's answer, so
// the next player still gets its own id. After the time-out the guest asks a
// question: an id that comes before its answer is still the player's; none
// before it means the registration was refused; an id that comes even later
// is given back with a leave.
TEST_F(SessionTest, ALateIdGoesToItsOwnRegistration) {
  enum class Late { kBeforeTheQuestionsAnswer, kNever, kAfterTheNextRegistration };
  const struct {
    Late late;
    int32_t ann;
    int32_t bob;
    std::vector<uint16_t> givenBack;
  } cases[] = {{Late::kBeforeTheQuestionsAnswer, 501, 502, {}},
               {Late::kNever, 0, 501, {}},
               {Late::kAfterTheNextRegistration, 0, 502, {501}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.late));
    uint16_t port = 0;
    const int listening = RawListen(&port);
    std::vector<uint16_t> leaves;
    std::thread server([&] {
      const int guest = RawAccept(listening);
      const std::string hello = FrameBytes({kMsgHello, 500, 0, U16(1)});
      RawFrame request;
      // The query identity and the joining hello.
      for (int answered = 0; answered < 2 && RawReadFrame(guest, &request); ++answered) {
        RawWrite(guest, request.type == kMsgRegister ? FrameBytes({kMsgIdAssigned, 500, 0, ""}) : hello);
      }
      // Ann's registration, unanswered, then the question after its time-out.
      RawReadFrame(guest, &request);
      RawReadFrame(guest, &request);
      if (c.late == Late::kBeforeTheQuestionsAnswer) RawWrite(guest, FrameBytes({kMsgIdAssigned, 501, 0, ""}));
      if (c.late != Late::kAfterTheNextRegistration) RawWrite(guest, hello);
      // Bob's registration.
      RawReadFrame(guest, &request);
      if (c.late == Late::kAfterTheNextRegistration) {
        RawWrite(guest, FrameBytes({kMsgIdAssigned, 501, 0, ""}) + hello);
      }
      RawWrite(guest, FrameBytes({kMsgIdAssigned, static_cast<uint16_t>(c.bob), 0, ""}));
      while (RawReadFrame(guest, &request)) {
        if (request.type == kMsgLeave) leaves.push_back(request.sender);
      }
      close(guest);
    });
    OnGuest();
    ASSERT_EQ(NetJoin("127.0.0.1", port), 1);
    // Ann's registration times out (after a short wait); bob's is answered.
    const int32_t replyPolls = g_netTuning.replyPolls;
    g_netTuning.replyPolls = kShortReplyPolls;
    EXPECT_EQ(NetPlayerAdd("ann"), c.ann);
    g_netTuning.replyPolls = replyPolls;
    EXPECT_EQ(NetPlayerAdd("bob"), c.bob);
    // The query identity and bob (and ann when she has an id) are left once
    // a late id has been given back.
    EXPECT_TRUE(Eventually([&] {
      MutexLock(&guest_->lock);
      const int32_t count = guest_->localPlayers.count;
      MutexUnlock(&guest_->lock);
      return count == (c.ann != 0 ? 3 : 2);
    }));
    NetSessionEnd();
    server.join();
    close(listening);
    EXPECT_EQ(leaves, c.givenBack);
    NetSessionFree(guest_);
    guest_ = nullptr;
  }
}

// The host's server reads its own connection one frame a round, so texts
// the program sent ahead of a registration can make the id late. The id
// must then go back to the server rather than stay there as a player that
// no one holds, or go to the next registration: also on a host that has
// asked nothing yet, so that it had no query identity to ask with.
TEST_F(SessionTest, AHostsLateIdIsNotLeftBehindAsAPlayer) {
  for (const bool askedFirst : {false, true}) {
    SCOPED_TRACE(askedFirst);
    ASSERT_TRUE(Host());
    raw_ = RawConnect(port_);
    rawId_ = RegisterRawPeer(raw_, "raw");
    ASSERT_GE(rawId_, 101);
    if (askedFirst) {
      EXPECT_EQ(NetPlayerCount(), 1);
    }
    // The raw peer reads the texts until the last one, which the host's
    // server serves just before the registration.
    std::thread reader([&] {
      RawFrame text;
      while (RawReadFrame(raw_, &text) && text.payload != "end") {
      }
    });
    const int32_t replyPolls = g_netTuning.replyPolls;
    g_netTuning.replyPolls = 2;
    for (int i = 0; i < 30000; ++i) NetSendMessage(0, rawId_, "x");
    NetSendMessage(0, rawId_, "end");
    const int32_t ann = NetPlayerAdd("ann");
    g_netTuning.replyPolls = replyPolls;
    reader.join();
    // Then no local identity is left waiting for an id.
    EXPECT_TRUE(Eventually([&] {
      MutexLock(&host_->lock);
      bool waiting = false;
      for (const NetPlayerRecord* p = host_->localPlayers.head; p != nullptr; p = p->next) {
        waiting = waiting || !NetIsPlayerId(p->id);
      }
      MutexUnlock(&host_->lock);
      return !waiting;
    }));
    const int32_t bob = NetPlayerAdd("bob");
    ASSERT_GE(bob, 101);
    EXPECT_STREQ(NetRequest(bob).c_str(), "bob");
    // Bob and the raw peer, and ann only when she got her id.
    EXPECT_EQ(NetPlayerCount(), ann != 0 ? 3 : 2);
    if (ann != 0) {
      EXPECT_STREQ(NetRequest(ann).c_str(), "ann");
    }
    NetSessionEnd();
    close(raw_);
    raw_ = -1;
  }
}

// One connection holds at most a handful of identities: a registration
// beyond them gets no answer, until one of them has left.
TEST_F(SessionTest, OneConnectionHoldsOnlyAFewIdentities) {
  ASSERT_TRUE(Host());
  const int greedy = RawConnect(port_);
  std::vector<uint16_t> ids;
  for (int32_t i = 0; i < kNetIdentitiesPerConnection; ++i) {
    ids.push_back(RegisterRawPeer(greedy, "greedy"));
    ASSERT_GE(ids.back(), 101) << i;
  }
  // The first frame after one more registration is the answer to a
  // question asked after it: the registration got none.
  RawWrite(greedy, FrameBytes({kMsgRegister, 0, 0, RegisterPayload("one more", false)}) +
                       FrameBytes({kMsgHello, 0, ids[0], ""}));
  RawFrame answer;
  ASSERT_TRUE(RawReadFrame(greedy, &answer));
  EXPECT_EQ(FrameBytes(answer), FrameBytes({kMsgHello, ids[0], 0, U16(1)}));
  RawWrite(greedy, FrameBytes({kMsgLeave, 0, ids[0], ""}));
  EXPECT_GE(RegisterRawPeer(greedy, "in its place"), 101);
  EXPECT_GE(NetPlayerAdd("another connection"), 101);
  close(greedy);
}

// An id that left stays taken until the program has collected the
// departure; then it comes round again.
TEST_F(SessionTest, ADepartedIdComesRoundAgainOnlyOnceCollected) {
  ASSERT_TRUE(Host());
  const int32_t first = NetPlayerAdd("first");
  const int peer = RawConnect(port_);
  SetNextId(kNetLastPlayerId);
  const uint16_t last = RegisterRawPeer(peer, "last");
  ASSERT_EQ(last, kNetLastPlayerId);
  RawWrite(peer, FrameBytes({kMsgLeave, 0, last, ""}));
  const uint16_t wrapped = RegisterRawPeer(peer, "wrapped");
  EXPECT_EQ(wrapped, first + 1);
  RawWrite(peer, FrameBytes({kMsgLeave, 0, wrapped, ""}));
  SetNextId(kNetLastPlayerId);
  EXPECT_EQ(RegisterRawPeer(peer, "neither"), first + 2);
  EXPECT_EQ(NetNextDeparted(), wrapped);
  EXPECT_EQ(NetNextDeparted(), last);
  SetNextId(kNetLastPlayerId);
  EXPECT_EQ(RegisterRawPeer(peer, "collected"), kNetLastPlayerId);
  close(peer);
}

// The host keeps only the newest departures: the oldest age out, and their
// ids are free again.
TEST_F(SessionTest, TheOldestDeparturesAgeOutAndFreeTheirIds) {
  ASSERT_TRUE(Host());
  const int peer = RawConnect(port_);
  // Each player leaves right after registering; departed ids stay taken, so
  // the ids count up from the first one.
  const int32_t players = kNetDepartedIds + 8;
  std::string frames;
  for (int32_t i = 0; i < players; ++i) {
    frames += FrameBytes({kMsgRegister, 0, 0, RegisterPayload("p", false)}) +
              FrameBytes({kMsgLeave, 0, static_cast<uint16_t>(kNetFirstPlayerId + i), ""});
  }
  ASSERT_TRUE(RawWrite(peer, frames));
  for (int32_t i = 0; i < players; ++i) {
    RawFrame answer;
    ASSERT_TRUE(RawReadFrame(peer, &answer));
    ASSERT_EQ(answer.recipient, kNetFirstPlayerId + i);
  }
  SetNextId(kNetFirstPlayerId);
  EXPECT_EQ(RegisterRawPeer(peer, "aged out"), kNetFirstPlayerId);
  std::vector<int32_t> collected;
  for (int32_t id; (id = NetNextDeparted()) != 0;) collected.push_back(id);
  ASSERT_EQ(collected.size(), static_cast<size_t>(kNetDepartedIds));
  EXPECT_EQ(collected.front(), kNetFirstPlayerId + players - 1);
  EXPECT_EQ(collected.back(), kNetFirstPlayerId + players - kNetDepartedIds);
  close(peer);
}

// A peer that stops reading is dropped once its connection is full, without
// holding the server up; everybody else is still served.
TEST_F(SessionTest, APeerThatStopsReadingIsDropped) {
  ASSERT_TRUE(Host());
  const int32_t alice = NetPlayerAdd("alice");
  const int lazy = RawConnect(port_);
  const int32_t lazyId = RegisterRawPeer(lazy, "lazy");
  ASSERT_GE(lazyId, 101);
  const std::string text(1000, 't');
  // Texts for the lazy peer until the host gives up on it.
  int32_t departed = 0;
  const double start = PlatformMilliseconds();
  while (departed == 0 && PlatformMilliseconds() - start < kLongWaitMs) {
    ASSERT_EQ(NetSendMessage(alice, 0, text.c_str()), 1);
    departed = NetNextDeparted();
  }
  EXPECT_TRUE(Eventually([&] { return departed != 0 || (departed = NetNextDeparted()) != 0; }));
  EXPECT_EQ(departed, lazyId);
  // The host serves its own connection a frame a round, so the texts still
  // queued on it come before a registration; a loaded machine takes longer
  // over them than a registration waits. A text to alice herself comes back
  // once they are all served.
  ASSERT_EQ(NetSendMessage(alice, alice, "last"), 1);
  EXPECT_EQ(NextMessage(alice), "last");
  EXPECT_GE(NetPlayerAdd("still served"), 101);
  close(lazy);
}

// A server that stops reading makes a send fail after the stall limit; the
// frame may be half out, so the session ends rather than garble the
// connection.
TEST_F(SessionTest, AServerThatStopsReadingEndsTheSession) {
  g_netTuning.stallMs = kShortStallMs;
  uint16_t port = 0;
  const int listening = RawListen(&port);
  int server = -1;
  std::thread answering([&] {
    server = RawAccept(listening);
    RawFrame request;
    for (uint16_t id = 500; id < 502 && RawReadFrame(server, &request); ++id) {
      RawWrite(server, FrameBytes(request.type == kMsgRegister ? RawFrame{kMsgIdAssigned, id, 0, ""}
                                                               : RawFrame{request.type, request.sender, 0, U16(1)}));
    }
  });
  OnGuest();
  ASSERT_EQ(NetJoin("127.0.0.1", port), 1);
  answering.join();
  const std::string text(1000, 't');
  int32_t sent = 1;
  const double start = PlatformMilliseconds();
  while (sent == 1 && PlatformMilliseconds() - start < kLongWaitMs) sent = NetSendMessage(500, 0, text.c_str());
  EXPECT_EQ(sent, 0);
  EXPECT_TRUE(Eventually([] { return NetSessionRunning() == 0; }));
  close(server);
  close(listening);
}

// The host's own connection is one of its 128 peers: the 128th other
// connection is closed at once.
TEST_F(SessionTest, TheHostServesAtMost128Connections) {
  ASSERT_TRUE(Host());
  std::vector<int> peers;
  for (int i = 0; i < 127; ++i) {
    peers.push_back(RawConnect(port_));
    ASSERT_GE(RegisterRawPeer(peers.back(), "p"), 101) << i;
  }
  const int extra = RawConnect(port_);
  EXPECT_TRUE(ClosedByPeer(extra));
  close(extra);
  close(peers.back());
  peers.pop_back();
  EXPECT_TRUE(Eventually([] { return NetNextDeparted() != 0; }));
  const int again = RawConnect(port_);
  EXPECT_GE(RegisterRawPeer(again, "again"), 101);
  close(again);
  for (int fd : peers) close(fd);
}

// A server that answers in pieces is understood, a text that comes in the
// same read as its player's id reaches that player, and a frame too long for
// any buffer ends the guest's session.
TEST_F(SessionTest, TheGuestReadsAServerInPiecesAndLeavesAnOversizedOne) {
  uint16_t port = 0;
  const int listening = RawListen(&port);
  std::thread server([&] {
    const int guest = RawAccept(listening);
    // The query identity's id and the hello's answer, byte by byte.
    RawFrame request;
    for (uint16_t answered = 0; answered < 2 && RawReadFrame(guest, &request); ++answered) {
      const RawFrame reply = request.type == kMsgRegister ? RawFrame{kMsgIdAssigned, 500, 0, ""}
                                                          : RawFrame{request.type, request.sender, 0, U16(1)};
      for (char byte : FrameBytes(reply)) RawWrite(guest, std::string(1, byte));
    }
    // The player's id with a first text for it in one write, then a text in
    // two pieces, then a frame that is too long.
    if (RawReadFrame(guest, &request)) {
      RawWrite(guest, FrameBytes({kMsgIdAssigned, 501, 0, ""}) + FrameBytes({kMsgText, 501, 76, "welcome"}));
    }
    const std::string split = FrameBytes({kMsgText, 501, 77, "split"});
    RawWrite(guest, split.substr(0, 4));
    usleep(30000);
    RawWrite(guest, split.substr(4));
    usleep(100000);
    RawWrite(guest, FrameBytes({kMsgText, 501, 77, ""}, 2000));
    RawReadAll(guest);
    close(guest);
  });
  OnGuest();
  EXPECT_EQ(NetJoin("127.0.0.1", port), 1);
  EXPECT_EQ(NetPlayerAdd("bob"), 501);
  for (const auto& [text, sender] : {std::pair<std::string, int32_t>{"welcome", 76}, {"split", 77}}) {
    EXPECT_EQ(NextMessage(501), text);
    EXPECT_EQ(NetLastSender(), sender);
  }
  EXPECT_TRUE(Eventually([] { return NetSessionRunning() == 0; }));
  server.join();
  close(listening);
}

}  // namespace
