// The second half of HttpRequest, run once an answer has arrived: the body read in chunks, the
// raw answer headers, the status text, the cookies the answer sets and its redirect target, the
// cookie merge, and the answer text, decoded from the charset that an HTML meta declaration in
// its first 1024 bytes names when that charset is neither "gbk" nor "gb2312".
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "http/http_request.h"
#include "http/winhttp_api.h"
#include "util/regex_object.h"
#include "util/text_bytes.h"

namespace chronalt {


// Writes the out parameters of `arguments` as the answer gives them and returns the answer
// text. When the raw headers cannot be read it returns empty and writes only the "713" message
// of a failed body read, if any.
// `regex` is the call's engine, made here on first need.
Text ReadResponse(WinHttpApi& api, HttpHandle request, std::optional<RegexObject>& regex,
                  const HttpRequestArguments& arguments);

// The body's bytes (zero bytes included), chunk by chunk, into one buffer that grows
// geometrically. A failed read ends the reading, sets *read_failed and keeps what came before.
std::string ReadBody(WinHttpApi& api, HttpHandle request, bool* read_failed);

// The raw header block (status line, header lines, empty line) with CR LF line ends, sized by a
// first query and read by a second; false when the second query fails.
bool QueryRawHeaders(WinHttpApi& api, HttpHandle request, Text* headers);

}  // namespace chronalt
