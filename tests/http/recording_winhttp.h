// A WinHTTP binding for tests: it logs every call in order, keeps each value passed, answers
// from a script (which call fails, the body chunks, the raw headers) and hands out fake
// handles, so a test sees exactly what the request routine asks of the platform.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "http/winhttp_api.h"

namespace chronalt {

// A fake handle value that only compares.
inline HttpHandle FakeHandle(std::uintptr_t value) { return reinterpret_cast<HttpHandle>(value); }

inline std::u16string U16(const char16_t* text) {
  return text == nullptr ? std::u16string() : std::u16string(text);
}

// Plain ASCII narrowing for comparing the logged strings with literals.
inline std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return out;
}

class RecordingWinHttp : public WinHttpApi {
 public:
  static inline const HttpHandle kSession = FakeHandle(0x5e5);
  static inline const HttpHandle kConnection = FakeHandle(0xc0);
  static inline const HttpHandle kRequest = FakeHandle(0x4e0);

  struct Credentials {
    std::uint32_t target;
    std::uint32_t scheme;
    std::u16string user;
    std::u16string password;
  };
  struct Option {
    std::uint32_t option;
    std::uint32_t value;
    std::uint32_t length;
  };

  // --- script -----------------------------------------------------------------------------
  // The name of the call that fails ("Open", "SetCredentials", ...); for SetOption the option
  // and value, for SetCredentials the target, as in "SetOption 63=2" or "SetCredentials 1".
  std::string fail;
  std::vector<std::string> chunks;  // what QueryDataAvailable/ReadData deliver, in turn
  int read_fails_at = -1;           // the ReadData call (from 0) that fails
  std::u16string raw_headers = u"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n";
  bool headers_fail = false;
  // How long each QueryDataAvailable waits on the clock below (a server that sends its body
  // slowly); the clock stands still otherwise.
  std::chrono::milliseconds data_wait{0};

  // --- record -----------------------------------------------------------------------------
  std::vector<std::string> log;
  std::u16string url;
  std::uint32_t url_length = 0;
  bool url_was_null = false;
  std::uint32_t access_type = 0;
  std::optional<std::u16string> proxy_name;  // nullopt: null pointer
  bool agent_was_null = false;
  std::vector<int> timeouts;
  std::u16string server_name;
  std::uint16_t port = 0;
  std::u16string verb;
  std::u16string object_name;
  std::uint32_t request_flags = 0;
  bool request_optionals_null = false;
  std::vector<Credentials> credentials;
  std::vector<Option> options;
  std::optional<std::u16string> headers;
  std::uint32_t headers_length = 0;
  std::uint32_t headers_modifiers = 0;
  std::string body;
  bool body_was_null = false;
  std::uint32_t optional_length = 0;
  std::uint32_t total_length = 0;
  std::vector<std::uint32_t> read_sizes;
  std::vector<HttpHandle> closed;
  int process_events = 0;

  // The clock for the routine's timing of the body read: HttpRequest(api, arguments, clock).
  std::chrono::steady_clock::time_point Now() const { return now_; }

  // How often `entry` occurs in the log.
  int CountOf(const std::string& entry) const {
    int n = 0;
    for (const std::string& e : log) n += e == entry ? 1 : 0;
    return n;
  }

  bool CheckPlatform() override { return Record("CheckPlatform"); }

  bool CrackUrl(const char16_t* u, std::uint32_t length, std::uint32_t flags,
                CrackedUrl& parts) override {
    url_was_null = u == nullptr;
    url = u == nullptr ? std::u16string() : std::u16string(u, length);
    url_length = length;
    if (!Record("CrackUrl") || u == nullptr || flags != 0) return false;
    // scheme://host[:port][path][?extra], pointers into the caller's string as the platform
    // gives them.
    const std::u16string_view all(u, length);
    const std::size_t scheme_end = all.find(u"://");
    if (scheme_end == std::u16string_view::npos) return false;
    const std::u16string_view scheme = all.substr(0, scheme_end);
    parts.scheme = scheme == u"https" ? kSchemeHttps : 1;
    const std::size_t host_start = scheme_end + 3;
    std::size_t host_end = all.find_first_of(u":/?", host_start);
    if (host_end == std::u16string_view::npos) host_end = all.size();
    parts.host_name = u + host_start;
    parts.host_name_length = static_cast<std::uint32_t>(host_end - host_start);
    parts.port = parts.scheme == kSchemeHttps ? 443 : 80;
    std::size_t p = host_end;
    if (p < all.size() && all[p] == u':') {
      int value = 0;
      for (++p; p < all.size() && all[p] >= u'0' && all[p] <= u'9'; ++p) {
        value = value * 10 + (all[p] - u'0');
      }
      parts.port = static_cast<std::uint16_t>(value);
    }
    std::size_t extra = all.find(u'?', p);
    if (extra == std::u16string_view::npos) extra = all.size();
    parts.url_path = u + p;
    parts.url_path_length = static_cast<std::uint32_t>(extra - p);
    parts.extra_info = u + extra;
    parts.extra_info_length = static_cast<std::uint32_t>(all.size() - extra);
    return true;
  }

