// Cookie-list merging. The lookups by name and by item use hash sets that always hold exactly
// the items taken so far, which gives the same answers as walking the list each time but stays
// linear when an answer sets thousands of cookies.
#include "http/cookies.h"

#include <string>
#include <string_view>
#include <unordered_set>

namespace chronalt {
namespace {

const Text kSeparator = "; ";
const Text kDeletedMark = "=deleted";

// Outer blanks off; a list ending in ";" gets the blank that makes its last separator whole.
Text PrepareList(const Text& list) {
  std::string prepared = TrimBothEnds(list).str();
  if (!prepared.empty() && prepared.back() == ';') prepared += ' ';
  return Text(std::move(prepared));
}

Text CutEnd(std::string&& text, std::size_t n) {
  text.resize(text.size() >= n ? text.size() - n : 0);
  return Text(std::move(text));
}

}  // namespace

Text CookieName(const Text& item) {
  const int equals = FindText(item, "=");
  return TrimBothEnds(equals == -1 ? item : TextLeft(item, equals - 1));
}

bool HasCookieNamed(const std::vector<Text>& items, const Text& name) {
  for (const Text& item : items) {
    if (CookieName(item) == name) return true;
  }
  return false;
}

int IndexOfText(const std::vector<Text>& items, const Text& text) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i] == text) return static_cast<int>(i + 1);
  }
  return -1;
}

int SplitCharacters(const Text& text, std::vector<Text>& characters) {
  characters.clear();
  const std::string_view bytes = text.view();
  for (std::size_t p = 0; p < bytes.size();) {
    std::size_t size = 1;
    if (p + 1 < bytes.size()) {
      const auto byte = static_cast<unsigned char>(bytes[p]);
      if (byte > 0x80 || (byte == '\r' && bytes[p + 1] == '\n')) size = 2;
    }
    characters.emplace_back(bytes.substr(p, size));
    p += size;
  }
  return static_cast<int>(characters.size());
}

Text RemoveDuplicateItems(const Text& text, const Text& separator, bool split_by_separator) {
  std::vector<Text> pieces;
  if (split_by_separator) {
    pieces = SplitText(text, separator);
  } else {
    SplitCharacters(text, pieces);
  }
  std::unordered_set<std::string_view> taken;
  std::string result;
  result.reserve(text.size() + separator.size());
  for (const Text& piece : pieces) {
    if (!taken.insert(piece.view()).second) continue;
    result += piece.view();
    result += separator.view();
  }
  return CutEnd(std::move(result), separator.size());
}

Text MergeCookies(Text& sent, const Text& received) {
  const std::vector<Text> old_items = SplitText(PrepareList(sent), kSeparator);
  std::vector<Text> items = SplitText(PrepareList(received), kSeparator);

  // Names of every item now in `items`; an old item joins only under a name not yet there, so
  // of several old items with one name only the first can, and only if the answer set none.
  std::unordered_set<std::string> names;
  for (const Text& item : items) names.insert(CookieName(item).str());
  for (const Text& item : old_items) {
    if (names.insert(CookieName(item).str()).second) items.push_back(item);
  }

  std::string kept;
  for (const Text& item : items) {
    if (TextRight(item, TextLength(kDeletedMark)) == kDeletedMark) continue;
    kept += item.view();
    kept += kSeparator.view();
  }
  Text merged = RemoveDuplicateItems(CutEnd(std::move(kept), kSeparator.size()), kSeparator, true);
  // An empty item whose later repeats were removed ("a=1; ; a=1") is the last one left and
  // would end the list in a separator; it names no cookie, so it goes too.
  if (!merged.empty() && FindTextReverse(merged, kSeparator) == TextLength(merged) - 1) {
    merged = TextLeft(merged, TextLength(merged) - TextLength(kSeparator));
  }
  sent = merged;
  return merged;
}

}  // namespace chronalt
