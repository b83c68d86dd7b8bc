// MergeCookies on arbitrary sent and received lists: the merged list, split at "; " the way
// every list is split, has no two equal items, no item ending in "=deleted", no separator
// after its last item, and it is written back into the sent list; merging with the sent text
// itself as the received list gives what merging with a copy of it gives.
//
// Input: flags (bit 0 received is the sent text itself), the sent list, the received list.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "http/cookies.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

const std::string_view kSeparator = "; ";

void CheckMerged(const Text& merged) {
  const std::vector<std::string> items = ReferenceSplit(merged.view(), kSeparator);
  // Joined again the items give the whole list: no separator after the last one. (The list
  // may still end in the bytes "; " when the ";" is the second byte of a character.)
  FUZZ_CHECK(Join(items, kSeparator) == merged.str());
  std::set<std::string> seen;
  for (const std::string& item : items) {
    FUZZ_CHECK(seen.insert(item).second);
    FUZZ_CHECK(!EndsWith(item, "=deleted"));
  }
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt;
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  Text sent(input.Part(0));
  if (input.Flag(0)) {
    const Text before = sent;
    Text copy = sent;
    const Text merged = MergeCookies(sent, sent);
    FUZZ_CHECK(sent == merged);
    FUZZ_CHECK(merged == MergeCookies(copy, before));
    CheckMerged(merged);
    return 0;
  }
  const Text received(input.Part(1));
  const Text merged = MergeCookies(sent, received);
  FUZZ_CHECK(sent == merged);
  CheckMerged(merged);
  return 0;
}
