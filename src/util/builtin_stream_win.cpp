// A byte buffer with a position, behind the members of the platform's stream object that the
// charset decoding of an HTTP answer uses.
#include "util/builtin_stream_win.h"

#include <windows.h>

#include <mlang.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "util/automation.h"
#include "util/com_owners_win.h"
#include "util/dispatch_object_win.h"
#include "util/ole_text_win.h"

namespace chronalt {
namespace {

// The errors the platform's stream reports.
constexpr HRESULT kBadArgument = ComponentError(3001);   // wrong type, out of range, conflict
constexpr HRESULT kNotAllowed = ComponentError(3219);    // not allowed in this context
constexpr HRESULT kStreamClosed = ComponentError(3704);  // the stream is closed
constexpr HRESULT kStreamOpen = ComponentError(3705);    // the stream is open

constexpr long kTypeBinary = 1;
constexpr long kTypeText = 2;
constexpr long kReadAll = -1;

// CLSID_CMultiLanguage and IID_IMultiLanguage2, which the import libraries do not carry.
constexpr CLSID kMultiLanguageClass = {
    0x275c23e2, 0x3747, 0x11d0, {0x9f, 0xea, 0x00, 0xaa, 0x00, 0x3f, 0x86, 0x46}};
constexpr IID kMultiLanguage2 = {
    0xdccfc164, 0x2b38, 0x11d2, {0xb7, 0xec, 0x00, 0xc0, 0x4f, 0x8f, 0x5d, 0x9a}};

constexpr UINT kUtf16Little = 1200;
constexpr UINT kUtf16Big = 1201;
constexpr UINT kUtf8 = 65001;

// The code page of an internet charset name, letter case ignored, from the platform's table.
std::optional<UINT> CharsetCodePage(const std::wstring& name) {
  if (name.empty()) return std::nullopt;
  ComRef<IMultiLanguage2> languages;
  if (FAILED(CoCreateInstance(kMultiLanguageClass, nullptr, CLSCTX_INPROC_SERVER, kMultiLanguage2,
                              languages.ReceiveVoid()))) {
    return std::nullopt;
  }
  OleString charset = WideToOleString(name);
  MIMECSETINFO info{};
  if (charset.get() == nullptr || FAILED(languages->GetCharsetInfo(charset.get(), &info))) {
    return std::nullopt;
  }
  return info.uiInternetEncoding;
}

std::optional<std::wstring> Decode(UINT code_page, const std::uint8_t* bytes, std::size_t size) {
  std::wstring text;
  if (code_page == kUtf16Little || code_page == kUtf16Big) {
    text.resize(size / 2);  // an odd last byte is no character
    for (std::size_t i = 0; i < text.size(); ++i) {
      const unsigned first = bytes[2 * i];
      const unsigned second = bytes[2 * i + 1];
      text[i] = static_cast<wchar_t>(code_page == kUtf16Little ? first | (second << 8)
                                                               : (first << 8) | second);
    }
  } else if (size > 0) {
    if (size > 0x7fffffff) return std::nullopt;
    const char* source = reinterpret_cast<const char*>(bytes);
    const int length = static_cast<int>(size);
    const int units = MultiByteToWideChar(code_page, 0, source, length, nullptr, 0);
    if (units <= 0) return std::nullopt;
    text.resize(static_cast<std::size_t>(units));
    if (MultiByteToWideChar(code_page, 0, source, length, text.data(), units) != units) {
      return std::nullopt;
    }
  }
  // A byte-order mark is no part of the text.
  const bool unicode = code_page == kUtf16Little || code_page == kUtf16Big || code_page == kUtf8;
  if (unicode && !text.empty() && text.front() == 0xFEFF) text.erase(0, 1);
  return text;
}

class StreamObject final : public DispatchObject {
 public:
  StreamObject() : DispatchObject(kMembers) {}

 private:
  enum : DISPID {
    kType = 1,
    kMode,
    kState,
    kSize,
    kPosition,
    kCharset,
    kOpen,
    kClose,
    kWrite,
    kReadText,
  };
  static constexpr Member kMembers[] = {
      {L"Type", kType},         {L"Mode", kMode},         {L"State", kState}, {L"Size", kSize},
      {L"Position", kPosition}, {L"Charset", kCharset},   {L"Open", kOpen},   {L"Close", kClose},
      {L"Write", kWrite},       {L"ReadText", kReadText},
  };

