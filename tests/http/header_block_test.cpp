// Tests of header-block normalisation and lookup: which bytes of a name are raised, that a kept
// line keeps every byte (names ending in "-" included), which lines are dropped, and which line
// HeaderValue lets decide.
#include "http/header_block.h"

#include <gtest/gtest.h>

#include <string>

#include "test_printing.h"

namespace chronalt {
namespace {

struct TextCase {
  const char* input;
  const char* expected;
};

TEST(NormaliseHeaderBlockTest, CapitalisesEveryWordOfTheNameOnly) {
  const TextCase cases[] = {
      {"user-agent:abc", "User-Agent:abc"},
      {"user-agent: abc", "User-Agent: abc"},
      {"if-modified-since: 0", "If-Modified-Since: 0"},
      // No letter is lowered, and a "-" in the value raises nothing.
      {"ACCEPT-language: zh-cn", "ACCEPT-Language: zh-cn"},
      {"content-type:text/html; charset=gbk", "Content-Type:text/html; charset=gbk"},
      {"host: a:8080", "Host: a:8080"},
      // Empty name parts: a trailing "-" must come back with the rest of the line.
      {"x-: v", "X-: v"},
      {"-x: v", "-X: v"},
      {"a--b: v", "A--B: v"},
      {"x--: v", "X--: v"},
      {"-: v", "-: v"},
      {": no name", ": no name"},
      {"1a-b: v", "1a-B: v"},
      // A lead byte is never raised, nor is the byte after it: "\xD6\xD0" is 中.
      {"\xD6\xD0-a: v", "\xD6\xD0-A: v"},
      {"x-\xD6z: v", "X-\xD6z: v"},
      // "\n" alone does not end a line.
      {"a: 1\nb: 2", "A: 1\nb: 2"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(NormaliseHeaderBlock(c.input), Text(c.expected)) << Escaped(c.input);
  }
}

TEST(NormaliseHeaderBlockTest, DropsNonHeaderLinesAndTheFinalLineBreak) {
  const TextCase cases[] = {
      {"accept: */*\r\n\r\nno colon here\r\nhost: a:8080\r\n", "Accept: */*\r\nHost: a:8080"},
      {"a: 1\r\nb: 2\r\n", "A: 1\r\nB: 2"},
      {"a: 1\r\nb: 2", "A: 1\r\nB: 2"},
      {"\r\n\r\nc: 3", "C: 3"},
      {"", ""},
      {"\r\n", ""},
      {"no colon\r\nanywhere", ""},
      // A colon that is the second byte of a two-byte character does not end a name.
      {"\x81:x", ""},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(NormaliseHeaderBlock(c.input), Text(c.expected)) << Escaped(c.input);
  }
}

TEST(CapitaliseFirstLetterTest, RaisesOnlyAnAsciiFirstByte) {
  const TextCase cases[] = {
      {"", ""}, {"a", "A"}, {"abc", "Abc"}, {"Abc", "Abc"}, {"1a", "1a"}, {"\xE1z", "\xE1z"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(CapitaliseFirstLetter(c.input), Text(c.expected)) << Escaped(c.input);
  }
}

TEST(HeaderValueTest, TheFirstLineBeginningWithTheNameDecides) {
  struct Case {
    const char* block;
    const char* name;
    const char* expected;
  };
  const Case cases[] = {
      {"Host: a\r\nConnection: keep-alive", "Connection", "keep-alive"},
      {"Connection: keep-alive\r\n", "Connection", "keep-alive"},
      {"Connection:keep-alive", "Connection", ""},  // no blank after the colon
      {"connection: close", "Connection", ""},      // case-sensitive
      {"Connection-Extra: x\r\nConnection: close", "Connection", ""},
      {"Connection: ", "Connection", ""},
      {"X: a X: b", "X", "b"},  // the last occurrence on the line
      {"Via: Connection: close\r\nConnection: keep-alive", "Connection", "keep-alive"},
      {"", "Connection", ""},
      {"Host: a", "Connection", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HeaderValue(c.block, c.name), Text(c.expected)) << Escaped(c.block);
  }
}

// The five default lines as a plain GET sends them, normalised (no final line break).
constexpr const char* kDefaultGetBlock =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Cache-Control: no-cache";

struct BlockCase {
  const char* what;
  const char* extra_headers;
  int method;
  const char* send_cookies;
  bool add_default_headers;
  bool normalise_headers;
  std::string expected;
};

TEST(BuildRequestHeaderBlockTest, DefaultsProbesKeepAliveAndCookieLine) {
  const std::string ua =
      "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n";
  const BlockCase cases[] = {
      {"only defaults", "", 0, "", true, true, kDefaultGetBlock},
      {"other methods add no Content-Type", "", 3, "", true, true, kDefaultGetBlock},
      {"POST adds Content-Type before Cache-Control", "", 1, "", true, true,
       ua + "Accept: text/html, application/xhtml+xml, */*\r\n"
            "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\nCache-Control: no-cache"},
      {"POST with its own content type in other case", "content-TYPE:text/plain", 1, "", true, true,
       "Content-TYPE:text/plain\r\n" + ua +
           "Accept: text/html, application/xhtml+xml, */*\r\n"
           "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache"},
      {"lower-case user-agent suppresses the default", "user-agent: me", 0, "", true, true,
       "User-Agent: me\r\nAccept: text/html, application/xhtml+xml, */*\r\n"
       "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache"},
      {"X-Accept suppresses Accept", "X-Accept: 1", 0, "", true, true,
       "X-Accept: 1\r\n" + ua +
           "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn\r\nCache-Control: no-cache"},
      {"probe anywhere, even in a value", "X-Note: cache-control: x", 0, "", true, true,
       "X-Note: cache-control: x\r\n" + ua +
           "Accept: text/html, application/xhtml+xml, */*\r\n"
           "Accept-Encoding: gbk, GB2312\r\nAccept-Language: zh-cn"},
      {"no defaults, not normalised", "a: 1", 0, "", false, false, "a: 1\r\n"},
      {"no defaults, normalised", "a: 1\r\nb: 2", 0, "", false, true, "A: 1\r\nB: 2"},
      {"nothing at all", "", 0, "", false, true, ""},
      {"not normalised keeps the final line break", "", 0, "", true, false,
       std::string(kDefaultGetBlock) + "\r\n"},
      {"keep-alive line dropped", "Connection: keep-alive", 0, "", true, true, kDefaultGetBlock},
      {"keep-alive as the last normalised line dropped", "Host: h\r\nConnection: keep-alive", 0, "",
       false, true, "Host: h"},
      {"keep-alive alone dropped", "connection: keep-alive", 0, "", false, true, ""},
      {"keep-alive in the middle dropped", "a: 1\r\nConnection: keep-alive\r\nb: 2", 0, "", false,
       true, "A: 1\r\nB: 2"},
      {"other Connection value stays", "Connection: close", 0, "", false, true,
       "Connection: close"},
      {"other case of keep-alive stays", "Connection: Keep-Alive", 0, "", false, true,
       "Connection: Keep-Alive"},
      {"a first Connection-* line decides", "Connection-X: 1\r\nConnection: keep-alive", 0, "",
       false, true, "Connection-X: 1\r\nConnection: keep-alive"},
      {"cookie pairs after normalised block", "", 0, "a=1; b=2", true, true,
       std::string(kDefaultGetBlock) + "\r\nCookie: a=1; b=2\r\n"},
      {"cookie pairs after an empty line when not normalised", "a: 1", 0, "a=1", false, false,
       "a: 1\r\n\r\nCookie: a=1\r\n"},
      {"whole cookie line kept as given", "X: 1", 0, "cookie: a=1", false, true,
       "X: 1\r\ncookie: a=1\r\n"},
      {"no empty first line before the cookies of an empty block", "", 0, "a=1", false, true,
       "Cookie: a=1\r\n"},
      {"block's own cookie line wins", "COOKIE: x=9", 0, "a=1", false, true, "COOKIE: x=9"},
      {"keep-alive removed before the cookie line", "Connection: keep-alive", 0, "a=1", false, true,
       "Cookie: a=1\r\n"},
  };
  for (const BlockCase& c : cases) {
    EXPECT_EQ(BuildRequestHeaderBlock(c.extra_headers, c.method, c.send_cookies,
                                      c.add_default_headers, c.normalise_headers),
              Text(c.expected))
        << c.what;
  }
}

}  // namespace
}  // namespace chronalt
