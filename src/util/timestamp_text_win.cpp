// The platform half of the timestamp texts: the user's clock setting, the date and time
// formatters, and the conversion of an instant to local time with the time zone's rules for
// that year. Pictures and results pass through code page 936 explicitly, so a picture with
// Chinese characters means the same on every system.
#include <windows.h>

#include <oleauto.h>

#include <string>

#include "util/ole_text_win.h"
#include "util/timestamp_text.h"

namespace chronalt {
namespace {

// The formatters' output is limited to 50 characters, terminator included.
constexpr int kFormatBuffer = 50;

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000;
constexpr std::int64_t kMaxMillis = (0x7fffffffffffffff - kUnixEpochIn100ns) / 10000;

std::optional<Text> FormatPart(const SYSTEMTIME& time, const Text& picture, bool date,
                               DWORD flags) {
  if (TextLength(picture) < 3) return Text();
  const std::wstring format = TextToWide(picture);
  wchar_t buffer[kFormatBuffer];
  const int written = date ? GetDateFormatW(LOCALE_USER_DEFAULT, flags, &time, format.c_str(),
                                            buffer, kFormatBuffer)
                           : GetTimeFormatW(LOCALE_USER_DEFAULT, flags, &time, format.c_str(),
                                            buffer, kFormatBuffer);
  if (written <= 0) return std::nullopt;
  return WideToText(std::wstring_view(buffer, static_cast<std::size_t>(written - 1)));
}

}  // namespace

int LocaleUses24HourClock() {
  wchar_t buffer[4] = L"   ";
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ITIME, buffer, 4) == 0) return 0;
  return ToInt(WideToText(buffer));
}

Text FormatDateTime(DateTime value, const Text& date_picture, const Text& time_picture,
                    int force_24_hours) {
  SYSTEMTIME time{};
  if (VariantTimeToSystemTime(value, &time) != TRUE) return {};
  const auto date = FormatPart(time, date_picture, true, 0);
  const auto clock =
      FormatPart(time, time_picture, false, force_24_hours == 1 ? TIME_FORCE24HOURFORMAT : 0);
  if (!date || !clock) return {};
  return Text(date->str() + clock->str());
}

std::optional<CalendarFields> LocalFieldsOfUnixMillis(std::int64_t millis) {
  if (millis < 0 || millis > kMaxMillis) return std::nullopt;
  const std::int64_t ticks = kUnixEpochIn100ns + millis * 10000;
  FILETIME file_time;
  file_time.dwLowDateTime = static_cast<DWORD>(ticks & 0xffffffff);
  file_time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  SYSTEMTIME utc{};
  SYSTEMTIME local{};
  if (!FileTimeToSystemTime(&file_time, &utc)) return std::nullopt;
  // The zone's rules for the year of the instant, where the platform keeps them per year.
  TIME_ZONE_INFORMATION zone{};
  const bool for_year = GetTimeZoneInformationForYear(utc.wYear, nullptr, &zone) != FALSE;
  if (!SystemTimeToTzSpecificLocalTime(for_year ? &zone : nullptr, &utc, &local)) {
    return std::nullopt;
  }
  if (local.wYear > kMaxYear) return std::nullopt;
  CalendarFields fields;
  fields.year = local.wYear;
  fields.month = local.wMonth;
  fields.day = local.wDay;
  fields.hour = local.wHour;
  fields.minute = local.wMinute;
  fields.second = local.wSecond;
  fields.day_of_week = local.wDayOfWeek;
  return fields;
}

}  // namespace chronalt
