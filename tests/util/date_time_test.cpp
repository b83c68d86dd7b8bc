// Tests of the date-time primitives: calendar conversion and rounding, the texts ToTime reads
// and refuses, calendar and linear arithmetic, and the clock fields SetCurrentTime hands to the
// clock setter (recorded here; the real clock is never touched).
#include "util/date_time.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace chronalt {
namespace {

constexpr double kSecond = 1.0 / 86400.0;

// A DateTime on or after 1899-12-30 from its day number and time of day.
DateTime At(int day_number, int hour = 0, int minute = 0, int second = 0) {
  return day_number + (hour * 3600 + minute * 60 + second) / 86400.0;
}

CalendarFields Fields(int year, int month, int day, int hour, int minute, int second,
                      int day_of_week) {
  return {year, month, day, hour, minute, second, day_of_week};
}

std::string Show(const CalendarFields& f) {
  return std::to_string(f.year) + "-" + std::to_string(f.month) + "-" + std::to_string(f.day) +
         " " + std::to_string(f.hour) + ":" + std::to_string(f.minute) + ":" +
         std::to_string(f.second) + " dow " + std::to_string(f.day_of_week);
}

TEST(DateTimeTest, ConvertsBetweenCalendarFieldsAndDayNumbers) {
  struct Case {
    CalendarFields fields;
    DateTime value;
  };
  const Case cases[] = {
      {Fields(1899, 12, 30, 0, 0, 0, 6), 0.0},
      {Fields(1900, 1, 1, 0, 0, 0, 1), 2.0},
      {Fields(1970, 1, 1, 8, 0, 0, 4), At(25569, 8)},
      {Fields(2000, 2, 29, 12, 0, 0, 2), 36585.5},
      {Fields(2023, 11, 15, 6, 13, 20, 3), At(45245, 6, 13, 20)},
      {Fields(100, 1, 1, 0, 0, 0, 5), kMinDateTime},
      {Fields(9999, 12, 31, 0, 0, 0, 5), kMaxDateTime},
      {Fields(1600, 3, 1, 0, 0, 0, 3), -109511.0},
      // Before 1899-12-30 the fraction still counts the time of day forward.
      {Fields(1899, 12, 29, 6, 0, 0, 5), -1.25},
      {Fields(1899, 12, 28, 18, 0, 0, 4), -2.75},
      {Fields(1800, 1, 1, 23, 59, 59, 3), -36522.0 - 86399.0 / 86400.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Show(c.fields));
    EXPECT_DOUBLE_EQ(FieldsToDateTime(c.fields), c.value);
    EXPECT_EQ(DateTimeToFields(c.value), c.fields) << Show(DateTimeToFields(c.value));
  }
}

TEST(DateTimeTest, FieldsAreTheValueClampedAndRoundedToTheNearestSecond) {
  struct Case {
    const char* name;
    DateTime value;
    CalendarFields expected;
  };
  const DateTime noon = At(45245, 12);
  const Case cases[] = {
      {"0.6 s goes up", noon + 0.6 * kSecond, Fields(2023, 11, 15, 12, 0, 1, 3)},
      {"0.4 s goes down", noon + 0.4 * kSecond, Fields(2023, 11, 15, 12, 0, 0, 3)},
      {"just below a second", noon - 0.1 * kSecond, Fields(2023, 11, 15, 12, 0, 0, 3)},
      {"into the next day", At(45245, 23, 59, 59) + 0.7 * kSecond,
       Fields(2023, 11, 16, 0, 0, 0, 4)},
      {"into the next year", At(45291, 23, 59, 59) + 0.51 * kSecond,
       Fields(2024, 1, 1, 0, 0, 0, 1)},
      {"negative, 0.6 s past 06:00", -1.25 - 0.6 * kSecond, Fields(1899, 12, 29, 6, 0, 1, 5)},
      // Just before midnight of 1899-12-29 lies closest to 1899-12-30 00:00:00, not to a day
      // further back.
      {"negative, just before midnight", -1.0 - (86399.8 / 86400.0),
       Fields(1899, 12, 30, 0, 0, 0, 6)},
      {"far below the range", -1e9, Fields(100, 1, 1, 0, 0, 0, 5)},
      {"below the range by a second", kMinDateTime - kSecond, Fields(100, 1, 1, 0, 0, 0, 5)},
      {"far above the range", 1e9, Fields(9999, 12, 31, 0, 0, 0, 5)},
      {"later on the last day", kMaxDateTime + 0.75, Fields(9999, 12, 31, 0, 0, 0, 5)},
      {"minus infinity", -std::numeric_limits<double>::infinity(), Fields(100, 1, 1, 0, 0, 0, 5)},
      {"infinity", std::numeric_limits<double>::infinity(), Fields(9999, 12, 31, 0, 0, 0, 5)},
      {"NaN", std::numeric_limits<double>::quiet_NaN(), Fields(100, 1, 1, 0, 0, 0, 5)},
  };
  for (const Case& c : cases) {
    const CalendarFields fields = DateTimeToFields(c.value);
    EXPECT_EQ(fields, c.expected) << c.name << ": got " << Show(fields);
  }
}

TEST(DateTimeTest, MonthLengthsFollowTheGregorianLeapYears) {
  struct Case {
    int year;
    int month;
    int days;
  };
  const Case cases[] = {{2021, 2, 28}, {2024, 2, 29},  {1900, 2, 28}, {2000, 2, 29},
                        {2021, 4, 30}, {2021, 12, 31}, {2021, 0, 0},  {2021, 13, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(DaysInMonth(c.year, c.month), c.days) << c.year << "-" << c.month;
  }
}

TEST(DateTimeTest, ToTimeReadsTheDateTimeTextsItAccepts) {
  struct Case {
    const char* text;
    DateTime expected;
  };
  const Case cases[] = {
      {"1970.01.01 08:00:00", At(25569, 8)},
      {"2023-11-15 06:13:20", At(45245, 6, 13, 20)},
      {"2023-11-15-06:13:20", At(45245, 6, 13, 20)},  // the calibration's form
      {"2024-1-5 9:30:15", At(45296, 9, 30, 15)},
      {"20210107143015", At(44203, 14, 30, 15)},
      {"2021/01/07 14:30", At(44203, 14, 30)},
      {"2021-01-07", At(44203)},
      {"2021:1:7", At(44203)},
      {"2021-01-0714.30.15", At(44203, 14, 30, 15)},
      // 2021年1月7日14时30分15秒
      {"2021\xC4\xEA"
       "1\xD4\xC2"
       "7\xC8\xD5"
       "14\xCA\xB1"
       "30\xB7\xD6"
       "15\xC3\xEB",
       At(44203, 14, 30, 15)},
      // Whatever follows 秒 is ignored: 2021-01-07 14:30:15秒 and more.
      {"2021-01-07 14:30:15\xC3\xEB and more", At(44203, 14, 30, 15)},
      // Full-width digits, hyphens, colon and ideographic space:
      // ２０２１－０１－０７　１４：３０：１５
      {"\xA3\xB2\xA3\xB0\xA3\xB2\xA3\xB1\xA3\xAD\xA3\xB0\xA3\xB1\xA3\xAD\xA3\xB0\xA3\xB7\xA1\xA1"
       "\xA3\xB1\xA3\xB4\xA3\xBA\xA3\xB3\xA3\xB0\xA3\xBA\xA3\xB1\xA3\xB5",
       At(44203, 14, 30, 15)},
      {"2000-02-29", At(36585)},
      {"2024-02-29 23:59:59", At(45351, 23, 59, 59)},
      {"100-1-2", kMinDateTime + 1},
      {"9999-12-31 23:59:59", At(2958465, 23, 59, 59)},
      // Before 1899-12-30 the time of day is the magnitude of the fraction.
      {"1899-12-29 06:00:00", -1.25},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(ToTime(c.text), c.expected) << c.text;
  }
}

TEST(DateTimeTest, ToTimeGivesTheMinimumForTextsItCannotRead) {
  const char* const cases[] = {
      "",
      " 2021-01-07 14:30:15",  // leading blank
      "2021-02-29",            // not a leap year
      "1900-02-29",            // divisible by 100, not by 400
      "2021-04-31",
      "2021-13-01",
      "2021-00-10",
      "2021-01-00",
      "99-01-01",  // year below 100
      "0000-01-01",
      "2021-01-07 24:00:00",
      "2021-01-07 14:60:00",
      "2021-01-07 14:30:60",
      "2021-01-07 14:30:15.123",  // a fraction of a second
      "2021-01-07 14:30:15 ",     // trailing blank
      "2021-01-07  14:30:15",     // two blanks
      "2021-01-07T14:30:15",
      "2021-01-07 14:30:15\xC3",      // the first byte of 秒 alone
      "2021-01-07 14:30:15\xC4\xEA",  // 年 where 秒 may stand
      "20210107143015x",
      "abc",
  };
  for (const char* text : cases) {
    EXPECT_EQ(ToTime(text), kMinDateTime) << "\"" << text << "\"";
  }
}

TEST(DateTimeTest, AddToTimeAddsUnits) {
  struct Case {
    const char* name;
    DateTime value;
    int unit;
    int amount;
    DateTime expected;
  };
  const DateTime jan31 = At(44227, 10, 20, 30);  // 2021-01-31 10:20:30
  const DateTime base_1970 = At(25569, 8);       // 1970-01-01 08:00:00
  const Case cases[] = {
      {"month to a shorter month", jan31, kUnitMonths, 1, At(44255, 10, 20, 30)},
      {"month in a leap year", At(43861), kUnitMonths, 1, At(43890)},  // 2020-01-31 -> 02-29
      {"quarter", jan31, kUnitQuarters, 1, At(44316, 10, 20, 30)},     // 2021-04-30
      {"months carry into the next year", At(45245), kUnitMonths, 3, At(45337)},    // 2024-02-15
      {"months back into the year before", At(44270), kUnitMonths, -3, At(44180)},  // 2020-12-15
      {"year from a leap day", At(43890), kUnitYears, 1, At(44255)},  // 2020-02-29 -> 2021-02-28
      {"year back", At(45245, 6, 13, 20), kUnitYears, -2, At(44515, 6, 13, 20)},
      {"calendar units round to the second", jan31 + 0.4 * kSecond, kUnitMonths, 1,
       At(44255, 10, 20, 30)},
      {"years clamp at 9999", At(2955000), kUnitYears, 100, FieldsToDateTime({9999, 7, 6})},
      {"years clamp at 100", FieldsToDateTime({200, 3, 1}), kUnitYears, -500,
       FieldsToDateTime({100, 3, 1})},
      {"huge quarter count", FieldsToDateTime({2021, 5, 31}), kUnitQuarters, INT_MAX,
       FieldsToDateTime({9999, 2, 28})},
      {"huge negative quarter count", FieldsToDateTime({2021, 5, 31}), kUnitQuarters, INT_MIN,
       FieldsToDateTime({100, 5, 31})},
      {"unit 0 acts as years", At(44203), 0, 1, At(44568)},
      {"negative unit acts as years", At(44203), -7, 1, At(44568)},
      {"weeks", At(44203, 1), kUnitWeeks, 2, At(44217, 1)},
      {"days", At(44203, 1), kUnitDays, -3, At(44200, 1)},
      {"hours", At(44203, 1), kUnitHours, 30, At(44204, 7)},
      {"minutes", At(44203, 1), kUnitMinutes, 90, At(44203, 2, 30)},
      {"seconds", base_1970, kUnitSeconds, 1700000000, At(45245, 6, 13, 20)},
      {"86400 seconds are a day", base_1970, kUnitSeconds, 86400, base_1970 + 1},
      {"unit 9 acts as seconds", base_1970, 9, 86400, base_1970 + 1},
      {"seconds are not rounded", base_1970, kUnitSeconds, 1, base_1970 + kSecond},
      {"amount 0 keeps a value out of range", 5e6, kUnitDays, 0, 5e6},
      {"linear units start from the clamped value", 5e6, kUnitDays, 1, kMaxDateTime + 1},
      {"the result is not clamped", kMinDateTime, kUnitDays, -1, kMinDateTime - 1},
      // Before 1899-12-30 the time of day still moves forward when hours are added.
      {"hours before 1899-12-30", -1.25, kUnitHours, 12, -1.75},
      {"day across 1899-12-30", -1.25, kUnitDays, 1, 0.25},
      {"hours back across 1899-12-30", 0.25, kUnitHours, -12, -1.75},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(AddToTime(c.value, c.unit, c.amount), c.expected, 1e-9) << c.name;
  }
}

TEST(DateTimeTest, AddToTimeWithZeroAmountReturnsNaNUnchanged) {
  EXPECT_TRUE(std::isnan(AddToTime(std::numeric_limits<double>::quiet_NaN(), kUnitDays, 0)));
}

// The setter is a plain function pointer, so what it saw is kept here.
std::vector<ClockFields> g_recorded;
bool g_setter_result = true;

bool RecordingSetter(const ClockFields& fields) {
  g_recorded.push_back(fields);
  return g_setter_result;
}

bool OtherSetter(const ClockFields&) { return true; }

class SetCurrentTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_recorded.clear();
    g_setter_result = true;
  }
  ScopedClockSetter setter_{&RecordingSetter};
};

