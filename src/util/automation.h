// Access to automation (COM) objects by ProgID and member name: the two value types
// AutomationObject and AutomationVariant, and operations that create an object, read and write
// its properties and call its methods, each giving its result as the kind the caller asks for.
//
// Nothing here reports an error: a call that fails gives the empty value of its kind (the empty
// Text, 0, an empty object, an empty variant) and the three Boolean operations give false.
// Texts, member names and ProgIDs pass to COM through code page 936.
//
// CreateObject knows the program's own in-process classes, "VBScript.RegExp" and "Adodb.Stream"
// (letter case ignored), before it asks the system, so those two work where the platform's
// components are missing or retired; a class identifier in braces always goes to the system.
//
// The layer never initialises COM: the calling thread must have done so, and every value must
// be cleared before the thread uninitialises it. Windows only.
#pragma once

#include <oaidl.h>

#include <utility>
#include <variant>
#include <vector>

#include "util/text_bytes.h"

namespace chronalt {

// One counted IDispatch reference, or nothing.
class AutomationObject {
 public:
  AutomationObject() = default;
  // Counts a reference of its own to `dispatch` (which may be null).
  explicit AutomationObject(IDispatch* dispatch);
  // Takes over a reference the caller already counted.
  static AutomationObject Adopt(IDispatch* dispatch);
  AutomationObject(const AutomationObject& other);
  AutomationObject(AutomationObject&& other) noexcept;
  AutomationObject& operator=(AutomationObject other) noexcept;
  ~AutomationObject();

  IDispatch* get() const { return dispatch_; }
  bool empty() const { return dispatch_ == nullptr; }
  void Reset();

 private:
  IDispatch* dispatch_ = nullptr;
};

// A VARIANT owned by the program. A new one holds the 4-byte integer 0.
class AutomationVariant {
 public:
  AutomationVariant();
  AutomationVariant(const AutomationVariant& other);  // a copy that fails leaves it empty
  AutomationVariant(AutomationVariant&& other) noexcept;
  AutomationVariant& operator=(const AutomationVariant& other);
  AutomationVariant& operator=(AutomationVariant&& other) noexcept;
  ~AutomationVariant();

  const VARIANT& get() const { return value_; }
  // Clears the value and hands out the VARIANT for the platform to fill.
  VARIANT* Receive();
  // The VARIANT itself, for a callee that may change it in place.
  VARIANT* Modify() { return &value_; }

 private:
  VARIANT value_;
};

// One argument of a member: a value, a reference to the caller's variable (which then receives
// what the member gives back in it), or left out.
class AutomationArg {
 public:
  using Value = std::variant<std::monostate, Text, int, double, bool, const AutomationVariant*,
                             Text*, int*, double*, bool*, AutomationVariant*>;

  AutomationArg() = default;  // left out
  // Implicit, so that argument lists read as lists of values.
  AutomationArg(const Text& value) : value_(std::in_place_type<Text>, value) {}  // NOLINT
  AutomationArg(const char* value) : value_(std::in_place_type<Text>, value) {}  // NOLINT
  AutomationArg(int value) : value_(std::in_place_type<int>, value) {}           // NOLINT
  AutomationArg(double value) : value_(std::in_place_type<double>, value) {}     // NOLINT
  AutomationArg(bool value) : value_(std::in_place_type<bool>, value) {}         // NOLINT
  AutomationArg(const AutomationVariant& value)                                  // NOLINT
      : value_(std::in_place_type<const AutomationVariant*>, &value) {}

  static AutomationArg Ref(Text& variable) { return Make<Text*>(&variable); }
  static AutomationArg Ref(int& variable) { return Make<int*>(&variable); }
  static AutomationArg Ref(double& variable) { return Make<double*>(&variable); }
  static AutomationArg Ref(bool& variable) { return Make<bool*>(&variable); }
  static AutomationArg Ref(AutomationVariant& variable) {
    return Make<AutomationVariant*>(&variable);
  }

  const Value& value() const { return value_; }
  bool missing() const { return std::holds_alternative<std::monostate>(value_); }

 private:
  template <typename T>
  static AutomationArg Make(T pointer) {
    AutomationArg arg;
    arg.value_.emplace<T>(pointer);
    return arg;
  }
  Value value_;
};

using AutomationArgs = std::vector<AutomationArg>;

// True when the object was made; on failure `object` keeps what it held.
bool CreateObject(AutomationObject& object, const Text& prog_id);

Text ReadTextProperty(const AutomationObject& object, const Text& name);
double ReadNumberProperty(const AutomationObject& object, const Text& name);
AutomationObject ReadObjectProperty(const AutomationObject& object, const Text& name,
                                    const AutomationArgs& args = {});
AutomationVariant ReadVariantProperty(const AutomationObject& object, const Text& name,
                                      const AutomationArgs& args = {});
// An object or an array is written by reference (DISPATCH_PROPERTYPUTREF), anything else by
// value; a reference argument passes its variable's current value.
bool WriteProperty(const AutomationObject& object, const Text& name, const AutomationArg& value);

void CallMethod(const AutomationObject& object, const Text& name, const AutomationArgs& args = {});
Text CallTextMethod(const AutomationObject& object, const Text& name,
                    const AutomationArgs& args = {});
double CallNumberMethod(const AutomationObject& object, const Text& name,
                        const AutomationArgs& args = {});
AutomationObject CallObjectMethod(const AutomationObject& object, const Text& name,
                                  const AutomationArgs& args = {});
AutomationVariant CallVariantMethod(const AutomationObject& object, const Text& name,
                                    const AutomationArgs& args = {});

void ClearObject(AutomationObject& object);
void CopyObject(AutomationObject& destination, const AutomationObject& source);
bool IsObjectEmpty(const AutomationObject& object);

// A string of the text's UTF-16 form.
bool AssignVariant(AutomationVariant& variant, const Text& value);
// A one-dimensional array of unsigned bytes with lower bound 1 (VT_ARRAY | VT_UI1).
bool AssignVariant(AutomationVariant& variant, const Bytes& value);
void ClearVariant(AutomationVariant& variant);
void CopyVariant(AutomationVariant& destination, const AutomationVariant& source);
// A string as it is; anything but an array through the platform's conversion (a Boolean gives
// "-1" or "0", an object the text of its default value); an array or a failed conversion gives
// the empty Text.
Text VariantToText(const AutomationVariant& variant);

}  // namespace chronalt
