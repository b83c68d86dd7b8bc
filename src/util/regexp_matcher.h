// The matching rules behind the program's own "VBScript.RegExp" class, kept free of COM so they
// build and are tested everywhere: ECMAScript patterns over UTF-16 text, the three options of the
// component (IgnoreCase, Multiline, Global), its match list (value, 0-based index in UTF-16 code
// units, capture groups) and its Replace with "$1"-style references.
//
// The engine is std::wregex with the ECMAScript grammar. Character classes follow the
// component's documentation rather than the C library: \w is [A-Za-z0-9_], \d is [0-9], \s is
// [ \f\n\r\t\v]; letter case is folded for ASCII, Latin-1, Latin Extended-A, Greek, Cyrillic and
// the full-width Latin letters.
#pragma once

#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace chronalt {

struct RegexpOptions {
  bool ignore_case = false;
  bool multiline = false;  // ^ and $ also match at line ends
  bool global = false;     // every match instead of the first only
};

struct RegexpMatch {
  std::u16string value;
  int first_index = 0;  // UTF-16 code units before the match
  // One entry per capture group; nullopt for a group that took no part in the match.
  std::vector<std::optional<std::u16string>> groups;

  friend bool operator==(const RegexpMatch&, const RegexpMatch&) = default;
};

class RegexpMatcher {
 public:
  // nullopt when the pattern is not a valid expression.
  static std::optional<RegexpMatcher> Compile(std::u16string_view pattern, RegexpOptions options);

  // The matches from left to right (at most one without global). After an empty match the
  // search goes on one code unit further, as the component does. nullopt when the engine gave
  // up (an expression too complex for the subject).
  std::optional<std::vector<RegexpMatch>> Execute(std::u16string_view subject) const;

  // True when the pattern matches somewhere in the subject; nullopt when the engine gave up.
  std::optional<bool> Test(std::u16string_view subject) const;

  // The subject with the matches replaced. In the replacement "$$" is a dollar sign, "$&" the
  // match, "$`" the text before it, "$'" the text after it, "$1" to "$99" a capture group (two
  // digits win when that group exists); any other "$" stands for itself.
  std::optional<std::u16string> Replace(std::u16string_view subject,
                                        std::u16string_view replacement) const;

 private:
  RegexpMatcher(std::wregex regex, int group_count, bool global)
      : regex_(std::move(regex)), group_count_(group_count), global_(global) {}

  std::wregex regex_;
  int group_count_;
  bool global_;
};

}  // namespace chronalt