  HttpHandle Open(const char16_t* agent, std::uint32_t type, const char16_t* proxy,
                  const char16_t* bypass, std::uint32_t flags) override {
    agent_was_null = agent == nullptr && bypass == nullptr && flags == 0;
    access_type = type;
    if (proxy != nullptr) proxy_name = std::u16string(proxy);
    return Record("Open") ? kSession : nullptr;
  }

  bool SetTimeouts(HttpHandle session, int a, int b, int c, int d) override {
    timeouts = {a, b, c, d};
    return Record("SetTimeouts") && session == kSession;
  }

  HttpHandle Connect(HttpHandle session, const char16_t* server, std::uint16_t p,
                     std::uint32_t reserved) override {
    server_name = U16(server);
    port = p;
    return Record("Connect") && session == kSession && reserved == 0 ? kConnection : nullptr;
  }

  HttpHandle OpenRequest(HttpHandle connection, const char16_t* v, const char16_t* object,
                         const char16_t* version, const char16_t* referrer,
                         const char16_t* const* accept_types, std::uint32_t flags) override {
    verb = U16(v);
    object_name = U16(object);
    request_flags = flags;
    request_optionals_null = version == nullptr && referrer == nullptr && accept_types == nullptr;
    return Record("OpenRequest") && connection == kConnection ? kRequest : nullptr;
  }

  bool SetCredentials(HttpHandle request, std::uint32_t target, std::uint32_t scheme,
                      const char16_t* user, const char16_t* password, void* params) override {
    credentials.push_back({target, scheme, U16(user), U16(password)});
    return Record("SetCredentials", "SetCredentials " + std::to_string(target)) &&
           request == kRequest && params == nullptr;
  }

  bool SetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                 std::uint32_t length) override {
    std::uint32_t value = 0;
    if (buffer != nullptr && length == sizeof value) std::memcpy(&value, buffer, sizeof value);
    options.push_back({option, value, length});
    return Record("SetOption",
                  "SetOption " + std::to_string(option) + "=" + std::to_string(value)) &&
           handle == kRequest;
  }

  bool AddRequestHeaders(HttpHandle request, const char16_t* block, std::uint32_t length,
                         std::uint32_t modifiers) override {
    if (block != nullptr) headers = std::u16string(block);
    headers_length = length;
    headers_modifiers = modifiers;
    return Record("AddRequestHeaders") && request == kRequest;
  }

  bool SendRequest(HttpHandle request, const char16_t* extra, std::uint32_t extra_length,
                   const void* optional, std::uint32_t length, std::uint32_t total,
                   std::uintptr_t context) override {
    body_was_null = optional == nullptr;
    body = optional == nullptr ? std::string()
                               : std::string(static_cast<const char*>(optional), length);
    optional_length = length;
    total_length = total;
    return Record("SendRequest") && request == kRequest && extra == nullptr && extra_length == 0 &&
           context == 0;
  }

  bool ReceiveResponse(HttpHandle request, void* reserved) override {
    return Record("ReceiveResponse") && request == kRequest && reserved == nullptr;
  }

  bool QueryDataAvailable(HttpHandle request, std::uint32_t* available) override {
    log.push_back("QueryDataAvailable");
    now_ += data_wait;
    *available =
        next_chunk_ < chunks.size() ? static_cast<std::uint32_t>(chunks[next_chunk_].size()) : 0;
    return request == kRequest && fail != "QueryDataAvailable";
  }

  bool ReadData(HttpHandle request, void* buffer, std::uint32_t size,
                std::uint32_t* read) override {
    log.push_back("ReadData");
    read_sizes.push_back(size);
    *read = 0;
    if (reads_++ == read_fails_at || next_chunk_ >= chunks.size()) return false;
    const std::string& chunk = chunks[next_chunk_++];
    const std::size_t n = std::min<std::size_t>(size, chunk.size());
    std::memcpy(buffer, chunk.data(), n);
    *read = static_cast<std::uint32_t>(n);
    return request == kRequest;
  }

  bool QueryHeaders(HttpHandle request, std::uint32_t level, const char16_t* name, void* buffer,
                    std::uint32_t* length, std::uint32_t* index) override {
    log.push_back("QueryHeaders");
    if (request != kRequest || level != kQueryRawHeadersCrlf || name != nullptr ||
        index == nullptr || *index != 0) {
      return false;
    }
    const std::uint32_t needed = static_cast<std::uint32_t>((raw_headers.size() + 1) * 2);
    if (buffer == nullptr || *length < needed) {
      *length = needed;
      return false;
    }
    if (headers_fail) return false;
    std::memcpy(buffer, raw_headers.c_str(), needed);
    *length = needed - 2;
    return true;
  }

  bool CloseHandle(HttpHandle handle) override {
    closed.push_back(handle);
    log.push_back(handle == kRequest      ? "Close request"
                  : handle == kConnection ? "Close connection"
                  : handle == kSession    ? "Close session"
                                          : "Close null");
    return handle != nullptr;
  }

  void ProcessEvents() override {
    ++process_events;
    log.push_back("ProcessEvents");
  }

 private:
  // Logs the call; false when the script makes it fail.
  bool Record(const std::string& name, const std::string& detail = {}) {
    log.push_back(detail.empty() ? name : detail);
    return fail != name && (detail.empty() || fail != detail);
  }

  std::size_t next_chunk_ = 0;
  int reads_ = 0;
  std::chrono::steady_clock::time_point now_{};
};

}  // namespace chronalt
