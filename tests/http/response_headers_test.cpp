// Tests of reading an answer's raw header block: the status text, which Set-Cookie lines are
// collected and how, which lines set the redirect target, and one callback per line.
#include "http/response_headers.h"

#include <gtest/gtest.h>

#include "test_printing.h"

namespace chronalt {
namespace {

TEST(StatusTextOfTest, FromByteTenToTheLineBreak) {
  const struct {
    const char* headers;
    const char* expected;
  } cases[] = {
      {"HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", "200 OK"},
      {"HTTP/1.1 404 Not Found\r\n\r\n", "404 Not Found"},
      {"HTTP/1.1 500 Internal Server Error\r\n", "500 Internal Server Error"},
      {"HTTP/1.0 204 \r\n\r\n", "204 "},
      {"HTTP/1.1 200 OK", ""},  // no line break after byte 10
      {"HTTP/1.1 \r\n", ""},
      {"short\r\n", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StatusTextOf(c.headers), Text(c.expected)) << Escaped(c.headers);
  }
}

struct CollectCase {
  const char* what;
  const char* headers;
  const char* cookies_on_entry;
  const char* cookies;
  const char* location;
};

TEST(CollectCookiesAndLocationTest, SetCookieAndLocationLines) {
  const CollectCase cases[] = {
      {"two cookies, attributes cut",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/; HttpOnly\r\nSet-Cookie: b=2\r\n\r\n", "",
       "a=1; b=2", ""},
      {"appended directly after what the caller had", "HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\n\r\n",
       "a=1", "a=1b=2", ""},
      {"a lower-case name is not collected", "HTTP/1.1 200 OK\r\nset-cookie: a=1\r\n\r\n", "", "",
       ""},
      {"no blank after the colon: not a Set-Cookie name", "HTTP/1.1 200 OK\r\nSet-Cookie:a=1\r\n",
       "", "", ""},
      {"inner blanks kept, outer ones trimmed", "HTTP/1.1 200 OK\r\nSet-Cookie:   k = v  \r\n", "",
       "k = v", ""},
      {"deleted cookie collected as sent", "HTTP/1.1 200 OK\r\nSet-Cookie: sid=deleted; x\r\n", "",
       "sid=deleted", ""},
      {"a trailing separator on entry is removed", "HTTP/1.1 200 OK\r\n\r\n", "a=1; ", "a=1", ""},
      {"Location in any case", "HTTP/1.1 302 Found\r\nLOCATION: /next?a=1\r\n\r\n", "", "",
       "/next?a=1"},
      {"the last Location counts", "HTTP/1.1 302 Found\r\nLocation: /one\r\nlocation: /two\r\n\r\n",
       "", "", "/two"},
      {"Content-Location is not a redirect", "HTTP/1.1 200 OK\r\nContent-Location: /x\r\n\r\n", "",
       "", ""},
      {"no blank after Location:", "HTTP/1.1 302 Found\r\nLocation:/x\r\n\r\n", "", "", ""},
      {"empty Location value", "HTTP/1.1 302 Found\r\nLocation: \r\n\r\n", "", "", ""},
      // GBK cookie value: "\xD6\xD0" is 中.
      {"two-byte characters pass", "HTTP/1.1 200 OK\r\nSet-Cookie: n=\xD6\xD0; p\r\n", "",
       "n=\xD6\xD0", ""},
  };
  for (const CollectCase& c : cases) {
    Text cookies = c.cookies_on_entry;
    Text location;
    CollectCookiesAndLocation(c.headers, cookies, location, nullptr);
    EXPECT_EQ(cookies, Text(c.cookies)) << c.what;
    EXPECT_EQ(location, Text(c.location)) << c.what;
  }
}

TEST(CollectCookiesAndLocationTest, LeavesLocationAloneWithoutALocationLine) {
  Text cookies;
  Text location = "kept";
  CollectCookiesAndLocation("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n", cookies, location,
                            nullptr);
  EXPECT_EQ(location, Text("kept"));
}

TEST(CollectCookiesAndLocationTest, CallsBackOncePerLine) {
  int calls = 0;
  Text cookies;
  Text location;
  // Status line, two headers; the empty line at the end is no element of the split.
  CollectCookiesAndLocation("HTTP/1.1 200 OK\r\nA: 1\r\nB: 2\r\n\r\n", cookies, location,
                            [&calls] { ++calls; });
  EXPECT_EQ(calls, 4);
}

}  // namespace
}  // namespace chronalt
