// The portable half of the Text and Bytes operations. Every routine here is a pure function;
// the only platform dependency, the double-byte upper-case mapping, is behind text_case.h.
#include "util/text_bytes.h"

#include <algorithm>
#include <cstdio>

#include "util/text_case.h"

namespace chronalt {
namespace {

std::string_view UpToZero(std::string_view bytes) {
  return bytes.substr(0, std::min(bytes.find('\0'), bytes.size()));
}

// Sizes are int in the interface; a Text beyond 2 GiB cannot be addressed by its positions.
int SizeOf(std::size_t n) { return static_cast<int>(std::min<std::size_t>(n, 0x7fffffff)); }

unsigned char AsciiLower(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + ('a' - 'A')) : byte;
}

// Length of the character that starts at `offset`: two for a lead byte with a byte after it.
std::size_t CharacterSize(std::string_view text, std::size_t offset) {
  return (IsLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size()) ? 2
                                                                                           : 1;
}

bool BytesMatch(std::string_view text, std::size_t offset, std::string_view sub,
                bool ignore_case) {
  if (!ignore_case) return text.compare(offset, sub.size(), sub) == 0;
  for (std::size_t i = 0; i < sub.size(); ++i) {
    if (AsciiLower(static_cast<unsigned char>(text[offset + i])) !=
        AsciiLower(static_cast<unsigned char>(sub[i]))) {
      return false;
    }
  }
  return true;
}

constexpr std::size_t kStop = std::string_view::npos;

// Visits the candidate offsets of `window`, stepping by characters, and calls
// `on_match(offset)` at each occurrence of `sub`; the callback returns where the scan goes on
// (an offset, or kStop).
template <typename OnMatch>
void ScanForMatches(std::string_view window, std::string_view sub, bool ignore_case,
                    OnMatch on_match) {
  const std::size_t m = sub.size();
  if (m == 0 || window.size() < m) return;
  const std::size_t last = window.size() - m;
  std::size_t p = 0;  // always a character boundary
  while (p <= last) {
    if (ignore_case) {
      if (BytesMatch(window, p, sub, true)) {
        p = on_match(p);
        if (p == kStop) return;
      } else {
        p += CharacterSize(window, p);
      }
      continue;
    }
    // Exact matching lets the library's byte search find the next occurrence; what remains is
    // to tell whether it begins a character. A byte below 0x80 always ends a character, so the
    // run of lead-range bytes in front of the hit decides: an odd run puts the hit on a second
    // byte. The run is only walked back to p, so every byte is looked at a bounded number of
    // times and the scan stays linear.
    const std::size_t hit = window.find(sub, p);
    if (hit == std::string_view::npos) return;
    std::size_t run_start = hit;
    while (run_start > p && IsLeadByte(static_cast<unsigned char>(window[run_start - 1]))) {
      --run_start;
    }
    if ((hit - run_start) % 2 == 1) {
      p = hit + 1;  // the hit was a second byte; the character after it begins here
      continue;
    }
    p = on_match(hit);
    if (p == kStop) return;
  }
}

}  // namespace

Text::Text(const char* bytes) : bytes_(bytes == nullptr ? "" : bytes) {}
Text::Text(std::string_view bytes) : bytes_(UpToZero(bytes)) {}
Text::Text(const std::string& bytes) : bytes_(UpToZero(bytes)) {}
Text::Text(std::string&& bytes) : bytes_(std::move(bytes)) {
  bytes_.resize(UpToZero(bytes_).size());
}

Bytes::Bytes(const void* data, std::size_t size) {
  if (size > 0) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    bytes_.assign(first, first + size);
  }
}

int TextLength(const Text& text) { return SizeOf(text.size()); }

Text TextLeft(const Text& text, int n) {
  if (n <= 0) return {};
  return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(const Text& text, int n) {
  if (n <= 0) return {};
  const std::size_t keep = std::min(static_cast<std::size_t>(n), text.size());
  return Text(text.view().substr(text.size() - keep));
}

Text TextMid(const Text& text, int start, int n) {
  const long long offset = static_cast<long long>(start) - 1;
  if (offset < 0 || offset >= static_cast<long long>(text.size()) || n <= 0) return {};
  return Text(text.view().substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(n)));
}

Text BlankText(int n) {
  if (n <= 0) return {};
  return Text(std::string(static_cast<std::size_t>(n), ' '));
}

