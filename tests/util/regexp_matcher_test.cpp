// Tests of the matching rules of the built-in regular-expression class: the options, indices in
// UTF-16 code units, groups that take no part, the advance after an empty match, the component's
// character classes and case folding, rejected patterns and "$" references in replacements.
#include "util/regexp_matcher.h"

#include <gtest/gtest.h>

#include <string>

namespace chronalt {
namespace {

std::string Show(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      out += "\\u" + std::to_string(static_cast<int>(c));
    }
  }
  return out;
}

struct ExpectedMatch {
  std::u16string value;
  int first_index;
};

struct ExecuteCase {
  std::u16string pattern;
  std::u16string subject;
  RegexpOptions options;
  std::vector<ExpectedMatch> expected;
};

TEST(RegexpMatcherTest, ExecuteFindsValuesAndIndices) {
  const RegexpOptions global{.global = true};
  const RegexpOptions global_icase{.ignore_case = true, .global = true};
  const RegexpOptions global_multiline{.multiline = true, .global = true};
  const ExecuteCase cases[] = {
      {u"\\d+", u"a1b22c333", global, {{u"1", 1}, {u"22", 3}, {u"333", 6}}},
      {u"\\d+", u"a1b22c333", {}, {{u"1", 1}}},
      {u"\\d+", u"abc", global, {}},
      {u"<.+?>", u"<a><bc>", global, {{u"<a>", 0}, {u"<bc>", 3}}},
      {u"<.+>", u"<a><bc>", global, {{u"<a><bc>", 0}}},
      // After an empty match the next search starts one code unit further on.
      {u"a*", u"baaa", global, {{u"", 0}, {u"aaa", 1}, {u"", 4}}},
      {u"a??", u"aa", global, {{u"", 0}, {u"", 1}, {u"", 2}}},
      {u"x*", u"", global, {{u"", 0}}},
      // ^ and \b look at the character before a later search start.
      {u"^a", u"aaa", global, {{u"a", 0}}},
      {u"\\bb", u"ab b", global, {{u"b", 3}}},
      {u"^b", u"a\nb", global, {}},
      {u"^b", u"a\nb\r\nb", global_multiline, {{u"b", 2}, {u"b", 5}}},
      {u"a$", u"a\nba", global_multiline, {{u"a", 0}, {u"a", 3}}},
      {u"a$", u"a\nba", global, {{u"a", 3}}},
      {u"a.b", u"a\nb", global, {}},
      // Indices count UTF-16 code units: a character outside the BMP counts two.
      {u"x", u"\U0001F600x", global, {{u"x", 2}}},
      {u"\u4E2D", u"a\u4E2D\u6587\u4E2D", global, {{u"\u4E2D", 1}, {u"\u4E2D", 3}}},
      // The component's classes are ASCII: no accented or CJK word characters, no ideographic
      // or no-break space.
      {u"\\w+", u"\u00E9\u4E2Dab_9", global, {{u"ab_9", 2}}},
      {u"[^\\w]", u"a\u00E9", global, {{u"\u00E9", 1}}},
      {u"\\s", u"\u3000\u00A0\t \f", global, {{u"\t", 2}, {u" ", 3}, {u"\f", 4}}},
      {u"\\d",
       u"\uFF11"
       u"1",
       global,
       {{u"1", 1}}},
      // Letter case folds in the blocks the program meets.
      {u"abc", u"xABC", global_icase, {{u"ABC", 1}}},
      {u"abc", u"xABC", global, {}},
      {u"[a-c]+", u"xABCd", global_icase, {{u"ABC", 1}}},
      {u"\u00E9t\u00E9", u"\u00C9T\u00C9", global_icase, {{u"\u00C9T\u00C9", 0}}},
      {u"\u043F\u0440\u0438", u"\u041F\u0420\u0418", global_icase, {{u"\u041F\u0420\u0418", 0}}},
      {u"\u03C3", u"\u03A3\u03C2", global_icase, {{u"\u03A3", 0}, {u"\u03C2", 1}}},
      {u"\uFF41", u"\uFF21", global_icase, {{u"\uFF21", 0}}},
      {u"\u0142", u"\u0141", global_icase, {{u"\u0141", 0}}},
      {u"(a)\\1", u"aA", global_icase, {{u"aA", 0}}},
      // The pattern the program uses for the charset of an HTML answer.
      {u"<meta.+?charset=[^\\w]?([-\\w]+)",
       u"<META charset='utf-8'>",
       global_icase,
       {{u"<META charset='utf-8", 0}}},
  };
  for (const ExecuteCase& c : cases) {
    SCOPED_TRACE(Show(c.pattern) + " / " + Show(c.subject));
    const auto matcher = RegexpMatcher::Compile(c.pattern, c.options);
    ASSERT_TRUE(matcher.has_value());
    const auto matches = matcher->Execute(c.subject);
    ASSERT_TRUE(matches.has_value());
    ASSERT_EQ(matches->size(), c.expected.size());
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
      EXPECT_EQ(Show((*matches)[i].value), Show(c.expected[i].value)) << "match " << i;
      EXPECT_EQ((*matches)[i].first_index, c.expected[i].first_index) << "match " << i;
    }
  }
}

