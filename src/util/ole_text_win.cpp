// Code page 936 <-> UTF-16 for the automation layer, one size query and one conversion each way.
#include "util/ole_text_win.h"

#include <windows.h>

namespace chronalt {
namespace {
constexpr UINT kGbk = 936;
}  // namespace

std::wstring TextToWide(const Text& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int units = MultiByteToWideChar(kGbk, 0, text.c_str(), size, nullptr, 0);
  if (units <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  const int written = MultiByteToWideChar(kGbk, 0, text.c_str(), size, wide.data(), units);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

Text WideToText(std::wstring_view wide) {
  wide = wide.substr(0, wide.find(L'\0'));
  if (wide.empty()) return {};
  const int units = static_cast<int>(wide.size());
  const int size = WideCharToMultiByte(kGbk, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const int written =
      WideCharToMultiByte(kGbk, 0, wide.data(), units, bytes.data(), size, nullptr, nullptr);
  bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return Text(std::move(bytes));
}

OleString TextToOleString(const Text& text) { return WideToOleString(TextToWide(text)); }

OleString WideToOleString(std::wstring_view wide) {
  return OleString(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

}  // namespace chronalt
