// Tests of the request routine against a recording WinHTTP binding: the calls in their order,
// every value handed over (URL, proxy, time-outs, verb and object name, credentials, options,
// header block, body), each failure with its message, its exit and its count of event turns,
// and the close order of the three handles.
#include "http/http_request.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "recording_winhttp.h"
#include "test_printing.h"

namespace chronalt {
namespace {

using Log = std::vector<std::string>;

constexpr const char* kEndpoint = "https://time.example.com//ajax/queryServerData.html";

// The default lines as a plain GET hands them over: normalised, no final line break.
constexpr const char* kDefaultBlock =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"
    "Accept: text/html, application/xhtml+xml, */*\r\n"
    "Accept-Encoding: gbk, GB2312\r\n"
    "Accept-Language: zh-cn\r\n"
    "Cache-Control: no-cache";

// Failure messages, code page 936.
const Text k700 =  // 700 当前系统不支持WinHttp服务!
    "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!";
const Text k701 =
    "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";  // 701 解析URL地址失败!
const Text k702 =                                                // 702 创建WinHttp会话失败!
    "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!";
const Text k703 =  // 703 创建WinHttp连接失败!
    "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!";
const Text k704 =  // 704 创建WinHttp请求失败!
    "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
const Text k705 =  // 705 设置超时时间失败!
    "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!";
const Text k707 =  // 707 设置代理凭证失败!
    "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
const Text kCertificate =  // 忽略错误/证书错误  失败！
    "\xBA\xF6\xC2\xD4\xB4\xED\xCE\xF3/\xD6\xA4\xCA\xE9\xB4\xED\xCE\xF3  \xCA\xA7\xB0\xDC\xA3\xA1";
const Text k708 =  // 708 禁止自动设置Cookies失败!
    "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
    "Cookies\xCA\xA7\xB0\xDC!";
const Text k709 =
    "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!";  // 709 重定向设置失败!
const Text k710 =
    "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!";  // 710 设置协议头失败!
const Text k711 = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";  // 711 发送请求失败!
const Text k712 = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";  // 712 服务器未响应!
const Text k713 = "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";  // 713 读取数据失败!

// The calls before any turn of events, for a plain GET that gets its answer.
Log CallsOfPlainGet() {
  return {"CheckPlatform",
          "CrackUrl",
          "Open",
          "SetTimeouts",
          "Connect",
          "OpenRequest",
          "SetOption 7=30000",
          "SetOption 31=13056",
          "SetOption 63=1",
          "AddRequestHeaders",
          "SendRequest",
          "ReceiveResponse"};
}

Log Repeated(const std::string& entry, int n) { return Log(static_cast<std::size_t>(n), entry); }

Log Join(std::initializer_list<Log> parts) {
  Log all;
  for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const Log kCloses = {"Close request", "Close connection", "Close session"};

TEST(HttpRequestTest, OnlyTheUrlGivesAPlainGetWithTheDefaults) {
  RecordingWinHttp api;
  api.chunks = {"{\"serverTime\":", "1700000000123}"};
  Text status;
  const Text answer = HttpRequest(api, {.url = kEndpoint, .status_text = &status});

  EXPECT_EQ(answer, Text("{\"serverTime\":1700000000123}"));
  EXPECT_EQ(status, Text("200 OK"));
  // Three header lines (status, Content-Length, the empty one) each give a turn, the end of the
  // response stage one, and the eight stages one each on the way out; the charset stage gives
  // none, since the answer declares no charset.
  EXPECT_EQ(api.log, Join({CallsOfPlainGet(),
                           {"QueryDataAvailable", "ReadData", "QueryDataAvailable", "ReadData",
                            "QueryDataAvailable", "QueryHeaders", "QueryHeaders"},
                           Repeated("ProcessEvents", 3 + 1 + 8),
                           kCloses}));

  EXPECT_EQ(Narrow(api.url), kEndpoint);
  EXPECT_EQ(api.url_length, std::string(kEndpoint).size());
  EXPECT_TRUE(api.agent_was_null);
  EXPECT_EQ(api.access_type, kAccessTypeNoProxy);
  EXPECT_FALSE(api.proxy_name.has_value()) << "a direct connection names no proxy";
  EXPECT_EQ(api.timeouts, (std::vector<int>{30000, 30000, 30000, 30000}));
  EXPECT_EQ(Narrow(api.server_name), "time.example.com");
  EXPECT_EQ(api.port, 443);
  EXPECT_EQ(Narrow(api.verb), "GET");
  EXPECT_EQ(Narrow(api.object_name), "//ajax/queryServerData.html");
  EXPECT_EQ(api.request_flags, kFlagSecure);
  EXPECT_TRUE(api.request_optionals_null);
  EXPECT_TRUE(api.credentials.empty());
  ASSERT_TRUE(api.headers.has_value());
  EXPECT_EQ(Narrow(*api.headers), kDefaultBlock);
  EXPECT_EQ(api.headers_length, std::string(kDefaultBlock).size());
  EXPECT_EQ(api.headers_modifiers, kAddRequestFlagAdd);
  EXPECT_TRUE(api.body_was_null);
  EXPECT_EQ(api.optional_length, 0u);
  EXPECT_EQ(api.total_length, 0u);
  for (const auto& option : api.options) EXPECT_EQ(option.length, 4u);
}

struct FailureCase {
  const char* fail;  // the scripted failing call
  Text message;
  int process_events;  // turns of events the call makes
  Log last_calls;      // the log from the failing call on, closes included
};

TEST(HttpRequestTest, EachFailureHasItsMessageExitAndTurns) {
  const FailureCase cases[] = {
      {"CheckPlatform", k700, 0,
       Join({{"CheckPlatform"}, {"Close null", "Close null", "Close null"}})},
      {"CrackUrl", k701, 1,
       Join({{"CrackUrl", "ProcessEvents"}, {"Close null", "Close null", "Close null"}})},
      {"Open", k702, 2,
       Join({{"Open"}, Repeated("ProcessEvents", 2), {"Close null", "Close null", "Close null"}})},
      {"SetTimeouts", k705, 3,
       Join({{"SetTimeouts"},
             Repeated("ProcessEvents", 3),
             {"Close null", "Close null", "Close session"}})},
      {"Connect", k703, 4,
       Join({{"Connect"},
             Repeated("ProcessEvents", 4),
             {"Close null", "Close null", "Close session"}})},
      {"OpenRequest", k704, 5,
       Join({{"OpenRequest"},
             Repeated("ProcessEvents", 5),
             {"Close null", "Close connection", "Close session"}})},
      {"SetCredentials 0", k707, 0, Join({{"SetCredentials 0"}, kCloses})},
      {"SetCredentials 1", k707, 0, Join({{"SetCredentials 1"}, kCloses})},
      {"SetOption 31=13056", kCertificate, 0, Join({{"SetOption 31=13056"}, kCloses})},
      {"SetOption 63=1", k708, 0, Join({{"SetOption 63=1"}, kCloses})},
      {"SetOption 63=2", k709, 0, Join({{"SetOption 63=2"}, kCloses})},
      {"AddRequestHeaders", k710, 6,
       Join({{"AddRequestHeaders"}, Repeated("ProcessEvents", 6), kCloses})},
      {"SendRequest", k711, 7, Join({{"SendRequest"}, Repeated("ProcessEvents", 7), kCloses})},
      {"ReceiveResponse", k712, 8,
       Join({{"ReceiveResponse"}, Repeated("ProcessEvents", 8), kCloses})},
  };
  for (const FailureCase& c : cases) {
    RecordingWinHttp api;
    api.fail = c.fail;
    api.chunks = {"never read"};
    // Out parameters other than the status text keep what they held.
    Text status = "before";
    Text headers = "headers before";
    Text received = "r=0";
    Text location = "location before";
    Bytes bytes("bytes before");
    const Text answer = HttpRequest(api, {.url = "http://h/p",
                                          .received_cookies = &received,
                                          .response_headers = &headers,
                                          .no_redirect = true,
                                          .server_user = "u",
                                          .server_password = "p",
                                          .proxy_user = "pu",
                                          .proxy_password = "pp",
                                          .redirect_location = &location,
                                          .status_text = &status,
                                          .response_bytes = &bytes});
    SCOPED_TRACE(c.fail);
    EXPECT_EQ(answer, Text());
    EXPECT_EQ(status, c.message);
    EXPECT_EQ(api.process_events, c.process_events);
    ASSERT_GE(api.log.size(), c.last_calls.size());
    EXPECT_EQ(Log(api.log.end() - static_cast<std::ptrdiff_t>(c.last_calls.size()), api.log.end()),
              c.last_calls);
    EXPECT_EQ(api.CountOf("QueryDataAvailable"), 0);
    EXPECT_EQ(headers, Text("headers before"));
    EXPECT_EQ(received, Text("r=0"));
    EXPECT_EQ(location, Text("location before"));
    EXPECT_EQ(bytes, Bytes("bytes before"));
  }
}

TEST(HttpRequestTest, OptionsInOrderWithCredentialsCookiesAndRedirects) {
  struct Case {
    const char* what;
    HttpRequestArguments arguments;
    Log option_calls;
  };
  Text cookies = "a=1";
  Text no_cookies;
  const Case cases[] = {
      {"defaults",
       {.url = "http://h/"},
       {"SetOption 7=30000", "SetOption 31=13056", "SetOption 63=1"}},
      {"no redirects",
       {.url = "http://h/", .no_redirect = true},
       {"SetOption 7=30000", "SetOption 31=13056", "SetOption 63=1", "SetOption 63=2"}},
      {"cookies given leave the cookie store alone",
       {.url = "http://h/", .send_cookies = &cookies},
       {"SetOption 7=30000", "SetOption 31=13056"}},
      {"an empty cookie text is none",
       {.url = "http://h/", .send_cookies = &no_cookies},
       {"SetOption 7=30000", "SetOption 31=13056", "SetOption 63=1"}},
      {"server and proxy credentials first",
       {.url = "http://h/",
        .server_user = "su",
        .server_password = "sp",
        .proxy_user = "pu",
        .proxy_password = "pp"},
       {"SetOption 7=30000", "SetCredentials 0", "SetCredentials 1", "SetOption 31=13056",
        "SetOption 63=1"}},
      {"a user without a password sets nothing",
       {.url = "http://h/", .server_user = "su", .proxy_password = "pp"},
       {"SetOption 7=30000", "SetOption 31=13056", "SetOption 63=1"}},
  };
  for (const Case& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, c.arguments);
    Log calls;
    for (const std::string& entry : api.log) {
      if (entry.rfind("SetOption", 0) == 0 || entry.rfind("SetCredentials", 0) == 0) {
        calls.push_back(entry);
      }
    }
    EXPECT_EQ(calls, c.option_calls) << c.what;
    for (const auto& credentials : api.credentials) {
      EXPECT_EQ(credentials.scheme, kAuthSchemeBasic);
      const bool server = credentials.target == kAuthTargetServer;
      EXPECT_EQ(Narrow(credentials.user), server ? "su" : "pu");
      EXPECT_EQ(Narrow(credentials.password), server ? "sp" : "pp");
    }
  }
}

TEST(HttpRequestTest, MethodsSendTheirVerbs) {
  const struct {
    int method;
    const char* verb;
    bool content_type;
  } cases[] = {
      {0, "GET", false},     {1, "POST", true},    {2, "HEAD", false},  {3, "PUT", false},
      {4, "OPTIONS", false}, {5, "DELETE", false}, {6, "TRACE", false}, {7, "CONNECT", false},
      {8, "GET", false},     {-1, "GET", false},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, {.url = "http://h/", .method = c.method});
    EXPECT_EQ(Narrow(api.verb), c.verb) << c.method;
    ASSERT_TRUE(api.headers.has_value());
    EXPECT_EQ(Narrow(*api.headers).find("Content-Type: application/x-www-form-urlencoded") !=
                  std::string::npos,
              c.content_type)
        << c.method;
  }
}

TEST(HttpRequestTest, TimeoutsPerPhase) {
  const struct {
    int seconds;
    int ms;
  } cases[] = {{0, 30000},
               {-5, 30000},
               {1, 1000},
               {5, 5000},
               {2147483, 2147483000},
               {2147484, 2147483647},
               {2147483647, 2147483647}};
  for (const auto& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, {.url = "http://h/", .timeout_seconds = c.seconds});
    EXPECT_EQ(api.timeouts, (std::vector<int>{c.ms, c.ms, c.ms, c.ms})) << c.seconds;
    // The wait for the answer's headers gets the same limit.
    EXPECT_EQ(api.CountOf("SetOption 7=" + std::to_string(c.ms)), 1) << c.seconds;
  }
}

