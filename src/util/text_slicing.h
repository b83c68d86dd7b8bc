// Cutting a piece out of a Text by marker texts: what follows a marker, what precedes it, and
// what lies between two markers. A marker that is not found gives the empty Text.
//
// The start position's sign chooses the direction: TextRightOf searches backward unless it is
// negative (so by default it takes the text after the last marker), TextLeftOf searches forward
// unless it is negative (the text before the first marker), TextBetween always forward.
// ignore_case folds only "A" to "Z", as FindText does.
#pragma once

#include "util/text_bytes.h"

namespace chronalt {

// The bytes after the chosen occurrence of `marker`. With start >= 0 that is the last occurrence
// ending at or before byte n - start - 1 (n the text's length), so an occurrence that ends on the
// final byte is never taken by default; with start < 0 the first one at or after byte -start.
Text TextRightOf(const Text& text, const Text& marker, int start = 0, bool ignore_case = false);

// The bytes before the chosen occurrence of `marker`. With start >= 0 the first occurrence at or
// after byte start; with start < 0 the last one ending at or before byte n - k - 1, where k is
// -start except that -1 counts as 0.
Text TextLeftOf(const Text& text, const Text& marker, int start = 0, bool ignore_case = false);

// The bytes between the first `start_marker` at or after byte `start` and the first
// `end_marker` after it. In both markers "#引号" stands for a double quote.
Text TextBetween(const Text& text, const Text& start_marker, const Text& end_marker, int start = 0,
                 bool ignore_case = false);

}  // namespace chronalt
