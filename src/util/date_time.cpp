// The portable part of the date-time primitives: calendar conversions, reading date-time texts,
// calendar arithmetic and the hand-over of a clock value to the installed clock setter.
#include "util/date_time.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace chronalt {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Day number of a proleptic Gregorian date, counted from 1970-01-01 (the era-based method, valid
// for every year this program can hold).
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = FloorDiv(year, 400);
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const std::int64_t day_of_era =
      year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct CivilDate {
  std::int64_t year;
  int month;
  int day;
};

CivilDate CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = FloorDiv(days, 146097);
  const std::int64_t day_of_era = days - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  const int day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  const int month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// 1899-12-30, day 0 of a DateTime, in the count of DaysFromCivil. A constant, so that other
// files' static initialisers may already convert dates.
constexpr std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

std::atomic<ClockSetter>& InstalledClockSetter() {
  static std::atomic<ClockSetter> setter{DefaultClockSetter()};
  return setter;
}

bool IsDigit(char byte) { return byte >= '0' && byte <= '9'; }

// A cursor over a folded date-time text. Fields and separators are read at character
// boundaries only: digits and one-byte separators are one byte, the Chinese separators two.
class DateTimeReader {
 public:
  explicit DateTimeReader(std::string_view text) : text_(text) {}

  int ReadField(int max_width) {
    int value = 0;
    for (int width = 0; width < max_width && pos_ < text_.size() && IsDigit(text_[pos_]);
         ++width, ++pos_) {
      value = value * 10 + (text_[pos_] - '0');
    }
    return value;
  }

  // Skips one of the one-byte separators or the two-byte character, if one is next.
  void SkipSeparator(std::string_view one_byte_separators, std::string_view character) {
    if (pos_ < text_.size() && one_byte_separators.find(text_[pos_]) != std::string_view::npos) {
      ++pos_;
    } else if (text_.substr(pos_, character.size()) == character) {
      pos_ += character.size();
    }
  }