TEST(HttpRequestTest, ARefusedHeaderTimeoutDoesNotStopTheCall) {
  RecordingWinHttp api;
  api.fail = "SetOption 7=30000";
  api.chunks = {"ok"};
  Text status;
  EXPECT_EQ(HttpRequest(api, {.url = "http://h/", .status_text = &status}), Text("ok"));
  EXPECT_EQ(status, Text("200 OK"));
}

// The read of the body is held to the per-phase time-out as a whole. Each wait for data here
// stays far within the platform's receive time-out, as a server's that sends a byte a second
// does; past the limit the next read fails and nothing of the late answer is used.
TEST(HttpRequestTest, ABodyReadLongerThanTheTimeOutFails) {
  const struct {
    const char* what;
    int timeout_seconds;
    int bytes;  // one per wait, a second apart
    bool in_time;
  } cases[] = {
      {"the last byte at the 30-second limit", 0, 30, true},
      {"one byte past the 30-second limit", 0, 31, false},
      {"one byte past a 5-second limit", 5, 6, false},
      {"a thousand bytes against a 5-second limit", 5, 1000, false},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    api.chunks = std::vector<std::string>(static_cast<std::size_t>(c.bytes), "x");
    api.data_wait = std::chrono::seconds(1);
    Text status = "before";
    Text headers = "headers before";
    Bytes bytes("bytes before");
    const Text answer = HttpRequest(api,
                                    {.url = kEndpoint,
                                     .response_headers = &headers,
                                     .timeout_seconds = c.timeout_seconds,
                                     .status_text = &status,
                                     .response_bytes = &bytes},
                                    [&api] { return api.Now(); });
    SCOPED_TRACE(c.what);
    if (c.in_time) {
      EXPECT_EQ(answer, Text(std::string(static_cast<std::size_t>(c.bytes), 'x')));
      EXPECT_EQ(status, Text("200 OK"));
      EXPECT_EQ(api.CountOf("ReadData"), c.bytes);
      EXPECT_EQ(api.process_events, 3 + 1 + 8);
      continue;
    }
    const int limit_seconds = c.timeout_seconds < 1 ? 30 : c.timeout_seconds;
    EXPECT_EQ(answer, Text());
    EXPECT_EQ(status, k713);
    EXPECT_EQ(headers, Text("headers before"));
    EXPECT_EQ(bytes, Bytes("bytes before"));
    // The platform is asked for data until the limit has passed, and not for the head.
    EXPECT_EQ(api.CountOf("QueryDataAvailable"), limit_seconds + 1);
    EXPECT_EQ(api.CountOf("ReadData"), limit_seconds);
    EXPECT_EQ(api.CountOf("QueryHeaders"), 0);
    // The turns of a call whose head cannot be read: the response stage's last and the eight
    // stages' on the way out.
    const Log last = Join({{"QueryDataAvailable"}, Repeated("ProcessEvents", 1 + 8), kCloses});
    ASSERT_GE(api.log.size(), last.size());
    EXPECT_EQ(Log(api.log.end() - static_cast<std::ptrdiff_t>(last.size()), api.log.end()), last);
  }
}

