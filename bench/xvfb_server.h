// An X server of a benchmark's own: Xvfb on a display number it picks
// itself (-displayfd), without TCP, its output discarded. The server ends
// with the object (SIGTERM, then SIGKILL when it has not ended 5 s later).
#pragma once

#include <sys/types.h>

#include <string>

class XvfbServer {
 public:
  XvfbServer() = default;
  XvfbServer(const XvfbServer&) = delete;
  XvfbServer& operator=(const XvfbServer&) = delete;
  ~XvfbServer() { Stop(); }

  // Starts Xvfb with one screen of the size given as "WxHxD". False with
  // the reason in *why when there is no server to start.
  bool Start(const char* screen, std::string* why);
  void Stop();

  // ":N", the value for DISPLAY.
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};
