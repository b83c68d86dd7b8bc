// std::wregex set up to behave like the platform's regular-expression component. The character
// classification and case folding come from a ctype facet of our own that is imbued into every
// expression, so the classes do not depend on the C library or the machine's locale; the loop
// over the matches is our own so that empty matches advance as the component's do.
#include "util/regexp_matcher.h"

#include <exception>
#include <locale>

namespace chronalt {
namespace {

using Mask = std::ctype_base::mask;

// Upper- and lower-case letters of the blocks the program can meet; the lower-case side is a
// fold rather than a plain mapping (final sigma folds to sigma) because it is only ever used to
// compare characters.
wchar_t FoldToLower(wchar_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<wchar_t>(c + 0x20);
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x178) return 0xFF;
    const bool odd_upper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    const bool even_upper =
        (c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    if ((odd_upper && (c % 2) == 1) || (even_upper && (c % 2) == 0)) {
      return static_cast<wchar_t>(c + 1);
    }
    return c;
  }
  if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return static_cast<wchar_t>(c + 0x20);
  if (c == 0x3C2) return 0x3C3;
  if (c >= 0x400 && c <= 0x40F) return static_cast<wchar_t>(c + 0x50);
  if (c >= 0x410 && c <= 0x42F) return static_cast<wchar_t>(c + 0x20);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<wchar_t>(c + 0x20);
  return c;
}

wchar_t MapToUpper(wchar_t c) {
  if (c < 0x80) return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<wchar_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    const bool odd_lower = (c <= 0x12F) || (c >= 0x132 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool even_lower = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((odd_lower && (c % 2) == 1) || (even_lower && (c % 2) == 0)) {
      return static_cast<wchar_t>(c - 1);
    }
    return c;
  }
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? 0x3A3 : static_cast<wchar_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<wchar_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<wchar_t>(c - 0x50);
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<wchar_t>(c - 0x20);
  return c;
}

// ASCII classes only: outside ASCII nothing is a word character, a digit or white space.
Mask Classify(wchar_t c) {
  using B = std::ctype_base;
  if (c >= L'A' && c <= L'Z') return B::upper | B::alpha | B::print | (c <= L'F' ? B::xdigit : 0);
  if (c >= L'a' && c <= L'z') return B::lower | B::alpha | B::print | (c <= L'f' ? B::xdigit : 0);
  if (c >= L'0' && c <= L'9') return B::digit | B::xdigit | B::print;
  if (c == L' ') return B::space | B::blank | B::print;
  if (c == L'\t') return B::space | B::blank | B::cntrl;
  if (c >= L'\n' && c <= L'\r') return B::space | B::cntrl;
  if (c < 0x20 || c == 0x7F) return B::cntrl;
  if (c < 0x7F) return B::punct | B::print;
  return 0;
}

class EcmaCtype : public std::ctype<wchar_t> {
 protected:
  bool do_is(mask m, char_type c) const override { return (Classify(c) & m) != 0; }
  const char_type* do_is(const char_type* lo, const char_type* hi, mask* vec) const override {
    for (; lo < hi; ++lo, ++vec) *vec = Classify(*lo);
    return hi;
  }
  const char_type* do_scan_is(mask m, const char_type* lo, const char_type* hi) const override {
    while (lo < hi && !do_is(m, *lo)) ++lo;
    return lo;
  }
  const char_type* do_scan_not(mask m, const char_type* lo, const char_type* hi) const override {
    while (lo < hi && do_is(m, *lo)) ++lo;
    return lo;
  }
  char_type do_toupper(char_type c) const override { return MapToUpper(c); }
  const char_type* do_toupper(char_type* lo, const char_type* hi) const override {
    for (; lo < hi; ++lo) *lo = MapToUpper(*lo);
    return hi;
  }
  char_type do_tolower(char_type c) const override { return FoldToLower(c); }
  const char_type* do_tolower(char_type* lo, const char_type* hi) const override {
    for (; lo < hi; ++lo) *lo = FoldToLower(*lo);
    return hi;
  }
  char_type do_widen(char c) const override { return static_cast<unsigned char>(c); }
  const char* do_widen(const char* lo, const char* hi, char_type* to) const override {
    for (; lo < hi; ++lo, ++to) *to = static_cast<unsigned char>(*lo);
    return hi;
  }
  char do_narrow(char_type c, char fallback) const override {
    return static_cast<unsigned long>(c) < 0x80 ? static_cast<char>(c) : fallback;
  }
  const char_type* do_narrow(const char_type* lo, const char_type* hi, char fallback,
                             char* to) const override {
    for (; lo < hi; ++lo, ++to) *to = do_narrow(*lo, fallback);
    return hi;
  }
};

const std::locale& EcmaLocale() {
  static const std::locale locale(std::locale::classic(), new EcmaCtype);
  return locale;
}

// Each UTF-16 code unit becomes one wchar_t, also where wchar_t is wider, so that indices are
// code units on every platform and a surrogate pair is two characters, as in the component.
std::wstring Widen(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string Narrow(std::wstring::const_iterator first, std::wstring::const_iterator last) {
  std::u16string out;
  out.reserve(static_cast<std::size_t>(last - first));
  for (; first != last; ++first) out.push_back(static_cast<char16_t>(*first));
  return out;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void AppendExpansion(std::u16string& out, std::u16string_view replacement,
                     std::u16string_view subject, const RegexpMatch& match) {
  const int groups = static_cast<int>(match.groups.size());
  auto append_group = [&](int number) {
    const auto& group = match.groups[static_cast<std::size_t>(number - 1)];
    if (group) out += *group;
  };
  for (std::size_t i = 0; i < replacement.size(); ++i) {
    const char16_t c = replacement[i];
    if (c != u'$' || i + 1 == replacement.size()) {
      out.push_back(c);
      continue;
    }
    const char16_t next = replacement[i + 1];
    const std::size_t match_end = static_cast<std::size_t>(match.first_index) + match.value.size();
    if (next == u'$') {
      out.push_back(u'$');
      ++i;
    } else if (next == u'&') {
      out += match.value;
      ++i;
    } else if (next == u'`') {
      out += subject.substr(0, static_cast<std::size_t>(match.first_index));
      ++i;
    } else if (next == u'\'') {
      out += subject.substr(match_end);
      ++i;
    } else if (IsDigit(next)) {
      const int one = next - u'0';
      const bool has_second = i + 2 < replacement.size() && IsDigit(replacement[i + 2]);
      const int two = has_second ? one * 10 + (replacement[i + 2] - u'0') : 0;
      if (has_second && two >= 1 && two <= groups) {
        append_group(two);
        i += 2;
      } else if (one >= 1 && one <= groups) {
        append_group(one);
        ++i;
      } else {
        out.push_back(u'$');
      }
    } else {
      out.push_back(u'$');
    }
  }
}

}  // namespace

std::optional<RegexpMatcher> RegexpMatcher::Compile(std::u16string_view pattern,
                                                    RegexpOptions options) {
  auto flags = std::regex_constants::ECMAScript;
  if (options.ignore_case) flags |= std::regex_constants::icase;
  if (options.multiline) flags |= std::regex_constants::multiline;
  try {
    std::wregex regex;
    regex.imbue(EcmaLocale());
    regex.assign(Widen(pattern), flags);
    const int groups = static_cast<int>(regex.mark_count());
    return RegexpMatcher(std::move(regex), groups, options.global);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::vector<RegexpMatch>> RegexpMatcher::Execute(std::u16string_view subject) const {
  const std::wstring wide = Widen(subject);
  std::vector<RegexpMatch> matches;
  try {
    std::size_t from = 0;
    while (from <= wide.size()) {
      std::match_results<std::wstring::const_iterator> found;
      const auto flags =
          from > 0 ? std::regex_constants::match_prev_avail : std::regex_constants::match_default;
      if (!std::regex_search(wide.cbegin() + static_cast<std::ptrdiff_t>(from), wide.cend(), found,
                             regex_, flags)) {
        break;
      }
      RegexpMatch match;
      match.first_index = static_cast<int>(found[0].first - wide.cbegin());
      match.value = Narrow(found[0].first, found[0].second);
      match.groups.reserve(static_cast<std::size_t>(group_count_));
      for (int g = 1; g <= group_count_; ++g) {
        const auto& group = found[static_cast<std::size_t>(g)];
        match.groups.push_back(group.matched ? std::optional(Narrow(group.first, group.second))
                                             : std::nullopt);
      }
      const std::size_t end = static_cast<std::size_t>(found[0].second - wide.cbegin());
      const bool empty = match.value.empty();
      matches.push_back(std::move(match));
      if (!global_) break;
      from = empty ? end + 1 : end;
    }
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return matches;
}

std::optional<bool> RegexpMatcher::Test(std::u16string_view subject) const {
  const std::wstring wide = Widen(subject);
  try {
    return std::regex_search(wide, regex_);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::optional<std::u16string> RegexpMatcher::Replace(std::u16string_view subject,
                                                     std::u16string_view replacement) const {
  const auto matches = Execute(subject);
  if (!matches) return std::nullopt;
  std::u16string out;
  std::size_t copied = 0;
  for (const RegexpMatch& match : *matches) {
    const auto start = static_cast<std::size_t>(match.first_index);
    out += subject.substr(copied, start - copied);
    AppendExpansion(out, replacement, subject, match);
    copied = start + match.value.size();
  }
  out += subject.substr(copied);
  return out;
}

}  // namespace chronalt
