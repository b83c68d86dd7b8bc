// Request header blocks: the "\r\n"-separated header lines the request routine assembles before
// handing them to the platform. NormaliseHeaderBlock capitalises each word of every header name
// and drops lines that are not header lines; HeaderValue reads one header's value back out.
//
// A line's name is every byte before its first ":"; a line without one is not a header line.
// BuildRequestHeaderBlock assembles the block a request sends: the caller's lines, the default
// browser-like headers the caller did not give, and the Cookie line.
#pragma once

#include "util/text_bytes.h"

namespace chronalt {

// The block with the first byte of every header name, and every byte that follows a "-" in it,
// upper-cased when it is an ASCII letter; lines without ":" dropped; lines joined by "\r\n"
// without one after the last. Every kept line keeps all its bytes and its length.
Text NormaliseHeaderBlock(const Text& block);

// The text with its first byte upper-cased when it is "a" to "z"; every other byte unchanged.
Text CapitaliseFirstLetter(const Text& text);

// The value after `name` + ": " on the first line that begins with `name` (byte for byte), or
// empty. That first line decides, even when it turns out to carry no such value.
Text HeaderValue(const Text& block, const Text& name);

// The block a request hands to the platform:
// - `extra_headers` and "\r\n" (nothing when it is empty);
// - with add_default_headers, each default line whose probe ("User-Agent: ", "Accept: ",
//   "Accept-Encoding: ", "Accept-Language: ", "Content-Type:" for method 1 only,
//   "Cache-Control: ") occurs nowhere in the block, in any letter case;
// - with normalise_headers, passed through NormaliseHeaderBlock;
// - every "Connection: keep-alive" line removed when that is the block's Connection value;
// - unless the block mentions "Cookie:" in any letter case, `send_cookies` as a last line:
//   "\r\n" (unless the block is empty), "Cookie: " unless send_cookies already holds "Cookie:",
//   the cookies and "\r\n".
Text BuildRequestHeaderBlock(const Text& extra_headers, int method, const Text& send_cookies,
                             bool add_default_headers, bool normalise_headers);

}  // namespace chronalt
