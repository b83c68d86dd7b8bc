// Tests of the built-in "VBScript.RegExp" class through the automation layer: a differential
// run of one table against the system's own regular-expression class (reached by its CLSID,
// present under Wine), and the COM-level behaviour of the class itself: defaults, rejected
// patterns, collection bounds and the lifetime of matches beyond their collection.
#include "util/builtin_regexp_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "util/automation.h"

namespace chronalt {
namespace {

// The CLSID of the system's class; its ProgID names the program's own.
const Text kSystemRegExp = "{3F4DACA4-160D-11D2-A8E9-00104B365C9F}";

class BuiltinRegExpTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }
};

struct Group {
  bool empty;  // the variant is Empty: the group took no part
  Text text;
  friend bool operator==(const Group&, const Group&) = default;
};

struct MatchSeen {
  Text value;
  double first_index;
  double length;
  std::vector<Group> groups;
  friend bool operator==(const MatchSeen&, const MatchSeen&) = default;
};

struct Outcome {
  bool executed = false;
  std::vector<MatchSeen> matches;
  Text replaced;
  Text tested;
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

std::string Describe(const Outcome& outcome) {
  std::string out = outcome.executed ? "executed" : "failed";
  for (const MatchSeen& m : outcome.matches) {
    out +=
        " [" + m.value.str() + "@" + std::to_string(m.first_index) + "+" + std::to_string(m.length);
    for (const Group& g : m.groups) out += g.empty ? " (empty)" : " (" + g.text.str() + ")";
    out += "]";
  }
  return out + " replace=" + outcome.replaced.str() + " test=" + outcome.tested.str();
}

struct Case {
  const char* pattern;
  const char* subject;  // code page 936
  bool ignore_case;
  bool multiline;
  bool global;
  const char* replacement;
};

Outcome RunCase(const Text& class_name, const Case& c) {
  Outcome outcome;
  AutomationObject engine;
  if (!CreateObject(engine, class_name)) return outcome;
  WriteProperty(engine, "IgnoreCase", c.ignore_case);
  WriteProperty(engine, "Multiline", c.multiline);
  WriteProperty(engine, "Global", c.global);
  WriteProperty(engine, "Pattern", Text(c.pattern));
  AutomationVariant subject;
  AssignVariant(subject, Text(c.subject));
  const AutomationObject matches = CallObjectMethod(engine, "Execute", {subject});
  outcome.executed = !matches.empty();
  const int count = static_cast<int>(ReadNumberProperty(matches, "Count"));
  for (int i = 0; i < count; ++i) {
    const AutomationObject match = ReadObjectProperty(matches, "Item", {i});
    MatchSeen seen{VariantToText(ReadVariantProperty(match, "Value")),
                   ReadNumberProperty(match, "FirstIndex"),
                   ReadNumberProperty(match, "Length"),
                   {}};
    const AutomationObject groups = ReadObjectProperty(match, "SubMatches");
    const int group_count = static_cast<int>(ReadNumberProperty(groups, "Count"));
    for (int g = 0; g < group_count; ++g) {
      const AutomationVariant group = ReadVariantProperty(groups, "Item", {g});
      seen.groups.push_back({V_VT(&group.get()) == VT_EMPTY, VariantToText(group)});
    }
    outcome.matches.push_back(std::move(seen));
  }
  AutomationVariant replacement;
  AssignVariant(replacement, Text(c.replacement));
  outcome.replaced = CallTextMethod(engine, "Replace", {subject, AutomationArg::Ref(replacement)});
  outcome.tested = CallTextMethod(engine, "Test", {subject});
  return outcome;
}

TEST_F(BuiltinRegExpTest, BuiltinAgreesWithTheSystemClass) {
  const char* const charset = "<meta.+?charset=[^\\w]?([-\\w]+)";
  const Case cases[] = {
      {charset, "<META charset='utf-8'>", true, true, true, "[$1]"},
      {charset, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" />", true,
       true, true, "$1"},
      {charset, "<html><body>no declaration</body></html>", true, true, true, "x"},
      {charset, "<META charset='utf-8'>", false, true, true, "x"},
      {"\\d+", "a1b22c333", true, true, true, "<$&>"},
      {"\\d+", "a1b22c333", true, true, false, "#"},
      {"(\\d)(\\d)", "12 34 5", false, false, true, "$2$1"},
      {"(a)|(b)", "ab", false, false, true, "[$1|$2]"},
      {"(a)?b", "b ab", false, false, true, "<$1>"},
      // No empty matches: the system's class under Wine never ends a global search that finds
      // one (RegexpMatcherTest covers them).
      {"<.+?>", "<a><bc>", false, false, true, "$$"},
      {"<.+>", "<a><bc>", false, false, true, "$`|$'"},
      {"^\\w+$", "one\ntwo\nthree", false, true, true, "($&)"},
      {"^\\w+$", "one\ntwo\nthree", false, false, true, "($&)"},
      {"^t", "one\ntwo\nthree", false, true, true, "T"},
      {"\\bb\\w*", "ab bc b", false, false, true, "_"},
      {"(\\w)\\1", "aabBcc", true, false, true, "$1"},
      {"x(?=y)", "xyxz", false, false, true, "X"},
      {"[^a-c]+", "abcdefabc", false, false, true, "."},
      {"[A-C]+", "abcdefABC", true, false, true, "."},
      {"\\s+", "a b\tc\r\nd", false, false, true, " "},
      {"(\\d+)-(\\d+)", "10-20, 3-4", false, false, true, "$2-$1$3$10"},
      // Code page 936 text: 中文 D6 D0 CE C4, 价格 BC DB B8 F1; indices count UTF-16 units.
      {"\\d+",
       "\xD6\xD0\xCE\xC4"
       "12\xBC\xDB\xB8\xF1"
       "345",
       false, false, true, "#"},
      {"\xCE\xC4(.)", "\xD6\xD0\xCE\xC4\xBC\xDB\xCE\xC4x", false, false, true, "[$1]"},
      {".",
       "\xD6\xD0"
       "a",
       false, false, true, "<$&>"},
      // Rejected patterns: Execute, Replace and Test all fail.
      {"(", "abc", false, false, true, "x"},
      {"a{2,1}", "aaa", false, false, true, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.pattern) + " / " + c.subject);
    const Outcome system = RunCase(kSystemRegExp, c);
    const Outcome builtin = RunCase("VBScript.RegExp", c);
    ASSERT_TRUE(system.executed || std::string(c.pattern) == "(" ||
                std::string(c.pattern) == "a{2,1}")
        << "the system's class is missing";
    EXPECT_EQ(builtin, system) << "built-in: " << Describe(builtin)
                               << "\nsystem:   " << Describe(system);
  }
}

