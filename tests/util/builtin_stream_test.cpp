// Tests of the built-in "Adodb.Stream" class through the automation layer: the decoding steps of
// an HTTP answer for the charsets the program meets, letter case of charset names, byte-order
// marks, unknown names, and the stream's rules on when a member may be used.
#include "util/builtin_stream_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include "util/automation.h"

namespace chronalt {
namespace {

class BuiltinStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

// The steps with which the answer of an HTTP request is decoded.
Text DecodeBody(const Bytes& body, const Text& charset) {
  AutomationObject stream;
  if (!CreateObject(stream, "Adodb.Stream")) return "(no stream)";
  AutomationVariant bytes;
  AssignVariant(bytes, body);
  Text name = charset;
  WriteProperty(stream, "Type", 1);
  WriteProperty(stream, "Mode", 3);
  CallMethod(stream, "Open");
  CallMethod(stream, "Write", {AutomationArg::Ref(bytes)});
  WriteProperty(stream, "Position", 0);
  WriteProperty(stream, "Type", 2);
  WriteProperty(stream, "Charset", AutomationArg::Ref(name));
  const Text text = CallTextMethod(stream, "ReadText");
  CallMethod(stream, "Close");
  return text;
}

Bytes B(std::string_view bytes) { return Bytes(bytes); }

TEST_F(BuiltinStreamTest, DecodesTheNamedCharsetIntoCodePage936) {
  struct DecodeCase {
    const char* charset;
    Bytes body;
    Text expected;
  };
  // 中文 is D6 D0 CE C4 in code page 936.
  const DecodeCase cases[] = {
      {"utf-8", B("\xE4\xB8\xAD\xE6\x96\x87 ok"), "\xD6\xD0\xCE\xC4 ok"},
      {"UTF-8", B("\xE4\xB8\xAD\xE6\x96\x87"), "\xD6\xD0\xCE\xC4"},
      {"utf-8",
       B("\xEF\xBB\xBF"
         "abc"),
       "abc"},  // the byte-order mark is dropped
      {"GBK", B("\xD6\xD0\xCE\xC4"), "\xD6\xD0\xCE\xC4"},
      {"gb2312", B("\xD6\xD0\xCE\xC4"), "\xD6\xD0\xCE\xC4"},
      {"big5", B("\xA4\xA4\xA4\xE5"), "\xD6\xD0\xCE\xC4"},
      {"iso-8859-1", B("caf\xE9"), "caf\xA8\xA6"},            // é is A8 A6
      {"windows-1252", B("\x93q\x94"), "\xA1\xB0q\xA1\xB1"},  // curly quotes
      {"Unicode", B(std::string_view("\xFF\xFE\x2D\x4E\x87\x65", 6)), "\xD6\xD0\xCE\xC4"},
      {"Unicode", B(std::string_view("a\0b\0", 4)), "ab"},
      {"us-ascii", B("plain"), "plain"},
      {"utf-8", Bytes(), ""},
      // The text ends at a zero character.
      {"utf-8", B(std::string_view("a\0b", 3)), "a"},
      // A name the platform's table does not know gives the empty text.
      {"x-no-such-charset", B("abc"), ""},
      {"", B("abc"), ""},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(DecodeBody(c.body, c.charset), c.expected) << c.charset;
  }
}

TEST_F(BuiltinStreamTest, MembersKeepTheStreamsRules) {
  AutomationObject stream;
  ASSERT_TRUE(CreateObject(stream, "adodb.stream"));
  EXPECT_EQ(ReadNumberProperty(stream, "Type"), 2.0);
  EXPECT_EQ(ReadTextProperty(stream, "Charset"), Text("Unicode"));
  EXPECT_EQ(ReadNumberProperty(stream, "State"), 0.0);

  AutomationVariant bytes;
  AssignVariant(bytes, B("abcdef"));
  // Closed: no position, no size, and a write goes nowhere.
  EXPECT_FALSE(WriteProperty(stream, "Position", 0));
  EXPECT_EQ(V_VT(&ReadVariantProperty(stream, "Size").get()), VT_EMPTY);
  EXPECT_TRUE(WriteProperty(stream, "Type", 1));
  EXPECT_FALSE(WriteProperty(stream, "Type", 3));
  CallMethod(stream, "Write", {bytes});
  CallMethod(stream, "Open");
  EXPECT_EQ(ReadNumberProperty(stream, "State"), 1.0);
  EXPECT_EQ(ReadNumberProperty(stream, "Size"), 0.0);
  EXPECT_FALSE(WriteProperty(stream, "Mode", 3));  // only while closed
  CallMethod(stream, "Write", {bytes});
  EXPECT_EQ(ReadNumberProperty(stream, "Size"), 6.0);
  EXPECT_EQ(ReadNumberProperty(stream, "Position"), 6.0);
  EXPECT_EQ(CallTextMethod(stream, "ReadText"), Text());  // not in a binary stream
  EXPECT_FALSE(WriteProperty(stream, "Type", 2));         // only at position 0
  EXPECT_FALSE(WriteProperty(stream, "Charset", "utf-8"));
  EXPECT_FALSE(WriteProperty(stream, "Position", 7));  // beyond the end

  // A write at a position overwrites and extends.
  EXPECT_TRUE(WriteProperty(stream, "Position", 4));
  AutomationVariant more;
  AssignVariant(more, B("XYZ"));
  CallMethod(stream, "Write", {more});
  EXPECT_EQ(ReadNumberProperty(stream, "Size"), 7.0);
  CallMethod(stream, "Write", {"not bytes"});
  EXPECT_EQ(ReadNumberProperty(stream, "Size"), 7.0);

  EXPECT_TRUE(WriteProperty(stream, "Position", 2));
  EXPECT_FALSE(WriteProperty(stream, "Type", 2));
  EXPECT_TRUE(WriteProperty(stream, "Position", 0));
  EXPECT_TRUE(WriteProperty(stream, "Type", 2));
  EXPECT_TRUE(WriteProperty(stream, "Charset", "us-ascii"));
  EXPECT_TRUE(WriteProperty(stream, "Position", 2));
  EXPECT_EQ(CallTextMethod(stream, "ReadText"), Text("cdXYZ"));  // from the position on
  EXPECT_EQ(ReadNumberProperty(stream, "Position"), 7.0);
  EXPECT_EQ(CallTextMethod(stream, "ReadText"), Text());
  EXPECT_EQ(CallTextMethod(stream, "ReadText", {10}), Text());  // only the whole rest
  CallMethod(stream, "Close");
  EXPECT_EQ(ReadNumberProperty(stream, "State"), 0.0);
  CallMethod(stream, "Open", {"http://example.invalid/"});  // no sources
  EXPECT_EQ(ReadNumberProperty(stream, "State"), 0.0);
}

TEST_F(BuiltinStreamTest, FactoryChecksItsArgument) {
  EXPECT_EQ(CreateBuiltinStream(nullptr), E_POINTER);
}

}  // namespace
}  // namespace chronalt
