// The IDispatch plumbing shared by the program's own in-process automation classes: reference
// counting, member names bound case-insensitively to fixed DISPIDs, the unpacking of DISPPARAMS
// and the error codes the platform's components report.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <atomic>
#include <span>
#include <string>

namespace chronalt {

// Errors as the script components report them (facility "control", the runtime error number).
inline constexpr HRESULT ComponentError(int number) {
  return static_cast<HRESULT>(0x800A0000u | static_cast<unsigned>(number));
}
inline constexpr HRESULT kInvalidCall = ComponentError(5);  // invalid call or argument
inline constexpr HRESULT kOutOfMemory = ComponentError(7);
inline constexpr HRESULT kRegexpSyntaxError = ComponentError(5017);  // pattern rejected

// The positional arguments of one call, in the caller's order, and the value of a property put.
class DispatchArgs {
 public:
  explicit DispatchArgs(const DISPPARAMS& params);

  std::size_t size() const { return positional_; }
  // True for an argument beyond the list or one passed as "missing".
  bool Missing(std::size_t index) const;
  // The argument with a VT_VARIANT | VT_BYREF wrapping taken off; null beyond the list.
  const VARIANT* Get(std::size_t index) const;
  const VARIANT* PutValue() const { return put_value_; }

  // The argument converted by the platform's coercion; kInvalidCall when it cannot be.
  HRESULT GetString(std::size_t index, std::wstring* value) const;
  HRESULT GetInt(std::size_t index, long* value) const;
  static HRESULT ToString(const VARIANT* value, std::wstring* out);
  static HRESULT ToInt(const VARIANT* value, long* out);
  static HRESULT ToBool(const VARIANT* value, bool* out);

 private:
  const DISPPARAMS& params_;
  std::size_t positional_ = 0;
  const VARIANT* put_value_ = nullptr;
};

// Helpers that fill an Invoke result, which the caller may leave out.
HRESULT ReturnString(VARIANT* result, std::wstring_view value);
HRESULT ReturnInt(VARIANT* result, long value);
HRESULT ReturnBool(VARIANT* result, bool value);
// Takes over the reference; releases it when there is no result to fill.
HRESULT ReturnObject(VARIANT* result, IDispatch* adopted);

class DispatchObject : public IDispatch {
 public:
  struct Member {
    const wchar_t* name;
    DISPID id;
  };

  DispatchObject(const DispatchObject&) = delete;
  DispatchObject& operator=(const DispatchObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags,
                                   DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                   UINT* bad_argument) override;

 protected:
  // A new object holds one reference, which its creator owns.
  explicit DispatchObject(std::span<const Member> members) : members_(members) {}
  virtual ~DispatchObject() = default;

  // A read or a call (put false) or a property write (put true, value in args.PutValue()).
  // A member that does not allow the access answers DISP_E_MEMBERNOTFOUND.
  virtual HRESULT Call(DISPID id, bool put, const DispatchArgs& args, VARIANT* result) = 0;

 private:
  std::atomic<ULONG> references_{1};
  std::span<const Member> members_;
};

}  // namespace chronalt