int FindText(const Text& text, const Text& sub, std::optional<int> start, bool ignore_case) {
  const long long begin = start ? std::max<long long>(static_cast<long long>(*start) - 1, 0) : 0;
  if (begin >= static_cast<long long>(text.size())) return -1;
  if (sub.empty()) return 1;
  const std::string_view window = text.view().substr(static_cast<std::size_t>(begin));
  int found = -1;
  ScanForMatches(window, sub.view(), ignore_case, [&](std::size_t p) {
    found = SizeOf(p + static_cast<std::size_t>(begin) + 1);
    return kStop;
  });
  return found;
}

int FindTextReverse(const Text& text, const Text& sub, std::optional<int> start,
                    bool ignore_case) {
  const long long limit = start ? std::max<long long>(static_cast<long long>(*start) - 1, 0)
                                : static_cast<long long>(text.size());
  const std::size_t window_size =
      static_cast<std::size_t>(std::min<long long>(limit, static_cast<long long>(text.size())));
  if (window_size == 0) return -1;
  if (sub.empty()) return 1;
  int found = -1;
  // Candidates are the forward ones, so a match never begins on a second byte; the last wins.
  ScanForMatches(text.view().substr(0, window_size), sub.view(), ignore_case, [&](std::size_t p) {
    found = SizeOf(p + 1);
    return p + CharacterSize(text.view(), p);
  });
  return found;
}

Text ReplaceSubtext(const Text& text, const Text& sub, const Text& replacement,
                    std::optional<int> start, std::optional<int> count, bool case_sensitive) {
  const std::size_t offset =
      start ? static_cast<std::size_t>(std::max<long long>(static_cast<long long>(*start) - 1, 0))
            : 0;
  const bool limited = count && *count >= 0;
  int remaining = limited ? *count : 0;
  if (text.empty() || sub.empty() || offset >= text.size() || (limited && remaining == 0)) {
    return text;
  }

  const std::string_view source = text.view();
  std::string result(source.substr(0, offset));
  result.reserve(source.size());
  const std::string_view window = source.substr(offset);
  std::size_t copied = 0;  // window bytes already moved into result
  // The scan resumes behind each occurrence, so a replacement is never looked at again.
  ScanForMatches(window, sub.view(), !case_sensitive, [&](std::size_t p) {
    result.append(window.substr(copied, p - copied));
    result.append(replacement.view());
    copied = p + sub.size();
    return (limited && --remaining == 0) ? kStop : copied;
  });
  result.append(window.substr(copied));
  return Text(std::move(result));
}

std::vector<Text> SplitText(const Text& text, const Text& separator, std::optional<int> maximum) {
  const bool limited = maximum.has_value();
  int left = limited ? std::max(*maximum, 0) : 0;
  std::vector<Text> pieces;
  if (text.empty() || (limited && left == 0)) return pieces;
  if (separator.empty()) return {text};

  const std::string_view source = text.view();
  std::size_t piece_start = 0;
  bool stopped = false;
  ScanForMatches(source, separator.view(), false, [&](std::size_t p) {
    pieces.emplace_back(source.substr(piece_start, p - piece_start));
    piece_start = p + separator.size();
    if (limited && --left == 0) {
      stopped = true;
      return kStop;
    }
    return piece_start;
  });
  if (!stopped && piece_start < source.size()) pieces.emplace_back(source.substr(piece_start));
  return pieces;
}

Text TrimBothEnds(const Text& text) {
  const std::string_view source = text.view();
  auto blank_at = [&](std::size_t p) -> std::size_t {  // size of the blank at p, or 0
    if (source[p] == ' ') return 1;
    if (p + 1 < source.size() && static_cast<unsigned char>(source[p]) == 0xA1 &&
        static_cast<unsigned char>(source[p + 1]) == 0xA1) {
      return 2;
    }
    return 0;
  };
  std::size_t begin = 0;
  while (begin < source.size()) {
    const std::size_t blank = blank_at(begin);
    if (blank == 0) break;
    begin += blank;
  }
  // The trailing run is found stepping from the front, so an A1 A1 pair that is really the
  // second byte of one character and the first of the next is not taken for a blank.
  std::size_t end = begin;
  for (std::size_t p = begin; p < source.size();) {
    const std::size_t blank = blank_at(p);
    const std::size_t step = blank != 0 ? blank : CharacterSize(source, p);
    p += step;
    if (blank == 0) end = p;
  }
  return Text(source.substr(begin, end - begin));
}

