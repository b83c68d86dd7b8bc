// TextBetween, TextRightOf and TextLeftOf. Each result is checked twice: against the bytes the
// reference searches point at (the documented composition of the search primitives), and by
// what the result must look like in the text on its own: the marker(s) around it, no earlier
// end marker inside a TextBetween result, a default TextRightOf result never empty and a
// default TextLeftOf result free of the marker.
//
// Input: flags (bits 0-1 which routine, bit 2 ignore case, bit 3 start counted from the text's
// length, bit 4 default arguments), the start number, then text, marker and end marker.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "util/text_bytes.h"
#include "util/text_slicing.h"

namespace chronalt::fuzz {
namespace {

const std::string_view kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";  // #引号

// Every placeholder at a character boundary becomes a double quote.
std::string WithQuotes(std::string_view marker) {
  std::string out;
  std::size_t p = 0;
  while (p + kQuotePlaceholder.size() <= marker.size()) {
    if (SameAt(marker, p, kQuotePlaceholder, false)) {
      out += '"';
      p += kQuotePlaceholder.size();
    } else {
      const std::size_t step = CharacterAt(marker, p);
      out += marker.substr(p, step);
      p += step;
    }
  }
  out += marker.substr(p);
  return out;
}

long long Magnitude(int value) { return value < 0 ? -static_cast<long long>(value) : value; }

void CheckBetween(std::string_view text, std::string_view opening_marker,
                  std::string_view closing_marker, int start, bool ignore_case, bool defaults) {
  const Text result = defaults ? TextBetween(Text(text), Text(opening_marker), Text(closing_marker))
                               : TextBetween(Text(text), Text(opening_marker), Text(closing_marker),
                                             start, ignore_case);
  if (defaults) {
    start = 0;
    ignore_case = false;
  }
  const std::string opening = WithQuotes(opening_marker);
  const std::string closing = WithQuotes(closing_marker);
  const int p = ReferenceFind(text, opening, std::max(start, 1), ignore_case);
  std::string expected;
  if (p != -1) {
    const long long after = p + static_cast<long long>(opening.size());
    const int q = ReferenceFind(text, closing, after, ignore_case);
    if (q != -1 && q > after) expected = text.substr(after - 1, q - after);
    if (!result.empty()) {
      // The opening marker directly before the result, the closing one directly after it.
      FUZZ_CHECK(SameAt(text, p - 1, opening, ignore_case));
      FUZZ_CHECK(text.substr(after - 1, result.size()) == result.view());
      FUZZ_CHECK(SameAt(text, after - 1 + result.size(), closing, ignore_case));
      if (!closing.empty()) {
        FUZZ_CHECK(ReferenceFind(result.view(), closing, std::nullopt, ignore_case) == -1);
      }
    }
  }
  FUZZ_CHECK(result.str() == expected);
}

void CheckRightOf(std::string_view text, std::string_view marker, int start, bool ignore_case,
                  bool defaults) {
  const Text result = defaults ? TextRightOf(Text(text), Text(marker))
                               : TextRightOf(Text(text), Text(marker), start, ignore_case);
  if (defaults) {
    start = 0;
    ignore_case = false;
  }
  const long long n = static_cast<long long>(text.size());
  const int p = start < 0 ? ReferenceFind(text, marker, Magnitude(start), ignore_case)
                          : ReferenceFindReverse(text, marker, n - start, ignore_case);
  const std::string expected(p == -1 ? std::string_view() : text.substr(p - 1 + marker.size()));
  FUZZ_CHECK(result.str() == expected);
  if (p != -1) {
    // The text ends in the marker followed by the result.
    FUZZ_CHECK(EndsWith(text, result.view()));
    FUZZ_CHECK(SameAt(text, text.size() - result.size() - marker.size(), marker, ignore_case));
    // Searching backward, the occurrence ends at or before byte n - start - 1, so at least
    // start + 1 bytes follow it: by default the one ending on the last byte is never taken.
    if (start >= 0) FUZZ_CHECK(static_cast<long long>(result.size()) >= start + 1LL);
  }
}

void CheckLeftOf(std::string_view text, std::string_view marker, int start, bool ignore_case,
                 bool defaults) {
  const Text result = defaults ? TextLeftOf(Text(text), Text(marker))
                               : TextLeftOf(Text(text), Text(marker), start, ignore_case);
  if (defaults) {
    start = 0;
    ignore_case = false;
  }
  const long long n = static_cast<long long>(text.size());
  int p = -1;
  if (start < 0) {
    const long long k = start == -1 ? 0 : Magnitude(start);
    p = ReferenceFindReverse(text, marker, n - k, ignore_case);
  } else {
    p = ReferenceFind(text, marker, start, ignore_case);
  }
  const std::string expected(p == -1 ? std::string_view() : text.substr(0, p - 1));
  FUZZ_CHECK(result.str() == expected);
  if (p != -1) {
    FUZZ_CHECK(text.substr(0, result.size()) == result.view());
    FUZZ_CHECK(SameAt(text, result.size(), marker, ignore_case));
    // Searching forward from the first byte takes the first occurrence: none inside the result.
    if ((start == 0 || start == 1) && !marker.empty()) {
      FUZZ_CHECK(ReferenceFind(result.view(), marker, std::nullopt, ignore_case) == -1);
    }
  }
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  const std::string_view text = input.Part(0);
  const std::string_view marker = input.Part(1);
  const int start = input.Position(0, input.Flag(3), text.size());
  const bool ignore_case = input.Flag(2);
  const bool defaults = input.Flag(4);
  switch (input.Flag(0) | input.Flag(1) << 1) {
    case 0:
    case 3:
      CheckBetween(text, marker, input.Part(2), start, ignore_case, defaults);
      break;
    case 1:
      CheckRightOf(text, marker, start, ignore_case, defaults);
      break;
    default:
      CheckLeftOf(text, marker, start, ignore_case, defaults);
      break;
  }
  return 0;
}
