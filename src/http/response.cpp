// The response stage of the request routine. The body accumulator is one byte string read
// into in place: each chunk extends it (capacity doubling, so a large body costs amortised
// constant time per byte), the platform writes the chunk straight behind the bytes already
// there, and unless a charset conversion replaces it the string itself becomes the answer text.
#include "http/response.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "http/code_page.h"
#include "http/com_apartment.h"
#include "http/cookies.h"
#include "http/response_headers.h"
#include "util/automation.h"
#include "util/regex_object.h"

namespace chronalt {
namespace {

// "713 读取数据失败!"
const Text kReadFailed = "713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!";

const Text kCharsetPattern = "<meta.+?charset=[^\\w]?([-\\w]+)";
constexpr int kCharsetWindow = 1024;

// The body decoded from `charset` through the "Adodb.Stream" component; nullopt when
// the component cannot be made, and the answer then stays as read.
std::optional<Text> DecodeThroughStream(const Bytes& body, const Text& charset) {
  AutomationObject stream;
  if (!CreateObject(stream, "Adodb.Stream")) return std::nullopt;
  AutomationVariant bytes;
  AssignVariant(bytes, body);
  WriteProperty(stream, "Type", 1);  // raw bytes
  WriteProperty(stream, "Mode", 3);  // read and write
  CallMethod(stream, "Open");
  CallMethod(stream, "Write", {AutomationArg::Ref(bytes)});
  WriteProperty(stream, "Position", 0);
  WriteProperty(stream, "Type", 2);  // text
  Text charset_name = charset;
  WriteProperty(stream, "Charset", AutomationArg::Ref(charset_name));
  Text decoded = CallTextMethod(stream, "ReadText");
  CallMethod(stream, "Close");
  ClearObject(stream);
  ClearVariant(bytes);
  return decoded;
}

// Step 8: the meta declaration's charset, and the answer text decoded from it; nullopt when the
// answer stays as read. The pattern cannot match a window without "<meta" in some letter case,
// and such a window (the server-time answer among them) gets the engine's known answer, no
// match, without COM being set up or the engine being made: for the small answers the program
// polls for, those two are most of the cost of a request.
std::optional<Text> DecodeDeclaredCharset(WinHttpApi& api, std::optional<RegexObject>& regex,
                                          const std::string& body) {
  // TextLeft(ToText(body), 1024): the text ends at the first zero byte.
  const Text window(std::string_view(body).substr(0, kCharsetWindow));
  if (FindText(window, "<meta", 1, true) == -1) return std::nullopt;
  ComApartment apartment;
  if (!regex) regex.emplace();
  if (!regex->Match(kCharsetPattern, window)) return std::nullopt;
  const Text charset = regex->SubMatchText(1, 1);
  std::optional<Text> decoded;
  if (!charset.empty() && charset != Text("gbk") && charset != Text("gb2312")) {
    decoded = DecodeThroughStream(Bytes(body), charset);
  }
  api.ProcessEvents();
  return decoded;
}

}  // namespace

std::string ReadBody(WinHttpApi& api, HttpHandle request, bool* read_failed) {
  std::string body;
  for (;;) {
    std::uint32_t available = 0;
    if (!api.QueryDataAvailable(request, &available) || available < 1) break;
    const std::size_t before = body.size();
    if (body.capacity() - before < available) {
      body.reserve(std::max(body.capacity() * 2, before + available));
    }
    body.resize(before + available);
    std::uint32_t read = 0;
    if (!api.ReadData(request, body.data() + before, available, &read)) {
      body.resize(before);
      *read_failed = true;
      break;
    }
    body.resize(before + std::min(read, available));
  }
  return body;
}

bool QueryRawHeaders(WinHttpApi& api, HttpHandle request, Text* headers) {
  std::uint32_t length = 0;
  std::uint32_t index = 0;
  // Asks only for the size: this call fails for want of a buffer and reports what it needs.
  api.QueryHeaders(request, kQueryRawHeadersCrlf, nullptr, nullptr, &length, &index);
  std::vector<std::uint8_t> buffer(length);
  index = 0;
  if (!api.QueryHeaders(request, kQueryRawHeadersCrlf, nullptr,
                        buffer.empty() ? nullptr : buffer.data(), &length, &index)) {
    return false;
  }
  buffer.resize(std::min<std::size_t>(buffer.size(), length));
  *headers = Utf16ToText(Bytes(std::move(buffer)));
  return true;
}

Text ReadResponse(WinHttpApi& api, HttpHandle request, std::optional<RegexObject>& regex,
                  const HttpRequestArguments& arguments) {
  bool read_failed = false;
  std::string body = ReadBody(api, request, &read_failed);
  if (read_failed && arguments.status_text != nullptr) *arguments.status_text = kReadFailed;

  Text answer;
  Text headers;
  if (QueryRawHeaders(api, request, &headers)) {
    if (arguments.response_headers != nullptr) *arguments.response_headers = headers;
    if (arguments.status_text != nullptr) *arguments.status_text = StatusTextOf(headers);

    Text received = arguments.received_cookies != nullptr ? *arguments.received_cookies : Text();
    Text location = arguments.redirect_location != nullptr ? *arguments.redirect_location : Text();
    CollectCookiesAndLocation(headers, received, location, [&api] { api.ProcessEvents(); });
    if (arguments.redirect_location != nullptr) *arguments.redirect_location = location;
    if (arguments.auto_merge_cookies && arguments.send_cookies != nullptr &&
        !arguments.send_cookies->empty()) {
      received = MergeCookies(*arguments.send_cookies, received);
    }
    if (arguments.received_cookies != nullptr) *arguments.received_cookies = received;

    if (arguments.response_bytes != nullptr) *arguments.response_bytes = Bytes(body);
    std::optional<Text> decoded = DecodeDeclaredCharset(api, regex, body);
    // Otherwise the body itself becomes the text, cut at its first zero byte, without a copy.
    answer = decoded ? std::move(*decoded) : Text(std::move(body));
  }
  api.ProcessEvents();
  return answer;
}

}  // namespace chronalt
