// Code page 936 <-> UTF-16 through the platform's conversion functions: one call for the size,
// one allocation of exactly that size and one call for the conversion, in each direction.
#include <windows.h>

#include <string>
#include <vector>

#include "http/code_page.h"

namespace chronalt {
namespace {
constexpr UINT kGbk = 936;
}  // namespace

Bytes TextToUtf16(const Text& text, bool drop_terminator) {
  if (text.empty()) return {};
  const int units = MultiByteToWideChar(kGbk, 0, text.c_str(), -1, nullptr, 0);
  if (units <= 0) return {};
  std::vector<std::uint8_t> utf16(static_cast<std::size_t>(units) * 2);
  const int written = MultiByteToWideChar(kGbk, 0, text.c_str(), -1,
                                          reinterpret_cast<wchar_t*>(utf16.data()), units);
  if (written <= 0) return {};
  utf16.resize(static_cast<std::size_t>(written) * 2 - (drop_terminator ? 2 : 0));
  return Bytes(std::move(utf16));
}

Text Utf16ToText(const Bytes& utf16) {
  const int units = static_cast<int>(utf16.size() / 2);
  if (units == 0) return {};
  const auto* source = reinterpret_cast<const wchar_t*>(utf16.data());
  const int size =
      WideCharToMultiByte(kGbk, WC_COMPOSITECHECK, source, units, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string bytes(static_cast<std::size_t>(size), '\0');
  const int written = WideCharToMultiByte(kGbk, WC_COMPOSITECHECK, source, units, bytes.data(),
                                          size, nullptr, nullptr);
  if (written <= 0) return {};
  bytes.resize(static_cast<std::size_t>(written));
  return Text(std::move(bytes));  // cut at the first zero byte
}

}  // namespace chronalt
