// ToTime. Two kinds of input:
// - any text: the result is the failure value or a date-time within the calendar range whose
//   fields, written out as "yyyy-mm-dd hh:mm:ss", read back to the same value;
// - a text built by the grammar from the fuzzer's bytes: six digit runs (random digits, or
//   values at the edges of each field's range, in half- or full-width digits), each followed
//   by one of the separators allowed there (one- or two-byte, half- or full-width), by none,
//   or by a byte that is not allowed; optionally "秒" and anything after the seconds.
//   The expected outcome follows from the grammar alone: the failure value for a stray byte or
//   a field out of range, otherwise the day count of those fields (from std::chrono's civil
//   calendar) plus the time of day, the fraction negative before 1899-12-30.
//
// Input: flags (bit 0 the grammar mode), then in raw mode the text; in grammar mode the bytes
// after the option bytes drive the choices.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "util/date_time.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

// Hands out the fuzzer's bytes one at a time, zeros when they run out.
class Choices {
 public:
  explicit Choices(std::string_view bytes) : bytes_(bytes) {}
  unsigned Next(unsigned below) {
    const unsigned byte = pos_ < bytes_.size() ? static_cast<unsigned char>(bytes_[pos_++]) : 0;
    return below == 0 ? 0 : byte % below;
  }
  std::string_view Rest() const { return bytes_.substr(std::min(pos_, bytes_.size())); }

 private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

struct FieldRule {
  int width;
  std::vector<std::string_view> separators;  // what may follow the field
};

// "/", "-", ":" and "." in both widths; the day also takes a blank (and the ideographic space
// that folds to one); each field its own character.
const FieldRule kRules[6] = {
    {4, {"/", "-", ":", ".", "\xA3\xAF", "\xA3\xAD", "\xA3\xBA", "\xA3\xAE", "\xC4\xEA"}},  // 年
    {2, {"/", "-", ":", ".", "\xA3\xAF", "\xA3\xAD", "\xA3\xBA", "\xA3\xAE", "\xD4\xC2"}},  // 月
    {2, {"/", "-", ":", ".", " ", "\xA1\xA1", "\xA3\xAE", "\xC8\xD5"}},                     // 日
    {2, {"/", "-", ":", ".", "\xA3\xAF", "\xA3\xAD", "\xA3\xBA", "\xA3\xAE", "\xCA\xB1"}},  // 时
    {2, {"/", "-", ":", ".", "\xA3\xAF", "\xA3\xAD", "\xA3\xBA", "\xA3\xAE", "\xB7\xD6"}},  // 分
    {2, {}},
};
const std::string_view kSecondCharacter = "\xC3\xEB";  // 秒
// Bytes no field accepts after it: a letter, a comma, and 年 out of place.
const std::string_view kStrays[] = {"x", ",", "\xA3\xAC", "\xC4\xEA"};

int PlausibleValue(int field, Choices& choices) {
  static constexpr int kYears[] = {99,   100,  101,  1899, 1900, 1970,
                                   2000, 2023, 2024, 2100, 2400, 9999};
  switch (field) {
    case 0:
      if (choices.Next(3) == 0) return kYears[choices.Next(std::size(kYears))];
      return 100 + static_cast<int>((choices.Next(256) << 8 | choices.Next(256)) % 9900);
    case 1:
      return static_cast<int>(choices.Next(14));  // 0 to 13
    case 2:
      return static_cast<int>(choices.Next(2) == 0 ? 28 + choices.Next(5) : choices.Next(33));
    case 3:
      return static_cast<int>(choices.Next(25));  // 0 to 24
    default:
      return static_cast<int>(choices.Next(61));  // 0 to 60
  }
}

bool InRange(const CalendarFields& f) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (f.year < 100 || f.year > 9999 || f.month < 1 || f.month > 12) return false;
  const bool leap = (f.year % 4 == 0 && f.year % 100 != 0) || f.year % 400 == 0;
  const int days = f.month == 2 && leap ? 29 : kDays[f.month - 1];
  return f.day >= 1 && f.day <= days && f.hour <= 23 && f.minute <= 59 && f.second <= 59;
}

DateTime ExpectedDateTime(const CalendarFields& f) {
  using namespace std::chrono;
  const sys_days date{year{f.year} / month{static_cast<unsigned>(f.month)} /
                      day{static_cast<unsigned>(f.day)}};
  const sys_days epoch{year{1899} / December / day{30}};
  const auto day_number = static_cast<double>((date - epoch).count());
  const double time_of_day = (f.hour * 3600 + f.minute * 60 + f.second) / 86400.0;
  return day_number < 0 ? day_number - time_of_day : day_number + time_of_day;
}