TEST_F(BuiltinRegExpTest, ProgIdNamesTheBuiltinInAnyLetterCase) {
  for (const char* name : {"VBScript.RegExp", "vbscript.regexp", "VBSCRIPT.REGEXP"}) {
    AutomationObject engine;
    ASSERT_TRUE(CreateObject(engine, name)) << name;
    // Only the built-in class knows Singleline.
    EXPECT_TRUE(WriteProperty(engine, "Singleline", true)) << name;
  }
  AutomationObject system;
  ASSERT_TRUE(CreateObject(system, kSystemRegExp));
  EXPECT_FALSE(WriteProperty(system, "Singleline", true));
}

TEST_F(BuiltinRegExpTest, PropertiesStartAsTheComponentsDoAndKeepWhatIsWritten) {
  AutomationObject engine;
  ASSERT_TRUE(CreateObject(engine, "VBScript.RegExp"));
  EXPECT_EQ(ReadTextProperty(engine, "Pattern"), Text(""));
  for (const char* flag : {"IgnoreCase", "Global", "Multiline"}) {
    EXPECT_EQ(ReadTextProperty(engine, flag), Text("0")) << flag;
    EXPECT_TRUE(WriteProperty(engine, flag, true)) << flag;
    EXPECT_EQ(ReadTextProperty(engine, flag), Text("-1")) << flag;
  }
  EXPECT_TRUE(WriteProperty(engine, "Pattern", "a+"));
  EXPECT_EQ(ReadTextProperty(engine, "pattern"), Text("a+"));
  // A value that is no Boolean is refused and the property keeps its value.
  EXPECT_FALSE(WriteProperty(engine, "Global", "maybe"));
  EXPECT_EQ(ReadTextProperty(engine, "Global"), Text("-1"));
  EXPECT_FALSE(WriteProperty(engine, "Execute", 1));
  EXPECT_FALSE(WriteProperty(engine, "NoSuchMember", 1));
}

