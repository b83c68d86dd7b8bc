// FindText and FindTextReverse against the reference search that steps through the text by
// characters: same position or -1 for every start position, letter case and text, and the
// position found really holds the sub-text inside the allowed window.
//
// Input: flags (bit 0 ignore case, bit 1 start given, bit 2 start counted from the text's
// length), the start number, then the text and the sub-text.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz_support.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

void CheckSearches(const Text& text, const Text& sub, std::optional<int> start, bool ignore_case) {
  const std::optional<long long> wide_start =
      start ? std::optional<long long>(*start) : std::nullopt;
  const long long n = static_cast<long long>(text.size());
  const long long m = static_cast<long long>(sub.size());

  const int forward = FindText(text, sub, start, ignore_case);
  FUZZ_CHECK(forward == ReferenceFind(text.view(), sub.view(), wide_start, ignore_case));
  if (forward != -1 && m > 0) {
    FUZZ_CHECK(SameAt(text.view(), forward - 1, sub.view(), ignore_case));
    FUZZ_CHECK(!start || forward >= *start);
  }

  const int backward = FindTextReverse(text, sub, start, ignore_case);
  FUZZ_CHECK(backward == ReferenceFindReverse(text.view(), sub.view(), wide_start, ignore_case));
  if (backward != -1 && m > 0) {
    FUZZ_CHECK(SameAt(text.view(), backward - 1, sub.view(), ignore_case));
    // The occurrence ends at or before byte start - 1 (the last byte when left out).
    const long long last_byte = start ? static_cast<long long>(*start) - 1 : n;
    FUZZ_CHECK(backward - 1 + m <= last_byte);
  }

  // Over the whole text the last occurrence cannot come before the first one.
  if (!start && m > 0) {
    const int first = FindText(text, sub, std::nullopt, ignore_case);
    const int last = FindTextReverse(text, sub, std::nullopt, ignore_case);
    FUZZ_CHECK((first == -1) == (last == -1));
    FUZZ_CHECK(last >= first);
  }
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  const Text text(input.Part(0));
  const Text sub(input.Part(1));
  const bool ignore_case = input.Flag(0);
  std::optional<int> start;
  if (input.Flag(1)) start = input.Position(0, input.Flag(2), text.size());
  CheckSearches(text, sub, start, ignore_case);
  return 0;
}
