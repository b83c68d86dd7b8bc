// The program's own in-process "Adodb.Stream" class, the part of it that decodes a byte body in
// a named charset: Type, Mode, State, Size, Position and Charset, Open, Write, ReadText and
// Close, with the stream's rules for when each may be used. Charset names are looked up in the
// platform's own table of internet charsets (MLang) and decoded with MultiByteToWideChar.
//
// A charset name that the table does not know makes ReadText fail, which the automation layer
// turns into the empty Text.
#pragma once

#include <oaidl.h>

namespace chronalt {

// A new object with one reference, which the caller owns.
HRESULT CreateBuiltinStream(IDispatch** object);

}  // namespace chronalt