TEST_F(BuiltinRegExpTest, ChangingThePatternRecompiles) {
  AutomationObject engine;
  ASSERT_TRUE(CreateObject(engine, "VBScript.RegExp"));
  WriteProperty(engine, "Global", true);
  WriteProperty(engine, "Pattern", "a");
  EXPECT_EQ(ReadNumberProperty(CallObjectMethod(engine, "Execute", {"aAb"}), "Count"), 1.0);
  WriteProperty(engine, "IgnoreCase", true);
  EXPECT_EQ(ReadNumberProperty(CallObjectMethod(engine, "Execute", {"aAb"}), "Count"), 2.0);
  WriteProperty(engine, "Pattern", "(");
  EXPECT_TRUE(CallObjectMethod(engine, "Execute", {"aAb"}).empty());
  WriteProperty(engine, "Pattern", "b");
  EXPECT_EQ(ReadNumberProperty(CallObjectMethod(engine, "Execute", {"aAb"}), "Count"), 1.0);
}

TEST_F(BuiltinRegExpTest, CollectionsRefuseIndicesOutsideThem) {
  AutomationObject engine;
  ASSERT_TRUE(CreateObject(engine, "VBScript.RegExp"));
  WriteProperty(engine, "Pattern", "(a)(b)?");
  const AutomationObject matches = CallObjectMethod(engine, "Execute", {"xa"});
  ASSERT_EQ(ReadNumberProperty(matches, "Count"), 1.0);
  for (int bad : {-1, 1, 1000}) {
    EXPECT_TRUE(ReadObjectProperty(matches, "Item", {bad}).empty()) << bad;
  }
  EXPECT_TRUE(ReadObjectProperty(matches, "Item").empty());  // the index is required
  const AutomationObject groups =
      ReadObjectProperty(ReadObjectProperty(matches, "Item", {0}), "SubMatches");
  EXPECT_EQ(ReadNumberProperty(groups, "Count"), 2.0);
  EXPECT_EQ(VariantToText(ReadVariantProperty(groups, "Item", {0})), Text("a"));
  EXPECT_EQ(V_VT(&ReadVariantProperty(groups, "Item", {1}).get()), VT_EMPTY);
  EXPECT_EQ(V_VT(&ReadVariantProperty(groups, "Item", {2}).get()), VT_EMPTY);  // failed
  EXPECT_EQ(VariantToText(ReadVariantProperty(groups, "Item", {2})), Text());
}

// A match is read through its default member, and keeps its results after the engine and the
// collection are gone.
TEST_F(BuiltinRegExpTest, MatchesOutliveTheirCollection) {
  AutomationVariant held;
  {
    AutomationObject engine;
    ASSERT_TRUE(CreateObject(engine, "VBScript.RegExp"));
    WriteProperty(engine, "Pattern", "b+");
    const AutomationObject matches = CallObjectMethod(engine, "Execute", {"abbc"});
    held = ReadVariantProperty(matches, "Item", {0});
  }
  ASSERT_EQ(V_VT(&held.get()), VT_DISPATCH);
  EXPECT_EQ(VariantToText(held), Text("bb"));
  AutomationObject match(V_DISPATCH(&held.get()));
  EXPECT_EQ(ReadNumberProperty(match, "FirstIndex"), 1.0);
}

TEST_F(BuiltinRegExpTest, FactoryChecksItsArgument) {
  EXPECT_EQ(CreateBuiltinRegExp(nullptr), E_POINTER);
}

}  // namespace
}  // namespace chronalt
