// Tests of the marker-based slicing helpers: direction chosen by the start position, the
// occurrence that ends on the final byte, case folding, the quote placeholder and two-byte
// characters whose second byte looks like a marker.
#include "util/text_slicing.h"

#include <gtest/gtest.h>

#include <climits>

namespace chronalt {
namespace {

struct SliceCase {
  const char* text;
  const char* marker;
  int start;
  bool ignore_case;
  const char* expected;
};

TEST(TextSlicingTest, TextRightOf) {
  const SliceCase cases[] = {
      {"a=b=c", "=", 0, false, "c"},
      {"a=b=", "=", 0, false, "b="},  // the occurrence on the final byte is not considered
      {"a=b=c", "=", 2, false, "b=c"},
      {"a=b=c", "=", 3, false, ""},
      {"==", "=", 0, false, "="},
      {"==", "=", 1, false, ""},  // n - 1 and beyond
      {"a=b=c", "=", 100, false, ""},
      {"a=b=c", "=", -1, false, "b=c"},
      {"a=b=c", "=", -3, false, "c"},
      {"a=b=c", "=", -5, false, ""},
      {"a=b=c", "=", INT_MIN, false, ""},
      {"a=b=c", ";", 0, false, ""},
      {"", "=", 0, false, ""},
      {"Host: x", ": ", 0, false, "x"},
      {"key::value", "::", 0, false, "value"},
      {"aXbxc", "x", 0, false, "c"},
      {"aXbxc", "X", 0, false, "bxc"},
      {"aXbxc", "x", -1, true, "bxc"},
      // "=" (0x3D) as the second byte of the two-byte character B0 3D is no marker.
      {"a=b\xB0=c", "=", 0, false, "b\xB0=c"},
      // A two-byte marker: 键：值 with the full-width colon A3 BA.
      {"\xBC\xFC\xA3\xBA\xD6\xB5", "\xA3\xBA", 0, false, "\xD6\xB5"},
  };
  for (const SliceCase& c : cases) {
    EXPECT_EQ(TextRightOf(c.text, c.marker, c.start, c.ignore_case), Text(c.expected))
        << "\"" << c.text << "\" \"" << c.marker << "\" " << c.start << " " << c.ignore_case;
  }
}

TEST(TextSlicingTest, TextLeftOf) {
  const SliceCase cases[] = {
      {"Set-Cookie: a=1; path=/", ": ", 0, false, "Set-Cookie"},
      {"a;b;c", ";", 0, false, "a"},
      {"a;b;c", ";", 1, false, "a"},
      {"a;b;c", ";", 3, false, "a;b"},
      {"a;b;c", ";", 5, false, ""},
      {"a;b;c", ";", -1, false, "a;b"},  // -1 searches from the end
      {"a;b;", ";", -1, false, "a"},     // ... which leaves out an occurrence on the last byte
      {"a;b;c", ";", -2, false, "a"},    // start n - 2: only "a;" is searched
      {"a;b;c", ";", -3, false, ""},
      {"a;b;c;d;e", ";", -3, false, "a;b"},
      {"a;b;c", ";", INT_MIN, false, ""},
      {";abc", ";", 0, false, ""},  // same as an absent marker
      {"abc", ";", 0, false, ""},
      {"", ";", 0, false, ""},
      {"HOST: x", "st", 0, false, ""},
      {"HOST: x", "st", 0, true, "HO"},
      // "@" (0x40) as the second byte of B0 40 is no marker.
      {"\xB0@a@b", "@", 0, false, "\xB0@a"},
      // "A" (0x41) as the second byte of B0 41 is not found even ignoring case.
      {"x\xB0\x41y-a-z", "a", 0, true, "x\xB0\x41y-"},
  };
  for (const SliceCase& c : cases) {
    EXPECT_EQ(TextLeftOf(c.text, c.marker, c.start, c.ignore_case), Text(c.expected))
        << "\"" << c.text << "\" \"" << c.marker << "\" " << c.start << " " << c.ignore_case;
  }
}

TEST(TextSlicingTest, DefaultsAreStartZeroAndExactCase) {
  EXPECT_EQ(TextRightOf("a=B=c", "b="), Text(""));
  EXPECT_EQ(TextRightOf("a=b=c", "="), Text("c"));
  EXPECT_EQ(TextLeftOf("a=B=c", "b"), Text(""));
  EXPECT_EQ(TextLeftOf("a=b=c", "="), Text("a"));
  EXPECT_EQ(TextBetween("<A>x</a>", "<a>", "</a>"), Text(""));
  EXPECT_EQ(TextBetween("<a>x</a><a>y</a>", "<a>", "</a>"), Text("x"));
}

TEST(TextSlicingTest, TextBetween) {
  struct Case {
    const char* text;
    const char* start_marker;
    const char* end_marker;
    int start;
    bool ignore_case;
    const char* expected;
  };
  const Case cases[] = {
      {"{\"serverTime\":1700046800123}", "{\"serverTime\":", "}", 0, false, "1700046800123"},
      {"{\"serverTime\":42}", "{\"serverTime\":", "}", 0, false, "42"},
      {"Set-Cookie: sid=1; path=/", "Set-Cookie:", ";", 0, false, " sid=1"},
      {"a}b{c", "{", "}", 0, false, ""},  // end marker only before the start marker
      {"abc}", "{", "}", 0, false, ""},
      {"{abc", "{", "}", 0, false, ""},
      {"{}", "{", "}", 0, false, ""},
      {"", "{", "}", 0, false, ""},
      {"[1][2][3]", "[", "]", 0, false, "1"},
      {"[1][2][3]", "[", "]", 1, false, "1"},
      {"[1][2][3]", "[", "]", -7, false, "1"},
      {"[1][2][3]", "[", "]", INT_MIN, false, "1"},
      {"[1][2][3]", "[", "]", 2, false, "2"},
      {"[1][2][3]", "[", "]", 7, false, "3"},
      {"[1][2][3]", "[", "]", 8, false, ""},
      {"[1][2][3]", "[", "]", INT_MAX, false, ""},
      {"x=1;X=2;", "X=", ";", 0, false, "2"},
      // The flag reaches both searches.
      {"<B>x</b>", "<b>", "</B>", 0, true, "x"},
      {"<B>x</b>", "<b>", "</b>", 0, false, ""},
      // The end marker may be the same as the start marker: searched after it.
      {"|a|b|", "|", "|", 0, false, "a"},
      // "#引号" stands for a double quote in both markers: a="bc".
      {"a=\"bc\"", "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", 0, false, "bc"},
      {"{\"k\":\"v\"}", "#\xD2\xFD\xBA\xC5k#\xD2\xFD\xBA\xC5:#\xD2\xFD\xBA\xC5",
       "#\xD2\xFD\xBA\xC5", 0, false, "v"},
      // Without the placeholder a marker is searched as written, "#" included.
      {"#1#", "#", "#", 0, false, "1"},
      // The placeholder itself in the text is not a quote.
      {"a=#\xD2\xFD\xBA\xC5"
       "bc#\xD2\xFD\xBA\xC5",
       "#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", 0, false, ""},
      // "{" (0x7B) and "}" (0x7D) as second bytes of 81 7B and 81 7D are no markers.
      {"\x81\x7B"
       "1\x81\x7D{2}",
       "{", "}", 0, false, "2"},
      {"{1\x81\x7D"
       "2}",
       "{", "}", 0, false,
       "1\x81\x7D"
       "2"},
      // Two-byte markers: 【值】.
      {"\xA1\xBE\xD6\xB5\xA1\xBF", "\xA1\xBE", "\xA1\xBF", 0, false, "\xD6\xB5"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextBetween(c.text, c.start_marker, c.end_marker, c.start, c.ignore_case),
              Text(c.expected))
        << "\"" << c.text << "\" \"" << c.start_marker << "\" \"" << c.end_marker << "\" "
        << c.start << " " << c.ignore_case;
  }
}

}  // namespace
}  // namespace chronalt
