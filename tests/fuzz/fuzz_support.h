// What the fuzz targets share: how an input is cut into option bytes and texts, a check that
// stops the run with a message whatever the build type, and plain reference versions of the
// character-stepping searches and splits that the checked routines are defined by.
//
// Input layout: three option bytes (flags, then two small numbers), then texts separated by zero
// bytes. A Text cannot hold a zero byte, so the separator never reaches a routine. Missing bytes
// read as zero and missing texts as empty, so every input is a valid one.
//
// The references step through code page 936 text the slow, obvious way: from a character
// boundary, a byte of 0x80 or above with a byte after it is a two-byte character, anything else
// one byte; a match is only tried at a boundary reached that way.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "util/text_bytes.h"

namespace chronalt::fuzz {

// Reports the failed property with the texts involved and aborts, so libFuzzer saves the input.
[[noreturn]] inline void CheckFailed(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what, file, line);
  std::abort();
}

#define FUZZ_CHECK(condition)                                                        \
  do {                                                                               \
    if (!(condition)) ::chronalt::fuzz::CheckFailed(#condition, __FILE__, __LINE__); \
  } while (false)

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size) {
    const std::size_t header = std::min<std::size_t>(size, kOptionBytes);
    for (std::size_t i = 0; i < header; ++i) options_[i] = data[i];
    const std::string_view rest(reinterpret_cast<const char*>(data) + header, size - header);
    std::size_t begin = 0;
    while (true) {
      const std::size_t zero = rest.find('\0', begin);
      texts_.emplace_back(rest.substr(begin, zero == std::string_view::npos ? zero : zero - begin));
      if (zero == std::string_view::npos) break;
      begin = zero + 1;
    }
  }

  bool Flag(int bit) const { return (options_[0] >> bit) & 1; }

  // Option byte 1 or 2 as a small signed number, with four bytes kept for the extremes that
  // positions and counts must survive.
  int Number(int which) const {
    const std::uint8_t byte = options_[which == 0 ? 1 : 2];
    switch (byte) {
      case 0x7F:
        return INT_MAX;
      case 0x7E:
        return INT_MAX - 1;
      case 0x80:
        return INT_MIN;
      case 0x81:
        return INT_MIN + 1;
      default:
        return static_cast<std::int8_t>(byte);
    }
  }

  // Number(which), or the text length plus it when `from_length`: positions near the end of a
  // long text are as interesting as those near its start.
  int Position(int which, bool from_length, std::size_t length) const {
    const long long value = (from_length ? static_cast<long long>(length) : 0LL) +
                            static_cast<long long>(Number(which));
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
  }

  // The text at `index` (empty when the input has fewer).
  std::string_view Part(std::size_t index) const {
    return index < texts_.size() ? std::string_view(texts_[index]) : std::string_view();
  }

 private:
  static constexpr std::size_t kOptionBytes = 3;
  std::uint8_t options_[kOptionBytes] = {0, 0, 0};
  std::vector<std::string> texts_;
};

// Size of the character that starts at the boundary `p` of `s`.
inline std::size_t CharacterAt(std::string_view s, std::size_t p) {
  return (static_cast<unsigned char>(s[p]) >= 0x80 && p + 1 < s.size()) ? 2 : 1;
}

inline unsigned char FoldAsciiUpper(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 32) : byte;
}

// The bytes of `sub` at offset p of `s`; with fold, "A" to "Z" equal "a" to "z" byte by byte.
inline bool SameAt(std::string_view s, std::size_t p, std::string_view sub, bool fold) {
  if (p > s.size() || s.size() - p < sub.size()) return false;
  for (std::size_t i = 0; i < sub.size(); ++i) {
    const auto a = static_cast<unsigned char>(s[p + i]);
    const auto b = static_cast<unsigned char>(sub[i]);
    if (fold ? FoldAsciiUpper(a) != FoldAsciiUpper(b) : a != b) return false;
  }
  return true;
}

inline bool EqualFolded(std::string_view a, std::string_view b, bool fold) {
  return a.size() == b.size() && SameAt(a, 0, b, fold);
}

// First occurrence at or after byte max(start, 1), stepping from there; 1-based, or -1.
inline int ReferenceFind(std::string_view text, std::string_view sub,
                         std::optional<long long> start, bool fold) {
  const long long begin = start ? std::max(*start - 1, 0LL) : 0;
  if (begin >= static_cast<long long>(text.size())) return -1;
  if (sub.empty()) return 1;
  for (auto p = static_cast<std::size_t>(begin); p + sub.size() <= text.size();
       p += CharacterAt(text, p)) {
    if (SameAt(text, p, sub, fold)) return static_cast<int>(p + 1);
  }
  return -1;
}

// Last occurrence lying wholly in the first min(start - 1, n) bytes (all of them when left out).
inline int ReferenceFindReverse(std::string_view text, std::string_view sub,
                                std::optional<long long> start, bool fold) {
  const long long limit = start ? std::max(*start - 1, 0LL) : static_cast<long long>(text.size());
  const auto window = static_cast<std::size_t>(std::min<long long>(limit, text.size()));
  if (window == 0) return -1;
  if (sub.empty()) return 1;
  int last = -1;
  for (std::size_t p = 0; p + sub.size() <= window; p += CharacterAt(text, p)) {
    if (SameAt(text, p, sub, fold)) last = static_cast<int>(p + 1);
  }
  return last;
}

// Pieces between separators found at boundaries, no empty piece after a final separator, at
// most `maximum` pieces when given.
inline std::vector<std::string> ReferenceSplit(std::string_view text, std::string_view separator,
                                               std::optional<int> maximum = std::nullopt) {
  std::vector<std::string> pieces;
  int left = maximum ? std::max(*maximum, 0) : 0;
  if (text.empty() || (maximum && left == 0)) return pieces;
  if (separator.empty()) return {std::string(text)};
  std::size_t piece = 0;
  std::size_t p = 0;
  while (p + separator.size() <= text.size()) {
    if (SameAt(text, p, separator, false)) {
      pieces.emplace_back(text.substr(piece, p - piece));
      p += separator.size();
      piece = p;
      if (maximum && --left == 0) return pieces;
    } else {
      p += CharacterAt(text, p);
    }
  }
  if (piece < text.size()) pieces.emplace_back(text.substr(piece));
  return pieces;
}

inline std::string Join(const std::vector<std::string>& pieces, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (i != 0) joined += separator;
    joined += pieces[i];
  }
  return joined;
}

inline bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace chronalt::fuzz