TEST(HttpRequestTest, UrlPartsAndProxy) {
  const struct {
    const char* url;
    const char* proxy;
    std::uint32_t access_type;
    const char* proxy_name;  // null: none named
    const char* host;
    int port;
    const char* object;
    std::uint32_t flags;
  } cases[] = {
      {"http://h/p?q=1", "", kAccessTypeNoProxy, nullptr, "h", 80, "/p?q=1", 0},
      {"https://h:8443//two//slashes", "", kAccessTypeNoProxy, nullptr, "h", 8443, "//two//slashes",
       kFlagSecure},
      {"http://h", "", kAccessTypeNoProxy, nullptr, "h", 80, "/", 0},
      {"https://h", "", kAccessTypeNoProxy, nullptr, "h", 443, "/", kFlagSecure},
      // A URL without a path still sends its query, after "/".
      {"http://h?q=1", "", kAccessTypeNoProxy, nullptr, "h", 80, "/?q=1", 0},
      {"http://h/", "proxy:3128", kAccessTypeNamedProxy, "http=proxy:3128", "h", 80, "/", 0},
      {"https://h/", "proxy:3128", kAccessTypeNamedProxy, "proxy:3128", "h", 443, "/", kFlagSecure},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, {.url = c.url, .proxy_address = c.proxy});
    SCOPED_TRACE(c.url);
    EXPECT_EQ(api.access_type, c.access_type);
    if (c.proxy_name == nullptr) {
      EXPECT_FALSE(api.proxy_name.has_value());
    } else {
      ASSERT_TRUE(api.proxy_name.has_value());
      EXPECT_EQ(Narrow(*api.proxy_name), c.proxy_name);
    }
    EXPECT_EQ(Narrow(api.server_name), c.host);
    EXPECT_EQ(api.port, c.port);
    EXPECT_EQ(Narrow(api.object_name), c.object);
    EXPECT_EQ(api.request_flags, c.flags);
  }
}

