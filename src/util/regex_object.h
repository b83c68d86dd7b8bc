// RegexObject: regular expressions over Text through the automation component
// "VBScript.RegExp", which is the program's own class of that name. It keeps the engine, the
// match collection and the subject of the last Match, and reads matches and capture groups out
// of them.
//
// An object initialises COM for the thread that constructs it and uninitialises it when it is
// destroyed, so construction and destruction belong on the same thread. Windows only.
#pragma once

#include "util/automation.h"
#include "util/text_bytes.h"

namespace chronalt {

class RegexObject {
 public:
  RegexObject();
  ~RegexObject();
  RegexObject(const RegexObject&) = delete;
  RegexObject& operator=(const RegexObject&) = delete;

  // Runs `pattern` over `subject`. With quote_placeholder, every "#引号" in the pattern stands
  // for a double quote. True when a match collection was obtained, which it also is when
  // nothing matched; false when the engine could not be made or rejected the pattern.
  bool Match(const Text& pattern, const Text& subject, bool case_sensitive = false,
             bool multiline = true, bool global = true, bool quote_placeholder = false);

  // The pattern as the engine holds it (placeholders replaced); empty before the first Match.
  Text GetPattern() const;
  // The last subject with the matches of the last Match replaced; "$1" and the like refer to
  // capture groups.
  Text ReplaceMatches(const Text& replacement = {}) const;
  int MatchCount() const;
  // Match number `match` (from 1). With `position`, also its 0-based byte offset in the subject,
  // -2 when it cannot be found.
  Text MatchText(int match, int* position = nullptr) const;
  // Capture group `group` (from 1) of match `match` (from 1); `position` is the byte offset of
  // the group's text, searched from the start of the match.
  Text SubMatchText(int match, int group, int* position = nullptr) const;
  // The number of capture groups of the first match.
  int SubMatchCount() const;

 private:
  // COM for the constructing thread, declared first so that it outlives the members below.
  class ComUse {
   public:
    ComUse();
    ~ComUse();
    ComUse(const ComUse&) = delete;
    ComUse& operator=(const ComUse&) = delete;

   private:
    bool initialised_;
  };

  AutomationObject Item(int match) const;
  int Position(const AutomationObject& item, const Text& found) const;

  ComUse com_;
  AutomationObject engine_;
  AutomationObject matches_;
  AutomationVariant subject_;
};

}  // namespace chronalt
