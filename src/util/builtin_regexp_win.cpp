// IDispatch classes over RegexpMatcher. A match collection, its matches and their group
// collections share one immutable list of results, so each may outlive the others.
#include "util/builtin_regexp_win.h"

#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "util/dispatch_object_win.h"
#include "util/regexp_matcher.h"

namespace chronalt {
namespace {

using MatchList = std::shared_ptr<const std::vector<RegexpMatch>>;

std::u16string ToUtf16(std::wstring_view wide) { return std::u16string(wide.begin(), wide.end()); }
std::wstring ToWide(std::u16string_view utf16) { return std::wstring(utf16.begin(), utf16.end()); }

template <typename T, typename... Args>
HRESULT ReturnNew(VARIANT* result, Args&&... args) {
  return ReturnObject(result, new (std::nothrow) T(std::forward<Args>(args)...));
}

// The index argument of an Item call, checked against the size of the collection.
HRESULT ItemIndex(const DispatchArgs& args, std::size_t size, std::size_t* index) {
  long value = 0;
  const HRESULT hr = args.GetInt(0, &value);
  if (FAILED(hr)) return hr;
  if (value < 0 || static_cast<std::size_t>(value) >= size) return kInvalidCall;
  *index = static_cast<std::size_t>(value);
  return S_OK;
}

class SubMatchesObject final : public DispatchObject {
 public:
  SubMatchesObject(MatchList list, std::size_t match)
      : DispatchObject(kMembers), list_(std::move(list)), match_(match) {}

 private:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };
  static constexpr Member kMembers[] = {{L"Item", kItem}, {L"Count", kCount}};

  HRESULT Call(DISPID id, bool put, const DispatchArgs& args, VARIANT* result) override {
    if (put) return DISP_E_MEMBERNOTFOUND;
    const auto& groups = (*list_)[match_].groups;
    if (id == kCount) return ReturnInt(result, static_cast<long>(groups.size()));
    std::size_t index = 0;
    const HRESULT hr = ItemIndex(args, groups.size(), &index);
    if (FAILED(hr)) return hr;
    // A group that took no part in the match is Empty, as in the platform's component.
    return groups[index] ? ReturnString(result, ToWide(*groups[index])) : S_OK;
  }

  MatchList list_;
  std::size_t match_;
};

class MatchObject final : public DispatchObject {
 public:
  MatchObject(MatchList list, std::size_t match)
      : DispatchObject(kMembers), list_(std::move(list)), match_(match) {}

 private:
  enum : DISPID { kValue = DISPID_VALUE, kFirstIndex = 1, kLength = 2, kSubMatches = 3 };
  static constexpr Member kMembers[] = {{L"Value", kValue},
                                        {L"FirstIndex", kFirstIndex},
                                        {L"Length", kLength},
                                        {L"SubMatches", kSubMatches}};

  HRESULT Call(DISPID id, bool put, const DispatchArgs&, VARIANT* result) override {
    if (put) return DISP_E_MEMBERNOTFOUND;
    const RegexpMatch& match = (*list_)[match_];
    switch (id) {
      case kValue:
        return ReturnString(result, ToWide(match.value));
      case kFirstIndex:
        return ReturnInt(result, match.first_index);
      case kLength:
        return ReturnInt(result, static_cast<long>(match.value.size()));
      default:
        return ReturnNew<SubMatchesObject>(result, list_, match_);
    }
  }

  MatchList list_;
  std::size_t match_;
};

class MatchCollectionObject final : public DispatchObject {
 public:
  explicit MatchCollectionObject(MatchList list)
      : DispatchObject(kMembers), list_(std::move(list)) {}

 private:
  enum : DISPID { kItem = DISPID_VALUE, kCount = 1 };
  static constexpr Member kMembers[] = {{L"Item", kItem}, {L"Count", kCount}};

