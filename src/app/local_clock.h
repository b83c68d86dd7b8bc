// The local clock row of the window: 时钟2's tick handler, the worker it starts, and the texts
// the worker builds from a clock reading.
#pragma once

#include "util/date_time.h"
#include "util/text_bytes.h"

namespace chronalt {

struct LocalClockTexts {
  Text time;  // ‘2024-1-5 09:05:03’: month and day without a leading zero, time fields two digits
  Text millis;  // ‘007’ below 10 ms, otherwise the plain digits: ‘12’, ‘100’
};

LocalClockTexts FormatLocalClockTexts(const ClockFields& now);

// Worker: reads the local clock, publishes LocalMillisText and then LocalTimeText, and shows
// LocalMillisText in 编辑框4.
void FormatLocalTime();

// 时钟2's tick, on the window thread: starts a FormatLocalTime worker (unless the limit of
// workers in flight is reached) and shows the current LocalTimeText in 编辑框2.
void OnLocalClockTick();

}  // namespace chronalt
