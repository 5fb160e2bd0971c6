#include "net/http_download.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "net/socket_commands.h"
#include "net/socket_layer.h"
#include "platform/clock.h"
#include "tests/support/net_fixture.h"
#include "tests/support/test_env.h"

namespace {

using HttpDownloadTest = NetTest;

// One step of a scripted response: bytes to write, then a pause.
struct Step {
  std::string bytes;
  int pauseMs = 0;
};

// How the server ends the connection.
enum class End { kClose, kReset };

// After the script, bytes "x" one at a time, each everyMs after the one
// before was due (so that a late one does not push the rest back), until
// forMs have passed since the first.
struct Trickle {
  double everyMs = 0;
  double forMs = 0;
};

// A tiny HTTP/1.0 server for one connection on 127.0.0.1: it reads the
// request up to its empty line, plays the script and the trickle (until
// the client has gone), and closes or resets the connection, or first
// holds it open for holdMs (less when the client closes first).
class TinyServer {
 public:
  explicit TinyServer(std::vector<Step> script, int holdMs = 0, End end = End::kClose, Trickle trickle = {})
      : script_(std::move(script)), holdMs_(holdMs), end_(end), trickle_(trickle) {
    listening_ = RawListen(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TinyServer() {
    shutdown(listening_, SHUT_RDWR);  // no wait for a client that never came
    if (thread_.joinable()) thread_.join();
    close(listening_);
  }
  uint16_t port() const { return port_; }
  // The request as it came; call after the download.
  std::string Request() {
    Finish();
    return request_;
  }
  // Whether the client closed the connection before the server was done
  // with it (while it still sent, trickled or held it open); call after the
  // download.
  bool ClientLeftFirst() {
    Finish();
    return clientLeftFirst_;
  }
  // The bytes trickled; call after the download.
  int Trickled() {
    Finish();
    return trickled_;
  }
  // The longest time between two of the trickle's bytes (the first counted
  // from the script's end), as the server's own clock saw it: longer than
  // asked when the machine did not run the server on time.
  double LongestTrickleGapMs() {
    Finish();
    return longestGapMs_;
  }

 private:
  void Finish() {
    if (thread_.joinable()) thread_.join();
  }
  // Waits up to the milliseconds for the client to close; true when it did.
  static bool ClientCloses(int client, double milliseconds) {
    pollfd closing = {client, POLLIN, 0};
    return poll(&closing, 1, milliseconds > 0 ? static_cast<int>(milliseconds) : 0) > 0;
  }
  void Serve() {
    const int client = RawAccept(listening_);
    if (client < 0) return;
    char buffer[1024];
    while (request_.find("\r\n\r\n") == std::string::npos && request_.size() < 8192) {
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request_.append(buffer, static_cast<size_t>(n));
    }
    // A write fails only once the client has gone.
    for (const Step& step : script_) {
      clientLeftFirst_ = !RawWrite(client, step.bytes);
      if (clientLeftFirst_) break;
      PlatformSleep(step.pauseMs);
    }
    if (!clientLeftFirst_ && trickle_.everyMs > 0) {
      const double start = PlatformMilliseconds();
      double last = start;
      for (double due = start; !clientLeftFirst_ && due - start < trickle_.forMs; due += trickle_.everyMs) {
        clientLeftFirst_ = ClientCloses(client, due - PlatformMilliseconds()) || !RawWrite(client, "x");
        const double now = PlatformMilliseconds();
        longestGapMs_ = std::max(longestGapMs_, now - last);
        last = now;
        if (!clientLeftFirst_) ++trickled_;
      }
    }
    if (!clientLeftFirst_ && holdMs_ > 0) clientLeftFirst_ = ClientCloses(client, holdMs_);
    if (end_ == End::kReset) {
      const linger abort = {1, 0};
      setsockopt(client, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }
    close(client);
  }

  std::vector<Step> script_;
  int holdMs_;
  End end_;
  Trickle trickle_;
  uint16_t port_ = 0;
  int listening_ = -1;
  std::string request_;
  bool clientLeftFirst_ = false;
  int trickled_ = 0;
  double longestGapMs_ = 0;
  std::thread thread_;
};

// The download into a file: the result and what the file holds. The wait
// limit is the longest there is unless a test of it sets its own.
int32_t GetFile(uint16_t port, const std::string& file, int32_t timeoutMs = kLongWaitMs) {
  return NetHttpGetFile("127.0.0.1", "/x", port, file.c_str(), timeoutMs);
}

std::string GetString(uint16_t port, int32_t maximum, int32_t timeoutMs = kLongWaitMs) {
  const RtString body = NetHttpGetString("127.0.0.1", "/x", port, maximum, timeoutMs);
  return std::string(body.text, body.length);
}

const std::string kOk = "HTTP/1.0 200 OK\r\n\r\n";

// The body is everything after the first empty line, whatever the header
// says and however the bytes arrive.
TEST_F(HttpDownloadTest, TheBodyIsEverythingAfterTheFirstEmptyLine) {
  const std::string bigHeader = "HTTP/1.0 200 OK\r\nX-Big: " + std::string(5000, 'a') + "\r\n\r\n";
  std::string binary("zero\0inside", 11);
  std::string large;
  for (int i = 0; i < 100000; ++i) large += static_cast<char>('a' + i % 26);
  const struct {
    const char* what;
    std::vector<Step> script;
    std::string body;
  } cases[] = {
      {"crlf header", {{"HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello"}}, "hello"},
      {"lf header", {{"HTTP/1.0 200 OK\nServer: t\n\nhello"}}, "hello"},
      {"header ends with a piece", {{kOk, 50}, {"body"}}, "body"},
      {"empty line in two pieces", {{"HTTP/1.0 200 OK\r\n\r", 50}, {"\nbody"}}, "body"},
      {"header longer than any buffer", {{bigHeader + "body"}}, "body"},
      {"not found", {{"HTTP/1.0 404 Not Found\r\n\r\nmissing"}}, "missing"},
      {"redirect not followed", {{"HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:1/\r\n\r\nmoved"}}, "moved"},
      {"chunked kept as sent",
       {{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"}},
       "5\r\nhello\r\n0\r\n\r\n"},
      {"body in pieces, no length", {{kOk + "ab", 30}, {"cd"}}, "abcd"},
      {"length that lies", {{"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nlonger"}}, "longer"},
      {"zero bytes", {{kOk + binary}}, binary},
      {"large", {{kOk + large}}, large},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    TinyServer toFile(c.script);
    EXPECT_EQ(GetFile(toFile.port(), dir.File("body")), 1) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("body")), c.body) << c.what;
    TinyServer toText(c.script);
    EXPECT_EQ(GetString(toText.port(), 200000), c.body.substr(0, c.body.find('\0'))) << c.what;
  }
}

TEST_F(HttpDownloadTest, TheRequestIsAPlainGet) {
  TinyServer server({{kOk + "x"}});
  EXPECT_STREQ(NetHttpGetString("127.0.0.1", "/path/file.txt?a=1", server.port(), 10, kLongWaitMs).c_str(), "x");
  EXPECT_EQ(server.Request(),
            "GET /path/file.txt?a=1 HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n");
}

// A body far larger than the largest read arrives whole and in order,
// however the server's writes fall: in one go behind a short header or
// behind one longer than the largest read, or in pieces of uneven sizes,
// some after a pause (so that reads come back full as well as short).
TEST_F(HttpDownloadTest, ALargeBodyArrivesWholeAndInOrder) {
  std::string body(3 << 20, ' ');
  uint32_t x = 1;
  for (char& c : body) {
    x = x * 1103515245 + 12345;
    c = static_cast<char>('!' + (x >> 16) % 90);
  }
  const std::string header = "HTTP/1.0 200 OK\r\nX-Big: " + std::string(600000, 'h') + "\r\n\r\n";
  std::vector<Step> pieces = {{header.substr(0, 70000)}, {header.substr(70000) + body.substr(0, 5), 20}};
  for (size_t at = 5, size = 1; at < body.size(); at += size, size = size * 7 % 300007 + 1) {
    pieces.push_back({body.substr(at, size), pieces.size() % 4 == 0 ? 5 : 0});
  }
  const int32_t maximum = static_cast<int32_t>(body.size());
  ScratchDir dir;
  const struct {
    const char* what;
    std::vector<Step> script;
  } cases[] = {{"whole", {{kOk + body}}}, {"behind a long header", {{header + body}}}, {"in pieces", pieces}};
  for (const auto& c : cases) {
    TinyServer toFile(c.script);
    EXPECT_EQ(GetFile(toFile.port(), dir.File("large")), 1) << c.what;
    EXPECT_TRUE(ReadFileBytes(dir.File("large")) == body) << c.what;
    TinyServer toText(c.script);
    EXPECT_TRUE(GetString(toText.port(), maximum) == body) << c.what;
  }
}

// A text download ends once its text is full, also from a server that
// never closes: the download has closed while the server still holds the
// connection open.
TEST_F(HttpDownloadTest, TheTextKeepsTheFirstBytesAndEndsWhenFull) {
  std::string body;
  for (int i = 0; i < 100; ++i) body += static_cast<char>('0' + i % 10);
  for (const std::vector<Step>& script : {std::vector<Step>{{kOk + body}}, std::vector<Step>{{kOk, 30}, {body}}}) {
    TinyServer server(script, kLongWaitMs);
    EXPECT_EQ(GetString(server.port(), 10), body.substr(0, 10));
    EXPECT_TRUE(server.ClientLeftFirst());
  }
  for (int32_t maximum : {0, -7}) {
    TinyServer server({{kOk + body}});
    EXPECT_EQ(GetString(server.port(), maximum), "") << maximum;
  }
}

// The download's time-out is its wait limit: how long the server may send
// nothing. The whole download may take ten times as long.
constexpr int32_t kDeadlineTimes = 10;

// A server that stops sending fails the download once the wait limit has
// passed without a byte (well before the overall deadline, while the
// server still holds the connection open), with the time-out as the
// error; the file is left as it was.
TEST_F(HttpDownloadTest, AStalledServerFailsWithinTheTimeOut) {
  constexpr int32_t kWaitLimitMs = 2000;
  ScratchDir dir;
  WriteFileBytes(dir.File("target"), "old");
  const struct {
    const char* what;
    std::vector<Step> script;
  } cases[] = {{"silent", {}}, {"stops in the body", {{kOk + "part"}}}};
  for (const auto& c : cases) {
    TinyServer server(c.script, kLongWaitMs);
    const double start = PlatformMilliseconds();
    EXPECT_EQ(GetFile(server.port(), dir.File("target"), kWaitLimitMs), 0) << c.what;
    const double took = PlatformMilliseconds() - start;
    EXPECT_EQ(SockLastError(), 10060) << c.what;
    EXPECT_GE(took, kWaitLimitMs) << c.what;
    EXPECT_LT(took, kDeadlineTimes * kWaitLimitMs) << c.what;
    EXPECT_TRUE(server.ClientLeftFirst()) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("target")), "old") << c.what;
  }
}

// The wait limit starts again with each byte: a download whose bytes come
// far more often than the limit goes on well past it, to the server's
// close. A run in which the machine held the server back for half the
// limit or more proves nothing either way, and is made again.
TEST_F(HttpDownloadTest, TheWaitLimitStartsAgainWithEachByte) {
  constexpr int32_t kWaitLimitMs = 1500;
  constexpr int kRuns = 5;
  ScratchDir dir;
  for (int run = 0; run < kRuns; ++run) {
    TinyServer server({{kOk}}, 0, End::kClose, {20, 2 * kWaitLimitMs});
    const int32_t done = GetFile(server.port(), dir.File("trickled"), kWaitLimitMs);
    if (server.LongestTrickleGapMs() >= kWaitLimitMs / 2.0) continue;
    EXPECT_EQ(done, 1);
    EXPECT_EQ(ReadFileBytes(dir.File("trickled")), std::string(static_cast<size_t>(server.Trickled()), 'x'));
    return;
  }
  GTEST_SKIP() << "in " << kRuns << " runs the machine never ran the trickling server within half the wait limit";
}

// A server that keeps bytes coming cannot hold the download for ever: it
// fails with the time-out (at the overall deadline, unless a pause longer
// than the wait limit ended it sooner) while the server still sends.
TEST_F(HttpDownloadTest, ATricklingServerFailsAtTheOverallDeadline) {
  constexpr int32_t kWaitLimitMs = 200;
  ScratchDir dir;
  for (bool toFile : {true, false}) {
    TinyServer server({{kOk}}, 0, End::kClose, {20, kLongWaitMs});
    const double start = PlatformMilliseconds();
    if (toFile) {
      EXPECT_EQ(GetFile(server.port(), dir.File("trickled"), kWaitLimitMs), 0);
      EXPECT_FALSE(FileExists(dir.File("trickled")));
    } else {
      EXPECT_EQ(GetString(server.port(), 1000, kWaitLimitMs), "");
    }
    const double took = PlatformMilliseconds() - start;
    EXPECT_EQ(SockLastError(), 10060) << toFile;
    EXPECT_GE(took, kWaitLimitMs) << toFile;
    EXPECT_TRUE(server.ClientLeftFirst()) << toFile;
  }
}

// A download that did not complete fails: a connection that ends before the
// header did, or that is reset. An existing file is left as it was, no file
// is made, and the text is empty.
TEST_F(HttpDownloadTest, AnIncompleteDownloadFailsAndLeavesTheFile) {
  const struct {
    const char* what;
    std::vector<Step> script;
    End end;
    int32_t error;
  } cases[] = {
      {"closed before any byte", {}, End::kClose, 10053},
      {"closed inside the header", {{"HTTP/1.0 200 OK\r\nServer: t"}}, End::kClose, 10053},
      {"closed after the first empty line's \\r", {{"HTTP/1.0 200 OK\r\n\r"}}, End::kClose, 10053},
      {"reset inside the header", {{"HTTP/1.0 200 OK\r\n", 50}}, End::kReset, 10054},
      {"reset in the body", {{kOk + "part", 50}}, End::kReset, 10054},
  };
  ScratchDir dir;
  WriteFileBytes(dir.File("kept"), "old");
  for (const auto& c : cases) {
    TinyServer kept(c.script, 0, c.end);
    EXPECT_EQ(GetFile(kept.port(), dir.File("kept")), 0) << c.what;
    EXPECT_EQ(SockLastError(), c.error) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("kept")), "old") << c.what;
    TinyServer none(c.script, 0, c.end);
    EXPECT_EQ(GetFile(none.port(), dir.File("none")), 0) << c.what;
    EXPECT_FALSE(FileExists(dir.File("none"))) << c.what;
    TinyServer text(c.script, 0, c.end);
    EXPECT_EQ(GetString(text.port(), 100), "") << c.what;
    EXPECT_EQ(SockLastError(), c.error) << c.what;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) names.push_back(entry.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"kept"}) << "no temporary file is left";
}