  HRESULT Call(DISPID id, bool put, const DispatchArgs& args, VARIANT* result) override {
    if (put) return DISP_E_MEMBERNOTFOUND;
    if (id == kCount) return ReturnInt(result, static_cast<long>(list_->size()));
    std::size_t index = 0;
    const HRESULT hr = ItemIndex(args, list_->size(), &index);
    if (FAILED(hr)) return hr;
    return ReturnNew<MatchObject>(result, list_, index);
  }

  MatchList list_;
};

class RegExpObject final : public DispatchObject {
 public:
  RegExpObject() : DispatchObject(kMembers) {}

 private:
  enum : DISPID {
    kPattern = 1,
    kIgnoreCase,
    kGlobal,
    kMultiline,
    kSingleline,
    kExecute,
    kReplace,
    kTest,
  };
  static constexpr Member kMembers[] = {
      {L"Pattern", kPattern},       {L"IgnoreCase", kIgnoreCase},
      {L"Global", kGlobal},         {L"Multiline", kMultiline},
      {L"Singleline", kSingleline}, {L"Execute", kExecute},
      {L"Replace", kReplace},       {L"Test", kTest},
  };

  HRESULT Call(DISPID id, bool put, const DispatchArgs& args, VARIANT* result) override {
    switch (id) {
      case kPattern:
        if (!put) return ReturnString(result, pattern_);
        return Update(DispatchArgs::ToString(args.PutValue(), &pattern_));
      case kIgnoreCase:
        return Flag(put, args, result, &options_.ignore_case);
      case kGlobal:
        return Flag(put, args, result, &options_.global);
      case kMultiline:
        return Flag(put, args, result, &options_.multiline);
      case kSingleline:
        return Flag(put, args, result, &singleline_);
      default:
        return put ? DISP_E_MEMBERNOTFOUND : Method(id, args, result);
    }
  }

  HRESULT Flag(bool put, const DispatchArgs& args, VARIANT* result, bool* flag) {
    if (!put) return ReturnBool(result, *flag);
    return Update(DispatchArgs::ToBool(args.PutValue(), flag));
  }

  HRESULT Update(HRESULT written) {
    if (SUCCEEDED(written)) compiled_.reset();
    return written;
  }

  HRESULT Method(DISPID id, const DispatchArgs& args, VARIANT* result) {
    std::wstring subject;
    HRESULT hr = args.GetString(0, &subject);
    if (FAILED(hr)) return hr;
    const RegexpMatcher* matcher = nullptr;
    hr = Compiled(&matcher);
    if (FAILED(hr)) return hr;
    if (id == kTest) {
      const auto found = matcher->Test(ToUtf16(subject));
      return found ? ReturnBool(result, *found) : kInvalidCall;
    }
    if (id == kReplace) {
      std::wstring replacement;
      hr = args.GetString(1, &replacement);
      if (FAILED(hr)) return hr;
      const auto replaced = matcher->Replace(ToUtf16(subject), ToUtf16(replacement));
      return replaced ? ReturnString(result, ToWide(*replaced)) : kInvalidCall;
    }
    auto matches = matcher->Execute(ToUtf16(subject));
    if (!matches) return kInvalidCall;
    auto list = std::make_shared<const std::vector<RegexpMatch>>(std::move(*matches));
    return ReturnNew<MatchCollectionObject>(result, std::move(list));
  }

  // The expression is compiled on first use after a change of pattern or options.
  HRESULT Compiled(const RegexpMatcher** matcher) {
    if (!compiled_) {
      compiled_ = RegexpMatcher::Compile(
          ToUtf16(pattern_), {options_.ignore_case, options_.multiline, options_.global});
      if (!compiled_) return kRegexpSyntaxError;
    }
    *matcher = &*compiled_;
    return S_OK;
  }

  std::wstring pattern_;
  RegexpOptions options_;
  bool singleline_ = false;
  std::optional<RegexpMatcher> compiled_;
};

}  // namespace

HRESULT CreateBuiltinRegExp(IDispatch** object) {
  if (object == nullptr) return E_POINTER;
  *object = new (std::nothrow) RegExpObject();
  return *object != nullptr ? S_OK : E_OUTOFMEMORY;
}

}  // namespace chronalt