  bool AtEnd() const { return pos_ >= text_.size(); }
  bool StartsWith(std::string_view character) const {
    return text_.substr(pos_, character.size()) == character;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

constexpr std::string_view kSeparators = "/-:.";
constexpr std::string_view kDaySeparators = "/-: .";       // only here a blank is a separator
constexpr std::string_view kYearCharacter = "\xC4\xEA";    // 年
constexpr std::string_view kMonthCharacter = "\xD4\xC2";   // 月
constexpr std::string_view kDayCharacter = "\xC8\xD5";     // 日
constexpr std::string_view kHourCharacter = "\xCA\xB1";    // 时
constexpr std::string_view kMinuteCharacter = "\xB7\xD6";  // 分
constexpr std::string_view kSecondCharacter = "\xC3\xEB";  // 秒

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return (month == 2 && IsLeapYear(year)) ? 29 : kDays[month - 1];
}

DateTime ClampDateTime(DateTime value) {
  if (std::isnan(value)) return kMinDateTime;
  return std::clamp(value, kMinDateTime, kMaxDateTime);
}

double DateTimeToLinearDays(DateTime value) {
  if (!(value < 0)) return value;
  const double whole = std::trunc(value);
  return whole + (whole - value);
}

DateTime LinearDaysToDateTime(double days) {
  if (!(days < 0)) return days;
  const double whole = std::floor(days);
  return whole - (days - whole);
}

CalendarFields DateTimeToFields(DateTime value) {
  // Rounded on the straight time line: below 1899-12-30 the number's fraction runs the other
  // way, and rounding the number itself could move a time just before midnight a day back.
  const double linear = DateTimeToLinearDays(ClampDateTime(value));
  const auto seconds =
      static_cast<std::int64_t>(std::floor(linear * static_cast<double>(kSecondsPerDay) + 0.5));
  const std::int64_t day_number = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t second_of_day = seconds - day_number * kSecondsPerDay;
  const CivilDate date = CivilFromDays(day_number + kEpochDays);

  CalendarFields fields;
  fields.year = static_cast<int>(date.year);
  fields.month = date.month;
  fields.day = date.day;
  fields.hour = static_cast<int>(second_of_day / 3600);
  fields.minute = static_cast<int>(second_of_day / 60 % 60);
  fields.second = static_cast<int>(second_of_day % 60);
  // Day 0, 1899-12-30, was a Saturday.
  fields.day_of_week = static_cast<int>((day_number + 6) - FloorDiv(day_number + 6, 7) * 7);
  return fields;
}

DateTime FieldsToDateTime(const CalendarFields& fields) {
  const double day_number =
      static_cast<double>(DaysFromCivil(fields.year, fields.month, fields.day) - kEpochDays);
  const double time_of_day =
      static_cast<double>(fields.hour * 3600 + fields.minute * 60 + fields.second) /
      static_cast<double>(kSecondsPerDay);
  return day_number < 0 ? day_number - time_of_day : day_number + time_of_day;
}

DateTime ToTime(const Text& text) {
  const Text folded = FoldToHalfWidth(text);
  if (folded.empty()) return kMinDateTime;

  DateTimeReader reader(folded.view());
  CalendarFields fields;
  fields.year = reader.ReadField(4);
  reader.SkipSeparator(kSeparators, kYearCharacter);
  fields.month = reader.ReadField(2);
  reader.SkipSeparator(kSeparators, kMonthCharacter);
  fields.day = reader.ReadField(2);
  reader.SkipSeparator(kDaySeparators, kDayCharacter);
  fields.hour = reader.ReadField(2);
  reader.SkipSeparator(kSeparators, kHourCharacter);
  fields.minute = reader.ReadField(2);
  reader.SkipSeparator(kSeparators, kMinuteCharacter);
  fields.second = reader.ReadField(2);
  if (!reader.AtEnd() && !reader.StartsWith(kSecondCharacter)) return kMinDateTime;

  const bool in_range = fields.year >= kMinYear && fields.year <= kMaxYear && fields.month >= 1 &&
                        fields.month <= 12 && fields.day >= 1 &&
                        fields.day <= DaysInMonth(fields.year, fields.month) && fields.hour <= 23 &&
                        fields.minute <= 59 && fields.second <= 59;
  return in_range ? FieldsToDateTime(fields) : kMinDateTime;
}

DateTime AddToTime(DateTime value, int unit, int amount) {
  unit = std::clamp(unit, static_cast<int>(kUnitYears), static_cast<int>(kUnitSeconds));
  if (amount == 0) return value;
  value = ClampDateTime(value);

  if (unit <= kUnitMonths) {
    CalendarFields fields = DateTimeToFields(value);
    std::int64_t year = fields.year;
    std::int64_t month = fields.month;
    if (unit == kUnitYears) {
      year += amount;
    } else {
      const std::int64_t months =
          static_cast<std::int64_t>(amount) * (unit == kUnitQuarters ? 3 : 1);
      const std::int64_t month_index = year * 12 + (month - 1) + months;
      year = FloorDiv(month_index, 12);
      month = month_index - year * 12 + 1;
    }
    fields.year = static_cast<int>(std::clamp<std::int64_t>(year, kMinYear, kMaxYear));
    fields.month = static_cast<int>(month);
    fields.day = std::min(fields.day, DaysInMonth(fields.year, fields.month));
    return FieldsToDateTime(fields);
  }

  double days = 0;
  switch (unit) {
    case kUnitWeeks:
      days = static_cast<double>(amount) * 7.0;
      break;
    case kUnitDays:
      days = static_cast<double>(amount);
      break;
    case kUnitHours:
      days = static_cast<double>(amount) / 24.0;
      break;
    case kUnitMinutes:
      days = static_cast<double>(amount) / 1440.0;
      break;
    default:
      days = static_cast<double>(amount) / static_cast<double>(kSecondsPerDay);
      break;
  }
  return LinearDaysToDateTime(DateTimeToLinearDays(value) + days);
}

ClockSetter SetClockSetter(ClockSetter setter) { return InstalledClockSetter().exchange(setter); }

ClockFields ToClockFields(DateTime value) {
  const CalendarFields fields = DateTimeToFields(value);
  ClockFields clock;
  clock.year = static_cast<std::uint16_t>(fields.year);
  clock.month = static_cast<std::uint16_t>(fields.month);
  clock.day_of_week = static_cast<std::uint16_t>(fields.day_of_week);
  clock.day = static_cast<std::uint16_t>(fields.day);
  clock.hour = static_cast<std::uint16_t>(fields.hour);
  clock.minute = static_cast<std::uint16_t>(fields.minute);
  clock.second = static_cast<std::uint16_t>(fields.second);
  clock.milliseconds = 0;
  return clock;
}

bool SetCurrentTime(DateTime value) {
  // A NaN has no date; clamping it to some day and setting the clock there would be a guess.
  if (std::isnan(value)) return false;
  const ClockSetter setter = InstalledClockSetter().load();
  if (setter == nullptr) return false;
  return setter(ToClockFields(value));
}

}  // namespace chronalt
