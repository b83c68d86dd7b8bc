// Shared IDispatch plumbing of the built-in automation classes.
#include "util/dispatch_object_win.h"

#include <windows.h>

#include <oleauto.h>

#include "util/automation.h"
#include "util/com_owners_win.h"
#include "util/ole_text_win.h"

namespace chronalt {
namespace {

const VARIANT* Unwrap(const VARIANT* value) {
  while (value != nullptr && V_VT(value) == (VT_VARIANT | VT_BYREF)) value = V_VARIANTREF(value);
  return value;
}

wchar_t AsciiLower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? c + (L'a' - L'A') : c; }

bool SameName(const wchar_t* a, const wchar_t* b) {
  for (; *a != L'\0' && *b != L'\0'; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// The platform's conversion takes its source by non-const pointer but only reads it.
HRESULT Convert(const VARIANT* value, VARTYPE type, AutomationVariant& out) {
  if (value == nullptr) return kInvalidCall;
  return SUCCEEDED(VariantChangeType(out.Receive(), const_cast<VARIANT*>(value), 0, type))
             ? S_OK
             : kInvalidCall;
}

}  // namespace

DispatchArgs::DispatchArgs(const DISPPARAMS& params) : params_(params) {
  positional_ = params.cArgs - params.cNamedArgs;
  if (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT) {
    put_value_ = Unwrap(&params.rgvarg[0]);
  }
}

bool DispatchArgs::Missing(std::size_t index) const {
  const VARIANT* value = Get(index);
  return value == nullptr || (V_VT(value) == VT_ERROR && V_ERROR(value) == DISP_E_PARAMNOTFOUND);
}

const VARIANT* DispatchArgs::Get(std::size_t index) const {
  if (index >= positional_) return nullptr;
  return Unwrap(&params_.rgvarg[params_.cArgs - 1 - index]);
}

HRESULT DispatchArgs::GetString(std::size_t index, std::wstring* value) const {
  return ToString(Get(index), value);
}
HRESULT DispatchArgs::GetInt(std::size_t index, long* value) const {
  return ToInt(Get(index), value);
}

HRESULT DispatchArgs::ToString(const VARIANT* value, std::wstring* out) {
  AutomationVariant converted;
  const HRESULT hr = Convert(value, VT_BSTR, converted);
  if (SUCCEEDED(hr)) out->assign(OleStringView(V_BSTR(&converted.get())));
  return hr;
}

HRESULT DispatchArgs::ToInt(const VARIANT* value, long* out) {
  AutomationVariant converted;
  const HRESULT hr = Convert(value, VT_I4, converted);
  if (SUCCEEDED(hr)) *out = V_I4(&converted.get());
  return hr;
}

HRESULT DispatchArgs::ToBool(const VARIANT* value, bool* out) {
  AutomationVariant converted;
  const HRESULT hr = Convert(value, VT_BOOL, converted);
  if (SUCCEEDED(hr)) *out = V_BOOL(&converted.get()) != VARIANT_FALSE;
  return hr;
}

HRESULT ReturnString(VARIANT* result, std::wstring_view value) {
  if (result == nullptr) return S_OK;
  OleString text = WideToOleString(value);
  if (text.get() == nullptr) return kOutOfMemory;
  V_VT(result) = VT_BSTR;
  V_BSTR(result) = text.Detach();
  return S_OK;
}

HRESULT ReturnInt(VARIANT* result, long value) {
  if (result != nullptr) {
    V_VT(result) = VT_I4;
    V_I4(result) = value;
  }
  return S_OK;
}

HRESULT ReturnBool(VARIANT* result, bool value) {
  if (result != nullptr) {
    V_VT(result) = VT_BOOL;
    V_BOOL(result) = value ? VARIANT_TRUE : VARIANT_FALSE;
  }
  return S_OK;
}

HRESULT ReturnObject(VARIANT* result, IDispatch* adopted) {
  ComRef<IDispatch> object = ComRef<IDispatch>::Adopt(adopted);
  if (!object) return kOutOfMemory;
  if (result != nullptr) {
    V_VT(result) = VT_DISPATCH;
    V_DISPATCH(result) = object.Detach();
  }
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DispatchObject::AddRef() { return ++references_; }

ULONG STDMETHODCALLTYPE DispatchObject::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_INVALIDARG;
  *count = 0;
  return S_OK;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return DISP_E_BADINDEX;
}

HRESULT STDMETHODCALLTYPE DispatchObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count,
                                                        LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const HRESULT hr = count > 1 ? DISP_E_UNKNOWNNAME : S_OK;  // no parameter has a name
  for (const Member& member : members_) {
    if (names[0] != nullptr && SameName(names[0], member.name)) {
      ids[0] = member.id;
      return hr;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE DispatchObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags,
                                                 DISPPARAMS* params, VARIANT* result,
                                                 EXCEPINFO* exception, UINT*) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  DISPPARAMS none{};
  if (params == nullptr) params = &none;
  if (params->cArgs < params->cNamedArgs || (params->cArgs > 0 && params->rgvarg == nullptr) ||
      (params->cNamedArgs > 0 && params->rgdispidNamedArgs == nullptr)) {
    return E_INVALIDARG;
  }
  const bool put = (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0;
  if (put) {
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_PARAMNOTOPTIONAL;
    }
  } else if (params->cNamedArgs > 0) {
    return DISP_E_NONAMEDARGS;
  } else if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) {
    return DISP_E_MEMBERNOTFOUND;
  }
  bool known = false;
  for (const Member& member : members_) known = known || member.id == id;
  if (!known) return DISP_E_MEMBERNOTFOUND;

  if (result != nullptr) VariantInit(result);
  const HRESULT hr = Call(id, put, DispatchArgs(*params), put ? nullptr : result);
  if (SUCCEEDED(hr) || HRESULT_FACILITY(hr) != FACILITY_CONTROL) return hr;
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->scode = hr;
  }
  return DISP_E_EXCEPTION;
}

}  // namespace chronalt
