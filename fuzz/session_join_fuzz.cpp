// The joining side of a session: a server answers the join and a player's
// registration, then sends a stream of frames (any bytes) in pieces split
// at random points and closes. The joining side must deliver the texts
// addressed to its player in order, and end its session when the server
// closes or the stream breaks.
//
// Input: two bytes seeding the split, then the stream.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "net/net_session.h"
#include "net/net_tuning.h"
#include "net/session_commands.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/raw_peer.h"

namespace {

constexpr const char* kTarget = "session_join";
constexpr double kEndWithinMs = 1500;
constexpr uint16_t kPlayerId = 101;

int g_listening = -1;
uint16_t g_port = 0;

// The server: accepts the joining side, gives ids to its two registrations
// (the session's query identity and the player) and answers its hello, then
// sends the stream and closes its side, reading until the other side
// closes too.
void Serve(const std::string& stream, uint16_t seed) {
  const int fd = RawAccept(g_listening);
  if (fd < 0) return;
  uint16_t nextId = kPlayerId;
  int registrations = 0;
  RawFrame frame;
  while (registrations < 2 && RawReadFrame(fd, &frame)) {
    RawFrame answer;
    if (frame.type == kMsgRegister) {
      // The query identity registers first and takes an id after the
      // player's, so that the player's id is known in advance.
      answer.type = kMsgIdAssigned;
      answer.recipient = registrations == 0 ? 200 : nextId;
      ++registrations;
    } else if (frame.type == kMsgHello) {
      answer.type = kMsgHello;
      answer.recipient = frame.sender;
      answer.payload = U16(1);
    } else {
      continue;
    }
    if (!RawWrite(fd, FrameBytes(answer))) break;
  }
  FuzzSendSplit(fd, stream, seed, 8);
  shutdown(fd, SHUT_WR);
  RawReadAll(fd);
  close(fd);
}

// The texts the stream holds for the player, in order: the payloads of the
// text frames addressed to it, up to the first frame that no session may
// carry or that the stream cuts short.
std::vector<std::string> ExpectedTexts(const std::string& stream) {
  std::vector<std::string> texts;
  size_t at = 0;
  while (at + kNetHeaderSize <= stream.size()) {
    const auto* header = reinterpret_cast<const uint8_t*>(stream.data() + at);
    const size_t length = header[1] | header[2] << 8;
    const uint16_t recipient = static_cast<uint16_t>(header[3] | header[4] << 8);
    if (length > static_cast<size_t>(kNetMaxPayload) || at + kNetHeaderSize + length > stream.size()) break;
    if (header[0] == kMsgText && recipient == kPlayerId) texts.push_back(stream.substr(at + kNetHeaderSize, length));
    at += kNetHeaderSize + length;
  }
  return texts;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  size_t w = 0;
  for (const std::string& text : part) {
    while (w < whole.size() && whole[w] != text) ++w;
    if (w == whole.size()) return false;
    ++w;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  signal(SIGPIPE, SIG_IGN);
  g_netTuning.stallMs = 300;
  g_netTuning.replyPolls = 25;
  g_netTuning.sessionConnectMs = 1000;
  g_app.session = NetSessionCreate();
  g_listening = RawListen(&g_port);
  if (g_app.session == nullptr || g_listening < 0) FuzzFail(kTarget, "cannot set up the server");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const uint16_t seed = input.U16();
  const std::string stream = input.Rest();

  std::thread server(Serve, stream, seed);
  FUZZ_CHECK(NetJoin("127.0.0.1", g_port) == 1, kTarget, "the join was not answered");
  FUZZ_CHECK(NetPlayerAdd("player") == kPlayerId, kTarget, "the player did not get its id");

  std::vector<std::string> received;
  const double deadline = PlatformMilliseconds() + kEndWithinMs;
  for (;;) {
    const bool running = NetSessionRunning() == 1;
    for (RtString text = NetGetMessage(kPlayerId); text.length > 0; text = NetGetMessage(kPlayerId)) {
      received.emplace_back(text.text, text.length);
    }
    if (!running) break;
    FUZZ_CHECK(PlatformMilliseconds() < deadline, kTarget, "the session does not end when the server closes");
    PlatformSleep(2);
  }
  server.join();

  // Empty texts are not told apart from none by the command, so only the
  // others count; a bounded inbox may drop some, never reorder them.
  std::vector<std::string> expected;
  for (std::string& text : ExpectedTexts(stream)) {
    if (!text.empty()) expected.push_back(std::move(text));
  }
  if (expected.size() <= 64) {
    FUZZ_CHECK(received == expected, kTarget, "the player's texts differ from those sent to it");
  } else {
    FUZZ_CHECK(IsSubsequence(received, expected), kTarget, "the player got texts not sent to it, or out of order");
  }
  FuzzForgetErrorLog();
  return 0;
}
