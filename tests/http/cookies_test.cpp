// Tests of cookie-list merging and its helpers: the order of the merged list, deletion marks,
// names compared after trimming but case-sensitively, exact repetitions removed, and the
// write-back into the sent list.
#include "http/cookies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_printing.h"

namespace chronalt {
namespace {

TEST(MergeCookiesTest, ReceivedFirstThenUnreplacedSentWithoutDeleted) {
  struct Case {
    const char* sent;
    const char* received;
    const char* merged;
  };
  const Case cases[] = {
      {"sid=old; lang=zh", "sid=new; token=t1; ", "sid=new; token=t1; lang=zh"},
      {"sid=old; lang=zh", "sid=deleted; ", "lang=zh"},
      {"sid=old=deleted", "", ""},
      {"a=1; a=2", "", "a=1"},
      {"y=0", "x=1; x=1; x=2; ", "x=1; x=2; y=0"},
      {"a=1;b=2", "b=3", "b=3; a=1;b=2"},  // no blank after ";": one item named a
      {" a = 1 ; ", "a=2", "a=2"},
      {"sid=Deleted", "", "sid=Deleted"},
      {"", "", ""},
      {"", "a=1; b=2", "a=1; b=2"},
      {"a=1; b=2", "", "a=1; b=2"},
      {"a=1;", "b=2;", "b=2; a=1"},
      {"  a=1  ", "  b=2  ", "b=2; a=1"},
      {"flag; a=1", "flag", "flag; a=1"},  // items without "=" are named by their whole text
      {"A=1", "a=2", "a=2; A=1"},
      {"a=1", "=deleted", "a=1"},
      {"a=1; b=2; a=1", "c=3", "c=3; a=1; b=2"},
      // An empty item left last once its repeat is gone leaves no separator behind.
      {"", "a=1; ; a=1", "a=1"},
      {"\x9F"  // the same list sent and received, beginning with a two-byte character
       "1b;;b=1; ; ;",
       "\x9F"
       "1b;;b=1; ; ;",
       "\x9F"
       "1b;;b=1"},
      {"x=1; ; y=2", "", "x=1; ; y=2"},  // inside the list an empty item stays
      // GBK value: "\xD6\xD0\xCE\xC4" is 中文.
      {"n=\xD6\xD0\xCE\xC4", "m=1", "m=1; n=\xD6\xD0\xCE\xC4"},
  };
  for (const Case& c : cases) {
    Text sent = c.sent;
    const Text merged = MergeCookies(sent, c.received);
    EXPECT_EQ(merged, Text(c.merged)) << Escaped(c.sent) << " + " << Escaped(c.received);
    EXPECT_EQ(sent, merged) << "sent list is replaced by the merged one";
  }
}

TEST(MergeCookiesTest, ReceivedMayBeTheSentTextItself) {
  Text cookies = "a=1; b=2; a=1";
  const Text merged = MergeCookies(cookies, cookies);
  EXPECT_EQ(merged, Text("a=1; b=2"));
  EXPECT_EQ(cookies, merged);
}

TEST(MergeCookiesTest, ManyCookiesMergeInLinearTime) {
  // Thousands of distinct cookies: a list walk per item would take seconds here.
  std::string sent;
  std::string received;
  for (int i = 0; i < 20000; ++i) {
    sent += "s" + std::to_string(i) + "=1; ";
    received += "r" + std::to_string(i) + "=2; ";
  }
  Text sent_text = sent;
  const Text merged = MergeCookies(sent_text, received);
  EXPECT_EQ(merged.size(), received.size() + sent.size() - 2);
  EXPECT_EQ(TextLeft(merged, 6), Text("r0=2; "));
  EXPECT_EQ(TextRight(merged, 8), Text("s19999=1"));
}

TEST(CookieNameTest, BeforeTheFirstEqualsSignTrimmed) {
  const struct {
    const char* item;
    const char* name;
  } cases[] = {
      {"sid=1", "sid"}, {" sid = 1", "sid"},  {"a=b=c", "a"},
      {"flag", "flag"}, {" flag ", "flag"},   {"=x", ""},
      {"", ""},         {"\xA1\xA1k=v", "k"},  // ideographic space
  };
  for (const auto& c : cases) EXPECT_EQ(CookieName(c.item), Text(c.name)) << Escaped(c.item);
}

TEST(HasCookieNamedTest, ComparesNamesExactly) {
  const std::vector<Text> items = {"a=1", " b =2", "flag"};
  EXPECT_TRUE(HasCookieNamed(items, "a"));
  EXPECT_TRUE(HasCookieNamed(items, "b"));
  EXPECT_TRUE(HasCookieNamed(items, "flag"));
  EXPECT_FALSE(HasCookieNamed(items, "A"));
  EXPECT_FALSE(HasCookieNamed(items, ""));
  EXPECT_FALSE(HasCookieNamed({}, "a"));
  EXPECT_TRUE(HasCookieNamed({"=1"}, ""));
}

TEST(RemoveDuplicateItemsTest, KeepsFirstAppearances) {
  const struct {
    const char* text;
    const char* separator;
    bool split_by_separator;
    const char* expected;
  } cases[] = {
      {"abcabc", "", false, "abc"},
      {"a,b,a", ",", true, "a,b"},
      {"a; b; a; c; b", "; ", true, "a; b; c"},
      {"a,,b,,", ",", true, "a,,b"},
      {"", ",", true, ""},
      {"a\r\nb\r\na", "", false, "a\r\nb"},
      {"\xD6\xD0\xD6\xD0x", "", false, "\xD6\xD0x"},  // 中中x
      {"aba", "-", false, "a-b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RemoveDuplicateItems(c.text, c.separator, c.split_by_separator), Text(c.expected))
        << Escaped(c.text);
  }
}

TEST(IndexOfTextTest, OneBasedOrMinusOne) {
  const std::vector<Text> items = {"a", "", "b", "a"};
  EXPECT_EQ(IndexOfText(items, "a"), 1);
  EXPECT_EQ(IndexOfText(items, ""), 2);
  EXPECT_EQ(IndexOfText(items, "b"), 3);
  EXPECT_EQ(IndexOfText(items, "A"), -1);
  EXPECT_EQ(IndexOfText({}, ""), -1);
}

TEST(SplitCharactersTest, CountsTwoByteCharactersAndCrLfAsOne) {
  const struct {
    const char* text;
    std::vector<const char*> characters;
  } cases[] = {
      {"a\r\nb", {"a", "\r\n", "b"}},
      {"\xD6\xD0\xCE\xC4", {"\xD6\xD0", "\xCE\xC4"}},  // 中文
      {"\r\r\n", {"\r", "\r\n"}},
      {"\n\r", {"\n", "\r"}},
      {"a\xD6", {"a", "\xD6"}},  // a last byte stands alone
      {"\x80"
       "a",
       {"\x80", "a"}},  // 0x80 is a one-byte character in code page 936
      {"\x81"
       "a",
       {"\x81"
        "a"}},
      {"", {}},
  };
  for (const auto& c : cases) {
    std::vector<Text> characters = {"left over"};
    const int count = SplitCharacters(c.text, characters);
    std::vector<Text> expected(c.characters.begin(), c.characters.end());
    EXPECT_EQ(characters, expected) << Escaped(c.text);
    EXPECT_EQ(count, static_cast<int>(expected.size()));
  }
}

}  // namespace
}  // namespace chronalt
