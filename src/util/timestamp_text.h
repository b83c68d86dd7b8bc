// Unix timestamps as date-time texts, for the server time the site reports.
//
// A stamp of exactly 10 bytes is read as seconds since 1970-01-01 00:00:00 UTC and shown as the
// wall-clock time of UTC+8, two digits in every field, on a 24-hour clock whatever the user's
// locale prefers ("2009-02-14 17:31:30"), since the text has no room for an AM/PM mark. Any other stamp must be decimal digits, read as
// milliseconds since the same instant and shown as the machine's local time on a 24-hour clock,
// the month and the day without a leading zero ("2024-1-5 09:30:15"). A stamp that is not a
// number, or whose date lies beyond 9999-12-31, gives the empty Text.
#pragma once

#include <cstdint>
#include <optional>

#include "util/date_time.h"
#include "util/text_bytes.h"

namespace chronalt {

Text TimestampToDateTimeText(const Text& stamp);

// The two ways of TimestampToDateTimeText, the first with the clock setting given.
Text SecondsStampText(const Text& stamp, bool uses_24_hour_clock);
Text MillisecondsStampText(const Text& stamp);

// 1 when the user's locale shows the time on a 24-hour clock, 0 for a 12-hour clock or when the
// setting cannot be read.
int LocaleUses24HourClock();

// The date part and then the time part of `value`, each formatted with its picture ("yyyy",
// "MM", "dd", "HH", "hh", "mm", "ss"; other characters stand for themselves). A picture shorter
// than 3 bytes gives no part. Empty when the value or a picture cannot be formatted.
Text FormatDateTime(DateTime value, const Text& date_picture = {}, const Text& time_picture = {},
                    int force_24_hours = 0);

// The machine's local calendar fields of an instant given in milliseconds since 1970-01-01
// 00:00:00 UTC, through the platform's time-zone rules; nullopt beyond 9999-12-31.
std::optional<CalendarFields> LocalFieldsOfUnixMillis(std::int64_t millis);

}  // namespace chronalt
