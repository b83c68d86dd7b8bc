// Owners for the COM resources the automation layer and its built-in classes hold for a moment:
// an interface reference, a BSTR, a SAFEARRAY and the strings of an EXCEPINFO. Each gives its
// resource back when it goes out of scope, on every path.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <oleauto.h>

#include <utility>

namespace chronalt {

// One counted reference to a COM interface, or none.
template <typename T>
class ComRef {
 public:
  ComRef() = default;
  // Takes over a reference the caller already counted.
  static ComRef Adopt(T* pointer) {
    ComRef ref;
    ref.pointer_ = pointer;
    return ref;
  }
  ComRef(const ComRef& other) : pointer_(other.pointer_) {
    if (pointer_ != nullptr) pointer_->AddRef();
  }
  ComRef(ComRef&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
  ComRef& operator=(ComRef other) noexcept {
    std::swap(pointer_, other.pointer_);
    return *this;
  }
  ~ComRef() { Reset(); }

  T* get() const { return pointer_; }
  T* operator->() const { return pointer_; }
  explicit operator bool() const { return pointer_ != nullptr; }

  void Reset() {
    if (pointer_ != nullptr) std::exchange(pointer_, nullptr)->Release();
  }
  // For an out-parameter: gives up the current reference first.
  T** Receive() {
    Reset();
    return &pointer_;
  }
  void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
  // Hands the reference to the caller, who then owns it.
  T* Detach() { return std::exchange(pointer_, nullptr); }

 private:
  T* pointer_ = nullptr;
};

class OleString {
 public:
  OleString() = default;
  explicit OleString(BSTR adopted) : value_(adopted) {}
  OleString(const OleString&) = delete;
  OleString& operator=(const OleString&) = delete;
  OleString(OleString&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  OleString& operator=(OleString&& other) noexcept {
    if (this != &other) {
      SysFreeString(value_);
      value_ = std::exchange(other.value_, nullptr);
    }
    return *this;
  }
  ~OleString() { SysFreeString(value_); }

  BSTR get() const { return value_; }
  UINT size() const { return SysStringLen(value_); }
  BSTR Detach() { return std::exchange(value_, nullptr); }

 private:
  BSTR value_ = nullptr;
};

class SafeArrayOwner {
 public:
  explicit SafeArrayOwner(SAFEARRAY* adopted) : array_(adopted) {}
  SafeArrayOwner(const SafeArrayOwner&) = delete;
  SafeArrayOwner& operator=(const SafeArrayOwner&) = delete;
  ~SafeArrayOwner() {
    if (array_ != nullptr) SafeArrayDestroy(array_);
  }
  SAFEARRAY* get() const { return array_; }
  SAFEARRAY* Detach() { return std::exchange(array_, nullptr); }

 private:
  SAFEARRAY* array_;
};

// Access to the elements of a SAFEARRAY, ended on every path.
class SafeArrayData {
 public:
  explicit SafeArrayData(SAFEARRAY* array) : array_(array) {
    if (FAILED(SafeArrayAccessData(array_, &data_))) data_ = nullptr;
  }
  SafeArrayData(const SafeArrayData&) = delete;
  SafeArrayData& operator=(const SafeArrayData&) = delete;
  ~SafeArrayData() {
    if (data_ != nullptr) SafeArrayUnaccessData(array_);
  }
  void* get() const { return data_; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
};

// The strings a failed Invoke may leave in its EXCEPINFO.
struct ExceptionInfo {
  EXCEPINFO info{};
  ExceptionInfo() = default;
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;
  ~ExceptionInfo() {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
  }
};

}  // namespace chronalt
