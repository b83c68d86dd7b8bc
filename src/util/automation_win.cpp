// The automation layer over IDispatch: members are bound by name with GetIDsOfNames and called
// with Invoke in the user's default locale. Every argument lives in an AutomationVariant for the
// length of the call, so nothing leaks on any path.
#include "util/automation.h"

#include <windows.h>

#include <objbase.h>
#include <ole2.h>
#include <oleauto.h>

#include <cstring>

#include "util/builtin_regexp_win.h"
#include "util/builtin_stream_win.h"
#include "util/com_owners_win.h"
#include "util/ole_text_win.h"

namespace chronalt {

namespace {
// The platform's copy and conversion functions take the source by non-const pointer but only
// read it.
VARIANT* Source(const VARIANT& value) { return const_cast<VARIANT*>(&value); }
}  // namespace

// ---- AutomationObject

AutomationObject::AutomationObject(IDispatch* dispatch) : dispatch_(dispatch) {
  if (dispatch_ != nullptr) dispatch_->AddRef();
}

AutomationObject AutomationObject::Adopt(IDispatch* dispatch) {
  AutomationObject object;
  object.dispatch_ = dispatch;
  return object;
}

AutomationObject::AutomationObject(const AutomationObject& other)
    : AutomationObject(other.dispatch_) {}

AutomationObject::AutomationObject(AutomationObject&& other) noexcept
    : dispatch_(std::exchange(other.dispatch_, nullptr)) {}

AutomationObject& AutomationObject::operator=(AutomationObject other) noexcept {
  std::swap(dispatch_, other.dispatch_);
  return *this;
}

AutomationObject::~AutomationObject() { Reset(); }

void AutomationObject::Reset() {
  if (dispatch_ != nullptr) std::exchange(dispatch_, nullptr)->Release();
}

// ---- AutomationVariant

AutomationVariant::AutomationVariant() {
  VariantInit(&value_);
  V_VT(&value_) = VT_I4;
  V_I4(&value_) = 0;
}

AutomationVariant::AutomationVariant(const AutomationVariant& other) {
  VariantInit(&value_);
  if (FAILED(VariantCopy(&value_, Source(other.value_)))) VariantInit(&value_);
}

AutomationVariant::AutomationVariant(AutomationVariant&& other) noexcept {
  std::memcpy(&value_, &other.value_, sizeof value_);
  VariantInit(&other.value_);
}

AutomationVariant& AutomationVariant::operator=(const AutomationVariant& other) {
  if (this != &other) {
    VariantClear(&value_);
    if (FAILED(VariantCopy(&value_, Source(other.value_)))) VariantInit(&value_);
  }
  return *this;
}

AutomationVariant& AutomationVariant::operator=(AutomationVariant&& other) noexcept {
  if (this != &other) {
    VariantClear(&value_);
    std::memcpy(&value_, &other.value_, sizeof value_);
    VariantInit(&other.value_);
  }
  return *this;
}

AutomationVariant::~AutomationVariant() { VariantClear(&value_); }

VARIANT* AutomationVariant::Receive() {
  VariantClear(&value_);
  return &value_;
}

namespace {

constexpr WORD kGetOrCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

AutomationVariant EmptyVariant() {
  AutomationVariant variant;
  variant.Receive();
  return variant;
}

// The value an argument passes: the value itself, or what the caller's variable holds now.
template <typename T>
const T& Current(const T& value) {
  return value;
}
template <typename T>
const T& Current(T* const& variable) {
  return *variable;
}

bool SetOne(AutomationVariant&, std::monostate) { return false; }
bool SetOne(AutomationVariant& slot, const Text& text) { return AssignVariant(slot, text); }
bool SetOne(AutomationVariant& slot, int number) {
  VARIANT* v = slot.Receive();
  V_VT(v) = VT_I4;
  V_I4(v) = number;
  return true;
}
bool SetOne(AutomationVariant& slot, double number) {
  VARIANT* v = slot.Receive();
  V_VT(v) = VT_R8;
  V_R8(v) = number;
  return true;
}
bool SetOne(AutomationVariant& slot, bool flag) {
  VARIANT* v = slot.Receive();
  V_VT(v) = VT_BOOL;
  V_BOOL(v) = flag ? VARIANT_TRUE : VARIANT_FALSE;
  return true;
}
bool SetOne(AutomationVariant& slot, const AutomationVariant& variant) {
  slot = variant;
  return true;
}

// A Text becomes a string, an integer a 4-byte integer, a double an 8-byte real, a Boolean a
// VARIANT_BOOL and a variant a copy of itself.
bool SetValue(AutomationVariant& slot, const AutomationArg::Value& value) {
  return std::visit([&](const auto& held) { return SetOne(slot, Current(held)); }, value);
}

bool IsReference(const AutomationArg& arg) {
  const auto& v = arg.value();
  return std::holds_alternative<Text*>(v) || std::holds_alternative<int*>(v) ||
         std::holds_alternative<double*>(v) || std::holds_alternative<bool*>(v) ||
         std::holds_alternative<AutomationVariant*>(v);
}

bool SameValue(const VARIANT& a, const VARIANT& b) {
  if (V_VT(&a) != V_VT(&b)) return false;
  switch (V_VT(&a)) {
    case VT_BSTR:
      return OleStringView(V_BSTR(&a)) == OleStringView(V_BSTR(&b));
    case VT_I4:
      return V_I4(&a) == V_I4(&b);
    case VT_R8:
      return std::memcmp(&V_R8(&a), &V_R8(&b), sizeof(double)) == 0;
    case VT_BOOL:
      return V_BOOL(&a) == V_BOOL(&b);
    default:
      return false;
  }
}

// Converts to `type` with the platform's coercion; false when it cannot.
bool Coerce(const VARIANT& source, VARTYPE type, AutomationVariant& out) {
  return SUCCEEDED(VariantChangeType(out.Receive(), Source(source), 0, type));
}

// Gives the member's output back to the caller's variable when the member changed it.
void WriteBack(const AutomationArg& arg, const AutomationVariant& before,
               const AutomationVariant& after) {
  const auto& target = arg.value();
  if (auto* variant = std::get_if<AutomationVariant*>(&target)) {
    **variant = after;
    return;
  }
  if (SameValue(before.get(), after.get())) return;
  AutomationVariant converted;
  if (auto* text = std::get_if<Text*>(&target)) {
    **text = VariantToText(after);
  } else if (auto* number = std::get_if<int*>(&target)) {
    if (Coerce(after.get(), VT_I4, converted)) **number = V_I4(&converted.get());
  } else if (auto* real = std::get_if<double*>(&target)) {
    if (Coerce(after.get(), VT_R8, converted)) **real = V_R8(&converted.get());
  } else if (auto* flag = std::get_if<bool*>(&target)) {
    if (Coerce(after.get(), VT_BOOL, converted)) **flag = V_BOOL(&converted.get()) != 0;
  }
}

HRESULT MemberId(IDispatch* dispatch, const Text& name, DISPID* id) {
  OleString wide = TextToOleString(name);
  if (wide.get() == nullptr || wide.size() == 0) return DISP_E_UNKNOWNNAME;
  LPOLESTR names[] = {wide.get()};
  return dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
}

// Calls the member with the arguments (trailing left-out ones dropped, inner ones passed as
// "missing") and leaves the raw result in `result`. A property write passes `args` as its one
// value.
HRESULT Invoke(const AutomationObject& object, const Text& name, bool put,
               const AutomationArgs& args, AutomationVariant& result) {
  result.Receive();
  if (object.empty()) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = MemberId(object.get(), name, &id);
  if (FAILED(hr)) return hr;

  std::size_t count = args.size();
  while (count > 0 && args[count - 1].missing()) --count;
  if (put && count != 1) return DISP_E_BADPARAMCOUNT;

  // values[i] holds argument i; the platform wants them in reverse order.
  std::vector<AutomationVariant> values(count);
  std::vector<AutomationVariant> before(count);
  std::vector<VARIANT> passed(count);
  for (std::size_t i = 0; i < count; ++i) {
    VARIANT& slot = passed[count - 1 - i];
    VariantInit(&slot);
    if (args[i].missing()) {
      V_VT(&slot) = VT_ERROR;
      V_ERROR(&slot) = DISP_E_PARAMNOTFOUND;
      continue;
    }
    if (!SetValue(values[i], args[i].value())) return E_OUTOFMEMORY;
    if (IsReference(args[i]) && !put) {
      before[i] = values[i];
      V_VT(&slot) = VT_VARIANT | VT_BYREF;
      V_VARIANTREF(&slot) = values[i].Modify();
    } else {
      std::memcpy(&slot, &values[i].get(), sizeof slot);  // lent for the call, still owned
    }
  }

  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = passed.empty() ? nullptr : passed.data();
  params.cArgs = static_cast<UINT>(count);
  WORD flags = kGetOrCall;
  if (put) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
    const VARTYPE type = V_VT(&values[0].get());
    const bool by_reference = (type & VT_ARRAY) != 0 || type == VT_DISPATCH || type == VT_UNKNOWN;
    flags = by_reference ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  }
  ExceptionInfo exception;
  UINT bad_argument = 0;
  hr = object.get()->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                            put ? nullptr : result.Receive(), &exception.info, &bad_argument);
  if (FAILED(hr)) {
    result.Receive();
    return hr;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (IsReference(args[i]) && !put) WriteBack(args[i], before[i], values[i]);
  }
  return S_OK;
}

