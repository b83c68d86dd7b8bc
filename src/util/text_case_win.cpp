// Upper-case mapping of two-byte characters through the platform: the character goes to UTF-16
// with code page 936 itself (never the ANSI code page, which differs between machines), is
// upper-cased there and comes back only when code page 936 has the upper-case form.
#include <windows.h>

#include "util/text_case.h"

namespace chronalt {

std::uint16_t UpperCaseDoubleByte(std::uint16_t code) {
  constexpr UINT kGbk = 936;
  const char bytes[2] = {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
  wchar_t wide = 0;
  if (MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes, 2, &wide, 1) != 1) return code;
  wchar_t upper = 0;
  if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, &wide, 1, &upper, 1) != 1) return code;
  if (upper == wide) return code;
  char back[2] = {};
  BOOL used_default = FALSE;
  if (WideCharToMultiByte(kGbk, 0, &upper, 1, back, 2, nullptr, &used_default) != 2 ||
      used_default) {
    return code;
  }
  return static_cast<std::uint16_t>(static_cast<unsigned char>(back[0]) << 8 |
                                    static_cast<unsigned char>(back[1]));
}

}  // namespace chronalt