// However large the maximum, the text takes only what arrives.
TEST_F(HttpDownloadTest, AHugeMaximumAllocatesOnlyWhatArrives) {
  RtString refused = NetHttpGetString("127.0.0.1", "/", RefusedPort(), INT32_MAX, 100);
  EXPECT_STREQ(refused.c_str(), "");
  EXPECT_LT(refused.capacity, 1024u);
  TinyServer server({{kOk + "small"}});
  const RtString body = NetHttpGetString("127.0.0.1", "/", server.port(), INT32_MAX, kLongWaitMs);
  EXPECT_STREQ(body.c_str(), "small");
  EXPECT_LT(body.capacity, 1024u);
}

TEST_F(HttpDownloadTest, FailuresKeepTheirOwnErrorAndTheProgramsSockets) {
  NetStartup();
  const int32_t own = SockUdpOpen(0);
  ScratchDir dir;
  EXPECT_EQ(GetFile(RefusedPort(), dir.File("refused")), 0);
  EXPECT_EQ(SockLastError(), 10061);
  EXPECT_EQ(std::string(NetErrorText().c_str()).substr(0, 6), "10061 ");
  EXPECT_FALSE(FileExists(dir.File("refused")));  // nothing is made for a failed download
  EXPECT_EQ(NetHttpGetFile("a..b", "/", 80, dir.File("unresolved").c_str(), 100), 0);
  EXPECT_EQ(NetStartupCount(), 1);
  EXPECT_NE(SockSlot(own)->fd, -1);
}

