// The raw header block of an answer as the platform reports it (status line, one line per
// header, "\r\n" after each, an empty line at the end): the status text, the cookies its
// Set-Cookie lines set and the redirect target of its Location line.
#pragma once

#include <functional>

#include "util/text_bytes.h"

namespace chronalt {

// The status line from byte 10 (just past "HTTP/1.1 ") up to its CR LF: the code and reason,
// such as "200 OK". Empty when no CR LF follows byte 10.
Text StatusTextOf(const Text& headers);

// Walks the header lines. A line named exactly "Set-Cookie" (the text before its first ": ")
// adds its first name=value part and "; " to `received_cookies`; a line whose first 10 bytes
// are "Location: " in any letter case sets `redirect_location` to the rest, the last such line
// counting. `after_each_line` runs once per line. A "; " left at the end of `received_cookies`
// is removed at the end.
void CollectCookiesAndLocation(const Text& headers, Text& received_cookies, Text& redirect_location,
                               const std::function<void()>& after_each_line);

}  // namespace chronalt
