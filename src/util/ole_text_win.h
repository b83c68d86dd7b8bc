// Text (code page 936) and the UTF-16 strings of COM. Code page 936 is named explicitly, so
// texts, member names and ProgIDs keep their characters whatever the machine's ANSI code page.
#pragma once

#include <string>
#include <string_view>

#include "util/com_owners_win.h"
#include "util/text_bytes.h"

namespace chronalt {

std::wstring TextToWide(const Text& text);
// Characters without a code page 936 form become "?"; the text ends before a zero character.
Text WideToText(std::wstring_view wide);

// A BSTR of the text; null only when memory ran out.
OleString TextToOleString(const Text& text);
OleString WideToOleString(std::wstring_view wide);
inline std::wstring_view OleStringView(BSTR value) { return {value, SysStringLen(value)}; }

}  // namespace chronalt
