// Stand-ins for the platform half of the timestamp texts in the native build: the C library's
// local time (which follows TZ), the 24-hour clock, and a formatter for the picture letters the
// program uses.
#include <ctime>
#include <string>

#include "util/timestamp_text.h"

namespace chronalt {
namespace {

// yyyy is the year in four digits and yy in two; a doubled M, d, H, h, m or s gives two digits
// and a single one no leading zero; every other byte stands for itself. force_24 makes h a
// 24-hour hour, as TIME_FORCE24HOURFORMAT does.
std::string FormatPicture(const CalendarFields& fields, std::string_view picture, bool force_24) {
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const char letter = picture[i];
    if (IsLeadByte(static_cast<unsigned char>(letter)) && i + 1 < picture.size()) {
      out.append(picture.substr(i, 2));  // a two-byte character, whatever its second byte
      i += 2;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == letter) ++run;
    int value = -1;
    switch (letter) {
      case 'y':
        value = run >= 3 ? fields.year : fields.year % 100;
        break;
      case 'M':
        value = fields.month;
        break;
      case 'd':
        value = fields.day;
        break;
      case 'H':
        value = fields.hour;
        break;
      case 'h':
        value = force_24 ? fields.hour : (fields.hour % 12 == 0 ? 12 : fields.hour % 12);
        break;
      case 'm':
        value = fields.minute;
        break;
      case 's':
        value = fields.second;
        break;
      default:
        break;
    }
    if (value < 0) {
      out.append(picture.substr(i, run));
    } else {
      std::string digits = std::to_string(value);
      const std::size_t width = letter == 'y' && run >= 3 ? 4 : (run >= 2 ? 2 : 1);
      if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
      out += digits;
    }
    i += run;
  }
  return out;
}

}  // namespace

int LocaleUses24HourClock() { return 1; }

Text FormatDateTime(DateTime value, const Text& date_picture, const Text& time_picture,
                    int force_24_hours) {
  if (!(value >= kMinDateTime && value < kMaxDateTime + 1.0)) return {};
  const CalendarFields fields = DateTimeToFields(value);
  std::string out;
  if (TextLength(date_picture) >= 3) out += FormatPicture(fields, date_picture.view(), false);
  if (TextLength(time_picture) >= 3) {
    out += FormatPicture(fields, time_picture.view(), force_24_hours == 1);
  }
  return Text(std::move(out));
}

std::optional<CalendarFields> LocalFieldsOfUnixMillis(std::int64_t millis) {
  if (millis < 0) return std::nullopt;
  const std::time_t seconds = static_cast<std::time_t>(millis / 1000);
  std::tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return std::nullopt;
  if (local.tm_year + 1900 > kMaxYear) return std::nullopt;
  CalendarFields fields;
  fields.year = local.tm_year + 1900;
  fields.month = local.tm_mon + 1;
  fields.day = local.tm_mday;
  fields.hour = local.tm_hour;
  fields.minute = local.tm_min;
  fields.second = local.tm_sec;
  fields.day_of_week = local.tm_wday;
  return fields;
}

}  // namespace chronalt
