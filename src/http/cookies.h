// Cookie lists: "; "-separated items, each normally name=value. MergeCookies folds the cookies
// an answer set into the list that was sent, the way the request routine hands cookies back to
// its caller: the answer's cookies first, then the sent ones the answer did not replace, without
// those it deleted (an item ending in "=deleted"). Pure text processing: expiry, path and domain
// play no part. Every comparison is exact and case-sensitive.
#pragma once

#include <vector>

#include "util/text_bytes.h"

namespace chronalt {

// The merged list, also written back into `sent`. No separator follows the last item and no
// two items are equal byte for byte.
Text MergeCookies(Text& sent, const Text& received);

// The bytes before the item's first "=" (all of it when it has none), without outer blanks.
Text CookieName(const Text& item);

bool HasCookieNamed(const std::vector<Text>& items, const Text& name);

// The text's pieces, each kept only at its first appearance, joined by `separator`. The pieces
// are the parts between separators when split_by_separator, otherwise the characters.
Text RemoveDuplicateItems(const Text& text, const Text& separator, bool split_by_separator);

// 1-based index of the first element equal to `text`, or -1.
int IndexOfText(const std::vector<Text>& items, const Text& text);

// Empties `characters`, fills it with the text's characters and returns their number. A byte
// above 0x80 that is not the last one begins a two-byte character, and so does a CR before LF.
int SplitCharacters(const Text& text, std::vector<Text>& characters);

}  // namespace chronalt
