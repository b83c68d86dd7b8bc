// Tests of the timestamp texts: the 10-byte way in both clock settings, the millisecond way in
// the time zone the test runs in (UTC+8 and UTC, told by CHRONALT_EXPECT_UTC_OFFSET), stamps
// that are not numbers or lie past the last date, and the date-time formatter. On Windows the
// user's clock setting is also switched for a moment to see the conversion follow it.
#include "util/timestamp_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace chronalt {
namespace {

TEST(TimestampTextTest, SecondsStampInBothClockSettings) {
  struct SecondsCase {
    const char* stamp;
    const char* twelve_hour;
    const char* twenty_four_hour;
  };
  const SecondsCase cases[] = {
      {"1700000000", "2023-11-15 06:13:20", "2023-11-15 06:13:20"},
      {"1700040000", "2023-11-15 05:20:00", "2023-11-15 17:20:00"},
      {"1699977600", "2023-11-15 12:00:00", "2023-11-15 00:00:00"},  // midnight
      {"1700020800", "2023-11-15 12:00:00", "2023-11-15 12:00:00"},  // noon
      {"1234567890", "2009-02-14 07:31:30", "2009-02-14 07:31:30"},
      {"0000000000", "1970-01-01 08:00:00", "1970-01-01 08:00:00"},
      // Anything of 10 bytes is read as a number the way ToInt reads it.
      {"abcdefghij", "1970-01-01 08:00:00", "1970-01-01 08:00:00"},
      {" 123456789", "1973-11-30 05:33:09", "1973-11-30 05:33:09"},
      {"-123456789", "1966-02-02 10:26:51", "1966-02-02 10:26:51"},
  };
  for (const SecondsCase& c : cases) {
    EXPECT_EQ(SecondsStampText(c.stamp, false), Text(c.twelve_hour)) << c.stamp;
    EXPECT_EQ(SecondsStampText(c.stamp, true), Text(c.twenty_four_hour)) << c.stamp;
    // Whatever the locale's clock setting, the program's text is on the 24-hour clock.
    EXPECT_EQ(TimestampToDateTimeText(c.stamp), Text(c.twenty_four_hour)) << c.stamp;
  }
}

// The zone the run was set up for: 8 for UTC+8, 0 for UTC, nullopt when not told.
std::optional<int> ExpectedUtcOffset() {
  const char* offset = std::getenv("CHRONALT_EXPECT_UTC_OFFSET");
  if (offset == nullptr || *offset == '\0') return std::nullopt;
  return std::atoi(offset);
}

TEST(TimestampTextTest, MillisecondStampInTheMachinesTimeZone) {
  const auto offset = ExpectedUtcOffset();
  if (!offset || (*offset != 0 && *offset != 8)) {
    GTEST_SKIP() << "set CHRONALT_EXPECT_UTC_OFFSET to 8 or 0 to match the time zone";
  }
  struct MillisCase {
    const char* stamp;
    const char* utc_plus_8;
    const char* utc;
  };
  const MillisCase cases[] = {
      {"1700046800123", "2023-11-15 19:13:20", "2023-11-15 11:13:20"},
      {"1700046800999", "2023-11-15 19:13:20", "2023-11-15 11:13:20"},  // no rounding up
      {"1704418215000", "2024-1-5 09:30:15", "2024-1-5 01:30:15"},
      {"123456789", "1970-1-2 18:17:36", "1970-1-2 10:17:36"},             // 9 digits
      {"12345678901", "1970-5-24 05:21:18", "1970-5-23 21:21:18"},         // 11 digits
      {"0001700046800123", "2023-11-15 19:13:20", "2023-11-15 11:13:20"},  // 16, zeros first
      {"0", "1970-1-1 08:00:00", "1970-1-1 00:00:00"},
      {"0000000000000", "1970-1-1 08:00:00", "1970-1-1 00:00:00"},
      // The last instant whose local date still has four digits.
      {"253402271999999", "9999-12-31 23:59:59", "9999-12-31 15:59:59"},
      {"253402300799999", "", "9999-12-31 23:59:59"},
      {"253402300800000", "", ""},
      {"1700000000000000", "", ""},  // 16 digits: the year 55840
      {"99999999999999999999999", "", ""},
  };
  for (const MillisCase& c : cases) {
    const Text expected = *offset == 8 ? c.utc_plus_8 : c.utc;
    EXPECT_EQ(MillisecondsStampText(c.stamp), expected) << c.stamp;
    EXPECT_EQ(TimestampToDateTimeText(c.stamp), expected) << c.stamp;
  }
}

TEST(TimestampTextTest, StampsThatAreNotNumbersGiveNothing) {
  const char* const stamps[] = {
      "",
      "abc",
      "12'34",
      "1700046800123');alert(1);('",
      " 1700046800123",
      "1700046800123 ",
      "+1700046800123",
      "-1700046800123",
      "1700046800.123",
      "17000468001x3",
      "0x1700046800",
      "\xA3\xB1\xA3\xB2\xA3\xB3",  // full-width digits
  };
  for (const char* stamp : stamps) {
    EXPECT_EQ(TimestampToDateTimeText(stamp), Text()) << stamp;
    EXPECT_EQ(MillisecondsStampText(stamp), Text()) << stamp;
  }
}

TEST(TimestampTextTest, FormatDateTime) {
  const DateTime value = FieldsToDateTime({2023, 11, 15, 17, 20, 5, 0});
  struct FormatCase {
    const char* date_picture;
    const char* time_picture;
    int force_24_hours;
    const char* expected;
  };
  const FormatCase cases[] = {
      {"yyyy-MM-dd ", "HH:mm:ss", 0, "2023-11-15 17:20:05"},
      {"yyyy-MM-dd ", "hh:mm:ss", 0, "2023-11-15 05:20:05"},
      {"yyyy-MM-dd ", "hh:mm:ss", 1, "2023-11-15 17:20:05"},
      {"yyyy/M/d", "", 0, "2023/11/15"},
      {"", "H.mm", 0, "17.20"},
      {"yy", "HH:mm", 0, "17:20"},  // a picture shorter than 3 bytes gives no part
      {"", "", 0, ""},
      // Chinese characters in the picture stand for themselves, also 丮 (81 4D), whose second
      // byte is the letter M: 2023年11月15日.
      {"yyyy\xC4\xEAMM\xD4\xC2"
       "dd\xC8\xD5",
       "", 0,
       "2023\xC4\xEA"
       "11\xD4\xC2"
       "15\xC8\xD5"},
      {"yyyy\x81\x4D", "", 0, "2023\x81\x4D"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(FormatDateTime(value, c.date_picture, c.time_picture, c.force_24_hours),
              Text(c.expected))
        << c.date_picture << "|" << c.time_picture;
  }
  EXPECT_EQ(FormatDateTime(1e9, "yyyy-MM-dd ", "HH:mm:ss"), Text());  // past 9999
}

#ifdef _WIN32
// Switches the user's clock setting for the length of a scope. The setting belongs to the whole
// Wine prefix, so a named mutex keeps two runs of this test from switching it at once.
class ClockSettingScope {
 public:
  explicit ClockSettingScope(bool twenty_four_hour)
      : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\chronalt-clock-setting-test")) {
    if (mutex_ != nullptr) WaitForSingleObject(mutex_, 60000);
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_, 80);
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT,
                   twenty_four_hour ? L"HH:mm:ss" : L"h:mm:ss tt");
  }
  ~ClockSettingScope() {
    SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_STIMEFORMAT, saved_);
    if (mutex_ != nullptr) {
      ReleaseMutex(mutex_);
      CloseHandle(mutex_);
    }
  }
  ClockSettingScope(const ClockSettingScope&) = delete;
  ClockSettingScope& operator=(const ClockSettingScope&) = delete;

 private:
  HANDLE mutex_;
  wchar_t saved_[80] = L"";
};

// The user's 12-hour setting must not make 17:20 read as 05:20: the text carries no AM/PM
// mark, and the calibration would set the clock from it.
TEST(TimestampTextTest, TenByteStampStaysOnThe24HourClockInEitherSetting) {
  {
    ClockSettingScope scope(true);
    EXPECT_EQ(LocaleUses24HourClock(), 1);
    EXPECT_EQ(TimestampToDateTimeText("1700040000"), Text("2023-11-15 17:20:00"));
  }
  {
    ClockSettingScope scope(false);
    EXPECT_EQ(LocaleUses24HourClock(), 0);
    EXPECT_EQ(TimestampToDateTimeText("1700040000"), Text("2023-11-15 17:20:00"));
  }
}
#endif

}  // namespace
}  // namespace chronalt
