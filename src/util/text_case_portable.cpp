// Upper-case mapping of two-byte characters for builds without the Windows mapping: the
// lower-case letter blocks of code page 936 and the upper-case rows they pair with.
#include "util/text_case.h"

namespace chronalt {
namespace {

struct CaseBlock {
  std::uint16_t first_lower;
  std::uint16_t last_lower;
  std::uint16_t first_upper;
};

constexpr CaseBlock kCaseBlocks[] = {
    {0xA2A1, 0xA2AA, 0xA2F1},  // small Roman numerals one to ten
    {0xA3E1, 0xA3FA, 0xA3C1},  // full-width Latin a to z
    {0xA6C1, 0xA6D8, 0xA6A1},  // Greek alpha to omega
    {0xA7D1, 0xA7F1, 0xA7A1},  // Cyrillic a to ya
};

}  // namespace

std::uint16_t UpperCaseDoubleByte(std::uint16_t code) {
  for (const CaseBlock& block : kCaseBlocks) {
    if (code >= block.first_lower && code <= block.last_lower) {
      return static_cast<std::uint16_t>(block.first_upper + (code - block.first_lower));
    }
  }
  return code;
}

}  // namespace chronalt
