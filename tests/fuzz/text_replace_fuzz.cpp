// ReplaceSubtext against the rule it is defined by: from the start offset, an occurrence at a
// character boundary is replaced and skipped, anything else is copied a character at a time,
// up to the count. Besides the reference result: a text without occurrences comes back as it
// was, replacing a sub-text by itself (exact case) changes nothing, the bytes before the start
// are kept, and the length changes by a whole number of replacements within the count.
//
// Input: flags (bit 0 case-sensitive, bit 1 start given, bit 2 start counted from the text's
// length, bit 3 count given), the start and count numbers, then text, sub-text, replacement.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

std::string ReferenceReplace(std::string_view text, std::string_view sub,
                             std::string_view replacement, std::optional<int> start,
                             std::optional<int> count, bool case_sensitive) {
  const std::size_t offset =
      start ? static_cast<std::size_t>(std::max(static_cast<long long>(*start) - 1, 0LL)) : 0;
  const bool limited = count && *count >= 0;
  int remaining = limited ? *count : 0;
  if (text.empty() || sub.empty() || offset >= text.size() || (limited && remaining == 0)) {
    return std::string(text);
  }
  std::string out(text.substr(0, offset));
  std::size_t p = offset;
  while (p + sub.size() <= text.size()) {
    if (SameAt(text, p, sub, !case_sensitive)) {
      out += replacement;
      p += sub.size();
      if (limited && --remaining == 0) break;
    } else {
      const std::size_t step = CharacterAt(text, p);
      out += text.substr(p, step);
      p += step;
    }
  }
  out += text.substr(p);
  return out;
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  const Text text(input.Part(0));
  const Text sub(input.Part(1));
  const Text replacement(input.Part(2));
  const bool case_sensitive = input.Flag(0);
  std::optional<int> start;
  if (input.Flag(1)) start = input.Position(0, input.Flag(2), text.size());
  std::optional<int> count;
  if (input.Flag(3)) count = input.Number(1);

  const Text result = ReplaceSubtext(text, sub, replacement, start, count, case_sensitive);
  FUZZ_CHECK(result.str() == ReferenceReplace(text.view(), sub.view(), replacement.view(), start,
                                              count, case_sensitive));

  const std::optional<long long> wide_start =
      start ? std::optional<long long>(*start) : std::nullopt;
  if (ReferenceFind(text.view(), sub.view(), wide_start, !case_sensitive) == -1) {
    FUZZ_CHECK(result == text);
  }
  if (case_sensitive) FUZZ_CHECK(ReplaceSubtext(text, sub, sub, start, count, true) == text);

  const std::size_t offset =
      start ? static_cast<std::size_t>(std::max(static_cast<long long>(*start) - 1, 0LL)) : 0;
  const std::size_t kept = std::min(offset, text.size());
  FUZZ_CHECK(result.view().substr(0, kept) == text.view().substr(0, kept));

  // n replacements change the length by n * (replacement - sub), n within the count.
  const long long delta =
      static_cast<long long>(result.size()) - static_cast<long long>(text.size());
  const long long step =
      static_cast<long long>(replacement.size()) - static_cast<long long>(sub.size());
  if (step != 0) {
    FUZZ_CHECK(delta % step == 0);
    const long long replaced = delta / step;
    FUZZ_CHECK(replaced >= 0);
    if (count && *count >= 0) FUZZ_CHECK(replaced <= *count);
  } else {
    FUZZ_CHECK(delta == 0);
  }
  return 0;
}
