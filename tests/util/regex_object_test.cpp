// Tests of RegexObject: the options and their defaults, the quote placeholder, match and group
// texts with their byte positions in code page 936 subjects, replacement, the accessors before
// and after a failed Match, and the COM initialisation of the constructing thread.
#include "util/regex_object.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include <thread>

namespace chronalt {
namespace {

const char* const kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";

struct MatchCase {
  const char* pattern;
  const char* subject;
  bool case_sensitive;
  bool multiline;
  bool global;
  bool quote_placeholder;
  int count;
  int match;  // checked with MatchText and its position
  const char* text;
  int position;
};

TEST(RegexObjectTest, MatchTextAndPosition) {
  const MatchCase cases[] = {
      {"\\d+", "a1b22c333", false, true, true, false, 3, 2, "22", 3},
      {"\\d+", "a1b22c333", false, true, true, false, 3, 3, "333", 6},
      {"\\d+", "a1b22c333", false, true, false, false, 1, 1, "1", 1},
      // The position is the match's own, also where an equal text comes earlier.
      {"a", "aa", false, true, true, false, 2, 2, "a", 1},
      // Two-byte characters are one code unit for the engine and two bytes in the subject:
      // 中1文1 is D6 D0 31 CE C4 31.
      {"\\d",
       "\xD6\xD0"
       "1\xCE\xC4"
       "1",
       false, true, true, false, 2, 2, "1", 5},
      {"\xCE\xC4", "\xD6\xD0\xCE\xC4", false, true, true, false, 1, 1, "\xCE\xC4", 2},
      // The defaults ignore case and are multiline.
      {"b", "abAB", false, true, true, false, 2, 2, "B", 3},
      {"b", "abAB", true, true, true, false, 1, 1, "b", 1},
      {"^b", "a\nb", false, true, true, false, 1, 1, "b", 2},
      {"^b", "a\nb", false, false, true, false, 0, 1, "", 0},
      // A match that is not there: the empty text, searched for from the start.
      {"x", "abc", false, true, true, false, 0, 1, "", 0},
      {"x", "", false, true, true, false, 0, 1, "", -2},
      {"\\d+", "a1b22c333", false, true, true, false, 3, 4, "", 0},
      {"\\d+", "a1b22c333", false, true, true, false, 3, 0, "", 0},
      {"\\d+", "a1b22c333", false, true, true, false, 3, -1, "", 0},
      // "#引号" stands for a double quote only when asked for.
      {"#\xD2\xFD\xBA\xC5(\\w+)#\xD2\xFD\xBA\xC5", "a=\"bc\"", false, true, true, true, 1, 1,
       "\"bc\"", 2},
      {"#\xD2\xFD\xBA\xC5(\\w+)#\xD2\xFD\xBA\xC5", "a=\"bc\"", false, true, true, false, 0, 1, "",
       0},
  };
  for (const MatchCase& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.subject);
    RegexObject regex;
    ASSERT_TRUE(regex.Match(c.pattern, c.subject, c.case_sensitive, c.multiline, c.global,
                            c.quote_placeholder));
    EXPECT_EQ(regex.MatchCount(), c.count);
    int position = 99;
    EXPECT_EQ(regex.MatchText(c.match, &position), Text(c.text));
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(regex.MatchText(c.match), Text(c.text));
  }
}

TEST(RegexObjectTest, SubMatchTextAndPosition) {
  struct GroupCase {
    const char* pattern;
    const char* subject;
    int match;
    int group;
    const char* text;
    int position;
  };
  const GroupCase cases[] = {
      {kCharsetPattern, "<META charset='utf-8'>", 1, 1, "utf-8", 15},
      {kCharsetPattern, "<meta content=\"text/html; charset=gb2312\">", 1, 1, "gb2312", 34},
      {kCharsetPattern, "<html>no declaration</html>", 1, 1, "", 0},
      {"(\\d)(\\d)", "ab12 34", 1, 2, "2", 3},
      {"(\\d)(\\d)", "ab12 34", 2, 1, "3", 5},
      {"(\\d)(\\d)", "ab12 34", 1, 3, "", 0},  // no third group: the empty text, found at once
      {"(\\d)(\\d)", "ab12 34", 3, 1, "", 0},  // no third match
      {"(a)|(b)", "b", 1, 1, "", 0},           // a group that took no part
      {"(\\d)(\\d)", "ab12 34", 1, 0, "", 0},
  };
  for (const GroupCase& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.subject);
    RegexObject regex;
    ASSERT_TRUE(regex.Match(c.pattern, c.subject));
    int position = 99;
    EXPECT_EQ(regex.SubMatchText(c.match, c.group, &position), Text(c.text));
    EXPECT_EQ(position, c.position);
    EXPECT_EQ(regex.SubMatchText(c.match, c.group), Text(c.text));
  }
}

