// The request routine, staged one function per step or group of steps. The stages of steps 3
// to 7 and 14 to 16 each let queued events run once as the call leaves them, innermost first;
// since nothing else happens on that way out, the routine counts the stages it entered and runs
// the events at the common exit. The option steps between them leave at once on failure,
// without those turns. Every exit closes request, connection and session, in that order, and
// then lets the call's RegexObject go.
//
// The platform's receive time-out bounds each wait for data, not the read of a body: a server
// that sends a byte now and then would hold the request, and the worker waiting on it, for as
// long as it pleases. The response stage therefore talks to the platform through a binding
// that times the read and, once it has taken longer than the per-phase time-out, fails the
// next read (the "713" message) and the query of the answer's head, so the late answer is not
// used at all; every other call passes straight through, so the calls and turns of events of
// an answer read in time are unchanged.
#include "http/http_request.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <optional>
#include <vector>

#include "http/code_page.h"
#include "http/header_block.h"
#include "http/response.h"
#include "util/regex_object.h"

namespace chronalt {
namespace {

constexpr int kDefaultTimeoutMs = 30000;

// Failure messages, code page 936.
// "700 当前系统不支持WinHttp服务!"
const Text kNoPlatform =
    "700 \xB5\xB1\xC7\xB0\xCF\xB5\xCD\xB3\xB2\xBB\xD6\xA7\xB3\xD6WinHttp\xB7\xFE\xCE\xF1!";
// "701 解析URL地址失败!"
const Text kBadUrl = "701 \xBD\xE2\xCE\xF6URL\xB5\xD8\xD6\xB7\xCA\xA7\xB0\xDC!";
// "702 创建WinHttp会话失败!"
const Text kNoSession = "702 \xB4\xB4\xBD\xA8WinHttp\xBB\xE1\xBB\xB0\xCA\xA7\xB0\xDC!";
// "705 设置超时时间失败!"
const Text kTimeoutsRefused =
    "705 \xC9\xE8\xD6\xC3\xB3\xAC\xCA\xB1\xCA\xB1\xBC\xE4\xCA\xA7\xB0\xDC!";
// "703 创建WinHttp连接失败!"
const Text kNoConnection = "703 \xB4\xB4\xBD\xA8WinHttp\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC!";
// "704 创建WinHttp请求失败!"
const Text kNoRequest = "704 \xB4\xB4\xBD\xA8WinHttp\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// "707 设置代理凭证失败!" (for server and proxy credentials alike)
const Text kCredentialsRefused =
    "707 \xC9\xE8\xD6\xC3\xB4\xFA\xC0\xED\xC6\xBE\xD6\xA4\xCA\xA7\xB0\xDC!";
// "忽略错误/证书错误  失败！": no number, two blanks, a full-width exclamation mark.
const Text kCertificateOptionRefused =
    "\xBA\xF6\xC2\xD4\xB4\xED\xCE\xF3/\xD6\xA4\xCA\xE9\xB4\xED\xCE\xF3  \xCA\xA7\xB0\xDC\xA3\xA1";
// "708 禁止自动设置Cookies失败!"
const Text kCookieOptionRefused =
    "708 \xBD\xFB\xD6\xB9\xD7\xD4\xB6\xAF\xC9\xE8\xD6\xC3"
    "Cookies\xCA\xA7\xB0\xDC!";
// "709 重定向设置失败!"
const Text kRedirectOptionRefused = "709 \xD6\xD8\xB6\xA8\xCF\xF2\xC9\xE8\xD6\xC3\xCA\xA7\xB0\xDC!";
// "710 设置协议头失败!"
const Text kHeadersRefused = "710 \xC9\xE8\xD6\xC3\xD0\xAD\xD2\xE9\xCD\xB7\xCA\xA7\xB0\xDC!";
// "711 发送请求失败!"
const Text kSendFailed = "711 \xB7\xA2\xCB\xCD\xC7\xEB\xC7\xF3\xCA\xA7\xB0\xDC!";
// "712 服务器未响应!"
const Text kNoAnswer = "712 \xB7\xFE\xCE\xF1\xC6\xF7\xCE\xB4\xCF\xEC\xD3\xA6!";

const char16_t* Wide(const Bytes& utf16) {
  return reinterpret_cast<const char16_t*>(BytesPointer(utf16));
}

// Code units of a zero-terminated UTF-16 string, the terminator not counted.
std::uint32_t UnitsWithoutTerminator(const Bytes& utf16) {
  return utf16.empty() ? 0 : static_cast<std::uint32_t>(utf16.size() / 2 - 1);
}

void AppendUnits(std::vector<std::uint8_t>& out, const char16_t* units, std::uint32_t count) {
  if (units == nullptr || count == 0) return;
  const auto* first = reinterpret_cast<const std::uint8_t*>(units);
  out.insert(out.end(), first, first + static_cast<std::size_t>(count) * 2);
}

// One platform handle, closed when the owner goes. A handle that was never opened is null and
// goes to the close call unchanged; the platform refuses it and that refusal is ignored.
class HttpHandleOwner {
 public:
  explicit HttpHandleOwner(WinHttpApi& api) : api_(api) {}
  ~HttpHandleOwner() { api_.CloseHandle(handle_); }
  HttpHandleOwner(const HttpHandleOwner&) = delete;
  HttpHandleOwner& operator=(const HttpHandleOwner&) = delete;

