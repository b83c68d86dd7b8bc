// End-to-end tests of the request routine over the platform's WinHTTP, against the local test
// servers that https_test_server.py starts around this program (their ports come in the
// environment). What the servers receive comes back from the echo pages, so the request line
// and header block can be compared as they arrived.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "http/http_request.h"
#include "test_printing.h"

namespace chronalt {
namespace {

// "中文" in code page 936.
constexpr const char* kChineseGbk = "\xD6\xD0\xCE\xC4";

const Text k711 = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";  // 711 发送请求失败!
const Text k712 = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";  // 712 服务器未响应!

std::string Port(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

class HttpRequestE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Port("CHRONALT_TEST_HTTPS_PORT").empty()) {
      GTEST_FAIL() << "run through tests/http/https_test_server.py, which sets the ports";
    }
  }
  static Text Https(const std::string& path) {
    return "https://127.0.0.1:" + Port("CHRONALT_TEST_HTTPS_PORT") + path;
  }
  static Text Http(const std::string& path) {
    return "http://127.0.0.1:" + Port("CHRONALT_TEST_HTTP_PORT") + path;
  }
  static bool Contains(const Text& text, const std::string& part) {
    return text.view().find(part) != std::string_view::npos;
  }
};

TEST_F(HttpRequestE2eTest, TheServerTimeEndpointWithOnlyItsUrl) {
  EXPECT_EQ(HttpRequest(Https("//ajax/queryServerData.html")),
            Text("{\"serverTime\":1700000000123}"));
}

TEST_F(HttpRequestE2eTest, RequestLineAndHeadersAsTheyArrive) {
  Text status;
  Text headers;
  const Text echo =
      HttpRequest(Https("//echo/two?q=1"), kHttpGet, {}, nullptr, nullptr, "X-Extra: yes", &headers,
                  false, {}, {}, {}, {}, {}, 0, nullptr, &status);
  EXPECT_EQ(status, Text("200 OK"));
  EXPECT_EQ(TextLeft(echo, 27), Text("GET //echo/two?q=1 HTTP/1.1")) << Escaped(echo.view());
  for (const char* line :
       {"\r\nX-Extra: yes\r\n",
        "\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; "
        "Trident/5.0)\r\n",
        "\r\nAccept: text/html, application/xhtml+xml, */*\r\n",
        "\r\nAccept-Encoding: gbk, GB2312\r\n", "\r\nAccept-Language: zh-cn\r\n",
        "\r\nCache-Control: no-cache\r\n"}) {
    EXPECT_TRUE(Contains(echo, line)) << line << " missing from " << Escaped(echo.view());
  }
  EXPECT_FALSE(Contains(echo, "Content-Type:"));
  EXPECT_EQ(TextLeft(headers, 17), Text("HTTP/1.1 200 OK\r\n"));
}

TEST_F(HttpRequestE2eTest, PostSendsItsBodyAndContentType) {
  const Text echo = HttpRequest(Https("/echo"), kHttpPost, "a=1&b=%D6%D0");
  EXPECT_EQ(TextLeft(echo, 16), Text("POST /echo HTTP/"));
  EXPECT_TRUE(Contains(echo, "\r\nContent-Type: application/x-www-form-urlencoded\r\n"));
  EXPECT_TRUE(Contains(echo, "\r\nContent-Length: 12\r\n"));
  EXPECT_EQ(TextRight(echo, 16), Text("\r\n\r\na=1&b=%D6%D0"));
}

TEST_F(HttpRequestE2eTest, CookiesSentAsOneLine) {
  Text cookies = "sid=1; lang=zh";
  const Text echo = HttpRequest(Https("/echo"), kHttpGet, {}, &cookies);
  EXPECT_TRUE(Contains(echo, "\r\nCookie: sid=1; lang=zh\r\n")) << Escaped(echo.view());
}

TEST_F(HttpRequestE2eTest, StatusTextForAnyCode) {
  const struct {
    const char* path;
    const char* status;
    const char* body;
  } cases[] = {{"/ajax/queryServerData.html", "200 OK", "{\"serverTime\":1700000000123}"},
               {"/status/404", "404 Not Found", "missing page"},
               {"/status/500", "500 Internal Server Error", "broken page"}};
  for (const auto& c : cases) {
    Text status;
    const Text answer = HttpRequest(Https(c.path), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                    false, {}, {}, {}, {}, {}, 0, nullptr, &status);
    EXPECT_EQ(status, Text(c.status)) << c.path;
    EXPECT_EQ(answer, Text(c.body)) << c.path;
  }
}

TEST_F(HttpRequestE2eTest, SetCookieLinesCollectedAndMerged) {
  Text received;
  EXPECT_EQ(HttpRequest(Https("/cookies"), kHttpGet, {}, nullptr, &received), Text("cookies set"));
  EXPECT_EQ(received, Text("a=1; b=2")) << "the lower-case set-cookie line is not collected";

  Text sent = "b=old; sid=9; c=3";
  Text merged;
  HttpRequest(Https("/cookies"), kHttpGet, {}, &sent, &merged);
  EXPECT_EQ(merged, Text("a=1; b=2; sid=9; c=3"));
  EXPECT_EQ(sent, merged);

  Text sent_with_session = "sid=old; lang=zh";
  Text after_delete;
  HttpRequest(Https("/deleting-cookies"), kHttpGet, {}, &sent_with_session, &after_delete);
  EXPECT_EQ(after_delete, Text("token=t1; lang=zh"));
}

