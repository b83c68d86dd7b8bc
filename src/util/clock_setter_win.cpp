// The Windows clock setter: hands the fields to SetLocalTime, which converts the local time
// with the machine's time zone and needs the right to change the system time.
#include <windows.h>

#include "util/date_time.h"

namespace chronalt {
namespace {

bool SetLocalClock(const ClockFields& fields) {
  SYSTEMTIME time{};
  time.wYear = fields.year;
  time.wMonth = fields.month;
  time.wDayOfWeek = fields.day_of_week;
  time.wDay = fields.day;
  time.wHour = fields.hour;
  time.wMinute = fields.minute;
  time.wSecond = fields.second;
  time.wMilliseconds = fields.milliseconds;
  return SetLocalTime(&time) != FALSE;
}

}  // namespace

ClockSetter DefaultClockSetter() { return &SetLocalClock; }

}  // namespace chronalt