TEST(RegexpMatcherTest, GroupsRecordWhatTookPart) {
  struct GroupCase {
    std::u16string pattern;
    std::u16string subject;
    std::vector<std::optional<std::u16string>> groups;  // of the first match
  };
  const GroupCase cases[] = {
      {u"(\\d)(\\d)", u"12", {u"1", u"2"}},
      {u"(a)|(b)", u"b", {std::nullopt, u"b"}},
      {u"(a)?b", u"b", {std::nullopt}},
      {u"(a*)b", u"b", {u""}},
      {u"(?:x)(y)", u"xy", {u"y"}},
      {u"x(?=(y))", u"xy", {u"y"}},
      {u"<meta.+?charset=[^\\w]?([-\\w]+)",
       u"<meta http-equiv=x content=\"text/html; charset=gbk\">",
       {u"gbk"}},
  };
  for (const GroupCase& c : cases) {
    SCOPED_TRACE(Show(c.pattern) + " / " + Show(c.subject));
    const auto matcher = RegexpMatcher::Compile(c.pattern, {.ignore_case = true});
    ASSERT_TRUE(matcher.has_value());
    const auto matches = matcher->Execute(c.subject);
    ASSERT_TRUE(matches.has_value());
    ASSERT_EQ(matches->size(), 1u);
    EXPECT_EQ((*matches)[0].groups, c.groups);
  }
}

TEST(RegexpMatcherTest, RejectsInvalidPatterns) {
  for (const std::u16string pattern : {u"(", u"[a", u"a{2,1}", u"*a", u"(?<=a)b", u"\\"}) {
    EXPECT_FALSE(RegexpMatcher::Compile(pattern, {}).has_value()) << Show(pattern);
  }
  EXPECT_TRUE(RegexpMatcher::Compile(u"", {}).has_value());
}

TEST(RegexpMatcherTest, ReplaceExpandsReferences) {
  struct ReplaceCase {
    std::u16string pattern;
    std::u16string subject;
    std::u16string replacement;
    bool global;
    std::u16string expected;
  };
  const ReplaceCase cases[] = {
      {u"\\d", u"a1b2", u"#", true, u"a#b#"},
      {u"\\d", u"a1b2", u"#", false, u"a#b2"},
      {u"\\d", u"a1b2", u"", true, u"ab"},
      {u"x", u"a1b2", u"#", true, u"a1b2"},
      {u"(\\w)(\\d)", u"a1 b2", u"$2$1", true, u"1a 2b"},
      {u"b", u"abc", u"[$`|$&|$']", true, u"a[a|b|c]c"},
      {u"b", u"abc", u"$$", true, u"a$c"},
      {u"(b)", u"abc", u"$3", true, u"a$3c"},   // no third group: the text stays
      {u"(b)", u"abc", u"$10", true, u"ab0c"},  // no tenth group: group 1 and a "0"
      {u"(b)", u"abc", u"$0$", true, u"a$0$c"},
      {u"(b)", u"abc", u"$x", true, u"a$xc"},
      {u"(a)|(b)", u"b", u"[$1]", true, u"[]"},  // a group that took no part is empty
      {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", u"abcdefghijk", u"$11$10$1", true, u"kja"},
      {u"x*", u"abc", u"-", true, u"-a-b-c-"},
      {u"\u4E2D", u"\u4E2D\u6587\u4E2D", u"<$&>", true, u"<\u4E2D>\u6587<\u4E2D>"},
  };
  for (const ReplaceCase& c : cases) {
    SCOPED_TRACE(Show(c.pattern) + " / " + Show(c.subject) + " / " + Show(c.replacement));
    const auto matcher = RegexpMatcher::Compile(c.pattern, {.global = c.global});
    ASSERT_TRUE(matcher.has_value());
    const auto replaced = matcher->Replace(c.subject, c.replacement);
    ASSERT_TRUE(replaced.has_value());
    EXPECT_EQ(Show(*replaced), Show(c.expected));
  }
}

TEST(RegexpMatcherTest, TestTellsWhetherAnythingMatches) {
  const auto matcher = RegexpMatcher::Compile(u"^\\d+$", {.multiline = true});
  ASSERT_TRUE(matcher.has_value());
  EXPECT_EQ(matcher->Test(u"ab\n123"), std::optional(true));
  EXPECT_EQ(matcher->Test(u"ab\n12x"), std::optional(false));
}

// The program runs the charset pattern over the first 1024 bytes of every answer; the engine
// must get through a subject of that size that gives the lazy repetition all of it to try.
TEST(RegexpMatcherTest, CharsetPatternOverALongAnswer) {
  const auto matcher = RegexpMatcher::Compile(u"<meta.+?charset=[^\\w]?([-\\w]+)",
                                              {.ignore_case = true, .global = true});
  ASSERT_TRUE(matcher.has_value());
  const std::u16string without = u"<meta " + std::u16string(1018, u'x');
  const auto none = matcher->Execute(without);
  ASSERT_TRUE(none.has_value());
  EXPECT_TRUE(none->empty());
  const std::u16string with = u"<meta " + std::u16string(1000, u'x') + u"charset=\"big5\"";
  const auto one = matcher->Execute(with);
  ASSERT_TRUE(one.has_value());
  ASSERT_EQ(one->size(), 1u);
  EXPECT_EQ((*one)[0].groups[0], std::optional<std::u16string>(u"big5"));
}

}  // namespace
}  // namespace chronalt
