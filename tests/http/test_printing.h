// Shows Text and Bytes in test failures as quoted bytes, non-printable ones as \xNN escapes, so
// a CR LF or a GBK byte out of place is visible.
#pragma once

#include <cstdio>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>

#include "util/text_bytes.h"

namespace chronalt {

inline std::string Escaped(std::string_view bytes) {
  std::ostringstream os;
  os << '"';
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      os << static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      os << hex;
    }
  }
  os << '"';
  return os.str();
}

// GoogleTest finds these by argument-dependent lookup.
inline void PrintTo(const Text& text, std::ostream* os) { *os << Escaped(text.view()); }
inline void PrintTo(const Bytes& bytes, std::ostream* os) { *os << Escaped(bytes.view()); }

}  // namespace chronalt
