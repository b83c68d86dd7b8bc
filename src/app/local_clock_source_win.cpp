// The local clock on Windows: GetLocalTime, which always succeeds.
#include <windows.h>

#include "app/local_clock_source.h"

namespace chronalt {
namespace {

ClockFields ReadWindowsLocalTime() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return {now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
          now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

}  // namespace

LocalClockReader DefaultLocalClockReader() { return &ReadWindowsLocalTime; }

}  // namespace chronalt