ClockFields Clock(int year, int month, int day_of_week, int day, int hour, int minute, int second) {
  auto u = [](int v) { return static_cast<std::uint16_t>(v); };
  return {u(year), u(month), u(day_of_week), u(day), u(hour), u(minute), u(second), 0};
}

TEST_F(SetCurrentTimeTest, SetsTheNearestWholeSecondWithZeroMilliseconds) {
  struct Case {
    const char* name;
    DateTime value;
    ClockFields expected;
  };
  const DateTime server_second = At(45245, 6, 13, 20);  // 2023-11-15 06:13:20, a Wednesday
  const Case cases[] = {
      {"whole second", server_second, Clock(2023, 11, 3, 15, 6, 13, 20)},
      {"0.6 s past", server_second + 0.6 * kSecond, Clock(2023, 11, 3, 15, 6, 13, 21)},
      {"0.4 s past", server_second + 0.4 * kSecond, Clock(2023, 11, 3, 15, 6, 13, 20)},
      {"to the next day", At(45245, 23, 59, 59) + 0.6 * kSecond, Clock(2023, 11, 4, 16, 0, 0, 0)},
      {"a Sunday", At(44227, 12), Clock(2021, 1, 0, 31, 12, 0, 0)},
      {"the value of an unreadable text", ToTime(""), Clock(100, 1, 5, 1, 0, 0, 0)},
      {"clamped from above", 1e12, Clock(9999, 12, 5, 31, 0, 0, 0)},
  };
  for (const Case& c : cases) {
    g_recorded.clear();
    EXPECT_TRUE(SetCurrentTime(c.value)) << c.name;
    ASSERT_EQ(g_recorded.size(), 1u) << c.name;
    EXPECT_EQ(g_recorded[0], c.expected) << c.name;
  }
}

