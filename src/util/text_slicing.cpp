// Marker-based slicing on top of FindText and FindTextReverse; positions count bytes from 1.
#include "util/text_slicing.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace chronalt {
namespace {

// "#引号": lets a caller write a double quote inside a marker without escaping it.
const Text kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// |value| without overflow for INT_MIN, whose magnitude searches past any text anyway.
int Magnitude(int value) { return value == INT_MIN ? INT_MAX : (value < 0 ? -value : value); }

Text WithQuotes(const Text& marker) {
  return ReplaceSubtext(marker, kQuotePlaceholder, "\"", std::nullopt, std::nullopt, true);
}

}  // namespace

Text TextRightOf(const Text& text, const Text& marker, int start, bool ignore_case) {
  const int n = TextLength(text);
  const int m = TextLength(marker);
  const int p = start < 0 ? FindText(text, marker, Magnitude(start), ignore_case)
                          : FindTextReverse(text, marker, n - start, ignore_case);
  if (p == -1) return {};
  return TextRight(text, n - m - p + 1);
}

Text TextLeftOf(const Text& text, const Text& marker, int start, bool ignore_case) {
  int p = -1;
  if (start < 0) {
    const int k = start == -1 ? 0 : Magnitude(start);
    // Any start of 1 or less has an empty window; keeping it at 0 spares the search an
    // overflowing start - 1.
    const int reverse_start = std::max(TextLength(text) - k, 0);
    p = FindTextReverse(text, marker, reverse_start, ignore_case);
  } else {
    p = FindText(text, marker, start, ignore_case);
  }
  if (p == -1) return {};
  return TextLeft(text, p - 1);
}

Text TextBetween(const Text& text, const Text& start_marker, const Text& end_marker, int start,
                 bool ignore_case) {
  const Text opening = WithQuotes(start_marker);
  const Text closing = WithQuotes(end_marker);
  // 0, 1 and every negative start all search from the first byte.
  int p = FindText(text, opening, std::max(start, 1), ignore_case);
  if (p == -1) return {};
  p += TextLength(opening);
  const int q = FindText(text, closing, p, ignore_case);
  if (q == -1) return {};
  return TextMid(text, p, q - p);
}

}  // namespace chronalt
