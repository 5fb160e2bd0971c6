#include "platform/file_dialog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/process.h"

namespace {

// More than any path: the rest of a runaway output is read and dropped.
constexpr size_t kOutputLimit = 1 << 16;

}  // namespace

bool PlatformFileDialog(bool open, const std::vector<PlatformFileFilter>& filters, const std::string& folder,
                        std::string* path) {
  std::vector<std::string> argv = {"zenity", "--file-selection"};
  if (!open) argv.push_back("--save");
  if (!folder.empty()) argv.push_back("--filename=" + folder + (folder.back() == '/' ? "" : "/"));
  for (const PlatformFileFilter& filter : filters) {
    argv.push_back("--file-filter=" + filter.name + " | " + filter.patterns);
  }

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return false;
  const pid_t pid = PlatformProcessStart(argv, output[1]);
  close(output[1]);
  if (pid < 0) {
    close(output[0]);
    return false;
  }
  std::string text;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(output[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (text.size() < kOutputLimit) text.append(buffer, static_cast<size_t>(n));
  }
  close(output[0]);
  const uint32_t status = PlatformProcessWait(pid);

  // zenity prints the path and a line end, and exits with 0 on a choice.
  if (status != 0 || text.size() >= kOutputLimit) return false;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  *path = text;
  return true;
}
