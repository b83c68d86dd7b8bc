// RegexObject over the automation layer: every step is a property write, a property read or a
// method call by name on the engine, its match collection, a match or a group collection.
#include "util/regex_object.h"

#include <windows.h>

#include <objbase.h>

#include <cmath>
#include <limits>

#include "util/ole_text_win.h"

namespace chronalt {
namespace {

// "#引号", the quote placeholder of the markers and patterns.
const Text kQuotePlaceholder = "#\xD2\xFD\xBA\xC5";

// Counts and indices arrive as doubles; anything out of the int range is clamped.
int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value <= static_cast<double>(std::numeric_limits<int>::min())) {
    return std::numeric_limits<int>::min();
  }
  if (value >= static_cast<double>(std::numeric_limits<int>::max())) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

}  // namespace

RegexObject::ComUse::ComUse() : initialised_(SUCCEEDED(CoInitialize(nullptr))) {}

// Only a successful CoInitialize is balanced: a thread already in another apartment keeps its
// COM as it was.
RegexObject::ComUse::~ComUse() {
  if (initialised_) CoUninitialize();
}

RegexObject::RegexObject() = default;

// The members go in reverse order of declaration, so COM is uninitialised after the last of
// them is released.
RegexObject::~RegexObject() = default;

bool RegexObject::Match(const Text& pattern, const Text& subject, bool case_sensitive,
                        bool multiline, bool global, bool quote_placeholder) {
  ClearObject(engine_);
  ClearObject(matches_);
  CreateObject(engine_, "VBScript.RegExp");
  WriteProperty(engine_, "IgnoreCase", !case_sensitive);
  WriteProperty(engine_, "Multiline", multiline);
  WriteProperty(engine_, "Singleline", true);
  WriteProperty(engine_, "Global", global);
  const Text written = quote_placeholder ? ReplaceSubtext(pattern, kQuotePlaceholder, "\"",
                                                          std::nullopt, std::nullopt, true)
                                         : pattern;
  WriteProperty(engine_, "Pattern", written);
  AssignVariant(subject_, subject);
  matches_ = CallObjectMethod(engine_, "Execute", {subject_});
  return !IsObjectEmpty(matches_);
}

Text RegexObject::GetPattern() const {
  if (IsObjectEmpty(engine_)) return {};
  return ReadTextProperty(engine_, "Pattern");
}

Text RegexObject::ReplaceMatches(const Text& replacement) const {
  AutomationVariant with;
  AssignVariant(with, replacement);
  return CallTextMethod(engine_, "Replace", {subject_, AutomationArg::Ref(with)});
}

int RegexObject::MatchCount() const { return TruncateToInt(ReadNumberProperty(matches_, "Count")); }

AutomationObject RegexObject::Item(int match) const {
  const int index = match >= 1 ? match - 1 : -1;
  return ReadObjectProperty(matches_, "Item", {index});
}

// The component counts UTF-16 code units and Text counts bytes, so the match's offset is the
// byte length of the subject's first FirstIndex code units. The text is searched for from
// there, which finds a match at that very offset and a group at the first place within the
// match where its text occurs.
int RegexObject::Position(const AutomationObject& item, const Text& found) const {
  const Text subject = VariantToText(subject_);
  int offset = 0;
  if (!IsObjectEmpty(item) && V_VT(&subject_.get()) == VT_BSTR) {
    const std::wstring_view wide = OleStringView(V_BSTR(&subject_.get()));
    const int units = TruncateToInt(ReadNumberProperty(item, "FirstIndex"));
    const std::size_t prefix = units <= 0 ? 0 : std::min<std::size_t>(units, wide.size());
    offset = TextLength(WideToText(wide.substr(0, prefix)));
  }
  const bool ignore_case = VariantToText(ReadVariantProperty(engine_, "IgnoreCase")) == "-1";
  const int at = FindText(subject, found, offset + 1, ignore_case);
  return at - 1;  // -1 (not found) becomes -2
}

Text RegexObject::MatchText(int match, int* position) const {
  const AutomationObject item = Item(match);
  const Text text = VariantToText(ReadVariantProperty(item, "Value"));
  if (position != nullptr) *position = Position(item, text);
  return text;
}

Text RegexObject::SubMatchText(int match, int group, int* position) const {
  const AutomationObject item = Item(match);
  const AutomationObject groups = ReadObjectProperty(item, "SubMatches");
  const int index = group >= 1 ? group - 1 : -1;
  const Text text = VariantToText(ReadVariantProperty(groups, "Item", {index}));
  if (position != nullptr) *position = Position(item, text);
  return text;
}

int RegexObject::SubMatchCount() const {
  const AutomationObject first = ReadObjectProperty(matches_, "Item", {0});
  return TruncateToInt(ReadNumberProperty(ReadObjectProperty(first, "SubMatches"), "Count"));
}

}  // namespace chronalt