  void Adopt(HttpHandle handle) { handle_ = handle; }
  HttpHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  WinHttpApi& api_;
  HttpHandle handle_ = nullptr;
};

// The response stage's binding: the platform's, with the read of the body held to `limit_ms`
// from the moment the stage begins. Past it the request counts as dead: the read and the
// header query fail without reaching the platform. The time is looked at before each read, so
// the stage ends at most one wait for data (itself bounded by the receive time-out) late.
class TimedBodyRead : public WinHttpApi {
 public:
  TimedBodyRead(WinHttpApi& api, const HttpClock& clock, int limit_ms)
      : api_(api), clock_(clock), deadline_(clock() + std::chrono::milliseconds(limit_ms)) {}

  bool ReadData(HttpHandle request, void* buffer, std::uint32_t bytes_to_read,
                std::uint32_t* bytes_read) override {
    if (clock_() > deadline_) expired_ = true;
    if (expired_) {
      *bytes_read = 0;
      return false;
    }
    return api_.ReadData(request, buffer, bytes_to_read, bytes_read);
  }
  bool QueryHeaders(HttpHandle request, std::uint32_t info_level, const char16_t* name,
                    void* buffer, std::uint32_t* buffer_length, std::uint32_t* index) override {
    if (expired_) return false;
    return api_.QueryHeaders(request, info_level, name, buffer, buffer_length, index);
  }

  bool QueryDataAvailable(HttpHandle request, std::uint32_t* bytes_available) override {
    return api_.QueryDataAvailable(request, bytes_available);
  }
  void ProcessEvents() override { api_.ProcessEvents(); }
  bool CheckPlatform() override { return api_.CheckPlatform(); }
  bool CrackUrl(const char16_t* url, std::uint32_t url_length, std::uint32_t flags,
                CrackedUrl& components) override {
    return api_.CrackUrl(url, url_length, flags, components);
  }
  HttpHandle Open(const char16_t* agent, std::uint32_t access_type, const char16_t* proxy_name,
                  const char16_t* proxy_bypass, std::uint32_t flags) override {
    return api_.Open(agent, access_type, proxy_name, proxy_bypass, flags);
  }
  bool SetTimeouts(HttpHandle session, int resolve_ms, int connect_ms, int send_ms,
                   int receive_ms) override {
    return api_.SetTimeouts(session, resolve_ms, connect_ms, send_ms, receive_ms);
  }
  HttpHandle Connect(HttpHandle session, const char16_t* server_name, std::uint16_t server_port,
                     std::uint32_t reserved) override {
    return api_.Connect(session, server_name, server_port, reserved);
  }
  HttpHandle OpenRequest(HttpHandle connection, const char16_t* verb, const char16_t* object_name,
                         const char16_t* version, const char16_t* referrer,
                         const char16_t* const* accept_types, std::uint32_t flags) override {
    return api_.OpenRequest(connection, verb, object_name, version, referrer, accept_types, flags);
  }
  bool SetCredentials(HttpHandle request, std::uint32_t auth_targets, std::uint32_t auth_scheme,
                      const char16_t* user_name, const char16_t* password,
                      void* auth_params) override {
    return api_.SetCredentials(request, auth_targets, auth_scheme, user_name, password,
                               auth_params);
  }
  bool SetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                 std::uint32_t buffer_length) override {
    return api_.SetOption(handle, option, buffer, buffer_length);
  }
  bool AddRequestHeaders(HttpHandle request, const char16_t* headers, std::uint32_t headers_length,
                         std::uint32_t modifiers) override {
    return api_.AddRequestHeaders(request, headers, headers_length, modifiers);
  }
  bool SendRequest(HttpHandle request, const char16_t* headers, std::uint32_t headers_length,
                   const void* optional, std::uint32_t optional_length, std::uint32_t total_length,
                   std::uintptr_t context) override {
    return api_.SendRequest(request, headers, headers_length, optional, optional_length,
                            total_length, context);
  }
  bool ReceiveResponse(HttpHandle request, void* reserved) override {
    return api_.ReceiveResponse(request, reserved);
  }
  bool CloseHandle(HttpHandle handle) override { return api_.CloseHandle(handle); }

