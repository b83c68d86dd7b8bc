// The upper-case mapping of one two-byte code page 936 character, which case-insensitive
// comparison needs. On Windows it is the platform's own mapping; the native build carries a
// table of the letter blocks the program can meet (full-width Latin, Greek, Cyrillic).
#pragma once

#include <cstdint>

namespace chronalt {

// `code` is lead byte * 256 + trail byte; a character without an upper case maps to itself.
std::uint16_t UpperCaseDoubleByte(std::uint16_t code);

}  // namespace chronalt
