#include "tests/support/memory_peak.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// The VmPeak line of /proc/self/status in bytes, or -1.
int64_t VirtualPeak() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmPeak:", 0) == 0) return std::strtoll(line.c_str() + 7, nullptr, 10) * 1024;
  }
  return -1;
}

}  // namespace

int64_t PeakVirtualGrowth(const std::function<void()>& work) {
  const int64_t before = VirtualPeak();
  work();
  const int64_t after = VirtualPeak();
  return before < 0 || after < before ? 0 : after - before;
}
