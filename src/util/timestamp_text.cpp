// The two ways from a timestamp to a date-time text. The 10-byte way is date arithmetic from
// 1970-01-01 08:00:00 and the platform's formatters; the other way reads the stamp as a number
// of milliseconds and asks the platform for the local time, so no stamp is ever run as code.
#include "util/timestamp_text.h"

#include <cstdio>

namespace chronalt {
namespace {

// 9999-12-31 23:59:59.999 UTC has 15 digits; a stamp with more significant digits is past the
// last date whatever the time zone, and could not be added up without overflow.
constexpr int kMaxSignificantDigits = 15;

// Decimal digits only, leading zeros allowed; nullopt for anything else.
std::optional<std::int64_t> ReadMillis(const Text& stamp) {
  if (stamp.empty()) return std::nullopt;
  std::int64_t value = 0;
  int significant = 0;
  for (const char c : stamp.view()) {
    if (c < '0' || c > '9') return std::nullopt;
    if (value == 0 && c == '0') continue;
    if (++significant > kMaxSignificantDigits) return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

Text SecondsStampText(const Text& stamp, bool uses_24_hour_clock) {
  const DateTime base = ToTime("1970.01.01 08:00:00");
  const DateTime value = AddToTime(base, kUnitSeconds, ToInt(stamp));
  return FormatDateTime(value, "yyyy-MM-dd ", uses_24_hour_clock ? "HH:mm:ss" : "hh:mm:ss");
}

Text MillisecondsStampText(const Text& stamp) {
  const auto millis = ReadMillis(stamp);
  if (!millis) return {};
  const auto fields = LocalFieldsOfUnixMillis(*millis);
  if (!fields) return {};
  char text[48];
  std::snprintf(text, sizeof text, "%d-%d-%d %02d:%02d:%02d", fields->year, fields->month,
                fields->day, fields->hour, fields->minute, fields->second);
  return Text(text);
}

Text TimestampToDateTimeText(const Text& stamp) {
  // Always on the 24-hour clock: the text has no room for an AM/PM mark, so in a 12-hour
  // locale 17:20 would read 05:20, and the calibration would set the clock twelve hours wrong.
  if (TextLength(stamp) == 10) return SecondsStampText(stamp, true);
  return MillisecondsStampText(stamp);
}

}  // namespace chronalt
