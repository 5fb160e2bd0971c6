// Frames on the session's own connection that a send without waiting takes
// only in part: the rest is kept and goes out before anything else, so the
// connection carries whole frames one after another, and the session goes
// on.
#include <gtest/gtest.h>
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
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
#include "tests/support/test_env.h"

namespace {

// How long a test waits for something that must come: far beyond what any
// machine takes.
constexpr double kPatienceMs = 120000;
constexpr int32_t kRegistrationBytes = kNetHeaderSize + kNetRegisterPayload;

void SetSendBuffer(int fd, int bytes) { setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes); }

// Bytes the socket holds that were not sent yet, and those sent but not
// acknowledged yet.
int Unsent(int fd) {
  int bytes = 0;
  ioctl(fd, SIOCOUTQNSD, &bytes);
  return bytes;
}
int InFlight(int fd) {
  int waiting = 0;
  ioctl(fd, SIOCOUTQ, &waiting);
  return waiting - Unsent(fd);
}

// One send of that many zero bytes that does not wait: the number taken, 0
// when none.
int32_t SendZeros(int fd, size_t count) {
  static const std::vector<char> zeros(256 * 1024);
  const ssize_t n = send(fd, zeros.data(), count < zeros.size() ? count : zeros.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  return n > 0 ? static_cast<int32_t>(n) : 0;
}

// Leaves the TCP socket fd, whose other end reads nothing, such that a send
// without waiting takes only `room` bytes of a longer frame: the socket has
// no room for another segment of data, but the last one it began has that
// many bytes left. Linux fills the last segment that waits before it asks
// for room for another, so the steps are: fill the socket until the other
// end's window is shut; with room allowed for a moment, begin a segment
// with one byte; with the room taken away again, fill that segment up to
// the few bytes. The bytes written (zeros) are counted in *written. False
// when the socket did not end up so within the milliseconds.
bool LeaveRoomFor(int fd, int32_t room, size_t* written, double withinMs = kPatienceMs) {
  // The socket is filled with this much room, a segment is begun with more
  // (which every system allows), and filled with the least there is.
  constexpr int kFill = 32 * 1024;
  constexpr int kRoomy = 200 * 1024;
  constexpr int kTight = 1;
  const double deadline = PlatformMilliseconds() + withinMs;
  *written = 0;
  const auto send = [&](size_t count) {
    const int32_t taken = SendZeros(fd, count);
    *written += static_cast<size_t>(taken);
    return taken;
  };
  // A segment begun with one byte while there is room, then filled while
  // there is none: how much more it took.
  const auto beginAndFill = [&](size_t fill) {
    SetSendBuffer(fd, kRoomy);
    const int32_t begun = send(1);
    SetSendBuffer(fd, kTight);
    return begun == 1 ? send(fill) : -1;
  };
  while (PlatformMilliseconds() < deadline) {
    // The other end has all it takes and acknowledged it: nothing more goes
    // out, and the last segment that waits is full.
    SetSendBuffer(fd, kFill);
    while (send(SIZE_MAX) > 0) {
    }
    if (Unsent(fd) == 0 || InFlight(fd) != 0) {
      PlatformSleep(1);
      continue;
    }
    // What a segment holds after its first byte: the same twice running.
    const int32_t segment = beginAndFill(SIZE_MAX);
    if (segment <= room || beginAndFill(SIZE_MAX) != segment) continue;
    const int32_t fill = segment - room;
    const int unsent = Unsent(fd);
    if (beginAndFill(static_cast<size_t>(fill)) == fill && Unsent(fd) == unsent + 1 + fill && InFlight(fd) == 0) {
      return true;
    }
  }
  return false;
}

// Reads and drops the filler's bytes, then reads frames until `count` came
// or the connection ends; false when the filler did not all come.
bool ReadPastFiller(int fd, size_t filler, size_t count, std::vector<RawFrame>* frames) {
  std::vector<char> buffer(64 * 1024);
  while (filler > 0) {
    const ssize_t n = recv(fd, buffer.data(), filler < buffer.size() ? filler : buffer.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    filler -= static_cast<size_t>(n);
  }
  for (RawFrame frame; frames->size() < count && RawReadFrame(fd, &frame);) frames->push_back(frame);
  return true;
}

// A listening socket whose connections take little before their window
// shuts, so that filling them takes little.
int SmallListen(uint16_t* port) {
  const int fd = RawListen(port);
  const int small = 4096;
  setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  return fd;
}

// Whether this system's TCP can be left as LeaveRoomFor leaves it, tried
// for a while on a connection of the test's own: the tests skip where it
// cannot (here it takes one try).
bool PartialTakesCanBeArranged() {
  uint16_t port = 0;
  const int listening = SmallListen(&port);
  const int client = listening < 0 ? -1 : RawConnect(port);
  const int server = client < 0 ? -1 : RawAccept(listening);
  size_t filler = 0;
  const bool arranged = server >= 0 && LeaveRoomFor(client, 50, &filler, 30000);
  for (const int fd : {server, client, listening}) {
    if (fd >= 0) close(fd);
  }
  return arranged;
}

// Reads on the socket may wait as long as a test does.
void PatientReads(int fd) {
  const timeval patience = {static_cast<time_t>(kPatienceMs / 1000), 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
}

NetMessage MessageOf(const RawFrame& frame) {
  return NetMessageMake(frame.type, frame.recipient, frame.sender, frame.payload.data(),
                        static_cast<int>(frame.payload.size()));
}

std::string BytesOf(const std::vector<RawFrame>& frames) {
  std::string bytes;
  for (const RawFrame& frame : frames) bytes += FrameBytes(frame);
  return bytes;
}

// The sends wait as long as the test does: a peer that stops reading for a
// while is not the point here.
class SessionPartialFrameTest : public NetTest {
 protected:
  void SetUp() override {
    NetTest::SetUp();
    g_netTuning.stallMs = kPatienceMs;
    g_netTuning.replyPolls = static_cast<int32_t>(kPatienceMs / 20);
  }

  // The bytes kept of a frame begun.
  static int32_t Kept(NetSession* session) {
    const std::lock_guard<std::mutex> hold(session->sendLock);
    return session->sendRestEnd - session->sendRestStart;
  }
};

// A send without waiting (the session thread's) takes a registration in
// part: it counts as sent, its rest is kept, and nothing else goes out
// before that rest, however it leaves: by the next such send once there is
// room, or first in the program's own send, which waits for room.
TEST_F(SessionPartialFrameTest, TheRestOfAFrameGoesOutBeforeAnythingElse) {
  if (!PartialTakesCanBeArranged()) GTEST_SKIP() << "this system's TCP cannot be made to take part of a frame";
  constexpr int32_t kRoom = 50;
  const RawFrame registration = {kMsgRegister, 0, 0, RegisterPayload("dave", false)};
  const RawFrame text = {kMsgText, kNetIdEveryone, 501, "after"};
  const NetMessage first = MessageOf(registration);
  const NetMessage second = MessageOf(text);
  for (const bool waiting : {true, false}) {
    SCOPED_TRACE(waiting ? "the program's send" : "sends without waiting");
    uint16_t port = 0;
    const int listening = SmallListen(&port);
    ASSERT_EQ(NetStartup(), 1);
    NetSession* session = NetSessionCreate();
    g_app.session = session;
    session->sessionSocket = SockConnect(SockResolve("127.0.0.1", port), 1000);
    ASSERT_NE(session->sessionSocket, -1);
    const int server = RawAccept(listening);
    ASSERT_NE(server, -1);
    PatientReads(server);
    size_t filler = 0;
    ASSERT_TRUE(LeaveRoomFor(SockSlot(session->sessionSocket)->fd, kRoom, &filler)) << "no room for part of a frame";

    {
      const std::lock_guard<std::mutex> hold(session->sendLock);
      EXPECT_EQ(NetSessionSendOwnNow(session, session->sessionSocket, &first), 1);
      EXPECT_EQ(session->sendRestEnd - session->sendRestStart, kRegistrationBytes - kRoom);
      // While the rest waits, no other frame goes.
      EXPECT_EQ(NetSessionSendOwnNow(session, session->sessionSocket, &second), 0);
      EXPECT_EQ(NetSessionSendOwnNow(session, session->sessionSocket, nullptr), 0);
    }
    std::vector<RawFrame> frames;
    bool fillerCame = false;
    std::thread reading([&] { fillerCame = ReadPastFiller(server, filler, 2, &frames); });
    if (waiting) {
      EXPECT_EQ(NetSessionSendOwn(session, second), 1);
    } else {
      // The text goes once the rest has gone, then its own rest if any.
      const NetMessage* next = &second;
      EXPECT_TRUE(Eventually([&] {
        const std::lock_guard<std::mutex> hold(session->sendLock);
        if (NetSessionSendOwnNow(session, session->sessionSocket, next) != 1) return false;
        if (next == nullptr) return true;
        next = nullptr;
        return false;
      }));
    }
    // Nothing more comes: the reader sees the end after what was sent.
    SockShutdown(session->sessionSocket);
    reading.join();
    EXPECT_TRUE(fillerCame);
    EXPECT_EQ(BytesOf(frames), BytesOf({registration, text}));
    EXPECT_EQ(Kept(session), 0);
    NetSessionFree(session);
    g_app.session = nullptr;
    close(server);
    close(listening);
  }
}

// A joiner whose connection is full (its server has stopped reading) sends
// the session thread's frames: a new player's registration, and the leave
// of a player whose caller gave up waiting for its id. The connection takes
// each in part. The session goes on, the frame counts as sent (the player
// is registering; the given-up one is gone); once the server reads again,
// the frame comes whole after what was before it, a registration's answer
// reaches its player, and the program's next frame follows whole.
TEST_F(SessionPartialFrameTest, AJoinersFrameTakenInPartComesWholeAndTheSessionGoesOn) {
  if (!PartialTakesCanBeArranged()) GTEST_SKIP() << "this system's TCP cannot be made to take part of a frame";
  const struct {
    const char* what;
    bool registration;  // else the leave of a given-up player with id 501
    int32_t room;
  } cases[] = {{"a registration", true, 50}, {"a given-up player's leave", false, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    uint16_t port = 0;
    const int listening = SmallListen(&port);
    int server = -1;
    // The server answers the joiner's query identity and its hello.
    std::thread answering([&] {
      server = RawAccept(listening);
      PatientReads(server);
      RawFrame request;
      for (int answered = 0; answered < 2 && RawReadFrame(server, &request); ++answered) {
        RawWrite(server, FrameBytes(request.type == kMsgRegister ? RawFrame{kMsgIdAssigned, 500, 0, ""}
                                                                 : RawFrame{request.type, request.sender, 0, U16(1)}));
      }
    });
    NetSession* guest = NetSessionCreate();
    g_app.session = guest;
    const int32_t joined = NetJoin("127.0.0.1", port);
    answering.join();
    ASSERT_EQ(joined, 1);

    // The server reads nothing for now; the joiner's socket is left with
    // room for a few bytes of a frame.
    const int fd = SockSlot(guest->sessionSocket)->fd;
    size_t filler = 0;
    ASSERT_TRUE(LeaveRoomFor(fd, c.room, &filler)) << "no room for part of a frame";
    const int unsent = Unsent(fd);
    int32_t added = 0;
    std::thread adding;
    RawFrame frame;
    if (c.registration) {
      adding = std::thread([&] { added = NetPlayerAdd("dave"); });
      frame = {kMsgRegister, 0, 0, RegisterPayload("dave", false)};
    } else {
      auto* player = new NetPlayerRecord;
      player->id = 501;
      player->abandoned = 1;
      MutexLock(&guest->lock);
      guest->localPlayers.Append(player);
      MutexUnlock(&guest->lock);
      frame = {kMsgLeave, 0, 501, ""};
    }
    // Sent: the new player is registering; the given-up one is gone.
    const auto sent = [&] {
      MutexLock(&guest->lock);
      const NetPlayerRecord* last = guest->localPlayers.tail;
      const bool done = c.registration ? last != nullptr && last->id == kNetIdRegistering
                                       : last != nullptr && last->id == 500;
      MutexUnlock(&guest->lock);
      return done;
    };
    EXPECT_TRUE(Eventually([&] { return sent() || NetSessionRunning() == 0; }));
    EXPECT_EQ(NetSessionRunning(), 1);
    // The frame was taken in part, as far as the room went.
    EXPECT_EQ(Unsent(fd) - unsent, c.room);
    EXPECT_EQ(Kept(guest), kNetHeaderSize + static_cast<int32_t>(frame.payload.size()) - c.room);

    // The server reads again: the filler, then the frame whole (a
    // registration it answers), then the program's text.
    std::vector<RawFrame> frames;
    bool fillerCame = false;
    std::thread serving([&] {
      fillerCame = ReadPastFiller(server, filler, 1, &frames);
      if (frames.size() == 1 && frames[0].type == kMsgRegister) {
        RawWrite(server, FrameBytes({kMsgIdAssigned, 501, 0, ""}));
      }
      RawFrame next;
      if (RawReadFrame(server, &next)) frames.push_back(next);
    });
    if (c.registration) {
      adding.join();
      EXPECT_EQ(added, 501);
    }
    EXPECT_EQ(NetSendMessage(500, 0, "after"), 1);
    serving.join();
    EXPECT_TRUE(fillerCame);
    EXPECT_EQ(BytesOf(frames), BytesOf({frame, {kMsgText, kNetIdEveryone, 500, "after"}}));
    EXPECT_EQ(NetSessionRunning(), 1);
    EXPECT_EQ(Kept(guest), 0);
    NetSessionFree(guest);
    g_app.session = nullptr;
    close(server);
    close(listening);
  }
}

}  // namespace