 private:
  WinHttpApi& api_;
  const HttpClock& clock_;
  const std::chrono::steady_clock::time_point deadline_;
  bool expired_ = false;
};

enum class Exit { kCommon, kImmediate };

// The state of one call. Members are destroyed in reverse order of declaration: request,
// connection and session are closed in that order, and the RegexObject (which holds COM for
// the thread), when the answer needed one, goes last.
class RequestCall {
 public:
  RequestCall(WinHttpApi& api, const HttpRequestArguments& arguments, const HttpClock& clock)
      : api_(api),
        args_(arguments),
        clock_(clock),
        session_(api),
        connection_(api),
        request_(api) {}

  Exit Run() {
    if (!api_.CheckPlatform()) return Fail(kNoPlatform);
    if (!Enter(&RequestCall::ParseUrl)) return Fail(kBadUrl);
    if (!Enter(&RequestCall::OpenSession)) return Fail(kNoSession);
    if (!Enter(&RequestCall::SetTimeouts)) return Fail(kTimeoutsRefused);
    if (!Enter(&RequestCall::Connect)) return Fail(kNoConnection);
    if (!Enter(&RequestCall::OpenRequest)) return Fail(kNoRequest);
    if (!SetRequestOptions()) return Exit::kImmediate;
    header_block_ = BuildRequestHeaderBlock(args_.extra_headers, args_.method, SendCookies(),
                                            args_.add_default_headers, args_.normalise_headers);
    if (!Enter(&RequestCall::AddHeaders)) return Fail(kHeadersRefused);
    if (!Enter(&RequestCall::Send)) return Fail(kSendFailed);
    if (!Enter(&RequestCall::Receive)) return Fail(kNoAnswer);
    TimedBodyRead timed(api_, clock_, TimeoutMilliseconds(args_.timeout_seconds));
    answer_ = ReadResponse(timed, request_.get(), regex_, args_);
    return Exit::kCommon;
  }

  // The turns of the stages entered, as the call unwinds out of them.
  void LeaveStages() {
    for (int i = 0; i < stages_entered_; ++i) api_.ProcessEvents();
  }

  Text TakeAnswer() { return std::move(answer_); }

 private:
  bool Enter(bool (RequestCall::*stage)()) {
    ++stages_entered_;
    return (this->*stage)();
  }

  Exit Fail(const Text& message) {
    if (args_.status_text != nullptr) *args_.status_text = message;
    return Exit::kCommon;
  }

  const Text& SendCookies() const {
    static const Text kNone;
    return args_.send_cookies != nullptr ? *args_.send_cookies : kNone;
  }

