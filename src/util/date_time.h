// DateTime, the OLE Automation date that Chronalt computes its clock values in, and the three
// operations on it: reading a date-time text (ToTime), calendar arithmetic (AddToTime) and
// setting the computer's local clock (SetCurrentTime). The calendar conversions both ways are
// exposed for the timestamp formatting and the clock calibration.
//
// A DateTime counts days since 1899-12-30 00:00:00. Before that day the whole part is negative
// and the fraction carries the same sign while still counting the time of day forward, so
// -1.25 is 1899-12-29 06:00:00. Numbers and time lines therefore differ below zero; the
// helpers below convert between the two where arithmetic needs a straight line.
//
// Setting the clock goes through a replaceable ClockSetter so that nothing but the Windows
// setter ever touches the real clock, and tests can record what would have been set.
#pragma once

#include <cstdint>

#include "util/text_bytes.h"

namespace chronalt {

using DateTime = double;

// 100-01-01 00:00:00 and 9999-12-31 00:00:00. kMinDateTime is also what ToTime gives for a
// text it cannot read.
inline constexpr DateTime kMinDateTime = -657434.0;
inline constexpr DateTime kMaxDateTime = 2958465.0;

inline constexpr int kMinYear = 100;
inline constexpr int kMaxYear = 9999;

// AddToTime's unit codes; codes outside 1 to 8 are clamped into this range.
enum TimeUnit : int {
  kUnitYears = 1,
  kUnitQuarters = 2,
  kUnitMonths = 3,
  kUnitWeeks = 4,
  kUnitDays = 5,
  kUnitHours = 6,
  kUnitMinutes = 7,
  kUnitSeconds = 8,
};

struct CalendarFields {
  int year = kMinYear;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to the length of the month
  int hour = 0;
  int minute = 0;
  int second = 0;
  int day_of_week = 0;  // 0 for Sunday; filled in by DateTimeToFields, ignored the other way

  friend bool operator==(const CalendarFields&, const CalendarFields&) = default;
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);  // 0 for a month outside 1 to 12

// Into [kMinDateTime, kMaxDateTime] by value; NaN, which has no place in the range, becomes
// kMinDateTime.
DateTime ClampDateTime(DateTime value);

// The fields of a value clamped into the valid range and rounded to the nearest second, a half
// second going to the later one.
CalendarFields DateTimeToFields(DateTime value);

// The DateTime of the fields, which the caller keeps in range (year 100 to 9999, a real day of
// the month, hour 0 to 23, minute and second 0 to 59); day_of_week is not read.
DateTime FieldsToDateTime(const CalendarFields& fields);

// Days from 1899-12-30 00:00:00 on a straight line (so -0.75 is 1899-12-29 06:00:00), and
// back. Both are exact for values of 0 and above.
double DateTimeToLinearDays(DateTime value);
DateTime LinearDaysToDateTime(double days);

// Reads year, month, day, hour, minute and second, each field a run of at most 4, 2, 2, 2, 2,
// 2 digits, optionally separated ("2021-1-7 14:30:15", "1970.01.01 08:00:00",
// "20210107143015", the same with the Chinese date and time characters). Gives kMinDateTime
// for a text it cannot read or whose fields are out of range.
DateTime ToTime(const Text& text);

// Adds `amount` units (TimeUnit) to `value`.
DateTime AddToTime(DateTime value, int unit, int amount);

// The record the platform's local-time service takes, field by field.
struct ClockFields {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t day_of_week = 0;  // 0 for Sunday
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;

  friend bool operator==(const ClockFields&, const ClockFields&) = default;
};

// Sets the local clock; true when it was set.
using ClockSetter = bool (*)(const ClockFields&);

// The platform's setter (SetLocalTime on Windows; elsewhere one that always refuses).
ClockSetter DefaultClockSetter();

// Installs the setter SetCurrentTime uses and returns the one it replaces. A null setter makes
// SetCurrentTime refuse. Safe to call from any thread.
ClockSetter SetClockSetter(ClockSetter setter);

// Installs a setter for the lifetime of the object, then puts the previous one back.
class ScopedClockSetter {
 public:
  explicit ScopedClockSetter(ClockSetter setter) : previous_(SetClockSetter(setter)) {}
  ~ScopedClockSetter() { SetClockSetter(previous_); }
  ScopedClockSetter(const ScopedClockSetter&) = delete;
  ScopedClockSetter& operator=(const ScopedClockSetter&) = delete;

 private:
  ClockSetter previous_;
};

// What SetCurrentTime hands to the setter: the value clamped, rounded to the nearest second,
// with its day of the week and 0 milliseconds.
ClockFields ToClockFields(DateTime value);

// Sets the local clock to `value` rounded to the nearest second, milliseconds 0. False when the
// value is not a number or the setter refuses.
bool SetCurrentTime(DateTime value);

}  // namespace chronalt