TEST(RegexObjectTest, SubMatchCountOfTheFirstMatch) {
  RegexObject regex;
  EXPECT_EQ(regex.SubMatchCount(), 0);
  ASSERT_TRUE(regex.Match("(\\d)(\\d)", "12"));
  EXPECT_EQ(regex.SubMatchCount(), 2);
  ASSERT_TRUE(regex.Match("\\d", "12"));
  EXPECT_EQ(regex.SubMatchCount(), 0);
  ASSERT_TRUE(regex.Match("(\\d)", "ab"));
  EXPECT_EQ(regex.SubMatchCount(), 0);  // there is no first match
}

TEST(RegexObjectTest, ReplaceMatches) {
  struct ReplaceCase {
    const char* pattern;
    const char* subject;
    bool global;
    const char* replacement;
    const char* expected;
  };
  const ReplaceCase cases[] = {
      {"\\d", "a1b2", true, "#", "a#b#"},
      {"\\d", "a1b2", false, "#", "a#b2"},
      {"\\d", "a1b2", true, "", "ab"},
      {"(\\w)(\\d)", "a1 b2", true, "$2$1", "1a 2b"},
      {"B", "abc", true, "[$&]", "a[b]c"},
      // 中 D6 D0 in and around the text.
      {"\\d",
       "\xD6\xD0"
       "1",
       true, "\xD6\xD0", "\xD6\xD0\xD6\xD0"},
  };
  for (const ReplaceCase& c : cases) {
    RegexObject regex;
    ASSERT_TRUE(regex.Match(c.pattern, c.subject, false, true, c.global));
    EXPECT_EQ(regex.ReplaceMatches(c.replacement), Text(c.expected)) << c.pattern;
  }
  RegexObject regex;
  ASSERT_TRUE(regex.Match("\\d", "a1b2"));
  EXPECT_EQ(regex.ReplaceMatches(), Text("ab"));
}

TEST(RegexObjectTest, PatternAsTheEngineHoldsIt) {
  RegexObject regex;
  EXPECT_EQ(regex.GetPattern(), Text());
  ASSERT_TRUE(regex.Match("#\xD2\xFD\xBA\xC5x#\xD2\xFD\xBA\xC5", "", false, true, true, true));
  EXPECT_EQ(regex.GetPattern(), Text("\"x\""));
  ASSERT_TRUE(regex.Match("#\xD2\xFD\xBA\xC5x", ""));
  EXPECT_EQ(regex.GetPattern(), Text("#\xD2\xFD\xBA\xC5x"));
}

TEST(RegexObjectTest, AccessorsAfterARejectedPatternOrBeforeAnyMatch) {
  RegexObject regex;
  int position = 99;
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1, &position), Text());
  EXPECT_EQ(position, 0);  // the empty text, found at once in the subject's "0"
  EXPECT_EQ(regex.ReplaceMatches("x"), Text());

  ASSERT_TRUE(regex.Match("(\\d)", "a1"));
  EXPECT_FALSE(regex.Match("(", "a1"));
  EXPECT_EQ(regex.GetPattern(), Text("("));
  EXPECT_EQ(regex.MatchCount(), 0);
  EXPECT_EQ(regex.MatchText(1, &position), Text());
  EXPECT_EQ(position, 0);
  EXPECT_EQ(regex.SubMatchText(1, 1), Text());
  EXPECT_EQ(regex.SubMatchCount(), 0);
  EXPECT_EQ(regex.ReplaceMatches("x"), Text());
}

// What CoInitialize answers on this thread now: S_OK only when COM was not initialised.
HRESULT ProbeApartment() {
  const HRESULT hr = CoInitialize(nullptr);
  if (SUCCEEDED(hr)) CoUninitialize();
  return hr;
}

TEST(RegexObjectTest, InitialisesComForItsThreadAndEndsIt) {
  std::thread([] {
    {
      RegexObject regex;
      EXPECT_EQ(ProbeApartment(), S_FALSE);  // initialised by the object
      ASSERT_TRUE(regex.Match("\\d", "a1"));
      EXPECT_EQ(regex.MatchText(1), Text("1"));
    }
    EXPECT_EQ(ProbeApartment(), S_OK);  // and uninitialised again
  }).join();
}

// A thread already in the multithreaded apartment keeps it: the object's own CoInitialize fails
// there and is not balanced by an uninitialisation.
TEST(RegexObjectTest, LeavesAnotherApartmentAsItWas) {
  std::thread([] {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    {
      RegexObject regex;
      ASSERT_TRUE(regex.Match("\\d", "a1"));
      EXPECT_EQ(regex.MatchCount(), 1);
    }
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);  // still initialised
    CoUninitialize();
    CoUninitialize();
  }).join();
}

}  // namespace
}  // namespace chronalt