AutomationObject ToObject(const AutomationVariant& result) {
  AutomationVariant plain;
  if (FAILED(VariantCopyInd(plain.Receive(), Source(result.get())))) return {};
  const VARIANT& v = plain.get();
  if (V_VT(&v) == VT_DISPATCH) return AutomationObject(V_DISPATCH(&v));
  if (V_VT(&v) == VT_UNKNOWN && V_UNKNOWN(&v) != nullptr) {
    ComRef<IDispatch> dispatch;
    if (SUCCEEDED(V_UNKNOWN(&v)->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid()))) {
      return AutomationObject::Adopt(dispatch.Detach());
    }
  }
  return {};
}

double ToNumber(const AutomationVariant& result) {
  AutomationVariant number;
  return Coerce(result.get(), VT_R8, number) ? V_R8(&number.get()) : 0.0;
}

AutomationVariant ToVariant(const AutomationVariant& result) {
  AutomationVariant copy;
  if (FAILED(VariantCopyInd(copy.Receive(), Source(result.get())))) return EmptyVariant();
  return copy;
}

HRESULT CreateBuiltin(const Text& prog_id, IDispatch** object) {
  if (CompareText(prog_id, "VBScript.RegExp", false) == 0) return CreateBuiltinRegExp(object);
  if (CompareText(prog_id, "Adodb.Stream", false) == 0) return CreateBuiltinStream(object);
  return REGDB_E_CLASSNOTREG;
}

