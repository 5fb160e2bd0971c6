// Name resolution, the machine's own addresses and address texts of the
// socket layer.
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "net/socket_layer.h"

namespace {

constexpr size_t kAddressListBytes = 2048;
constexpr size_t kLongestResolvedLine = 1023;

char g_addressList[kAddressListBytes];
char g_addressText[16];

// The WinSock number of a getaddrinfo failure.
int32_t ResolveError(int failure) {
  switch (failure) {
    case EAI_NONAME: return kSockErrorHostNotFound;
    case EAI_AGAIN: return kSockErrorHostNotFound + 1;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return kSockErrorHostNotFound + 3;
    case EAI_SYSTEM: return SockErrorFromErrno(errno);
    default: return kSockErrorHostNotFound + 2;
  }
}

// The first IPv4 address of the name (network order); false when none.
bool ResolveName(const char* name, uint32_t* ip) {
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  addrinfo* found = nullptr;
  const int failure = getaddrinfo(name, nullptr, &hints, &found);
  if (failure != 0 || found == nullptr) {
    SockSetLastError(failure != 0 ? ResolveError(failure) : kSockErrorHostNotFound);
    return false;
  }
  *ip = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(found);
  SockSetLastError(0);
  return true;
}

void FormatAddress(uint32_t ip, char text[16]) {
  const auto* b = reinterpret_cast<const uint8_t*>(&ip);
  std::snprintf(text, 16, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
}

}  // namespace

SockAddress SockResolve(const char* name, uint16_t port) {
  uint32_t ip = 0;
  bool found = false;
  if (name != nullptr && name[0] != '\0') {
    found = ResolveName(name, &ip);
  } else {
    int32_t count = 0;
    const char* list = NetLocalAddresses(&count, "\n");
    if (list != nullptr && count > 0) {
      std::string first(list, std::strcspn(list, "\n"));
      if (first.size() > kLongestResolvedLine) first.resize(kLongestResolvedLine);
      found = ResolveName(first.c_str(), &ip);
    }
    if (!found) found = ResolveName("127.0.0.1", &ip);
    if (!found) found = ResolveName("localhost.local", &ip);
  }
  if (!found) return {0, 0};
  return {ip, htons(port)};
}

const char* NetLocalAddresses(int32_t* count, const char* separator) {
  if (count != nullptr) *count = 0;
  ifaddrs* interfaces = nullptr;
  if (getifaddrs(&interfaces) != 0) {
    SockSetLastError(SockErrorFromErrno(errno));
    return nullptr;
  }
  if (separator == nullptr) separator = "";
  const size_t separatorLength = std::strlen(separator);
  const uint32_t loopback = htonl(INADDR_LOOPBACK);
  bool sawLoopback = false;
  size_t used = 0;
  int32_t listed = 0;
  // Appends one address and the separator; false when it would pass the
  // buffer's 2047 characters.
  auto append = [&](uint32_t ip) {
    char text[16];
    FormatAddress(ip, text);
    const size_t length = std::strlen(text);
    if (used + length + separatorLength > kAddressListBytes - 1) return false;
    std::memcpy(g_addressList + used, text, length);
    std::memcpy(g_addressList + used + length, separator, separatorLength);
    used += length + separatorLength;
    ++listed;
    return true;
  };
  for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
    if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
    if ((entry->ifa_flags & IFF_UP) == 0) continue;
    const uint32_t ip = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
    if (ip == loopback) {
      sawLoopback = true;
      continue;
    }
    if (!append(ip)) break;
  }
  freeifaddrs(interfaces);
  if (sawLoopback) append(loopback);
  g_addressList[used] = '\0';
  if (count != nullptr) *count = listed;
  SockSetLastError(0);
  return g_addressList;
}

const char* SockAddressText(const uint32_t* ip) {
  FormatAddress(ip != nullptr ? *ip : 0, g_addressText);
  return g_addressText;
}

uint32_t SockAddressIp(const SockAddress* address) { return ntohl(address->ip); }

uint16_t SockAddressPort(const SockAddress* address) { return ntohs(address->port); }

SockAddress SockMakeAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) {
  const uint32_t ip = (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | d;
  return {htonl(ip), htons(port)};
}