  // Step 3: host, port, scheme and object name out of the URL.
  bool ParseUrl() {
    const Bytes url = TextToUtf16(args_.url);
    CrackedUrl parts;
    if (!api_.CrackUrl(Wide(url), UnitsWithoutTerminator(url), 0, parts)) return false;
    host_name_ =
        Utf16ToText(PointerToBytes(parts.host_name, static_cast<int>(parts.host_name_length * 2)));
    port_ = parts.port;
    secure_ = parts.scheme == kSchemeHttps;
    // The path as written, two leading slashes included, with the query after it. A URL
    // without a path asks for "/", still followed by its query.
    std::vector<std::uint8_t> object;
    if (parts.url_path_length < 1) {
      AppendUnits(object, u"/", 1);
    } else {
      AppendUnits(object, parts.url_path, parts.url_path_length);
    }
    AppendUnits(object, parts.extra_info, parts.extra_info_length);
    object.push_back(0);
    object.push_back(0);
    object_name_ = Bytes(std::move(object));
    return true;
  }

  // Step 4. A direct connection names no proxy; a named proxy serves HTTPS URLs as given and
  // plain HTTP ones through its "http=" form.
  bool OpenSession() {
    const bool direct = args_.proxy_address.empty();
    Text proxy_name;
    if (!direct) {
      proxy_name = secure_ ? args_.proxy_address : Text("http=" + args_.proxy_address.str());
    }
    const Bytes proxy = TextToUtf16(proxy_name);
    session_.Adopt(api_.Open(nullptr, direct ? kAccessTypeNoProxy : kAccessTypeNamedProxy,
                             Wide(proxy), nullptr, 0));
    return static_cast<bool>(session_);
  }

  // Step 5: one value for resolve, connect, send and receive.
  bool SetTimeouts() {
    const int ms = TimeoutMilliseconds(args_.timeout_seconds);
    return api_.SetTimeouts(session_.get(), ms, ms, ms, ms);
  }

  // Step 6.
  bool Connect() {
    const Bytes host = TextToUtf16(host_name_);
    connection_.Adopt(api_.Connect(session_.get(), Wide(host), port_, 0));
    return static_cast<bool>(connection_);
  }

  // Step 7. The wait for the answer's headers has a time-out of its own, which the session's
  // four do not cover everywhere (a platform may wait minutes or for good on a server that
  // accepts and never answers, while a new poll starts every tick); it gets the same value.
  // Its result is not examined: without it the platform's own limit applies.
  bool OpenRequest() {
    const Bytes verb = TextToUtf16(HttpVerb(args_.method));
    request_.Adopt(api_.OpenRequest(connection_.get(), Wide(verb), Wide(object_name_), nullptr,
                                    nullptr, nullptr, secure_ ? kFlagSecure : 0));
    if (!request_) return false;
    SetNumberOption(kOptionReceiveResponseTimeout,
                    static_cast<std::uint32_t>(TimeoutMilliseconds(args_.timeout_seconds)));
    return true;
  }

  // Steps 8 to 12: credentials, certificate errors, cookies and redirects. Each failure writes
  // its message and ends the call at once.
  bool SetRequestOptions() {
    if (!SetCredentialsFor(kAuthTargetServer, args_.server_user, args_.server_password) ||
        !SetCredentialsFor(kAuthTargetProxy, args_.proxy_user, args_.proxy_password)) {
      Fail(kCredentialsRefused);
      return false;
    }
    if (!SetNumberOption(kOptionSecurityFlags, kIgnoreCertificateErrors)) {
      Fail(kCertificateOptionRefused);
      return false;
    }
    // The caller's cookies travel in the Cookie line; without any, the platform's own cookie
    // store is kept out of the request. With cookies given nothing is switched here.
    if (SendCookies().empty() && !SetNumberOption(kOptionDisableFeature, kDisableCookies)) {
      Fail(kCookieOptionRefused);
      return false;
    }
    if (args_.no_redirect && !SetNumberOption(kOptionDisableFeature, kDisableRedirects)) {
      Fail(kRedirectOptionRefused);
      return false;
    }
    return true;
  }

  // Only when both the user name and the password are given.
  bool SetCredentialsFor(std::uint32_t target, const Text& user, const Text& password) {
    if (user.empty() || password.empty()) return true;
    const Bytes user16 = TextToUtf16(user);
    const Bytes password16 = TextToUtf16(password);
    return api_.SetCredentials(request_.get(), target, kAuthSchemeBasic, Wide(user16),
                               Wide(password16), nullptr);
  }

