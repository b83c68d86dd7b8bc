// The bridge between Text (code page 936 bytes) and the UTF-16 strings of the platform's HTTP
// service. Code page 936 is named explicitly in both directions, so the results do not depend
// on the machine's own ANSI code page.
#pragma once

#include <cstdint>

#include "util/text_bytes.h"

namespace chronalt {

// Little-endian UTF-16 code units with one terminating zero unit, unless drop_terminator;
// an empty text gives empty Bytes with no terminator at all.
Bytes TextToUtf16(const Text& text, bool drop_terminator = false);
// The code page 936 form of the code units, cut before its first zero byte; an odd last byte
// is ignored.
Text Utf16ToText(const Bytes& utf16);

inline const char* TextPointer(const Text& text) { return text.c_str(); }
inline const std::uint8_t* BytesPointer(const Bytes& bytes) {
  return bytes.empty() ? nullptr : bytes.data();
}

}  // namespace chronalt
