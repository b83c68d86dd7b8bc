// The program's own in-process "VBScript.RegExp" class: IgnoreCase, Multiline, Global and
// Pattern (Singleline is accepted and has no effect), Execute, Replace and Test, with a match
// collection (Count, Item), matches (Value, FirstIndex, Length, SubMatches) and group
// collections (Item, Count) as the platform's component offers them. The matching itself is
// RegexpMatcher's.
#pragma once

#include <oaidl.h>

namespace chronalt {

// A new object with one reference, which the caller owns.
HRESULT CreateBuiltinRegExp(IDispatch** object);

}  // namespace chronalt
