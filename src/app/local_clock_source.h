// Where the local-clock worker reads the time: the platform's local clock by default, or a
// reader that tests install to fix the time.
#pragma once

#include "util/date_time.h"

namespace chronalt {

// Fills all eight fields with the local (not universal) date and time.
using LocalClockReader = ClockFields (*)();

// GetLocalTime on Windows; elsewhere the C library's local time with milliseconds.
LocalClockReader DefaultLocalClockReader();

// Installs the reader ReadLocalClock uses and returns the one it replaces; null restores the
// default. Safe to call from any thread.
LocalClockReader SetLocalClockReader(LocalClockReader reader);

ClockFields ReadLocalClock();

// Installs a reader for the lifetime of the object, then puts the previous one back.
class ScopedLocalClockReader {
 public:
  explicit ScopedLocalClockReader(LocalClockReader reader)
      : previous_(SetLocalClockReader(reader)) {}
  ~ScopedLocalClockReader() { SetLocalClockReader(previous_); }
  ScopedLocalClockReader(const ScopedLocalClockReader&) = delete;
  ScopedLocalClockReader& operator=(const ScopedLocalClockReader&) = delete;

 private:
  LocalClockReader previous_;
};

}  // namespace chronalt
