// FoldToHalfWidth and ToInt. Folding maps characters one by one by its fixed table (checked
// against that table), never grows the text and is idempotent. ToInt equals the decimal value
// of the folded text's sign and digits wrapped to 32 bits (checked with std::from_chars
// whenever the digits fit in 64 bits) and ignores leading blanks, ideographic spaces included.
//
// Input: the text itself, up to its first zero byte.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

std::string ReferenceFold(std::string_view text) {
  std::string out;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t step = CharacterAt(text, p);
    if (step == 2) {
      const auto lead = static_cast<unsigned char>(text[p]);
      const auto trail = static_cast<unsigned char>(text[p + 1]);
      if (lead == 0xA1 && trail == 0xA1) {
        out += ' ';  // ideographic space
      } else if (lead == 0xA1 && trail == 0xAB) {
        out += '~';
      } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
        out += '*';
      } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
        out += static_cast<char>(trail - 0x80);  // full-width form of 0x21 to 0x7E
      } else {
        out += text.substr(p, 2);
      }
    } else {
      out += text[p];
    }
    p += step;
  }
  return out;
}

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void CheckToInt(const Text& text, const std::string& folded) {
  const int value = ToInt(text);
  FUZZ_CHECK(ToInt(Text(folded)) == value);
  FUZZ_CHECK(ToInt(Text(" " + text.str())) == value);
  FUZZ_CHECK(ToInt(Text("\xA1\xA1" + text.str())) == value);  // ideographic space

  std::size_t p = 0;
  while (p < folded.size() && IsWhiteSpace(folded[p])) ++p;
  bool negative = false;
  if (p < folded.size() && (folded[p] == '+' || folded[p] == '-')) negative = folded[p++] == '-';
  std::size_t end = p;
  while (end < folded.size() && folded[end] >= '0' && folded[end] <= '9') ++end;
  if (end == p) {
    FUZZ_CHECK(value == 0);
    return;
  }
  // Without the sign the digits read the same value, negated.
  const std::string digits = folded.substr(p, end - p);
  FUZZ_CHECK(
      static_cast<std::uint32_t>(ToInt(Text(digits))) ==
      (negative ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value)));
  std::uint64_t exact = 0;
  const auto [stop, error] = std::from_chars(digits.data(), digits.data() + digits.size(), exact);
  if (error == std::errc() && stop == digits.data() + digits.size()) {
    auto wrapped = static_cast<std::uint32_t>(exact);
    if (negative) wrapped = 0u - wrapped;
    FUZZ_CHECK(static_cast<std::uint32_t>(value) == wrapped);
  }
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const Text text(std::string_view(reinterpret_cast<const char*>(data), size));
  const Text folded = FoldToHalfWidth(text);
  FUZZ_CHECK(folded.str() == ReferenceFold(text.view()));
  FUZZ_CHECK(folded.size() <= text.size());
  FUZZ_CHECK(FoldToHalfWidth(folded) == folded);
  CheckToInt(text, folded.str());
  return 0;
}
