// Answer header lines, cut with the marker helpers the rest of the program uses, so a name is
// what precedes the first ": " and case is respected wherever the names are compared exactly.
#include "http/response_headers.h"

#include <string>

#include "util/text_slicing.h"

namespace chronalt {
namespace {

constexpr int kStatusStart = 10;  // just past "HTTP/1.1 "
const Text kLineBreak = "\r\n";
const Text kCookieSeparator = "; ";

// The first name=value part of a Set-Cookie line, without outer blanks.
Text CookieOfLine(const Text& line) {
  if (FindText(line, ";", 1, false) != -1)
    return TrimBothEnds(TextBetween(line, "Set-Cookie:", ";"));
  return TrimBothEnds(ReplaceSubtext(line, "Set-Cookie:", "", std::nullopt, std::nullopt, false));
}

}  // namespace

Text StatusTextOf(const Text& headers) {
  const int end = FindText(headers, kLineBreak, kStatusStart, false);
  if (end == -1) return {};
  return TextMid(headers, kStatusStart, end - kStatusStart);
}

void CollectCookiesAndLocation(const Text& headers, Text& received_cookies, Text& redirect_location,
                               const std::function<void()>& after_each_line) {
  std::string cookies = received_cookies.str();
  for (const Text& line : SplitText(headers, kLineBreak)) {
    if (TextLeftOf(line, ": ") == Text("Set-Cookie")) {
      cookies += CookieOfLine(line).view();
      cookies += kCookieSeparator.view();
    }
    if (CompareText(TextLeft(line, 10), "Location: ", false) == 0) {
      redirect_location = TextMid(line, 11, TextLength(line) - 10);
    }
    if (after_each_line) after_each_line();
  }
  const std::string_view separator = kCookieSeparator.view();
  if (cookies.size() >= separator.size() &&
      std::string_view(cookies).substr(cookies.size() - separator.size()) == separator) {
    cookies.resize(cookies.size() - separator.size());
  }
  received_cookies = Text(std::move(cookies));
}

}  // namespace chronalt
