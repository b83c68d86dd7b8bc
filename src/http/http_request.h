// HttpRequest: one HTTP or HTTPS request through the platform's HTTP service, returning the
// answer's body as Text. Each call opens its own session, connection and request and closes all
// three, in that order, before it returns; nothing survives from one call to the next.
//
// A failure writes a numbered message to `status_text` and gives an empty result; a failure
// while reading the body writes "713 ..." and the call goes on with what was read. Out
// parameters (pointers, null when left out) keep what they held unless a step writes them.
//
// The time-out applies to each phase and also to the read of the body as a whole: a read that
// has taken longer fails with "713 ...", an empty result and the out parameters of the answer
// left as they were.
#pragma once

#include <chrono>
#include <functional>

#include "http/winhttp_api.h"
#include "util/text_bytes.h"

namespace chronalt {

// Method numbers and the verbs they send; any other number sends GET.
enum HttpMethod : int {
  kHttpGet = 0,
  kHttpPost = 1,
  kHttpHead = 2,
  kHttpPut = 3,
  kHttpOptions = 4,
  kHttpDelete = 5,
  kHttpTrace = 6,
  kHttpConnect = 7,
};

// The 21 parameters of a request, in their order, with the values they take when left out.
struct HttpRequestArguments {
  Text url{};  // absolute; its scheme chooses HTTP or HTTPS
  int method = kHttpGet;
  Text body_text{};                  // sent only when body_bytes is empty
  Text* send_cookies = nullptr;      // in/out: pairs, or a whole "Cookie:" line
  Text* received_cookies = nullptr;  // in/out: the answer's cookies are appended
  Text extra_headers{};              // "Name: value" lines separated by "\r\n"
  Text* response_headers = nullptr;  // out: the answer's raw header block
  bool no_redirect = false;
  Text server_user{};  // Basic authentication at the server
  Text server_password{};
  Text proxy_address{};  // empty: direct connection
  Text proxy_user{};     // Basic authentication at the proxy
  Text proxy_password{};
  int timeout_seconds = 0;            // per phase; below 1 means 30 seconds
  Text* redirect_location = nullptr;  // out: the answer's "Location: " value
  Text* status_text = nullptr;        // out: failure message, or "200 OK" and the like
  Bytes* response_bytes = nullptr;    // out: the body as received
  bool auto_merge_cookies = true;     // merge received cookies into send_cookies
  bool add_default_headers = true;
  Bytes body_bytes{};             // takes precedence over body_text when not empty
  bool normalise_headers = true;  // pass the header block through NormaliseHeaderBlock
};

// The request over the platform's WinHTTP.
Text HttpRequest(const Text& url, int method = kHttpGet, const Text& body_text = {},
                 Text* send_cookies = nullptr, Text* received_cookies = nullptr,
                 const Text& extra_headers = {}, Text* response_headers = nullptr,
                 bool no_redirect = false, const Text& server_user = {},
                 const Text& server_password = {}, const Text& proxy_address = {},
                 const Text& proxy_user = {}, const Text& proxy_password = {},
                 int timeout_seconds = 0, Text* redirect_location = nullptr,
                 Text* status_text = nullptr, Bytes* response_bytes = nullptr,
                 bool auto_merge_cookies = true, bool add_default_headers = true,
                 const Bytes& body_bytes = {}, bool normalise_headers = true);

// The same request over any binding of the WinHTTP calls.
Text HttpRequest(WinHttpApi& api, const HttpRequestArguments& arguments);

// The clock the read of the body is timed on; a test puts in one of its own.
using HttpClock = std::function<std::chrono::steady_clock::time_point()>;
Text HttpRequest(WinHttpApi& api, const HttpRequestArguments& arguments, const HttpClock& clock);

// The verb that a method number sends.
Text HttpVerb(int method);

// The per-phase time-out in milliseconds: seconds × 1000, 30000 below 1 second, and the
// largest 32-bit value for a number of seconds whose milliseconds would not fit.
int TimeoutMilliseconds(int timeout_seconds);

}  // namespace chronalt
