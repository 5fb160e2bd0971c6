#include "net/http_download.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A tiny HTTP/1.0 server for one connection on 127.0.0.1: it reads the
// request up to its empty line, plays the script, and closes, or first holds
// the connection open for holdMs (less when the client closes first).
class TinyServer {
 public:
  explicit TinyServer(std::vector<Step> script, int holdMs = 0) : script_(std::move(script)), holdMs_(holdMs) {
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
    thread_.join();
    return request_;
  }

 private:
  void Serve() {
    const int client = RawAccept(listening_);
    if (client < 0) return;
    char buffer[1024];
    while (request_.find("\r\n\r\n") == std::string::npos && request_.size() < 8192) {
      const ssize_t n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request_.append(buffer, static_cast<size_t>(n));
    }
    for (const Step& step : script_) {
      RawWrite(client, step.bytes);
      PlatformSleep(step.pauseMs);
    }
    pollfd closing = {client, POLLIN, 0};
    if (holdMs_ > 0) poll(&closing, 1, holdMs_);
    close(client);
  }

  std::vector<Step> script_;
  int holdMs_;
  uint16_t port_ = 0;
  int listening_ = -1;
  std::string request_;
  std::thread thread_;
};

// The download into a file: the result and what the file holds.
int32_t GetFile(uint16_t port, const std::string& file, int32_t timeoutMs = 1000) {
  return NetHttpGetFile("127.0.0.1", "/x", port, file.c_str(), timeoutMs);
}

std::string GetString(uint16_t port, int32_t maximum, int32_t timeoutMs = 1000) {
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
      {"no end of header", {{"HTTP/1.0 200 OK\r\nServer: t"}}, ""},
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
  EXPECT_STREQ(NetHttpGetString("127.0.0.1", "/path/file.txt?a=1", server.port(), 10, 1000).c_str(), "x");
  EXPECT_EQ(server.Request(),
            "GET /path/file.txt?a=1 HTTP/1.0\r\nHost:127.0.0.1\r\nAccept: */*\r\nUser-Agent: Vantrel\r\n\r\n");
}

// A text download ends once its text is full, also from a server that never
// closes; a file download takes the whole body.
TEST_F(HttpDownloadTest, TheTextKeepsTheFirstBytesAndEndsWhenFull) {
  std::string body;
  for (int i = 0; i < 100; ++i) body += static_cast<char>('0' + i % 10);
  for (const std::vector<Step>& script : {std::vector<Step>{{kOk + body}}, std::vector<Step>{{kOk, 30}, {body}}}) {
    TinyServer server(script, 3000);
    const double start = PlatformMilliseconds();
    EXPECT_EQ(GetString(server.port(), 10, 2000), body.substr(0, 10));
    EXPECT_LT(PlatformMilliseconds() - start, 1000);
  }
  for (int32_t maximum : {0, -7}) {
    TinyServer server({{kOk + body}});
    EXPECT_EQ(GetString(server.port(), maximum), "") << maximum;
  }
}

// A server that stops sending fails the download after the time-out, with
// the time-out as the error; what came stays in the file.
TEST_F(HttpDownloadTest, AStalledServerFailsWithinTheTimeOut) {
  ScratchDir dir;
  const struct {
    const char* what;
    std::vector<Step> script;
    std::string partial;
  } cases[] = {{"silent", {}, ""}, {"stops in the body", {{kOk + "part"}}, "part"}};
  for (const auto& c : cases) {
    TinyServer server(c.script, 3000);
    const double start = PlatformMilliseconds();
    EXPECT_EQ(GetFile(server.port(), dir.File("partial"), 200), 0) << c.what;
    EXPECT_LT(PlatformMilliseconds() - start, 1500) << c.what;
    EXPECT_EQ(SockLastError(), 10060) << c.what;
    EXPECT_EQ(ReadFileBytes(dir.File("partial")), c.partial) << c.what;
  }
}

TEST_F(HttpDownloadTest, FailuresKeepTheirOwnErrorAndTheProgramsSockets) {
  NetStartup();
  const int32_t own = SockUdpOpen(0);
  ScratchDir dir;
  EXPECT_EQ(GetFile(FreePort(), dir.File("refused")), 0);
  EXPECT_EQ(SockLastError(), 10061);
  EXPECT_EQ(std::string(NetErrorText().c_str()).substr(0, 6), "10061 ");
  EXPECT_TRUE(FileExists(dir.File("refused")));  // created before the connect
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
    EXPECT_EQ(NetHttpGetFile("127.0.0.1", "/", server.port(), c.name.c_str(), 1000), c.result) << c.name;
    if (c.result == 1) {
      EXPECT_EQ(ReadFileBytes(c.path), "new") << c.name;
    }
  }
  // A memory-file name is refused before anything is asked or created.
  const std::string memoryName = "mem://       4.0000000000001000";
  EXPECT_EQ(NetHttpGetFile("127.0.0.1", "/", FreePort(), memoryName.c_str(), 100), 0);
  EXPECT_EQ(NetStartupCount(), 0);
}

}  // namespace
