#include "bench/xvfb_server.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

bool XvfbServer::Start(const char* screen, std::string* why) {
  Stop();
  int numbers[2];
  if (pipe(numbers) != 0) {
    *why = "no pipe for Xvfb's display number";
    return false;
  }
  std::fflush(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    close(numbers[0]);
    const int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
    }
    const std::string fd = std::to_string(numbers[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(numbers[1]);
  // The server writes its display number and a line feed once it listens;
  // a server that could not start closes the pipe with nothing written.
  std::string number;
  char c = 0;
  while (pid_ > 0 && read(numbers[0], &c, 1) == 1 && c != '\n') number += c;
  close(numbers[0]);
  if (pid_ < 0 || number.empty()) {
    Stop();
    *why = "Xvfb could not be started (is it installed? Debian package xvfb)";
    return false;
  }
  display_ = ":" + number;
  return true;
}

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  for (int waited = 0; waitpid(pid_, &status, WNOHANG) != pid_; ++waited) {
    if (waited == 5000) kill(pid_, SIGKILL);
    if (waited > 10000) break;
    usleep(1000);
  }
  pid_ = -1;
  display_.clear();
}