TEST_F(SetCurrentTimeTest, ReportsWhatTheSetterReports) {
  g_setter_result = false;
  EXPECT_FALSE(SetCurrentTime(At(45245)));
  EXPECT_EQ(g_recorded.size(), 1u);
}

TEST_F(SetCurrentTimeTest, RefusesNaNWithoutCallingTheSetter) {
  EXPECT_FALSE(SetCurrentTime(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_TRUE(g_recorded.empty());
}

TEST_F(SetCurrentTimeTest, RefusesWhenNoSetterIsInstalled) {
  ScopedClockSetter none(nullptr);
  EXPECT_FALSE(SetCurrentTime(At(45245)));
  EXPECT_TRUE(g_recorded.empty());
}

TEST_F(SetCurrentTimeTest, ScopedSetterPutsThePreviousOneBack) {
  {
    ScopedClockSetter inner(&OtherSetter);
    EXPECT_EQ(SetClockSetter(&OtherSetter), &OtherSetter);
  }
  EXPECT_EQ(SetClockSetter(&RecordingSetter), &RecordingSetter);
  EXPECT_TRUE(SetCurrentTime(At(45245)));
  EXPECT_EQ(g_recorded.size(), 1u);
}

#ifndef _WIN32
// The native build has no clock it may set, and must not claim it did.
TEST(DefaultClockSetterTest, NativeSetterRefuses) {
  const ClockSetter setter = DefaultClockSetter();
  ASSERT_NE(setter, nullptr);
  EXPECT_FALSE(setter(Clock(2023, 11, 3, 15, 6, 13, 20)));
}
#endif

}  // namespace
}  // namespace chronalt
