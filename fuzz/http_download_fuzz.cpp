// The HTTP download's handling of a response: a loopback server reads the
// request and answers with any bytes, in pieces split at random points,
// then closes. A download succeeds exactly when the header ended; then it
// has written exactly the body (everything after the first empty header
// line) to the file, and its first bytes to the text; a failed one leaves
// no file.
//
// Input: two bytes seeding the split, one byte choosing how many bytes the
// text keeps and whether there is a file (even: a file and the text, odd:
// the text alone, where the download ends once the text is full), then the
// response.
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "fuzz/fuzz_input.h"
#include "net/http_download.h"
#include "tests/support/raw_peer.h"

namespace {

constexpr const char* kTarget = "http_download";

int g_listening = -1;
uint16_t g_port = 0;

// Reads the request up to its empty line, answers, closes its side and
// reads until the client closes.
void Serve(const std::string& response, uint16_t seed) {
  const int fd = RawAccept(g_listening);
  if (fd < 0) return;
  std::string request;
  char c;
  while (request.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1) request += c;
  FuzzSendSplit(fd, response, seed, 6);
  shutdown(fd, SHUT_WR);
  RawReadAll(fd);
  close(fd);
}

// The body by the download's rule: "\r" is skipped, any other byte but
// "\n" starts the count again, and the second "\n" in a row ends the
// header. npos when the header never ends.
size_t BodyStart(const std::string& response) {
  int newlines = 0;
  for (size_t i = 0; i < response.size(); ++i) {
    if (response[i] == '\r') continue;
    if (response[i] != '\n') {
      newlines = 0;
    } else if (++newlines == 2) {
      return i + 1;
    }
  }
  return std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzSetUp();
  signal(SIGPIPE, SIG_IGN);
  g_listening = RawListen(&g_port);
  if (g_listening < 0) FuzzFail(kTarget, "cannot listen");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzBytes input(data, size);
  const uint16_t seed = input.U16();
  const uint8_t choice = input.Byte();
  const int32_t maximum = (choice >> 1) * 8;
  const bool toFile = (choice & 1) == 0;
  const std::string response = input.Rest();

  const std::string file = FuzzScratchDir() + "/download.bin";
  std::string text = "left from before";
  std::thread server(Serve, response, seed);
  const int32_t ok =
      HttpGetToFile("127.0.0.1", "/file", g_port, toFile ? file.c_str() : nullptr, &text, maximum, 1000);
  server.join();

  const size_t start = BodyStart(response);
  // The server always closes in time: the download succeeds exactly when
  // the header ended (a buffer-only download may end sooner, once full).
  if (toFile) {
    FUZZ_CHECK(ok == (start != std::string::npos ? 1 : 0), kTarget,
               ok == 1 ? "a response whose header never ended was taken" : "a whole response was not taken");
    FUZZ_CHECK(ok == 1 || access(file.c_str(), F_OK) != 0, kTarget, "a failed download left a file");
  } else if (start == std::string::npos) {
    FUZZ_CHECK(ok == 0, kTarget, "a response whose header never ended was taken");
  }
  if (ok == 1) {
    const std::string body = response.substr(start);
    if (toFile) FUZZ_CHECK(FuzzReadFile(file) == body, kTarget, "the file is not the body");
    FUZZ_CHECK(text == body.substr(0, static_cast<size_t>(maximum)), kTarget, "the text is not the body's first bytes");
  }
  unlink(file.c_str());
  FuzzForgetErrorLog();
  return 0;
}
