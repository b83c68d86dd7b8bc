// Tests of the Text and Bytes primitives. Every other module leans on their edge rules
// (1-based positions, -1 for "not found", clamping, what a left-out argument means, stepping
// over two-byte characters), so the cases below pin those rules down one table at a time.
// GBK constants are written as byte escapes with the text in a comment.
#include "util/text_bytes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace chronalt {

namespace {

void PrintEscaped(std::string_view bytes, std::ostream* os) {
  *os << '"';
  for (unsigned char c : bytes) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      *os << static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      *os << hex;
    }
  }
  *os << '"';
}

std::string Escaped(std::string_view bytes) {
  std::ostringstream os;
  PrintEscaped(bytes, &os);
  return os.str();
}

std::string Show(const std::optional<int>& value) {
  return value ? std::to_string(*value) : std::string("left out");
}

Bytes MakeBytes(std::vector<std::uint8_t> bytes) { return Bytes(std::move(bytes)); }

}  // namespace

// GoogleTest finds these by argument-dependent lookup, so failures show escaped bytes.
void PrintTo(const Text& text, std::ostream* os) { PrintEscaped(text.view(), os); }
void PrintTo(const Bytes& bytes, std::ostream* os) { PrintEscaped(bytes.view(), os); }

namespace {

// ---------------------------------------------------------------------------------------------
// Construction

TEST(TextTest, ConstructionKeepsTheBytesBeforeTheFirstZeroByte) {
  struct Case {
    Text text;
    std::string_view expected;
  };
  const Case cases[] = {
      {Text(std::string_view("ab\0c", 4)), "ab"},
      {Text(std::string("ab\0c", 4)), "ab"},
      {Text(std::string_view("\0abc", 4)), ""},
      {Text(std::string("\0", 1)), ""},
      {Text("abc"), "abc"},
      {Text("\xD6\xD0\xCE\xC4"), "\xD6\xD0\xCE\xC4"},  // 中文
      {Text(std::string_view("\xB0\xA1\0\xB0\xA1", 5)), "\xB0\xA1"},
      {Text(), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.expected));
    EXPECT_EQ(c.text.view(), c.expected);
    EXPECT_EQ(c.text.size(), c.expected.size());
    EXPECT_EQ(c.text.c_str()[c.text.size()], '\0');  // always terminated
  }
}

TEST(TextTest, EmptyAndAbsentTextsAreOneValue) {
  EXPECT_EQ(Text(), Text(""));
  EXPECT_TRUE(Text().empty());
  // An absent text given as a null pointer is the empty text, not a crash.
  EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text());
  EXPECT_STREQ(Text().c_str(), "");
}

TEST(BytesTest, ConstructionKeepsZeroBytes) {
  EXPECT_EQ(Bytes(std::string_view("a\0b", 3)).size(), 3u);
  EXPECT_EQ(Bytes(std::string_view("a\0b", 3)), MakeBytes({0x61, 0x00, 0x62}));
  const std::uint8_t raw[] = {0x00, 0xFF, 0x00};
  EXPECT_EQ(Bytes(raw, sizeof raw), MakeBytes({0x00, 0xFF, 0x00}));
  EXPECT_TRUE(Bytes(nullptr, 0).empty());
  EXPECT_EQ(Bytes(nullptr, 0), Bytes());
}

// ---------------------------------------------------------------------------------------------
// Cutting by plain bytes

TEST(TextCutTest, TextLength) {
  EXPECT_EQ(TextLength(Text()), 0);
  EXPECT_EQ(TextLength("abc"), 3);
  EXPECT_EQ(TextLength("\xB0\xA1x"), 3);  // 啊x: bytes, not characters
}

