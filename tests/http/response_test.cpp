// Tests of the response stage through the request routine and a recording WinHTTP binding: the
// body put together from its chunks, a read that fails part-way, headers that cannot be read,
// the status text, cookies, redirect target and cookie merge written to the out parameters, a
// body with a zero byte, and the charset stage with its 1024-byte window.
#include "http/response.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_request.h"
#include "recording_winhttp.h"
#include "test_printing.h"

namespace chronalt {
namespace {

const Text k713 = "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";  // 713 读取数据失败!

// "中文" in code page 936, UTF-8 and Big5.
constexpr const char* kChineseGbk = "\xD6\xD0\xCE\xC4";
constexpr const char* kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
constexpr const char* kChineseBig5 = "\xA4\xA4\xA4\xE5";

struct Outputs {
  Text status;
  Text headers;
  Text received;
  Text location;
  Bytes bytes;
};

Text Request(RecordingWinHttp& api, Outputs& out, Text* send_cookies = nullptr,
             bool auto_merge = true) {
  return HttpRequest(api, {.url = "http://h/",
                           .send_cookies = send_cookies,
                           .received_cookies = &out.received,
                           .response_headers = &out.headers,
                           .redirect_location = &out.location,
                           .status_text = &out.status,
                           .response_bytes = &out.bytes,
                           .auto_merge_cookies = auto_merge});
}

TEST(ResponseTest, BodyFromItsChunks) {
  RecordingWinHttp api;
  api.chunks = {"ab", "c", std::string(70000, 'd'), "e"};
  Outputs out;
  const Text answer = Request(api, out);
  const std::string expected = "abc" + std::string(70000, 'd') + "e";
  EXPECT_EQ(answer, Text(expected));
  EXPECT_EQ(out.bytes, Bytes(expected));
  // Each read asks for what the platform said is there.
  EXPECT_EQ(api.read_sizes, (std::vector<std::uint32_t>{2, 1, 70000, 1}));
}

TEST(ResponseTest, ManyChunksOfALargeBody) {
  RecordingWinHttp api;
  std::string expected;
  for (int i = 0; i < 600; ++i) {
    api.chunks.push_back(std::string(1 + (i * 7919) % 16384, static_cast<char>('a' + i % 26)));
    expected += api.chunks.back();
  }
  Outputs out;
  Request(api, out);
  EXPECT_EQ(out.bytes.size(), expected.size());
  EXPECT_TRUE(out.bytes == Bytes(expected));
}

TEST(ResponseTest, AReadThatFailsKeepsWhatCameBefore) {
  const struct {
    const char* what;
    int read_fails_at;
    bool query_fails;
    bool headers_fail;
    Text answer;
    Text status;
    Bytes bytes;
  } cases[] = {
      {"read fails part-way, status replaces the message", 1, false, false, "abc", "200 OK",
       Bytes("abc")},
      {"first read fails", 0, false, false, "", "200 OK", Bytes()},
      {"query for data fails: no message", -1, true, false, "", "200 OK", Bytes()},
      {"headers unreadable: the message stays, nothing else is written", 1, false, true, "", k713,
       Bytes("untouched")},
      {"headers unreadable after a good read", -1, false, true, "", "untouched",
       Bytes("untouched")},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    api.chunks = {"abc", "def", "ghi"};
    api.read_fails_at = c.read_fails_at;
    if (c.query_fails) api.fail = "QueryDataAvailable";
    api.headers_fail = c.headers_fail;
    api.raw_headers = u"HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nLocation: /x\r\n\r\n";
    Outputs out{.status = "untouched",
                .headers = "untouched",
                .received = "untouched",
                .location = "untouched",
                .bytes = Bytes("untouched")};
    const Text answer = Request(api, out);
    SCOPED_TRACE(c.what);
    EXPECT_EQ(answer, c.answer);
    EXPECT_EQ(out.status, c.status);
    EXPECT_EQ(out.bytes, c.bytes);
    if (c.headers_fail) {
      EXPECT_EQ(out.headers, Text("untouched"));
      EXPECT_EQ(out.received, Text("untouched"));
      EXPECT_EQ(out.location, Text("untouched"));
      // The end of the response stage and the eight stages.
      EXPECT_EQ(api.process_events, 1 + 8);
    }
  }
}

TEST(ResponseTest, HeadersStatusCookiesAndLocation) {
  RecordingWinHttp api;
  api.chunks = {"page"};
  api.raw_headers =
      u"HTTP/1.1 302 Found\r\nSet-Cookie: sid=new; path=/\r\nset-cookie: lower=1\r\n"
      u"Set-Cookie: token=t1\r\nLocation: /next\r\nContent-Location: /other\r\n\r\n";
  Outputs out;
  out.received = "old=0; ";
  const Text answer = Request(api, out);
  EXPECT_EQ(answer, Text("page"));
  EXPECT_EQ(out.status, Text("302 Found"));
  EXPECT_EQ(out.headers,
            Text("HTTP/1.1 302 Found\r\nSet-Cookie: sid=new; path=/\r\nset-cookie: lower=1\r\n"
                 "Set-Cookie: token=t1\r\nLocation: /next\r\nContent-Location: /other\r\n\r\n"));
  EXPECT_EQ(out.received, Text("old=0; sid=new; token=t1"));
  EXPECT_EQ(out.location, Text("/next"));
  // Seven header lines and the end of the response stage, then the stages; an answer without a
  // charset declaration gives the charset stage no turn.
  EXPECT_EQ(api.process_events, 7 + 1 + 8);
}

TEST(ResponseTest, ReceivedCookiesMergeIntoTheSentOnes) {
  const struct {
    const char* what;
    const char* sent;
    bool auto_merge;
    const char* received;
    const char* sent_after;
  } cases[] = {
      {"merged into both", "sid=old; lang=zh", true, "sid=new; token=t1; lang=zh",
       "sid=new; token=t1; lang=zh"},
      {"no merge when switched off", "sid=old; lang=zh", false, "sid=new; token=t1",
       "sid=old; lang=zh"},
      {"no merge without sent cookies", "", true, "sid=new; token=t1", ""},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    api.raw_headers = u"HTTP/1.1 200 OK\r\nSet-Cookie: sid=new\r\nSet-Cookie: token=t1; x\r\n\r\n";
    Outputs out;
    Text sent = c.sent;
    Request(api, out, &sent, c.auto_merge);
    EXPECT_EQ(out.received, Text(c.received)) << c.what;
    EXPECT_EQ(sent, Text(c.sent_after)) << c.what;
  }
}

TEST(ResponseTest, ABodyWithAZeroByte) {
  RecordingWinHttp api;
  api.chunks = {std::string("ab\0cd", 5)};
  Outputs out;
  EXPECT_EQ(Request(api, out), Text("ab"));
  EXPECT_EQ(out.bytes, Bytes(std::string_view("ab\0cd", 5)));
}

TEST(ResponseTest, TheDeclaredCharsetDecidesTheAnswerText) {
  const std::string padding(1100, 'x');
  const struct {
    const char* what;
    std::string body;
    std::string answer;
    int charset_turns;  // the charset stage lets events run only when a declaration matched
  } cases[] = {
      {"no declaration: as read", std::string("{\"serverTime\":1}"), "{\"serverTime\":1}", 0},
      {"utf-8, any letter case", std::string("<META CHARSET=\"utf-8\">") + kChineseUtf8,
       std::string("<META CHARSET=\"utf-8\">") + kChineseGbk, 1},
      {"big5 in a content type",
       std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">") +
           kChineseBig5,
       std::string("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=big5\">") +
           kChineseGbk, 1},
      // Lower-case gbk is not converted, so a byte pair that is no character stays as it is.
      {"gbk: as read", std::string("<meta charset=gbk>") + kChineseGbk + "\x81\x7f",
       std::string("<meta charset=gbk>") + kChineseGbk + "\x81\x7f", 1},
      {"gb2312: as read", std::string("<meta charset=gb2312>\x81\x7f"),
       std::string("<meta charset=gb2312>\x81\x7f"), 1},
      {"a declaration after byte 1024 is not seen", padding + "<meta charset=utf-8>" + kChineseUtf8,
       padding + "<meta charset=utf-8>" + kChineseUtf8, 0},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    api.chunks = {c.body};
    Outputs out;
    EXPECT_EQ(Request(api, out), Text(c.answer)) << c.what;
    EXPECT_EQ(out.bytes, Bytes(c.body)) << c.what << ": the bytes stay as received";
    // Three header lines, the charset stage, the end of the response stage and the stages.
    EXPECT_EQ(api.process_events, 3 + c.charset_turns + 1 + 8) << c.what;
  }
}

TEST(ResponseTest, UpperCaseGbkGoesThroughTheConversion) {
  RecordingWinHttp api;
  const std::string body = std::string("<meta charset=GBK>") + kChineseGbk + "\x81\x7f";
  api.chunks = {body};
  Outputs out;
  const Text answer = Request(api, out);
  EXPECT_NE(answer, Text(body)) << "the pair that is no character does not survive decoding";
  EXPECT_EQ(TextLeft(answer, 22), Text(std::string("<meta charset=GBK>") + kChineseGbk));
}

TEST(ResponseTest, ACharsetNameCutByTheWindowIsUsedAsCut) {
  // The window ends inside "utf-8", after "utf": an unknown charset, so the stream decodes
  // nothing sensible; what counts is that the name it got was the cut one.
  RecordingWinHttp api;
  const std::string head = std::string(1024 - 17, 'x') + "<meta charset=utf";
  ASSERT_EQ(head.size(), 1024u);
  api.chunks = {head + "-8>" + kChineseUtf8};
  Outputs out;
  const Text answer = Request(api, out);
  EXPECT_NE(answer, Text(head + "-8>" + kChineseGbk)) << "decoded as utf-8 after all";
}

}  // namespace
}  // namespace chronalt
