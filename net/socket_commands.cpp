#include "net/socket_commands.h"

#include <arpa/inet.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "files/file_paths.h"
#include "net/http_download.h"
#include "net/socket_layer.h"
#include "platform/process.h"
#include "process/app_globals.h"
#include "process/program_end.h"

namespace {

constexpr size_t kLocalListBytes = 4096;
// The most one NetReceive takes: more than the largest datagram.
constexpr int32_t kReceiveBytes = 64 * 1024;

SockAddress HostOrderAddress(int32_t ip, int32_t port) {
  return {htonl(static_cast<uint32_t>(ip)), htons(static_cast<uint16_t>(port))};
}

// The argument vector that opens the target: a program file runs itself,
// anything else (a URL, a document) goes to the desktop's opener.
std::vector<std::string> OpenCommand(const RtString& target) {
  std::string path;
  struct stat st {};
  if (std::strstr(target.c_str(), "://") == nullptr && SystemPath(target.c_str(), &path) &&
      path.find('/') != std::string::npos && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      access(path.c_str(), X_OK) == 0) {
    return {path};
  }
  return {"xdg-open", std::string(target.text, target.length)};
}

}  // namespace

int32_t NetInit() { return NetStartup() != 0 ? 1 : 0; }

void NetExit() { NetShutdown(); }

int32_t NetListen(int32_t port) { return SockListen(static_cast<uint16_t>(port)); }

int32_t NetAccept(int32_t socket, int32_t* ip) {
  SockAddress peer = {0, 0};
  const int32_t accepted = SockAccept(socket, &peer);
  if (accepted >= 0 && ip != nullptr) *ip = static_cast<int32_t>(SockAddressIp(&peer));
  return accepted;
}

int32_t NetConnect(const RtString& host, int32_t port, int32_t timeoutMs) {
  const SockAddress address = SockResolve(host.c_str(), static_cast<uint16_t>(port));
  if (address.ip == 0 && address.port == 0) return -1;
  return SockConnect(address, timeoutMs);
}

int32_t NetUdpOpen(int32_t port) { return SockUdpOpen(static_cast<uint16_t>(port)); }

int32_t NetSend(int32_t socket, const RtString& text) {
  return SockSend(socket, text.text, static_cast<int32_t>(text.length), nullptr);
}

int32_t NetSendTo(int32_t socket, const RtString& text, int32_t ip, int32_t port) {
  const SockAddress to = HostOrderAddress(ip, port);
  return SockSend(socket, text.text, static_cast<int32_t>(text.length), &to);
}

int32_t NetReceive(int32_t socket, RtString& text, int32_t maximum) {
  // The read goes through a buffer of its own, so the text is only as long
  // as what came, whatever the maximum.
  char buffer[kReceiveBytes];
  const int32_t count = SockRecv(socket, buffer, std::clamp(maximum, 0, kReceiveBytes), 0);
  if (count > 0) {
    StringReserve(text, static_cast<uint32_t>(count), false);
    std::memcpy(text.text, buffer, static_cast<size_t>(count));
    text.text[count] = '\0';
    text.length = static_cast<uint32_t>(count);
  } else {
    StringDestroy(text);
  }
  return count;
}

int32_t NetClose(int32_t socket) { return SockClose(socket) == 0 ? 1 : 0; }

int32_t NetSetBlocking(int32_t socket, int32_t flag) { return SockSetBlocking(socket, flag != 0 ? 1 : 0); }

int32_t NetLookup(const RtString& host) {
  const SockAddress address = SockResolve(host.c_str(), 0);
  if (address.ip == 0 && address.port == 0) return -1;
  return static_cast<int32_t>(SockAddressIp(&address));
}

RtString NetIpText(int32_t ip) {
  const uint32_t networkOrder = htonl(static_cast<uint32_t>(ip));
  return StringFromCStr(SockAddressText(&networkOrder));
}

int32_t NetPeerIp(int32_t socket) {
  const SockAddress peer = SockPeerAddress(socket);
  return static_cast<int32_t>(SockAddressIp(&peer));
}

int32_t NetPeerPort(int32_t socket) {
  const SockAddress peer = SockPeerAddress(socket);
  return SockAddressPort(&peer);
}

RtString NetLocalIpList() {
  NetStartup();
  int32_t count = 0;
  std::string list;
  if (const char* addresses = NetLocalAddresses(&count, "|")) {
    list.assign(addresses, strnlen(addresses, kLocalListBytes));
  }
  if (!list.empty() && list.back() == '|') list.pop_back();
  NetShutdown();
  return StringFromCStr(list.c_str());
}

RtString NetErrorText() { return StringFromCStr(SockErrorText()); }

int32_t NetHttpGetFile(const RtString& host, const RtString& path, int32_t port, const RtString& fileName,
                       int32_t timeoutMs) {
  return HttpGetToFile(host.c_str(), path.c_str(), port, fileName.c_str(), nullptr, 0, timeoutMs);
}

RtString NetHttpGetString(const RtString& host, const RtString& path, int32_t port, int32_t maximum,
                          int32_t timeoutMs) {
  std::string body;
  if (HttpGetToFile(host.c_str(), path.c_str(), port, nullptr, &body, maximum, timeoutMs) == 0) return RtString();
  return StringFromBytes(body.data(), static_cast<uint32_t>(strnlen(body.data(), body.size())));
}

int32_t NetOpenUrl(const RtString& target) {
  const bool ending = g_app.escapeEnds != 0;
  if (ending && g_runtimeShutdownHook != nullptr) g_runtimeShutdownHook();
  const pid_t pid = PlatformProcessStart(OpenCommand(target));
  if (pid > 0) PlatformProcessDetach(pid);
  if (ending) ProgramEnd();
  return pid > 0 ? 1 : 0;
}