TEST_F(HttpRequestE2eTest, RedirectsFollowedOrReported) {
  Text status;
  Text location;
  const Text moved = HttpRequest(Https("/redirect"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                 true, {}, {}, {}, {}, {}, 0, &location, &status);
  EXPECT_EQ(status, Text("302 Found"));
  EXPECT_EQ(location, Text("/echo?from=redirect"));
  EXPECT_EQ(moved, Text("moved"));

  Text followed_status;
  const Text followed = HttpRequest(Https("/redirect"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                    false, {}, {}, {}, {}, {}, 0, nullptr, &followed_status);
  EXPECT_EQ(followed_status, Text("200 OK"));
  EXPECT_EQ(TextLeft(followed, 24), Text("GET /echo?from=redirect "));
}

TEST_F(HttpRequestE2eTest, ABodyWithAZeroByte) {
  Bytes bytes;
  const Text answer = HttpRequest(Https("/zero"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                  false, {}, {}, {}, {}, {}, 0, nullptr, nullptr, &bytes);
  EXPECT_EQ(answer, Text("ab"));
  EXPECT_EQ(bytes, Bytes(std::string_view("ab\0cd", 5)));
}

TEST_F(HttpRequestE2eTest, CharsetDeclarationsDecide) {
  const std::string page_end = std::string(kChineseGbk) + "</body></html>";
  const struct {
    const char* path;
    std::string answer_end;  // the end of the answer text
    bool as_read;            // the answer is exactly the bytes received
  } cases[] = {
      {"/charset/utf8", page_end, false},
      {"/charset/big5", page_end, false},
      {"/charset/gbk", std::string(kChineseGbk) + "\x81\x7f</body></html>", true},
      {"/charset/late", "", true},
      {"/charset/none", kChineseGbk, true},
  };
  for (const auto& c : cases) {
    Bytes bytes;
    const Text answer = HttpRequest(Https(c.path), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                    false, {}, {}, {}, {}, {}, 0, nullptr, nullptr, &bytes);
    SCOPED_TRACE(c.path);
    EXPECT_EQ(answer == ToText(bytes), c.as_read) << Escaped(answer.view());
    EXPECT_EQ(TextRight(answer, static_cast<int>(c.answer_end.size())), Text(c.answer_end));
  }

  // Upper-case GBK is converted: the byte pair that is no character does not survive it.
  Bytes bytes;
  const Text answer = HttpRequest(Https("/charset/GBK"), kHttpGet, {}, nullptr, nullptr, {},
                                  nullptr, false, {}, {}, {}, {}, {}, 0, nullptr, nullptr, &bytes);
  EXPECT_NE(answer, ToText(bytes));
  EXPECT_TRUE(Contains(answer, kChineseGbk)) << Escaped(answer.view());
}

TEST_F(HttpRequestE2eTest, ABodyCutOffMidway) {
  Text status;
  Bytes bytes;
  const Text answer = HttpRequest(Https("/truncated"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                  false, {}, {}, {}, {}, {}, 0, nullptr, &status, &bytes);
  EXPECT_EQ(status, Text("200 OK"));
  EXPECT_EQ(bytes.size(), 50000u) << "everything that came before the cut";
  EXPECT_EQ(answer, Text(std::string(bytes.size(), 'y')));
}

TEST_F(HttpRequestE2eTest, PlainHttpToo) {
  Text status;
  const Text answer =
      HttpRequest(Http("//ajax/queryServerData.html"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                  false, {}, {}, {}, {}, {}, 0, nullptr, &status);
  EXPECT_EQ(status, Text("200 OK"));
  EXPECT_EQ(answer, Text("{\"serverTime\":1700000000123}"));
}

TEST_F(HttpRequestE2eTest, ARefusedConnection) {
  Text status;
  const Text answer =
      HttpRequest("https://127.0.0.1:" + Port("CHRONALT_TEST_CLOSED_PORT") + "/", kHttpGet, {},
                  nullptr, nullptr, {}, nullptr, false, {}, {}, {}, {}, {}, 0, nullptr, &status);
  EXPECT_EQ(answer, Text());
  EXPECT_EQ(status, k711);
}

TEST_F(HttpRequestE2eTest, AServerThatNeverAnswersTimesOut) {
  Text status;
  const auto start = std::chrono::steady_clock::now();
  const Text answer = HttpRequest(Https("/silent"), kHttpGet, {}, nullptr, nullptr, {}, nullptr,
                                  false, {}, {}, {}, {}, {}, 1, nullptr, &status);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(answer, Text());
  EXPECT_EQ(status, k712);
  EXPECT_LT(elapsed, std::chrono::milliseconds(4000)) << "the server waits 5 seconds";
}

}  // namespace
}  // namespace chronalt