HRESULT CreateFromSystem(const Text& prog_id, IDispatch** object) {
  const std::wstring name = TextToWide(prog_id);
  if (name.empty()) return CO_E_CLASSSTRING;
  CLSID clsid{};
  HRESULT hr = name.front() == L'{' ? CLSIDFromString(name.c_str(), &clsid)
                                    : CLSIDFromProgID(name.c_str(), &clsid);
  if (FAILED(hr)) return hr;
  ComRef<IUnknown> unknown;
  hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, unknown.ReceiveVoid());
  if (hr == E_INVALIDARG) {
    hr = CoCreateInstance(clsid, nullptr,
                          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                          IID_IUnknown, unknown.ReceiveVoid());
  }
  if (FAILED(hr)) return hr;
  hr = OleRun(unknown.get());
  if (FAILED(hr)) return hr;
  return unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(object));
}

}  // namespace

bool CreateObject(AutomationObject& object, const Text& prog_id) {
  ComRef<IDispatch> made;
  if (FAILED(CreateBuiltin(prog_id, made.Receive())) &&
      FAILED(CreateFromSystem(prog_id, made.Receive()))) {
    return false;
  }
  if (!made) return false;
  object = AutomationObject::Adopt(made.Detach());
  return true;
}

Text ReadTextProperty(const AutomationObject& object, const Text& name) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, {}, result)) ? VariantToText(result) : Text();
}

