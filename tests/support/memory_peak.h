// How much address space a piece of work took at its peak, read from the
// kernel's account of the process, so that a test sees a reader that
// allocates a large block for a picture even when it never touches it.
#pragma once

#include <cstdint>
#include <functional>

// How far the process's peak virtual size (VmPeak) rose while the work
// ran, in bytes; 0 when it did not rise or the account cannot be read. A
// block smaller than the gap between the size and the peak before the work
// does not show.
int64_t PeakVirtualGrowth(const std::function<void()>& work);