TEST(TextCutTest, TextLeftAndTextRightClampN) {
  struct Case {
    Text text;
    int n;
    Text left;
    Text right;
  };
  const Case cases[] = {
      {"abc", 0, "", ""},
      {"abc", -1, "", ""},
      {"abc", INT_MIN, "", ""},
      {"abc", 1, "a", "c"},
      {"abc", 2, "ab", "bc"},
      {"abc", 3, "abc", "abc"},
      {"abc", 10, "abc", "abc"},
      {"abc", INT_MAX, "abc", "abc"},
      {"", 2, "", ""},
      // Plain bytes: a two-byte character (啊) can be cut in half.
      {"\xB0\xA1", 1, "\xB0", "\xA1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + " n=" + std::to_string(c.n));
    EXPECT_EQ(TextLeft(c.text, c.n), c.left);
    EXPECT_EQ(TextRight(c.text, c.n), c.right);
  }
}

TEST(TextCutTest, TextMidStartsAtOneAndGivesEmptyOutsideTheText) {
  struct Case {
    Text text;
    int start;
    int n;
    Text expected;
  };
  const Case cases[] = {
      {"abc", 1, 2, "ab"},
      {"abc", 2, 1, "b"},
      {"abc", 3, 5, "c"},
      {"abc", 1, 3, "abc"},
      {"abc", 2, INT_MAX, "bc"},  // o + n must not overflow
      {"abc", 0, 2, ""},          // a start of 0 is not the beginning
      {"abc", -1, 5, ""},
      {"abc", INT_MIN, 2, ""},
      {"abc", 4, 1, ""},
      {"abc", INT_MAX, 1, ""},
      {"abc", 2, 0, ""},
      {"abc", 2, -1, ""},
      {"abc", 2, INT_MIN, ""},
      {"", 1, 1, ""},
      {"\xB0\xA1x", 2, 2, "\xA1x"},  // 啊x: cut inside the character
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + " start=" + std::to_string(c.start) +
                 " n=" + std::to_string(c.n));
    EXPECT_EQ(TextMid(c.text, c.start, c.n), c.expected);
  }
}

