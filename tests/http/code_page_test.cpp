// Tests of the code page 936 <-> UTF-16 conversions: terminators, cutting at a zero unit, odd
// lengths, empty values, characters the code page cannot hold, and the address helpers. The
// expected UTF-16 side is written as code units, independently of the GBK constants.
#include "http/code_page.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_printing.h"

namespace chronalt {
namespace {

Bytes Of(std::vector<std::uint8_t> bytes) { return Bytes(std::move(bytes)); }

TEST(CodePageTest, TextToUtf16) {
  struct Case {
    Text text;
    bool drop_terminator;
    Bytes expected;
  };
  const Case cases[] = {
      {"abc", false, Of({0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00})},
      {"abc", true, Of({0x61, 0x00, 0x62, 0x00, 0x63, 0x00})},
      {"\xD6\xD0", false, Of({0x2D, 0x4E, 0x00, 0x00})},  // 中 U+4E2D
      {"\xD6\xD0", true, Of({0x2D, 0x4E})},
      {"", false, Bytes()},
      {"", true, Bytes()},
      // "Zorvane时间:", the caption of the server row: ASCII and two-byte characters mixed.
      {"Zorvane\xCA\xB1\xBC\xE4:", false,
       Of({'Z', 0,   'o', 0,    'r',  0,    'v',  0,   'a', 0, 'n',
           0,   'e', 0,   0xF6, 0x65, 0xF4, 0x95, ':', 0,   0, 0})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + (c.drop_terminator ? " without terminator" : ""));
    EXPECT_EQ(TextToUtf16(c.text, c.drop_terminator), c.expected);
  }
}

TEST(CodePageTest, Utf16ToText) {
  struct Case {
    Bytes utf16;
    Text expected;
  };
  const Case cases[] = {
      {Of({0x61, 0x00, 0x62, 0x00, 0x63, 0x00, 0x00, 0x00}), "abc"},
      {Of({0x61, 0x00, 0x62, 0x00, 0x63, 0x00}), "abc"},
      {Of({0x61, 0x00, 0x00, 0x00, 0x62, 0x00}), "a"},  // cut at the zero unit inside
      {Of({0x2D, 0x4E}), "\xD6\xD0"},                   // U+4E2D 中
      {Of({0x61, 0x00, 0x62}), "a"},                    // the odd last byte is ignored
      {Bytes(), ""},
      {Of({0x61}), ""},
      // 本地时间: (U+672C U+5730 U+65F6 U+95F4), the caption of the local row.
      {Of({0x2C, 0x67, 0x30, 0x57, 0xF6, 0x65, 0xF4, 0x95, ':', 0}),
       "\xB1\xBE\xB5\xD8\xCA\xB1\xBC\xE4:"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.utf16.view()));
    EXPECT_EQ(Utf16ToText(c.utf16), c.expected);
  }
}

// U+1F600 has no code page 936 form: the platform's default character stands in its place, and
// nothing else of the text is lost.
TEST(CodePageTest, CharacterOutsideTheCodePageBecomesTheDefaultCharacter) {
  CPINFO info{};
  ASSERT_TRUE(GetCPInfo(936, &info));
  const char default_char = static_cast<char>(info.DefaultChar[0]);

  const Text text = Utf16ToText(Of({'a', 0, 0x3D, 0xD8, 0x00, 0xDE, 'b', 0}));
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.view().front(), 'a');
  EXPECT_EQ(text.view().back(), 'b');
  const std::string middle(text.view().substr(1, text.size() - 2));
  EXPECT_EQ(middle, std::string(middle.size(), default_char)) << Escaped(text.view());
}

TEST(CodePageTest, CaptionsGoBothWaysUnchanged) {
  // Under Wine the ANSI code page is not 936, so this also shows that 936 is named explicitly.
  const Text captions[] = {"\xD7\xD4\xB6\xAF\xD0\xA3\xD7\xBC",   // 自动校准
                           "\xD0\xA3\xD7\xBC\xCA\xB1\xBC\xE4"};  // 校准时间
  for (const Text& caption : captions) {
    SCOPED_TRACE(Escaped(caption.view()));
    const Bytes utf16 = TextToUtf16(caption);
    ASSERT_EQ(utf16.size(), 10u);  // four characters and the terminator
    EXPECT_EQ(Utf16ToText(utf16), caption);
  }
}

TEST(CodePageTest, AddressHelpers) {
  const Text text = "abc";
  EXPECT_EQ(TextPointer(text), text.c_str());
  EXPECT_EQ(TextPointer(text)[3], '\0');
  EXPECT_EQ(TextPointer(Text())[0], '\0');  // an empty text still has its terminating zero

  const Bytes bytes = TextToUtf16(text);
  EXPECT_EQ(BytesPointer(bytes), bytes.data());
  EXPECT_EQ(BytesPointer(Bytes()), nullptr);
  EXPECT_EQ(BytesPointer(TextToUtf16("")), nullptr);
}

}  // namespace
}  // namespace chronalt
