#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace {

double MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1.0e6;
}

}  // namespace

double PlatformMilliseconds() {
  static const double origin = MonotonicMilliseconds();
  return MonotonicMilliseconds() - origin;
}

double PlatformCounterFrequency() {
  timespec resolution{};
  if (clock_getres(CLOCK_MONOTONIC, &resolution) != 0) return 0.0;
  const double seconds = static_cast<double>(resolution.tv_sec) + static_cast<double>(resolution.tv_nsec) / 1.0e9;
  return seconds > 0.0 ? 1.0 / seconds : 0.0;
}

void PlatformSleep(double milliseconds) {
  if (!(milliseconds > 0.0)) return;
  const double whole_seconds = static_cast<double>(static_cast<long long>(milliseconds / 1000.0));
  timespec left{};
  left.tv_sec = static_cast<time_t>(whole_seconds);
  left.tv_nsec = static_cast<long>((milliseconds - whole_seconds * 1000.0) * 1.0e6);
  timespec remaining{};
  while (nanosleep(&left, &remaining) != 0 && errno == EINTR) left = remaining;
}