  HRESULT Call(DISPID id, bool put, const DispatchArgs& args, VARIANT* result) override {
    switch (id) {
      case kType:
        return put ? PutType(args.PutValue()) : ReturnInt(result, type_);
      case kMode:
        if (!put) return ReturnInt(result, mode_);
        if (open_) return kStreamOpen;
        return DispatchArgs::ToInt(args.PutValue(), &mode_);
      case kState:
        return put ? DISP_E_MEMBERNOTFOUND : ReturnInt(result, open_ ? 1 : 0);
      case kSize:
        if (put) return DISP_E_MEMBERNOTFOUND;
        return open_ ? ReturnInt(result, static_cast<long>(data_.size())) : kStreamClosed;
      case kPosition:
        return put ? PutPosition(args.PutValue()) : GetPosition(result);
      case kCharset:
        if (!put) return ReturnString(result, charset_);
        if (open_ && position_ != 0) return kBadArgument;
        return DispatchArgs::ToString(args.PutValue(), &charset_);
      default:
        return put ? DISP_E_MEMBERNOTFOUND : Method(id, args, result);
    }
  }

  HRESULT Method(DISPID id, const DispatchArgs& args, VARIANT* result) {
    switch (id) {
      case kOpen:
        return Open(args);
      case kClose:
        if (!open_) return kStreamClosed;
        open_ = false;
        data_.clear();
        position_ = 0;
        return S_OK;
      case kWrite:
        return Write(args);
      default:
        return ReadText(args, result);
    }
  }

  HRESULT PutType(const VARIANT* value) {
    long type = 0;
    if (FAILED(DispatchArgs::ToInt(value, &type)) || (type != kTypeBinary && type != kTypeText)) {
      return kBadArgument;
    }
    if (open_ && position_ != 0) return kBadArgument;
    type_ = type;
    return S_OK;
  }

  HRESULT GetPosition(VARIANT* result) {
    return open_ ? ReturnInt(result, static_cast<long>(position_)) : kStreamClosed;
  }

  HRESULT PutPosition(const VARIANT* value) {
    if (!open_) return kStreamClosed;
    long position = 0;
    if (FAILED(DispatchArgs::ToInt(value, &position)) || position < 0 ||
        static_cast<std::size_t>(position) > data_.size()) {
      return kBadArgument;
    }
    position_ = static_cast<std::size_t>(position);
    return S_OK;
  }

  // Only an empty stream is offered: a source (a URL or a record) is not supported.
  HRESULT Open(const DispatchArgs& args) {
    if (open_) return kStreamOpen;
    std::wstring source;
    if (!args.Missing(0) && V_VT(args.Get(0)) != VT_EMPTY &&
        (FAILED(args.GetString(0, &source)) || !source.empty())) {
      return kBadArgument;
    }
    open_ = true;
    data_.clear();
    position_ = 0;
    return S_OK;
  }

  // Writes a byte array at the position, over what is there and beyond the end.
  HRESULT Write(const DispatchArgs& args) {
    if (!open_) return kStreamClosed;
    if (type_ != kTypeBinary) return kNotAllowed;
    const VARIANT* buffer = args.Get(0);
    if (buffer == nullptr) return kBadArgument;
    SAFEARRAY* array = nullptr;
    if (V_VT(buffer) == (VT_ARRAY | VT_UI1)) {
      array = V_ARRAY(buffer);
    } else if (V_VT(buffer) == (VT_ARRAY | VT_UI1 | VT_BYREF) && V_ARRAYREF(buffer) != nullptr) {
      array = *V_ARRAYREF(buffer);
    } else {
      return kBadArgument;
    }
    if (array == nullptr || SafeArrayGetDim(array) != 1) return kBadArgument;
    LONG lower = 0;
    LONG upper = 0;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) ||
        FAILED(SafeArrayGetUBound(array, 1, &upper))) {
      return kBadArgument;
    }
    const std::size_t count = upper >= lower ? static_cast<std::size_t>(upper - lower) + 1 : 0;
    if (count == 0) return S_OK;
    SafeArrayData data(array);
    if (data.get() == nullptr) return kBadArgument;
    if (position_ + count > data_.size()) data_.resize(position_ + count);
    std::memcpy(data_.data() + position_, data.get(), count);
    position_ += count;
    return S_OK;
  }

  // Decodes everything from the position to the end; the position then is the end.
  HRESULT ReadText(const DispatchArgs& args, VARIANT* result) {
    if (!open_) return kStreamClosed;
    if (type_ != kTypeText) return kNotAllowed;
    long count = kReadAll;
    if (!args.Missing(0) && (FAILED(args.GetInt(0, &count)) || count != kReadAll)) {
      return kBadArgument;  // reading part of the text is not supported
    }
    const auto code_page = CharsetCodePage(charset_);
    if (!code_page) return kBadArgument;
    const auto text = Decode(*code_page, data_.data() + position_, data_.size() - position_);
    if (!text) return kBadArgument;
    position_ = data_.size();
    return ReturnString(result, *text);
  }

  long type_ = kTypeText;
  long mode_ = 0;
  bool open_ = false;
  std::wstring charset_ = L"Unicode";
  std::vector<std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace

HRESULT CreateBuiltinStream(IDispatch** object) {
  if (object == nullptr) return E_POINTER;
  *object = new (std::nothrow) StreamObject();
  return *object != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace chronalt
