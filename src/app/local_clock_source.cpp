// The replaceable local-clock reader, held in an atomic pointer so workers on any thread read
// whichever reader is installed.
#include "app/local_clock_source.h"

#include <atomic>

namespace chronalt {
namespace {

std::atomic<LocalClockReader> installed{nullptr};

}  // namespace

LocalClockReader SetLocalClockReader(LocalClockReader reader) {
  return installed.exchange(reader, std::memory_order_acq_rel);
}

ClockFields ReadLocalClock() {
  const LocalClockReader reader = installed.load(std::memory_order_acquire);
  return reader != nullptr ? reader() : DefaultLocalClockReader()();
}

}  // namespace chronalt