void CheckAnyText(const Text& text) {
  const DateTime value = ToTime(text);
  if (value == kMinDateTime) return;
  // 100-01-01 00:00:00 is the failure value; everything read lies from there to 9999-12-31
  // 23:59:59 (the fraction of a negative value counting the other way).
  FUZZ_CHECK(value > kMinDateTime - 1.0 && value < kMaxDateTime + 1.0);
  const CalendarFields fields = DateTimeToFields(value);
  FUZZ_CHECK(InRange(fields));
  FUZZ_CHECK(ExpectedDateTime(fields) == value);
  char canonical[32];
  std::snprintf(canonical, sizeof canonical, "%04d-%02d-%02d %02d:%02d:%02d", fields.year,
                fields.month, fields.day, fields.hour, fields.minute, fields.second);
  FUZZ_CHECK(ToTime(Text(canonical)) == value);
}

void CheckGrammarText(Choices& choices) {
  std::string text;
  int values[6] = {0, 0, 0, 0, 0, 0};
  int seconds_width = 0;
  unsigned previous_follow = 1;
  bool stray = false;
  for (int field = 0; field < 6; ++field) {
    const FieldRule& rule = kRules[field];
    // 0: no separator, 1: an allowed one, 2: a byte not allowed here.
    unsigned follow = 0;
    if (field < 5) follow = field > 0 && choices.Next(3) == 2 ? 2 : choices.Next(2);
    // Without a separator the next field's digits would run on into this one, so the field
    // then takes its full width; and an empty field needs a separator before it, or its own
    // separator would be read as the one of the field before.
    const int least = field > 0 && previous_follow != 1 ? 1 : 0;
    previous_follow = follow;
    std::string digits;
    if (choices.Next(4) == 0) {
      // Any digits, of a width that keeps the fields apart.
      const int width =
          follow == 0 && field < 5
              ? rule.width
              : least +
                    static_cast<int>(choices.Next(static_cast<unsigned>(rule.width + 1 - least)));
      for (int i = 0; i < width; ++i) digits += static_cast<char>('0' + choices.Next(10));
    } else {
      // A value at or near the edges of the field's range, so that real dates (and leap days
      // of century years) come up often; zero-padded where no separator follows.
      digits = std::to_string(PlausibleValue(field, choices));
      if ((follow == 0 && field < 5) || choices.Next(2) == 0) {
        digits.insert(0, static_cast<std::size_t>(rule.width) - digits.size(), '0');
      }
    }
    const int width = static_cast<int>(digits.size());
    const bool full_width_digits = choices.Next(4) == 0;
    for (const char digit : digits) {
      values[field] = values[field] * 10 + (digit - '0');
      if (full_width_digits) {
        text += '\xA3';
        text += static_cast<char>(0xB0 + (digit - '0'));  // full-width digit
      } else {
        text += digit;
      }
    }
    if (field == 5) {
      seconds_width = width;
      break;
    }
    if (follow == 1) {
      text += rule.separators[choices.Next(static_cast<unsigned>(rule.separators.size()))];
    } else if (follow == 2) {
      const std::string_view bad = kStrays[choices.Next(std::size(kStrays))];
      text += bad;
      stray = true;
    }
  }
  switch (choices.Next(4)) {
    case 0:
      break;
    case 1:
      text += kSecondCharacter;
      break;
    case 2:  // anything after "秒" is ignored
      text += kSecondCharacter;
      text += Text(choices.Rest()).view();
      break;
    default:
      // A fraction of a second is not read. (Behind empty seconds the "." could be the
      // minute's separator, so there the case is left out.)
      if (seconds_width > 0) {
        text += '.';
        text += static_cast<char>('0' + choices.Next(10));
        stray = true;
      }
      break;
  }

  CalendarFields fields;
  fields.year = values[0];
  fields.month = values[1];
  fields.day = values[2];
  fields.hour = values[3];
  fields.minute = values[4];
  fields.second = values[5];
  const DateTime value = ToTime(Text(text));
  if (stray || !InRange(fields)) {
    FUZZ_CHECK(value == kMinDateTime);
  } else {
    FUZZ_CHECK(value == ExpectedDateTime(fields));
  }
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  if (input.Flag(0)) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Choices choices(bytes.substr(std::min<std::size_t>(size, 3)));
    CheckGrammarText(choices);
  } else {
    CheckAnyText(Text(input.Part(0)));
  }
  return 0;
}
