// NormaliseHeaderBlock and HeaderValue on arbitrary blocks.
// - Normalising keeps exactly the lines (split at "\r\n" found at character boundaries) that
//   hold a ":" at a character boundary, in their order, joined by "\r\n" with none after the
//   last; each kept line has all its bytes, except that the first byte of the name and every
//   byte right after a one-byte "-" inside the name (the bytes before that colon) are
//   upper-cased when they are "a" to "z". Nothing else changes case, the value included.
// - HeaderValue is decided by the first line whose leading bytes are the name: the result is
//   what follows the last name + ": " in that line that ends before the line's final byte, so
//   that line ends in name + ": " + result; empty when no line begins with the name.
//
// Input: the block, then the header name (option bytes unused).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "http/header_block.h"
#include "util/text_bytes.h"

namespace chronalt::fuzz {
namespace {

const std::string_view kLineBreak = "\r\n";

std::string ExpectedLine(std::string line, std::size_t name_size) {
  bool word_start = true;
  for (std::size_t p = 0; p < name_size;) {
    const std::size_t step = CharacterAt(line, p);
    if (word_start && step == 1 && line[p] >= 'a' && line[p] <= 'z') line[p] -= 'a' - 'A';
    word_start = step == 1 && line[p] == '-';
    p += step;
  }
  return line;
}

void CheckNormalise(std::string_view block) {
  std::vector<std::string> kept;
  for (const std::string& line : ReferenceSplit(block, kLineBreak)) {
    const int colon = ReferenceFind(line, ":", std::nullopt, false);
    if (colon == -1) continue;
    kept.push_back(ExpectedLine(line, static_cast<std::size_t>(colon - 1)));
  }
  const Text result = NormaliseHeaderBlock(Text(block));
  FUZZ_CHECK(result.str() == Join(kept, kLineBreak));
  FUZZ_CHECK(!EndsWith(result.view(), kLineBreak) || EndsWith(kept.back(), kLineBreak));
  // Normalising again changes nothing more: names are already capitalised.
  if (result.view().find('\r') == std::string_view::npos) {
    FUZZ_CHECK(NormaliseHeaderBlock(result) == result);
  }
}

void CheckHeaderValue(std::string_view block, std::string_view name) {
  const Text result = HeaderValue(Text(block), Text(name));
  const std::string marker = std::string(name) + ": ";
  std::string expected;
  for (const std::string& line : ReferenceSplit(block, kLineBreak)) {
    if (line.compare(0, name.size(), name) != 0) continue;
    const int p = ReferenceFindReverse(line, marker, static_cast<long long>(line.size()), false);
    if (p != -1) expected = line.substr(p - 1 + marker.size());
    if (!result.empty()) FUZZ_CHECK(EndsWith(line, marker + result.str()));
    break;
  }
  FUZZ_CHECK(result.str() == expected);
}

}  // namespace
}  // namespace chronalt::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace chronalt::fuzz;
  const FuzzInput input(data, size);
  CheckNormalise(input.Part(0));
  CheckHeaderValue(input.Part(0), input.Part(1));
  return 0;
}