  bool SetNumberOption(std::uint32_t option, std::uint32_t value) {
    return api_.SetOption(request_.get(), option, &value, sizeof value);
  }

  // Step 14. An empty block still goes over, as an empty zero-terminated string.
  bool AddHeaders() {
    const Bytes block = TextToUtf16(header_block_);
    if (block.empty()) {
      return api_.AddRequestHeaders(request_.get(), u"", static_cast<std::uint32_t>(-1),
                                    kAddRequestFlagAdd);
    }
    return api_.AddRequestHeaders(request_.get(), Wide(block), UnitsWithoutTerminator(block),
                                  kAddRequestFlagAdd);
  }

  // Step 15: the body bytes when there are any, else the bytes of the body text.
  bool Send() {
    const Bytes text_body = args_.body_bytes.empty() ? ToBytes(args_.body_text) : Bytes();
    const Bytes& body = args_.body_bytes.empty() ? text_body : args_.body_bytes;
    const auto length = static_cast<std::uint32_t>(body.size());
    return api_.SendRequest(request_.get(), nullptr, 0, BytesPointer(body), length, length, 0);
  }

  // Step 16.
  bool Receive() { return api_.ReceiveResponse(request_.get(), nullptr); }

  WinHttpApi& api_;
  const HttpRequestArguments& args_;
  const HttpClock& clock_;
  std::optional<RegexObject> regex_;  // made when an answer declares a charset
  HttpHandleOwner session_;
  HttpHandleOwner connection_;
  HttpHandleOwner request_;
  int stages_entered_ = 0;
  Text host_name_;
  std::uint16_t port_ = 0;
  bool secure_ = false;
  Bytes object_name_;  // zero-terminated UTF-16
  Text header_block_;
  Text answer_;
};

}  // namespace

Text HttpVerb(int method) {
  static const char* const kVerbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                       "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  if (method < kHttpGet || method > kHttpConnect) return "GET";
  return kVerbs[method];
}

int TimeoutMilliseconds(int timeout_seconds) {
  if (timeout_seconds < 1) return kDefaultTimeoutMs;
  const long long ms = static_cast<long long>(timeout_seconds) * 1000;
  return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

Text HttpRequest(WinHttpApi& api, const HttpRequestArguments& arguments, const HttpClock& clock) {
  RequestCall call(api, arguments, clock);
  if (call.Run() == Exit::kCommon) call.LeaveStages();
  return call.TakeAnswer();
}

Text HttpRequest(WinHttpApi& api, const HttpRequestArguments& arguments) {
  static const HttpClock kSteadyClock = [] { return std::chrono::steady_clock::now(); };
  return HttpRequest(api, arguments, kSteadyClock);
}

Text HttpRequest(const Text& url, int method, const Text& body_text, Text* send_cookies,
                 Text* received_cookies, const Text& extra_headers, Text* response_headers,
                 bool no_redirect, const Text& server_user, const Text& server_password,
                 const Text& proxy_address, const Text& proxy_user, const Text& proxy_password,
                 int timeout_seconds, Text* redirect_location, Text* status_text,
                 Bytes* response_bytes, bool auto_merge_cookies, bool add_default_headers,
                 const Bytes& body_bytes, bool normalise_headers) {
  const HttpRequestArguments arguments{
      .url = url,
      .method = method,
      .body_text = body_text,
      .send_cookies = send_cookies,
      .received_cookies = received_cookies,
      .extra_headers = extra_headers,
      .response_headers = response_headers,
      .no_redirect = no_redirect,
      .server_user = server_user,
      .server_password = server_password,
      .proxy_address = proxy_address,
      .proxy_user = proxy_user,
      .proxy_password = proxy_password,
      .timeout_seconds = timeout_seconds,
      .redirect_location = redirect_location,
      .status_text = status_text,
      .response_bytes = response_bytes,
      .auto_merge_cookies = auto_merge_cookies,
      .add_default_headers = add_default_headers,
      .body_bytes = body_bytes,
      .normalise_headers = normalise_headers,
  };
  return HttpRequest(RealWinHttpApi(), arguments);
}

}  // namespace chronalt