double ReadNumberProperty(const AutomationObject& object, const Text& name) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, {}, result)) ? ToNumber(result) : 0.0;
}

AutomationObject ReadObjectProperty(const AutomationObject& object, const Text& name,
                                    const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? ToObject(result)
                                                              : AutomationObject();
}

AutomationVariant ReadVariantProperty(const AutomationObject& object, const Text& name,
                                      const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? ToVariant(result) : EmptyVariant();
}

bool WriteProperty(const AutomationObject& object, const Text& name, const AutomationArg& value) {
  AutomationVariant unused;
  return SUCCEEDED(Invoke(object, name, true, {value}, unused));
}

void CallMethod(const AutomationObject& object, const Text& name, const AutomationArgs& args) {
  AutomationVariant unused;
  Invoke(object, name, false, args, unused);
}

Text CallTextMethod(const AutomationObject& object, const Text& name, const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? VariantToText(result) : Text();
}

double CallNumberMethod(const AutomationObject& object, const Text& name,
                        const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? ToNumber(result) : 0.0;
}

AutomationObject CallObjectMethod(const AutomationObject& object, const Text& name,
                                  const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? ToObject(result)
                                                              : AutomationObject();
}

AutomationVariant CallVariantMethod(const AutomationObject& object, const Text& name,
                                    const AutomationArgs& args) {
  AutomationVariant result;
  return SUCCEEDED(Invoke(object, name, false, args, result)) ? ToVariant(result) : EmptyVariant();
}

void ClearObject(AutomationObject& object) { object.Reset(); }

void CopyObject(AutomationObject& destination, const AutomationObject& source) {
  destination = source;
}

bool IsObjectEmpty(const AutomationObject& object) { return object.empty(); }

bool AssignVariant(AutomationVariant& variant, const Text& value) {
  VARIANT* v = variant.Receive();
  OleString text = TextToOleString(value);
  if (text.get() == nullptr) return false;
  V_VT(v) = VT_BSTR;
  V_BSTR(v) = text.Detach();
  return true;
}

bool AssignVariant(AutomationVariant& variant, const Bytes& value) {
  VARIANT* v = variant.Receive();
  SafeArrayOwner array(SafeArrayCreateVector(VT_UI1, 1, static_cast<ULONG>(value.size())));
  if (array.get() == nullptr) return false;
  if (!value.empty()) {
    SafeArrayData data(array.get());
    if (data.get() == nullptr) return false;
    std::memcpy(data.get(), value.data(), value.size());
  }
  V_VT(v) = VT_ARRAY | VT_UI1;
  V_ARRAY(v) = array.Detach();
  return true;
}

void ClearVariant(AutomationVariant& variant) { variant.Receive(); }

void CopyVariant(AutomationVariant& destination, const AutomationVariant& source) {
  destination = source;
}

Text VariantToText(const AutomationVariant& variant) {
  const VARIANT& v = variant.get();
  if (V_VT(&v) == VT_BSTR) return WideToText(OleStringView(V_BSTR(&v)));
  if ((V_VT(&v) & VT_ARRAY) != 0) return {};
  AutomationVariant text;
  if (!Coerce(v, VT_BSTR, text)) return {};
  return WideToText(OleStringView(V_BSTR(&text.get())));
}

}  // namespace chronalt
