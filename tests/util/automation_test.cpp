// Tests of the automation layer: object creation and its failures, a system component
// ("Scripting.Dictionary") reached by name with code page 936 texts, the empty values of every
// failed call, the variant conversions and byte arrays, and, through a recording IDispatch of
// the test's own, how arguments, references, property writes and results cross the boundary
// and that every reference the layer takes is given back.
#include "util/automation.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>
#include <oleauto.h>

#include <string>
#include <vector>

namespace chronalt {
namespace {

class AutomationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

// 中文 and 值 in code page 936: characters that any other ANSI code page would corrupt.
const Text kChineseKey = "\xD6\xD0\xCE\xC4";
const Text kChineseValue = "\xD6\xB5";

TEST_F(AutomationTest, CreateObjectFailsAndKeepsWhatTheObjectHeld) {
  AutomationObject object;
  ASSERT_TRUE(CreateObject(object, "Scripting.Dictionary"));
  CallMethod(object, "Add", {"k", "v"});
  for (const char* prog_id :
       {"Chronalt.NoSuchClass", "{00000000-0000-0000-0000-00000000ABCD}", "{not a class id", ""}) {
    EXPECT_FALSE(CreateObject(object, prog_id)) << prog_id;
    EXPECT_EQ(ReadNumberProperty(object, "Count"), 1.0) << prog_id;
  }
  AutomationObject empty;
  EXPECT_FALSE(CreateObject(empty, "Chronalt.NoSuchClass"));
  EXPECT_TRUE(IsObjectEmpty(empty));
}

TEST_F(AutomationTest, SystemComponentByProgIdAndByClassId) {
  for (const char* name : {"Scripting.Dictionary", "{EE09B103-97E0-11CF-978F-00A02463E06F}"}) {
    SCOPED_TRACE(name);
    AutomationObject dictionary;
    ASSERT_TRUE(CreateObject(dictionary, name));
    EXPECT_TRUE(WriteProperty(dictionary, "CompareMode", 1));  // text comparison
    EXPECT_EQ(ReadNumberProperty(dictionary, "CompareMode"), 1.0);
    CallMethod(dictionary, "Add", {kChineseKey, kChineseValue});
    CallMethod(dictionary, "Add", {"Key", 2.5});
    EXPECT_EQ(ReadNumberProperty(dictionary, "Count"), 2.0);
    EXPECT_EQ(VariantToText(ReadVariantProperty(dictionary, "Item", {kChineseKey})), kChineseValue);
    EXPECT_EQ(ReadNumberProperty(dictionary, "count"), 2.0);  // names ignore letter case
    EXPECT_EQ(CallNumberMethod(dictionary, "Exists", {"KEY"}), -1.0);
    EXPECT_EQ(CallTextMethod(dictionary, "Exists", {"KEY"}), Text("-1"));
    EXPECT_EQ(CallTextMethod(dictionary, "Exists", {"nothing"}), Text("0"));
    // Keys() gives an array: no text, no number, no object.
    EXPECT_EQ(CallTextMethod(dictionary, "Keys"), Text());
    EXPECT_TRUE(CallObjectMethod(dictionary, "Keys").empty());
    EXPECT_EQ(V_VT(&CallVariantMethod(dictionary, "Keys").get()), VT_ARRAY | VT_VARIANT);
    // A method that gives nothing back succeeds with 0.
    EXPECT_EQ(CallNumberMethod(dictionary, "RemoveAll"), 0.0);
    EXPECT_EQ(ReadNumberProperty(dictionary, "Count"), 0.0);
    // A result that is not an object gives an empty object.
    EXPECT_TRUE(ReadObjectProperty(dictionary, "Count").empty());
  }
}

TEST_F(AutomationTest, EveryFailedCallGivesTheEmptyValueOfItsKind) {
  AutomationObject dictionary;
  ASSERT_TRUE(CreateObject(dictionary, "Scripting.Dictionary"));
  const AutomationObject empty;
  for (const AutomationObject* object :
       {&empty, static_cast<const AutomationObject*>(&dictionary)}) {
    const Text name = object->empty() ? "Count" : "NoSuchMember";
    SCOPED_TRACE(name.str());
    EXPECT_EQ(ReadTextProperty(*object, name), Text());
    EXPECT_EQ(ReadNumberProperty(*object, name), 0.0);
    EXPECT_TRUE(ReadObjectProperty(*object, name).empty());
    EXPECT_EQ(V_VT(&ReadVariantProperty(*object, name).get()), VT_EMPTY);
    EXPECT_FALSE(WriteProperty(*object, name, 1));
    CallMethod(*object, name);
    EXPECT_EQ(CallTextMethod(*object, name), Text());
    EXPECT_EQ(CallNumberMethod(*object, name), 0.0);
    EXPECT_TRUE(CallObjectMethod(*object, name).empty());
    EXPECT_EQ(V_VT(&CallVariantMethod(*object, name).get()), VT_EMPTY);
  }
  // A member that fails at run time: Item of a missing key is fine, Add of a duplicate is not.
  CallMethod(dictionary, "Add", {"k", 1});
  EXPECT_EQ(CallNumberMethod(dictionary, "Add", {"k", 2}), 0.0);
  EXPECT_EQ(ReadNumberProperty(dictionary, "Count"), 1.0);
  EXPECT_FALSE(WriteProperty(dictionary, "Count", 3));  // read-only
}

TEST_F(AutomationTest, VariantToText) {
  struct VariantCase {
    const char* what;
    VARTYPE type;
    void (*fill)(VARIANT*);
    Text expected;
  };
  const VariantCase cases[] = {
      {"a new variant", VT_I4, nullptr, "0"},
      {"true", VT_BOOL, [](VARIANT* v) { V_BOOL(v) = VARIANT_TRUE; }, "-1"},
      {"false", VT_BOOL, [](VARIANT* v) { V_BOOL(v) = VARIANT_FALSE; }, "0"},
      {"empty", VT_EMPTY, [](VARIANT*) {}, ""},
      {"null", VT_NULL, [](VARIANT*) {}, ""},
      {"integer", VT_I4, [](VARIANT* v) { V_I4(v) = -42; }, "-42"},
      {"double", VT_R8, [](VARIANT* v) { V_R8(v) = 2.5; }, "2.5"},
      {"array", VT_ARRAY | VT_UI1,
       [](VARIANT* v) { V_ARRAY(v) = SafeArrayCreateVector(VT_UI1, 0, 2); }, ""},
      {"string", VT_BSTR, [](VARIANT* v) { V_BSTR(v) = SysAllocString(L"\x4E2D\x6587 ok"); },
       "\xD6\xD0\xCE\xC4 ok"},
      // A character without a code page 936 form becomes "?".
      {"unmappable", VT_BSTR, [](VARIANT* v) { V_BSTR(v) = SysAllocString(L"a\x0E01"); }, "a?"},
  };
  for (const VariantCase& c : cases) {
    AutomationVariant variant;
    if (c.fill != nullptr) {
      VARIANT* v = variant.Receive();
      V_VT(v) = c.type;
      c.fill(v);
    }
    EXPECT_EQ(V_VT(&variant.get()), c.type) << c.what;
    EXPECT_EQ(VariantToText(variant), c.expected) << c.what;
  }
}

TEST_F(AutomationTest, AssignVariantMakesStringsAndByteArrays) {
  AutomationVariant variant;
  ASSERT_TRUE(AssignVariant(variant, kChineseKey));
  ASSERT_EQ(V_VT(&variant.get()), VT_BSTR);
  EXPECT_EQ(std::wstring(V_BSTR(&variant.get())), L"\x4E2D\x6587");

  struct BytesCase {
    Bytes bytes;
    LONG upper;
  };
  const BytesCase cases[] = {{Bytes(std::string_view("a\0c", 3)), 3}, {Bytes(), 0}};
  for (const BytesCase& c : cases) {
    ASSERT_TRUE(AssignVariant(variant, c.bytes));
    ASSERT_EQ(V_VT(&variant.get()), VT_ARRAY | VT_UI1);
    SAFEARRAY* array = V_ARRAY(&variant.get());
    ASSERT_EQ(SafeArrayGetDim(array), 1u);
    LONG lower = -1;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(upper, c.upper);
    for (LONG i = 1; i <= upper; ++i) {
      unsigned char byte = 0xFF;
      SafeArrayGetElement(array, &i, &byte);
      EXPECT_EQ(byte, c.bytes.data()[i - 1]) << i;
    }
  }
  EXPECT_EQ(VariantToText(variant), Text());
  ClearVariant(variant);
  EXPECT_EQ(V_VT(&variant.get()), VT_EMPTY);
}

TEST_F(AutomationTest, CopiesAreIndependentValues) {
  AutomationObject source;
  ASSERT_TRUE(CreateObject(source, "Scripting.Dictionary"));
  AutomationObject copy;
  CopyObject(copy, source);
  ClearObject(source);
  EXPECT_TRUE(IsObjectEmpty(source));
  CallMethod(copy, "Add", {"k", 1});
  EXPECT_EQ(ReadNumberProperty(copy, "Count"), 1.0);
  CopyObject(copy, source);
  EXPECT_TRUE(IsObjectEmpty(copy));
  ClearObject(copy);  // an empty object stays empty
  EXPECT_TRUE(IsObjectEmpty(copy));

  AutomationVariant text;
  AssignVariant(text, "abc");
  AutomationVariant copied;
  CopyVariant(copied, text);
  AssignVariant(text, "xyz");
  EXPECT_EQ(VariantToText(copied), Text("abc"));
  ClearVariant(text);
  CopyVariant(copied, text);
  EXPECT_EQ(V_VT(&copied.get()), VT_EMPTY);
}

// An IDispatch that records how it was called. It lives on the stack, so its count must be
// back at one when the layer is done with it.
class Recorder final : public IDispatch {
 public:
  enum : DISPID { kRecord = 1, kTwice, kValue, kChineseName, kAnswer };

