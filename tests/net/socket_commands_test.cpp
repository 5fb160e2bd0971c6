#include "net/socket_commands.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>

#include "net/socket_layer.h"
#include "platform/clock.h"
#include "process/app_globals.h"
#include "tests/support/net_fixture.h"
#include "tests/support/test_env.h"

namespace {

using SocketCommandsTest = NetTest;

constexpr int32_t kLoopback = 0x7F000001;

// The read once something is waiting (waited for as long as the network's
// waits last in a test).
int32_t ReceiveSoon(int32_t socket, RtString& text, int32_t maximum) {
  SockPoll(socket, kLongWaitMs);
  return NetReceive(socket, text, maximum);
}

// The connection the listening socket accepts once one is waiting (waited
// for as long); *ip as NetAccept leaves it.
int32_t AcceptSoon(int32_t listening, int32_t* ip) {
  SockPoll(listening, kLongWaitMs);
  return NetAccept(listening, ip);
}

// A folder for a program file that the test starts: beside the test
// program, since the system runs programs from there, while a temporary
// folder may be mounted without that right.
std::string ProgramFolder() { return std::filesystem::read_symlink("/proc/self/exe").parent_path(); }

TEST_F(SocketCommandsTest, StreamSocketsConnectAcceptAndTalk) {
  ASSERT_EQ(NetInit(), 1);
  const int32_t listening = NetListen(0);
  ASSERT_GE(listening, 0);
  const int32_t port = SlotPort(listening);
  int32_t ip = 12345;
  EXPECT_EQ(NetAccept(listening, &ip), -1);  // nothing pending
  EXPECT_EQ(ip, 12345);
  const int32_t client = NetConnect("127.0.0.1", port, kLongWaitMs);
  ASSERT_GE(client, 0);
  const int32_t server = AcceptSoon(listening, &ip);
  ASSERT_GE(server, 0);
  EXPECT_EQ(ip, kLoopback);
  EXPECT_EQ(NetPeerIp(client), kLoopback);
  EXPECT_EQ(NetPeerPort(client), port);
  EXPECT_EQ(NetPeerIp(999), 0);
  EXPECT_EQ(NetPeerPort(999), 0);

  RtString text("left over");
  EXPECT_EQ(NetReceive(server, text, 100), -2);
  EXPECT_STREQ(text.c_str(), "");
  const RtString message = StringFromBytes("with\0zero", 9);
  EXPECT_EQ(NetSend(client, message), 9);
  EXPECT_EQ(ReceiveSoon(server, text, 100), 9);
  EXPECT_EQ(std::string(text.text, text.length), std::string("with\0zero", 9));
  EXPECT_EQ(NetSend(client, "abcdef"), 6);
  EXPECT_EQ(ReceiveSoon(server, text, 4), 4);
  EXPECT_STREQ(text.c_str(), "abcd");
  EXPECT_EQ(NetReceive(server, text, 100), 2);
  EXPECT_STREQ(text.c_str(), "ef");

  EXPECT_EQ(NetSetBlocking(client, 1), 0);
  EXPECT_EQ(NetClose(client), 1);
  EXPECT_EQ(NetClose(client), 0);
  EXPECT_EQ(ReceiveSoon(server, text, 100), 0);  // closed
  EXPECT_STREQ(text.c_str(), "");
  EXPECT_EQ(NetConnect("a..b", port, 100), -1);
  NetExit();
}

// However large the maximum, one read takes at most 64 KiB, and the text
// holds only what came.
TEST_F(SocketCommandsTest, AHugeMaximumAllocatesOnlyWhatArrives) {
  ASSERT_EQ(NetInit(), 1);
  const int32_t listening = NetListen(0);
  const int32_t client = NetConnect("127.0.0.1", SlotPort(listening), kLongWaitMs);
  ASSERT_GE(client, 0);
  const int32_t server = AcceptSoon(listening, nullptr);
  ASSERT_GE(server, 0);
  RtString text;
  EXPECT_EQ(NetReceive(server, text, INT32_MAX), -2);
  EXPECT_EQ(NetSend(client, "hi"), 2);
  EXPECT_EQ(ReceiveSoon(server, text, INT32_MAX), 2);
  EXPECT_STREQ(text.c_str(), "hi");
  EXPECT_LT(text.capacity, 1024u);
  const std::string big(200000, 'b');
  ASSERT_EQ(NetSetBlocking(client, 1), 0);
  ASSERT_EQ(NetSend(client, StringFromBytes(big.data(), static_cast<uint32_t>(big.size()))), 200000);
  size_t total = 0;
  for (int32_t n; total < big.size() && (n = ReceiveSoon(server, text, INT32_MAX)) > 0; total += n) {
    EXPECT_LE(n, 65536);
    EXPECT_EQ(text.length, static_cast<uint32_t>(n));
  }
  EXPECT_EQ(total, big.size());
  NetExit();
}

TEST_F(SocketCommandsTest, DatagramsGoToAnAddressAndPort) {
  NetInit();
  // A receiver on a port of its own (another one when another program took
  // the one found free first).
  int32_t port = 0;
  int32_t receiver = -1;
  for (int attempt = 0; attempt < 100 && receiver < 0; ++attempt) receiver = NetUdpOpen(port = FreeUdpPort());
  const int32_t sender = NetUdpOpen(0);  // bound by its first send
  EXPECT_EQ(NetSendTo(sender, "datagram", kLoopback, port), 8);
  RtString text;
  EXPECT_EQ(ReceiveSoon(receiver, text, 64), 8);
  EXPECT_STREQ(text.c_str(), "datagram");
  EXPECT_EQ(NetPeerIp(receiver), kLoopback);
  EXPECT_EQ(NetPeerPort(receiver), SlotPort(sender));
  EXPECT_EQ(NetSend(sender, "no address"), -1);
}

TEST_F(SocketCommandsTest, LookupsAndAddressTexts) {
  const struct {
    const char* host;
    int32_t ip;
  } lookups[] = {{"127.0.0.1", kLoopback}, {"localhost", kLoopback}, {"192.168.1.20", static_cast<int32_t>(0xC0A80114)},
                 {"255.255.255.255", -1},   // the same as a failure
                 {"a..b", -1}};
  for (const auto& l : lookups) EXPECT_EQ(NetLookup(l.host), l.ip) << l.host;
  const struct {
    int32_t ip;
    const char* text;
  } texts[] = {{kLoopback, "127.0.0.1"}, {static_cast<int32_t>(0xC0A80114), "192.168.1.20"}, {0, "0.0.0.0"},
               {-1, "255.255.255.255"}};
  for (const auto& t : texts) EXPECT_STREQ(NetIpText(t.ip).c_str(), t.text);
}

TEST_F(SocketCommandsTest, TheLocalListEndsWithTheLoopbackAndNoSeparator) {
  const std::string list = NetLocalIpList().c_str();
  ASSERT_GE(list.size(), 9u);
  EXPECT_EQ(list.substr(list.size() - 9), "127.0.0.1");
  EXPECT_EQ(list.find("||"), std::string::npos);
  EXPECT_EQ(NetStartupCount(), 0);
}

TEST_F(SocketCommandsTest, TheErrorTextNamesTheLastError) {
  NetInit();
  EXPECT_EQ(NetConnect("127.0.0.1", RefusedPort(), kLongWaitMs), -1);
  EXPECT_EQ(std::string(NetErrorText().c_str()).substr(0, 6), "10061 ");
  SockSetLastError(424242);
  EXPECT_STREQ(NetErrorText().c_str(), "");
}

// A program file is started directly, without a shell; with ending by ESC
// allowed, the program ends after starting it.
TEST_F(SocketCommandsTest, OpeningAProgramStartsIt) {
  ScratchDir dir(ProgramFolder());
  const std::string script = dir.File("opened.sh");
  WriteFileBytes(script, "#!/bin/sh\necho opened > \"$0.out\"\n");
  chmod(script.c_str(), 0755);
  const auto waitForOutput = [&] {
    Eventually([&] { return !ReadFileBytes(script + ".out").empty(); });
    return ReadFileBytes(script + ".out");
  };
  // The ending case first: its death test forks, best before this process
  // has a thread that waits for a started program.
  EXPECT_EXIT(
      {
        g_app.escapeEnds = 1;
        NetOpenUrl(script.c_str());
      },
      testing::ExitedWithCode(0), "");
  EXPECT_EQ(waitForOutput(), "opened\n");
  unlink((script + ".out").c_str());
  g_app.escapeEnds = 0;
  EXPECT_EQ(NetOpenUrl(script.c_str()), 1);
  EXPECT_EQ(waitForOutput(), "opened\n");
  g_app.escapeEnds = 1;
}

}  // namespace