Text ToUpperCase(const Text& text) {
  std::string result = text.str();
  for (std::size_t p = 0; p < result.size();) {
    const std::size_t step = CharacterSize(result, p);
    if (step == 1 && result[p] >= 'a' && result[p] <= 'z') result[p] = result[p] - 'a' + 'A';
    p += step;
  }
  return Text(std::move(result));
}

int CompareText(const Text& first, const Text& second, bool case_sensitive) {
  const std::string_view a = first.view();
  const std::string_view b = second.view();
  auto unit_at = [case_sensitive](std::string_view s, std::size_t p, std::size_t* step) {
    *step = CharacterSize(s, p);
    const auto lead = static_cast<unsigned char>(s[p]);
    if (*step == 1) {
      if (!case_sensitive && lead >= 'a' && lead <= 'z') return lead - 'a' + 'A';
      return static_cast<int>(lead);
    }
    const auto code = static_cast<std::uint16_t>(lead << 8 | static_cast<unsigned char>(s[p + 1]));
    return static_cast<int>(case_sensitive ? code : UpperCaseDoubleByte(code));
  };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    std::size_t step_a = 0;
    std::size_t step_b = 0;
    const int unit_a = unit_at(a, i, &step_a);
    const int unit_b = unit_at(b, j, &step_b);
    if (unit_a != unit_b) return unit_a < unit_b ? -1 : 1;
    i += step_a;
    j += step_b;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

Text FoldToHalfWidth(const Text& text) {
  const std::string_view source = text.view();
  std::string result;
  result.reserve(source.size());
  for (std::size_t p = 0; p < source.size();) {
    const std::size_t step = CharacterSize(source, p);
    if (step == 2) {
      const auto lead = static_cast<unsigned char>(source[p]);
      const auto trail = static_cast<unsigned char>(source[p + 1]);
      char folded = 0;
      if (lead == 0xA1 && trail == 0xA1) folded = ' ';
      if (lead == 0xA1 && trail == 0xAB) folded = '~';
      if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) folded = '*';
      if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) folded = static_cast<char>(trail - 0x80);
      if (folded != 0) {
        result.push_back(folded);
        p += 2;
        continue;
      }
    }
    result.append(source.substr(p, step));
    p += step;
  }
  return Text(std::move(result));
}

int ToInt(const Text& text) {
  const Text folded = FoldToHalfWidth(text);
  const std::string_view s = folded.view();
  std::size_t p = 0;
  while (p < s.size() && (s[p] == ' ' || (s[p] >= '\t' && s[p] <= '\r'))) ++p;
  bool negative = false;
  if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
  // Unsigned arithmetic wraps by definition; the 32-bit result is the wrapped value.
  std::uint32_t value = 0;
  for (; p < s.size() && s[p] >= '0' && s[p] <= '9'; ++p) {
    value = value * 10u + static_cast<std::uint32_t>(s[p] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<int>(value);
}

Text ToText(const Bytes& bytes) { return Text(bytes.view()); }

Text ToText(std::int16_t value) { return ToText(static_cast<int>(value)); }

Text ToText(int value) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%d", value);
  return Text(digits);
}

Bytes BlankBytes(int n) {
  if (n <= 0) return {};
  return Bytes(std::vector<std::uint8_t>(static_cast<std::size_t>(n), 0));
}

Bytes ToBytes(const Text& text) { return Bytes(text.view()); }

int BytesLength(const Bytes& bytes) { return SizeOf(bytes.size()); }

Bytes BytesLeft(const Bytes& bytes, int n) {
  const std::size_t keep = std::min(static_cast<std::size_t>(std::max(n, 0)), bytes.size());
  return Bytes(bytes.data(), keep);
}

Bytes BytesMid(const Bytes& bytes, int start, int n) {
  const std::size_t offset =
      std::min(static_cast<std::size_t>(std::max(start - 1LL, 0LL)), bytes.size());
  const std::size_t keep = std::min(static_cast<std::size_t>(std::max(n, 0)), bytes.size() - offset);
  return Bytes(bytes.data() + offset, keep);
}

Bytes PointerToBytes(const void* address, int n) {
  if (address == nullptr || n <= 0) return {};
  return Bytes(address, static_cast<std::size_t>(n));
}

}  // namespace chronalt