  WORD flags = 0;
  std::vector<DISPID> named;
  std::vector<VARTYPE> types;  // in the caller's order, as passed
  std::vector<SCODE> errors;
  AutomationVariant value;
  AutomationVariant answer;
  HRESULT answer_result = S_OK;

  ULONG references() {
    AddRef();
    return Release();
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                          DISPID* ids) override {
    const std::wstring name = names[0];
    if (name == L"Record")
      *ids = kRecord;
    else if (name == L"Twice")
      *ids = kTwice;
    else if (name == L"Value")
      *ids = kValue;
    else if (name == L"\x540D\x5B57")
      *ids = kChineseName;  // 名字
    else if (name == L"Answer")
      *ids = kAnswer;
    else
      return DISP_E_UNKNOWNNAME;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD call_flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    flags = call_flags;
    named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    types.clear();
    errors.clear();
    for (UINT i = params->cArgs; i-- > 0;) {
      types.push_back(V_VT(&params->rgvarg[i]));
      errors.push_back(V_VT(&params->rgvarg[i]) == VT_ERROR ? V_ERROR(&params->rgvarg[i]) : 0);
    }
    switch (id) {
      case kTwice:
        for (UINT i = 0; i < params->cArgs; ++i) Double(params->rgvarg[i]);
        return S_OK;
      case kValue:
        if ((call_flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0) {
          return VariantCopy(value.Receive(), &params->rgvarg[0]);
        }
        return VariantCopy(result, const_cast<VARIANT*>(&value.get()));
      case kAnswer:
        if (FAILED(answer_result)) return answer_result;
        return result != nullptr ? VariantCopy(result, const_cast<VARIANT*>(&answer.get())) : S_OK;
      default:
        return S_OK;
    }
  }

 private:
  // Changes what a by-reference argument points at; leaves every other argument alone.
  static void Double(VARIANT& arg) {
    if (V_VT(&arg) != (VT_VARIANT | VT_BYREF)) return;
    VARIANT* target = V_VARIANTREF(&arg);
    switch (V_VT(target)) {
      case VT_I4:
        V_I4(target) *= 2;
        break;
      case VT_R8:
        V_R8(target) *= 2;
        break;
      case VT_BOOL:
        V_BOOL(target) = V_BOOL(target) ? VARIANT_FALSE : VARIANT_TRUE;
        break;
      case VT_BSTR: {
        std::wstring twice = std::wstring(V_BSTR(target)) + V_BSTR(target);
        SysFreeString(V_BSTR(target));
        V_BSTR(target) = SysAllocString(twice.c_str());
        break;
      }
      default:
        break;
    }
  }

  ULONG references_ = 1;
};

TEST_F(AutomationTest, ArgumentsPassInOrderWithTheirTypes) {
  Recorder recorder;
  {
    const AutomationObject object(&recorder);
    AutomationVariant variant;  // the 4-byte integer 0
    CallMethod(object, "Record", {"text", 7, 2.5, true, variant});
    EXPECT_EQ(recorder.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    EXPECT_TRUE(recorder.named.empty());
    EXPECT_EQ(recorder.types, (std::vector<VARTYPE>{VT_BSTR, VT_I4, VT_R8, VT_BOOL, VT_I4}));

    // Left-out arguments at the end are dropped; one before a given argument is "missing".
    CallMethod(object, "Record", {1, AutomationArg(), 3, AutomationArg(), AutomationArg()});
    EXPECT_EQ(recorder.types, (std::vector<VARTYPE>{VT_I4, VT_ERROR, VT_I4}));
    EXPECT_EQ(recorder.errors[1], DISP_E_PARAMNOTFOUND);
    CallMethod(object, "Record", {AutomationArg()});
    EXPECT_TRUE(recorder.types.empty());

    // Member names pass through code page 936 too.
    CallMethod(object, "\xC3\xFB\xD7\xD6", {1});  // 名字
    EXPECT_EQ(recorder.types, (std::vector<VARTYPE>{VT_I4}));
  }
  EXPECT_EQ(recorder.references(), 1u);
}

TEST_F(AutomationTest, ReferenceArgumentsReceiveTheMembersOutput) {
  Recorder recorder;
  {
    const AutomationObject object(&recorder);
    Text text = kChineseValue;
    int number = 21;
    double real = 1.25;
    bool flag = true;
    AutomationVariant variant;
    AssignVariant(variant, "v");
    int by_value = 5;
    CallMethod(object, "Twice",
               {AutomationArg::Ref(text), AutomationArg::Ref(number), AutomationArg::Ref(real),
                AutomationArg::Ref(flag), AutomationArg::Ref(variant), by_value});
    const VARTYPE ref = VT_VARIANT | VT_BYREF;
    EXPECT_EQ(recorder.types, (std::vector<VARTYPE>{ref, ref, ref, ref, ref, VT_I4}));
    EXPECT_EQ(text, Text(kChineseValue.str() + kChineseValue.str()));
    EXPECT_EQ(number, 42);
    EXPECT_EQ(real, 2.5);
    EXPECT_FALSE(flag);
    EXPECT_EQ(VariantToText(variant), Text("vv"));
    EXPECT_EQ(by_value, 5);

    // A variable the member leaves alone keeps its bytes, even ones that do not survive the
    // round trip through UTF-16 (a lone lead byte).
    Text odd = "ab\x81";
    CallMethod(object, "Record", {AutomationArg::Ref(odd)});
    EXPECT_EQ(odd, Text("ab\x81"));
  }
  EXPECT_EQ(recorder.references(), 1u);
}

TEST_F(AutomationTest, WritesPutValuesAndPutObjectsAndArraysByReference) {
  Recorder recorder;
  {
    const AutomationObject object(&recorder);
    EXPECT_TRUE(WriteProperty(object, "Value", 3));
    EXPECT_EQ(recorder.flags, DISPATCH_PROPERTYPUT);
    EXPECT_EQ(recorder.named, (std::vector<DISPID>{DISPID_PROPERTYPUT}));
    EXPECT_EQ(ReadNumberProperty(object, "Value"), 3.0);
    EXPECT_EQ(recorder.flags, DISPATCH_METHOD | DISPATCH_PROPERTYGET);

    // A reference passes its variable's value: a write has no output.
    Text pattern = "p";
    EXPECT_TRUE(WriteProperty(object, "Value", AutomationArg::Ref(pattern)));
    EXPECT_EQ(recorder.types, (std::vector<VARTYPE>{VT_BSTR}));
    EXPECT_EQ(ReadTextProperty(object, "Value"), Text("p"));

    AutomationVariant bytes;
    AssignVariant(bytes, Bytes(std::string_view("xy")));
    EXPECT_TRUE(WriteProperty(object, "Value", bytes));
    EXPECT_EQ(recorder.flags, DISPATCH_PROPERTYPUTREF);

    AutomationVariant dispatch;
    VARIANT* v = dispatch.Receive();
    V_VT(v) = VT_DISPATCH;
    V_DISPATCH(v) = &recorder;
    recorder.AddRef();
    EXPECT_TRUE(WriteProperty(object, "Value", dispatch));
    EXPECT_EQ(recorder.flags, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(ReadObjectProperty(object, "Value").get(), &recorder);
    WriteProperty(object, "Value", 0);  // lets go of the stored reference
  }
  EXPECT_EQ(recorder.references(), 1u);
}

TEST_F(AutomationTest, ResultsConvertToTheKindAskedFor) {
  Recorder recorder;
  {
    const AutomationObject object(&recorder);
    VARIANT* answer = recorder.answer.Receive();
    V_VT(answer) = VT_BSTR;
    V_BSTR(answer) = SysAllocString(L"12.5");
    EXPECT_EQ(CallNumberMethod(object, "Answer"), 12.5);
    EXPECT_EQ(CallTextMethod(object, "Answer"), Text("12.5"));
    EXPECT_TRUE(CallObjectMethod(object, "Answer").empty());

    answer = recorder.answer.Receive();
    V_VT(answer) = VT_BSTR;
    V_BSTR(answer) = SysAllocString(L"not a number");
    EXPECT_EQ(CallNumberMethod(object, "Answer"), 0.0);

    // An IUnknown result is asked for its IDispatch.
    answer = recorder.answer.Receive();
    V_VT(answer) = VT_UNKNOWN;
    V_UNKNOWN(answer) = &recorder;
    recorder.AddRef();
    EXPECT_EQ(CallObjectMethod(object, "Answer").get(), &recorder);
    EXPECT_EQ(V_VT(&CallVariantMethod(object, "Answer").get()), VT_UNKNOWN);
    recorder.answer.Receive();

    recorder.answer_result = DISP_E_EXCEPTION;
    EXPECT_EQ(V_VT(&CallVariantMethod(object, "Answer").get()), VT_EMPTY);
    EXPECT_EQ(CallTextMethod(object, "Answer"), Text());
  }
  EXPECT_EQ(recorder.references(), 1u);
}

}  // namespace
}  // namespace chronalt