TEST(HttpRequestTest, AnEmptyUrlFailsToParse) {
  RecordingWinHttp api;
  Text status;
  EXPECT_EQ(HttpRequest(api, {.url = "", .status_text = &status}), Text());
  EXPECT_EQ(status, k701);
  EXPECT_TRUE(api.url_was_null);
  EXPECT_EQ(api.url_length, 0u);
}

TEST(HttpRequestTest, HeaderBlockAsHandedOver) {
  Text cookies = "sid=1; lang=zh";
  Text cookie_line = "Cookie: sid=1";
  const struct {
    const char* what;
    HttpRequestArguments arguments;
    std::string block;
    std::uint32_t length;
  } cases[] = {
      {"cookies after the normalised defaults",
       {.url = "http://h/", .send_cookies = &cookies},
       std::string(kDefaultBlock) + "\r\nCookie: sid=1; lang=zh\r\n",
       0},
      {"a whole cookie line as given",
       {.url = "http://h/", .send_cookies = &cookie_line, .add_default_headers = false},
       "Cookie: sid=1\r\n",
       0},
      {"not normalised: an empty line before the cookie line",
       {.url = "http://h/",
        .send_cookies = &cookies,
        .extra_headers = "x-a: 1",
        .add_default_headers = false,
        .normalise_headers = false},
       "x-a: 1\r\n\r\nCookie: sid=1; lang=zh\r\n",
       0},
      {"keep-alive removed",
       {.url = "http://h/",
        .extra_headers = "connection: keep-alive",
        .add_default_headers = false},
       "",
       0xFFFFFFFF},
      {"an empty block goes over as an empty string of length -1",
       {.url = "http://h/", .add_default_headers = false},
       "",
       0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, c.arguments);
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(api.headers.has_value());
    EXPECT_EQ(Narrow(*api.headers), c.block);
    EXPECT_EQ(api.headers_length, c.length != 0 ? c.length : c.block.size());
  }
}

TEST(HttpRequestTest, BodyBytesTakePrecedenceOverBodyText) {
  const struct {
    const char* what;
    Text body_text;
    Bytes body_bytes;
    std::string sent;
  } cases[] = {
      {"text alone", "a=1&b=2", {}, "a=1&b=2"},
      {"bytes win", "ignored", Bytes(std::string_view("x\0y", 3)), std::string("x\0y", 3)},
      {"neither", "", {}, ""},
      // "\xD6\xD0" is 中: sent as its two code page 936 bytes.
      {"text bytes as they are", "k=\xD6\xD0", {}, "k=\xD6\xD0"},
  };
  for (const auto& c : cases) {
    RecordingWinHttp api;
    HttpRequest(api, {.url = "http://h/",
                      .method = kHttpPost,
                      .body_text = c.body_text,
                      .body_bytes = c.body_bytes});
    EXPECT_EQ(api.body, c.sent) << c.what;
    EXPECT_EQ(api.optional_length, c.sent.size()) << c.what;
    EXPECT_EQ(api.total_length, c.sent.size()) << c.what;
    EXPECT_EQ(api.body_was_null, c.sent.empty()) << c.what;
  }
}

}  // namespace
}  // namespace chronalt