TEST_F(HttpDownloadTest, TheTargetFileIsMadeAfresh) {
  ScratchDir dir;
  WriteFileBytes(dir.File("old"), "old and longer contents");
  mkdir(dir.File("empty").c_str(), 0755);
  mkdir(dir.File("full").c_str(), 0755);
  WriteFileBytes(dir.File("full/inside"), "x");
  const struct {
    std::string name;
    int32_t result;
    std::string path;
  } cases[] = {
      {dir.File("old"), 1, dir.File("old")},
      {dir.File("empty"), 1, dir.File("empty")},
      {dir.path() + "\\back", 1, dir.path() + "/back"},
      {dir.File("full"), 0, ""},
      {dir.File("no/such/folder"), 0, ""},
  };
  for (const auto& c : cases) {
    TinyServer server({{kOk + "new"}});
    EXPECT_EQ(NetHttpGetFile("127.0.0.1", "/", server.port(), c.name.c_str(), kLongWaitMs), c.result) << c.name;
    if (c.result == 1) {
      EXPECT_EQ(ReadFileBytes(c.path), "new") << c.name;
    }
  }
  // A memory-file name is refused before anything is asked or created.
  const std::string memoryName = "mem://       4.0000000000001000";
  EXPECT_EQ(NetHttpGetFile("127.0.0.1", "/", RefusedPort(), memoryName.c_str(), 100), 0);
  EXPECT_EQ(NetStartupCount(), 0);
}

}  // namespace