TEST(TextCutTest, BlankText) {
  struct Case {
    int n;
    Text expected;
  };
  const Case cases[] = {{0, ""}, {-3, ""}, {INT_MIN, ""}, {1, " "}, {4, "    "}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(BlankText(c.n), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// FindText

struct FindCase {
  Text text;
  Text sub;
  std::optional<int> start;
  bool ignore_case;
  int expected;
};

std::string Describe(const FindCase& c) {
  return Escaped(c.text.view()) + " sub=" + Escaped(c.sub.view()) + " start=" + Show(c.start) +
         (c.ignore_case ? " ignore case" : " exact");
}

TEST(FindTextTest, FindsTheFirstOccurrenceFromTheStartPosition) {
  const FindCase cases[] = {
      {"a,b,c", ",", 3, false, 4},
      {"a,b,c", ",", std::nullopt, false, 2},
      {"a,b,c", ",", 1, false, 2},
      {"a,b,c", ",", 2, false, 2},
      {"a,b,c", ",", 5, false, -1},
      // A start of 0 or less searches from the first byte, just like a left-out start.
      {"a,b,c", ",", 0, false, 2},
      {"a,b,c", ",", -7, false, 2},
      {"a,b,c", ",", INT_MIN, false, 2},
      // A start beyond the text gives -1.
      {"a,b,c", "c", 5, false, 5},
      {"a,b,c", "c", 6, false, -1},
      {"a,b,c", "c", INT_MAX, false, -1},
      {"abcd", "cd", std::nullopt, false, 3},
      {"abc", "abc", std::nullopt, false, 1},
      {"ab", "abc", std::nullopt, false, -1},
      {"", "a", std::nullopt, false, -1},
      {"a,b,c", ";", std::nullopt, false, -1},
      {"\xD6\xD0\xCE\xC4"
       "abc",
       "abc", std::nullopt, false, 5},  // 中文abc
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

TEST(FindTextTest, EmptySubTextIsFoundAtOneInANonEmptyWindow) {
  const FindCase cases[] = {
      {"abc", "", std::nullopt, false, 1}, {"abc", "", 3, false, 1}, {"abc", "", 4, false, -1},
      {"", "", std::nullopt, false, -1},   {"", "", 1, true, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

TEST(FindTextTest, IgnoreCaseFoldsOnlyTheAsciiLetters) {
  const FindCase cases[] = {
      {"xABc", "ab", std::nullopt, true, 2},
      {"xABc", "ab", std::nullopt, false, -1},
      {"xABc", "AB", std::nullopt, false, 2},
      {"aXbx", "x", std::nullopt, true, 2},
      {"aXbx", "x", std::nullopt, false, 4},
      // Bytes that differ by 0x20 but are not letters stay different.
      {"{", "[", std::nullopt, true, -1},
      {"@", "`", std::nullopt, true, -1},
      {"^", "~", std::nullopt, true, -1},
      {"\xE1\xA1", "\xC1\xA1", std::nullopt, true, -1},
      // The folding looks at single bytes, inside two-byte characters too.
      {"\xB0\x41", "\xB0\x61", std::nullopt, true, 1},
      {"\xB0\x41", "\xB0\x61", std::nullopt, false, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

TEST(FindTextTest, NeverStartsAMatchOnASecondByte) {
  const FindCase cases[] = {
      {"\xB0\x41", "A", std::nullopt, false, -1},
      {"\xB0\x41", "a", std::nullopt, true, -1},
      {"\xB0\x41\x41", "A", std::nullopt, false, 3},
      {"\xB0\x61"
       "A",
       "a", std::nullopt, true, 3},
      // 啊啊 holds the bytes A1 B0 across its two characters, which is no match.
      {"\xB0\xA1\xB0\xA1", "\xA1\xB0", std::nullopt, false, -1},
      {"\xB0\xA1\xB0\xA1", "\xB0\xA1", 2, false, -1},
      {"\xB0\xA1\xB0\xA1", "\xB0\xA1", 3, false, 3},
      // A given start is where the window begins, even on a second byte.
      {"\xB0\x41\x41", "A", 2, false, 2},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindText(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// FindTextReverse

TEST(FindTextReverseTest, FindsTheLastOccurrenceEndingBeforeTheStartPosition) {
  const FindCase cases[] = {
      {"ab=", "=", 3, false, -1},  // must end at or before byte start - 1
      {"ab=", "=", std::nullopt, false, 3},
      {"ab=", "=", 4, false, 3},
      {"ab=", "=", 100, false, 3},
      {"ab=", "=", INT_MAX, false, 3},
      {"a=b=c", "=", 4, false, 2},
      {"a=b=c", "=", 5, false, 4},
      {"a=b=c", "=", std::nullopt, false, 4},
      // Unlike FindText, a start of 1 or less is an empty window.
      {"a=b=c", "=", 2, false, -1},
      {"a=b=c", "=", 1, false, -1},
      {"a=b=c", "=", 0, false, -1},
      {"a=b=c", "=", -3, false, -1},
      {"a=b=c", "=", INT_MIN, false, -1},
      {"aaa", "aa", std::nullopt, false, 2},  // overlapping candidates all count
      {"abcabc", "abc", 6, false, 1},
      {"abcabc", "abc", 7, false, 4},
      {"", "a", std::nullopt, false, -1},
      {"ab", "abc", std::nullopt, false, -1},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindTextReverse(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

TEST(FindTextReverseTest, EmptySubTextAndCaseAndTwoByteCharacters) {
  const FindCase cases[] = {
      {"abc", "", std::nullopt, false, 1},
      {"abc", "", 2, false, 1},
      {"abc", "", 1, false, -1},
      {"", "", std::nullopt, false, -1},
      {"aXbx", "x", std::nullopt, true, 4},
      {"aXbY", "x", std::nullopt, true, 2},
      {"aXbY", "x", std::nullopt, false, -1},
      {"{", "[", std::nullopt, true, -1},
      {"\xB0\x41", "A", std::nullopt, false, -1},
      {"A\xB0\x41", "A", std::nullopt, false, 1},
      {"A\xB0\x41", "a", std::nullopt, true, 1},
      {"\xB0\x41", "\xB0\x61", std::nullopt, true, 1},
      {"\xB0\xA1\xB0\xA1", "\xA1\xB0", std::nullopt, false, -1},
      {"\xB0\xA1\xB0\xA1", "\xB0\xA1", std::nullopt, false, 3},
  };
  for (const FindCase& c : cases) {
    SCOPED_TRACE(Describe(c));
    EXPECT_EQ(FindTextReverse(c.text, c.sub, c.start, c.ignore_case), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// ReplaceSubtext

struct ReplaceCase {
  Text text;
  Text sub;
  Text replacement;
  std::optional<int> start;
  std::optional<int> count;
  bool case_sensitive;
  Text expected;
};

TEST(ReplaceSubtextTest, ReplacesFromTheStartUpToTheCount) {
  const std::optional<int> all = std::nullopt;
  const ReplaceCase cases[] = {
      {"a b c", " ", "-", all, all, true, "a-b-c"},
      {"a b c", " ", "-", all, 1, true, "a-b c"},
      {"a b c", " ", "-", 3, all, true, "a b-c"},
      {"a,a,a,a", ",", ";", 3, 1, true, "a,a;a,a"},
      {"a,a,a", ",", ";", all, 0, true, "a,a,a"},  // a count of 0 replaces nothing
      {"a,a,a", ",", ";", all, -1, true, "a;a;a"},
      {"a,a,a", ",", ";", all, INT_MIN, true, "a;a;a"},
      {"a,a,a", ",", ";", all, 9, true, "a;a;a"},
      // A start of 0 or less is the same as a left-out start.
      {"a,a,a", ",", ";", 0, all, true, "a;a;a"},
      {"a,a,a", ",", ";", -4, all, true, "a;a;a"},
      {"a,a,a", ",", ";", INT_MIN, all, true, "a;a;a"},
      {"a b ", " ", "-", 4, all, true, "a b-"},
      {"a b ", " ", "-", 5, all, true, "a b "},
      {"a b ", " ", "-", INT_MAX, all, true, "a b "},
      {"abc", "", "x", all, all, true, "abc"},
      {"", "a", "x", all, all, true, ""},
      {"ab", "abc", "x", all, all, true, "ab"},
      {"a,b", ",", "", all, all, true, "ab"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + " sub=" + Escaped(c.sub.view()) +
                 " start=" + Show(c.start) + " count=" + Show(c.count));
    EXPECT_EQ(ReplaceSubtext(c.text, c.sub, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected);
  }
}

TEST(ReplaceSubtextTest, NeverScansAReplacementAgain) {
  const std::optional<int> all = std::nullopt;
  const ReplaceCase cases[] = {
      {"aaaa", "aa", "a", all, all, true, "aa"},
      {"aaa", "aa", "b", all, all, true, "ba"},
      {"ab", "a", "aa", all, all, true, "aab"},
      {"xx", "x", "xx", all, all, true, "xxxx"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()));
    EXPECT_EQ(ReplaceSubtext(c.text, c.sub, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected);
  }
}

TEST(ReplaceSubtextTest, CaseAndTwoByteCharacters) {
  const std::optional<int> all = std::nullopt;
  const ReplaceCase cases[] = {
      {"set-cookie: x=1", "Set-Cookie:", "", all, all, false, " x=1"},
      {"set-cookie: x=1", "Set-Cookie:", "", all, all, true, "set-cookie: x=1"},
      {"aAbA", "a", "-", all, all, false, "--b-"},
      {"aAbA", "a", "-", all, all, true, "-AbA"},
      {"[{", "{", "x", all, all, false, "[x"},
      {"a[", "{", "x", all, all, false, "a["},
      // Steps over two-byte characters: 0x41 and 0x61 as second bytes are never matched.
      {"\xB0\x41\x41", "A", "x", all, all, true, "\xB0\x41x"},
      {"x\xB0\x61y", "A", "-", all, all, false, "x\xB0\x61y"},
      {"\xB0\xA1\xB0\xA1", "\xA1\xB0", "x", all, all, true, "\xB0\xA1\xB0\xA1"},  // 啊啊
      {"\xB0\x41", "\xB0\x61", "x", all, all, false, "x"},
      {"\xB0\xA1"
       "a\xB0\xA1",
       "\xB0\xA1", "", all, all, true, "a"},
      // A given start is where the scan begins, even on a second byte.
      {"\xB0\x41\x41", "A", "x", 2, all, true, "\xB0xx"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + " sub=" + Escaped(c.sub.view()) +
                 (c.case_sensitive ? " exact" : " ignore case"));
    EXPECT_EQ(ReplaceSubtext(c.text, c.sub, c.replacement, c.start, c.count, c.case_sensitive),
              c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// SplitText

TEST(SplitTextTest, PiecesBetweenSeparatorsWithoutAnEmptyLastPiece) {
  struct Case {
    Text text;
    Text separator;
    std::optional<int> maximum;
    std::vector<Text> expected;
  };
  const std::optional<int> unlimited = std::nullopt;
  const Case cases[] = {
      {"a\r\nb\r\n", "\r\n", unlimited, {"a", "b"}},
      {"", ",", unlimited, {}},
      {"abc", ";", unlimited, {"abc"}},
      {"a,,b", ",", unlimited, {"a", "", "b"}},
      {"a,b,", ",", unlimited, {"a", "b"}},
      {",a", ",", unlimited, {"", "a"}},
      {",", ",", unlimited, {""}},
      {",,", ",", unlimited, {"", ""}},
      {"a,b,,", ",", unlimited, {"a", "b", ""}},
      {"abc", "abc", unlimited, {""}},
      {"abc", "abcd", unlimited, {"abc"}},
      {"abc", "", unlimited, {"abc"}},
      {"aXbxc", "x", unlimited, {"aXb", "c"}},  // always case-sensitive
      {"a;;;b", ";;", unlimited, {"a", ";b"}},
      // The maximum ends the split at once; the rest of the text is dropped.
      {"a,b,c", ",", 1, {"a"}},
      {"a,b,c", ",", 2, {"a", "b"}},
      {"a,b,c", ",", 3, {"a", "b", "c"}},
      {"a,b,c", ",", INT_MAX, {"a", "b", "c"}},
      {"a,b", ",", 2, {"a", "b"}},
      {"abc", ",", 1, {"abc"}},
      {"a,b,c", ",", 0, {}},
      {"a,b,c", ",", -1, {}},
      {"a,b,c", ",", INT_MIN, {}},
      {"abc", "", 0, {}},
      // Steps by characters: 0x2C as a second byte is no separator.
      {"\xB0\x2C,a", ",", unlimited, {"\xB0\x2C", "a"}},
      {"a\xA1\xA2"
       "b",
       "\xA1\xA2",
       unlimited,
       {"a", "b"}},  // a、b
      {"\xB0\xA1\xA2", "\xA1\xA2", unlimited, {"\xB0\xA1\xA2"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()) + " separator=" + Escaped(c.separator.view()) +
                 " maximum=" + Show(c.maximum));
    EXPECT_EQ(SplitText(c.text, c.separator, c.maximum), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// Defaults of optional arguments

TEST(DefaultArgumentsTest, LeftOutArgumentsTakeTheirDefaults) {
  EXPECT_EQ(FindText("a,b", ","), 2);
  EXPECT_EQ(FindText("xAb", "ab"), -1);  // ignore case defaults to false
  EXPECT_EQ(FindTextReverse("a=b=", "="), 4);
  EXPECT_EQ(FindTextReverse("xAb", "ab"), -1);
  // Replacement empty, all occurrences, without case.
  EXPECT_EQ(ReplaceSubtext("aAbA", "a"), Text("b"));
  EXPECT_EQ(SplitText("a,b;c"), (std::vector<Text>{"a", "b;c"}));  // separator ","
  EXPECT_EQ(CompareText("Ab", "aB"), 0);
}

// ---------------------------------------------------------------------------------------------
// TrimBothEnds and ToUpperCase

TEST(TrimBothEndsTest, RemovesBlanksAndIdeographicSpacesOnly) {
  struct Case {
    Text text;
    Text expected;
  };
  const Case cases[] = {
      {"\tx\r\n", "\tx\r\n"},  // tab, CR and LF are not blanks
      {"\x0Bx\x0C", "\x0Bx\x0C"},
      {"\xA1\xA1\xA1\xA1"
       "a  ",
       "a"},  // 　　a
      {" a b ", "a b"},
      {"a\xA1\xA1"
       "b",
       "a\xA1\xA1"
       "b"},
      {" \xA1\xA1 a\xA1\xA1 ", "a"},
      {"   ", ""},
      {"\xA1\xA1", ""},
      {" \xA1\xA1 ", ""},
      {"", ""},
      {"\xA1\xA2 x", "\xA1\xA2 x"},      // 、 is no blank
      {"\xB0\xA1\xA1\xA1", "\xB0\xA1"},  // 啊 then an ideographic space
      // 0x20 as the second byte of a character is part of it, not a blank.
      {"a\xB0\x20", "a\xB0\x20"},
      {"\xB0\x20 ", "\xB0\x20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()));
    EXPECT_EQ(TrimBothEnds(c.text), c.expected);
  }
}

TEST(ToUpperCaseTest, UpperCasesOneByteLettersAndLeavesTwoByteCharactersAlone) {
  struct Case {
    Text text;
    Text expected;
  };
  const Case cases[] = {
      {"set-cookie", "SET-COOKIE"},
      {"aZz09{`@[~", "AZZ09{`@[~"},
      {"", ""},
      {"\xB0\x61", "\xB0\x61"},
      {"\xB0\x61\x61", "\xB0\x61\x41"},
      {"\xA3\xE1\xA3\xFA", "\xA3\xE1\xA3\xFA"},  // full-width a and z stay as they are
      {"x\xD6\xD0y", "X\xD6\xD0Y"},              // x中y
      {"a\xB0", "A\xB0"},                        // a lone lead byte at the end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()));
    EXPECT_EQ(ToUpperCase(c.text), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// CompareText

struct CompareCase {
  Text first;
  Text second;
  bool case_sensitive;
  int expected;
};

void ExpectCompare(const CompareCase& c) {
  SCOPED_TRACE(Escaped(c.first.view()) + " vs " + Escaped(c.second.view()) +
               (c.case_sensitive ? " exact" : " ignore case"));
  EXPECT_EQ(CompareText(c.first, c.second, c.case_sensitive), c.expected);
}

TEST(CompareTextTest, OrdersCharacterByCharacter) {
  const CompareCase cases[] = {
      {"location: ", "Location: ", false, 0},
      {"location: ", "Location: ", true, 1},
      {"abc", "abc", true, 0},
      {"abc", "abd", true, -1},
      {"abd", "abc", true, 1},
      {"a", "z", true, -1},  // exactly -1 and 1, not a difference
      {"z", "a", true, 1},
      {"ab", "abc", true, -1},
      {"abc", "ab", true, 1},
      {"", "", true, 0},
      {"", "", false, 0},
      {"", "a", false, -1},
      {"a", "", false, 1},
      {"ABC", "abc", false, 0},
      {"abc", "ABD", false, -1},
      // Without case both sides are brought to upper case, which puts "_" and "[" after letters.
      {"a", "_", false, -1},
      {"_", "a", false, 1},
      {"[", "a", false, 1},
      {"a", "[", true, 1},
      // A two-byte character is one unit above every one-byte character.
      {"\x7F", "\x80\x40", true, -1},
      {"\xB0\xA1", "a", true, 1},  // 啊 vs a
      {"\xB0\xA1", "\xB0\xA2", false, -1},
      {"\xB0\xA1", "\xB0\xA1", false, 0},
      // A second byte in the ASCII letter range belongs to a character without case.
      {"\xB0\x61", "\xB0\x41", false, 1},
      {"\xB0\x41", "\xB0\x61", false, -1},
      {"ab\xB0", "AB\xB0", false, 0},  // a lone lead byte at the end
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}

TEST(CompareTextTest, DoubleByteLettersCompareEqualWithoutCase) {
  const CompareCase cases[] = {
      {"\xA3\xE1", "\xA3\xC1", false, 0},  // full-width a vs A
      {"\xA3\xE1", "\xA3\xC1", true, 1},
      {"\xA3\xC1", "\xA3\xE1", true, -1},
      // Folded, full-width a sorts before full-width B.
      {"\xA3\xE1", "\xA3\xC2", false, -1},
      {"\xA3\xE1", "\xA3\xC2", true, 1},
      {"x\xA3\xE1y", "X\xA3\xC1Y", false, 0},
      {"\xA6\xC1", "\xA6\xA1", false, 0},  // Greek alpha vs Alpha
      {"\xA6\xC1", "\xA6\xA1", true, 1},
      {"\xA7\xD1", "\xA7\xA1", false, 0},  // Cyrillic a vs A
      {"\xA7\xD7", "\xA7\xA7", false, 0},  // Cyrillic io vs Io
      // Full-width letters fold among themselves, never onto the ASCII letters.
      {"\xA3\xE1", "A", false, 1},
      {"\xA3\xC1", "a", false, 1},
  };
  for (const CompareCase& c : cases) ExpectCompare(c);

  struct Block {
    const char* name;
    unsigned char lead;
    unsigned char first_upper;
    unsigned char first_lower;
    int letters;
  };
  const Block blocks[] = {
      {"full-width Latin", 0xA3, 0xC1, 0xE1, 26},
      {"Greek", 0xA6, 0xA1, 0xC1, 24},
      {"Cyrillic", 0xA7, 0xA1, 0xD1, 33},
  };
  for (const Block& block : blocks) {
    for (int i = 0; i < block.letters; ++i) {
      const char upper[] = {static_cast<char>(block.lead), static_cast<char>(block.first_upper + i),
                            0};
      const char lower[] = {static_cast<char>(block.lead), static_cast<char>(block.first_lower + i),
                            0};
      SCOPED_TRACE(std::string(block.name) + " letter " + std::to_string(i));
      EXPECT_EQ(CompareText(lower, upper, false), 0);
      EXPECT_EQ(CompareText(upper, lower, false), 0);
      EXPECT_EQ(CompareText(upper, upper, false), 0);
      EXPECT_EQ(CompareText(lower, upper, true), 1);
      if (i + 1 < block.letters) {
        const char next_upper[] = {static_cast<char>(block.lead),
                                   static_cast<char>(block.first_upper + i + 1), 0};
        EXPECT_EQ(CompareText(lower, next_upper, false), -1);
      }
    }
  }
}

TEST(CompareTextTest, CharactersWithoutCaseStayDistinct) {
  // Ideographs, punctuation and digits map to themselves, so neighbours never fold together.
  const CompareCase cases[] = {
      {"\xD6\xD0", "\xD6\xD1", false, -1},  // 中 vs 仲
      {"\xA3\xB1", "\xA3\xB2", false, -1},  // full-width 1 vs 2
      {"\xA1\xA1", "\xA1\xA2", false, -1},
      {"\xA3\xC1", "\xA3\xA1", false, 1},  // full-width A vs !
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}

#ifdef _WIN32
TEST(CompareTextTest, PlatformMappingFoldsSmallRomanNumerals) {
  // Small Roman numerals (A2 A1 ..) have their capitals at A2 F1 .. in the platform's table.
  const CompareCase cases[] = {
      {"\xA2\xA1", "\xA2\xF1", false, 0},  // i vs I
      {"\xA2\xAA", "\xA2\xFA", false, 0},  // x vs X
      {"\xA2\xA1", "\xA2\xF1", true, -1},
  };
  for (const CompareCase& c : cases) ExpectCompare(c);
}
#endif

TEST(CompareTextTest, IsSafeOnSeveralThreadsAtOnce) {
  // Every thread of the program compares header names at the same time.
  auto work = [](int* failures) {
    for (int round = 0; round < 200; ++round) {
      for (int i = 0; i < 26; ++i) {
        const char upper[] = {'\xA3', static_cast<char>(0xC1 + i), 'x', 0};
        const char lower[] = {'\xA3', static_cast<char>(0xE1 + i), 'X', 0};
        if (CompareText(lower, upper, false) != 0) ++*failures;
      }
    }
  };
  int failures[4] = {};
  std::vector<std::thread> threads;
  for (int& f : failures) threads.emplace_back(work, &f);
  for (std::thread& t : threads) t.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

// ---------------------------------------------------------------------------------------------
// FoldToHalfWidth and ToInt

TEST(FoldToHalfWidthTest, FoldsFullWidthFormsAndSpaces) {
  struct Case {
    Text text;
    Text expected;
  };
  const Case cases[] = {
      {"\xA1\xA1", " "},  // ideographic space
      {"\xA1\xAB", "~"},
      {"\xA1\xEE", "*"},
      {"\xA1\xEF", "*"},
      {"\xA3\xA1", "!"},
      {"\xA3\xB0\xA3\xB9", "09"},
      {"\xA3\xC1\xA3\xE1", "Aa"},
      {"\xA3\xFE", "~"},
      {"\xA3\xA0", "\xA3\xA0"},  // outside A1 .. FE
      {"\xA3\xFF", "\xA3\xFF"},
      {"\xA3\x41", "\xA3\x41"},
      {"\xA1\xA2", "\xA1\xA2"},  // 、
      {"\xD6\xD0"
       "1",
       "\xD6\xD0"
       "1"},
      {"abc", "abc"},
      {"", ""},
      // Steps by characters: A3 A3 across two characters is not a full-width form.
      {"\xB0\xA3\xA3\xB1",
       "\xB0\xA3"
       "1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()));
    EXPECT_EQ(FoldToHalfWidth(c.text), c.expected);
  }
  for (int x = 0xA1; x <= 0xFE; ++x) {
    const char full[] = {'\xA3', static_cast<char>(x), 0};
    const char half[] = {static_cast<char>(x - 0x80), 0};
    SCOPED_TRACE(x);
    EXPECT_EQ(FoldToHalfWidth(full), Text(half));
  }
}

TEST(ToIntTest, ReadsSignAndDigitsAfterBlanks) {
  struct Case {
    Text text;
    int expected;
  };
  const Case cases[] = {
      {"  -12ab", -12},
      {"\xA3\xB1\xA3\xB2\xA3\xB3", 123},  // full-width 1 2 3
      {"1\xA3\xB2", 12},
      {"\xA3\xAD"
       "5",
       -5},                     // full-width minus
      {"\xA3\xAB\xA3\xB7", 7},  // full-width plus, 7
      {"\xA1\xA1"
       "9",
       9},  // ideographic space
      {"", 0},
      {"abc", 0},
      {"-", 0},
      {"+7", 7},
      {"+-7", 0},
      {"- 7", 0},
      {"\t\n\v\f\r 42", 42},
      {"12 34", 12},
      {"007", 7},
      {"-0", 0},
      {"2147483647", 2147483647},
      {"-2147483648", INT_MIN},
      // 32-bit arithmetic that wraps around on overflow.
      {"4294967297", 1},
      {"2147483648", INT_MIN},
      {"-4294967297", -1},
      {"99999999999", 1215752191},
      {"4294967296", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.text.view()));
    EXPECT_EQ(ToInt(c.text), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// ToText

TEST(ToTextTest, FromBytesStopsAtTheFirstZeroByte) {
  struct Case {
    Bytes bytes;
    Text expected;
  };
  const Case cases[] = {
      {MakeBytes({0x61, 0x62, 0x00, 0x63}), "ab"},
      {MakeBytes({0x61, 0x62}), "ab"},
      {MakeBytes({0x00, 0x61}), ""},
      {Bytes(), ""},
      {MakeBytes({0xB0, 0xA1}), "\xB0\xA1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.bytes.view()));
    EXPECT_EQ(ToText(c.bytes), c.expected);
  }
}

TEST(ToTextTest, FromIntegersInDecimal) {
  struct Case16 {
    std::int16_t value;
    Text expected;
  };
  const Case16 cases16[] = {
      {7, "7"}, {-5, "-5"}, {0, "0"}, {-1, "-1"}, {32767, "32767"}, {-32768, "-32768"},
  };
  for (const Case16& c : cases16) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ToText(c.value), c.expected);
  }
  struct Case32 {
    int value;
    Text expected;
  };
  const Case32 cases32[] = {
      {0, "0"},
      {42, "42"},
      {-42, "-42"},
      {70000, "70000"},
      {INT_MAX, "2147483647"},
      {INT_MIN, "-2147483648"},
  };
  for (const Case32& c : cases32) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(ToText(c.value), c.expected);
  }
}

// ---------------------------------------------------------------------------------------------
// Byte sequences

TEST(BytesOpsTest, BlankBytesToBytesAndLength) {
  EXPECT_EQ(BlankBytes(-1), Bytes());
  EXPECT_EQ(BlankBytes(0), Bytes());
  EXPECT_EQ(BlankBytes(INT_MIN), Bytes());
  EXPECT_EQ(BlankBytes(3), MakeBytes({0, 0, 0}));

  EXPECT_EQ(ToBytes("ab"), MakeBytes({0x61, 0x62}));  // no terminator
  EXPECT_EQ(ToBytes(""), Bytes());
  EXPECT_EQ(ToBytes("\xB0\xA1"), MakeBytes({0xB0, 0xA1}));

  EXPECT_EQ(BytesLength(Bytes()), 0);
  EXPECT_EQ(BytesLength(MakeBytes({0, 0, 1})), 3);
}

TEST(BytesOpsTest, BytesLeftClampsN) {
  const Bytes bytes = MakeBytes({0x61, 0x00, 0x63});
  struct Case {
    int n;
    Bytes expected;
  };
  const Case cases[] = {
      {2, MakeBytes({0x61, 0x00})},
      {3, bytes},
      {10, bytes},
      {INT_MAX, bytes},
      {0, Bytes()},
      {-1, Bytes()},
      {INT_MIN, Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(BytesLeft(bytes, c.n), c.expected);
  }
  EXPECT_EQ(BytesLeft(Bytes(), 2), Bytes());
}

TEST(BytesOpsTest, BytesMidCountsAStartOfZeroOrLessAsOne) {
  const Bytes abc = MakeBytes({0x61, 0x62, 0x63});
  struct Case {
    Bytes bytes;
    int start;
    int n;
    Bytes expected;
  };
  const Case cases[] = {
      {abc, 0, 2, MakeBytes({0x61, 0x62})},  // unlike TextMid
      {abc, -5, 2, MakeBytes({0x61, 0x62})},
      {abc, INT_MIN, 2, MakeBytes({0x61, 0x62})},
      {abc, 1, 3, abc},
      {abc, 2, 1, MakeBytes({0x62})},
      {abc, 3, 5, MakeBytes({0x63})},
      {abc, 2, INT_MAX, MakeBytes({0x62, 0x63})},
      {abc, 4, 1, Bytes()},
      {abc, INT_MAX, 1, Bytes()},
      {abc, 2, 0, Bytes()},
      {abc, 2, -1, Bytes()},
      {abc, 2, INT_MIN, Bytes()},
      {MakeBytes({0x00, 0x61, 0x00}), 2, 2, MakeBytes({0x61, 0x00})},
      {Bytes(), 1, 1, Bytes()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Escaped(c.bytes.view()) + " start=" + std::to_string(c.start) +
                 " n=" + std::to_string(c.n));
    EXPECT_EQ(BytesMid(c.bytes, c.start, c.n), c.expected);
  }
}

TEST(BytesOpsTest, PointerToBytesCopiesNBytes) {
  std::uint8_t buffer[] = {0x01, 0x00, 0x02, 0xFF};
  EXPECT_EQ(PointerToBytes(buffer, 4), MakeBytes({0x01, 0x00, 0x02, 0xFF}));
  EXPECT_EQ(PointerToBytes(buffer, 2), MakeBytes({0x01, 0x00}));
  EXPECT_EQ(PointerToBytes(buffer + 1, 1), MakeBytes({0x00}));
  EXPECT_EQ(PointerToBytes(buffer, 0), Bytes());
  EXPECT_EQ(PointerToBytes(nullptr, 0), Bytes());

  // The result is a copy, not a view of the memory.
  const Bytes copy = PointerToBytes(buffer, 4);
  buffer[0] = 0x7E;
  EXPECT_EQ(copy, MakeBytes({0x01, 0x00, 0x02, 0xFF}));
}

}  // namespace
}  // namespace chronalt
