// The WinHTTP interface bound to the platform's functions.
#include <windows.h>
#include <winhttp.h>

#include "http/winhttp_api.h"
#include "util/process_events.h"

namespace chronalt {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t));
static_assert(kSchemeHttps == INTERNET_SCHEME_HTTPS);
static_assert(kAccessTypeNoProxy == WINHTTP_ACCESS_TYPE_NO_PROXY);
static_assert(kAccessTypeNamedProxy == WINHTTP_ACCESS_TYPE_NAMED_PROXY);
static_assert(kFlagSecure == WINHTTP_FLAG_SECURE);
static_assert(kAuthTargetServer == WINHTTP_AUTH_TARGET_SERVER);
static_assert(kAuthTargetProxy == WINHTTP_AUTH_TARGET_PROXY);
static_assert(kAuthSchemeBasic == WINHTTP_AUTH_SCHEME_BASIC);
static_assert(kOptionReceiveResponseTimeout == WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT);
static_assert(kOptionSecurityFlags == WINHTTP_OPTION_SECURITY_FLAGS);
static_assert(kOptionDisableFeature == WINHTTP_OPTION_DISABLE_FEATURE);
static_assert(kDisableCookies == WINHTTP_DISABLE_COOKIES);
static_assert(kDisableRedirects == WINHTTP_DISABLE_REDIRECTS);
static_assert(kAddRequestFlagAdd == WINHTTP_ADDREQ_FLAG_ADD);
static_assert(kQueryRawHeadersCrlf == WINHTTP_QUERY_RAW_HEADERS_CRLF);
static_assert(kIgnoreCertificateErrors ==
              (SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
               SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID));

const wchar_t* W(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }
const char16_t* U(const wchar_t* text) { return reinterpret_cast<const char16_t*>(text); }

class PlatformWinHttp final : public WinHttpApi {
 public:
  bool CheckPlatform() override { return WinHttpCheckPlatform() != FALSE; }

  bool CrackUrl(const char16_t* url, std::uint32_t url_length, std::uint32_t flags,
                CrackedUrl& components) override {
    URL_COMPONENTS record = {};
    // The record's own size: the 32-bit figure of 60 bytes is refused by a 64-bit WinHTTP.
    record.dwStructSize = sizeof(record);
    record.dwSchemeLength = static_cast<DWORD>(-1);
    record.dwHostNameLength = static_cast<DWORD>(-1);
    record.dwUrlPathLength = static_cast<DWORD>(-1);
    record.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(W(url), url_length, flags, &record)) return false;
    components.scheme = record.nScheme;
    components.host_name = U(record.lpszHostName);
    components.host_name_length = record.dwHostNameLength;
    components.port = record.nPort;
    components.url_path = U(record.lpszUrlPath);
    components.url_path_length = record.dwUrlPathLength;
    components.extra_info = U(record.lpszExtraInfo);
    components.extra_info_length = record.dwExtraInfoLength;
    return true;
  }

  HttpHandle Open(const char16_t* agent, std::uint32_t access_type, const char16_t* proxy_name,
                  const char16_t* proxy_bypass, std::uint32_t flags) override {
    return WinHttpOpen(W(agent), access_type, W(proxy_name), W(proxy_bypass), flags);
  }

  bool SetTimeouts(HttpHandle session, int resolve_ms, int connect_ms, int send_ms,
                   int receive_ms) override {
    return WinHttpSetTimeouts(session, resolve_ms, connect_ms, send_ms, receive_ms) != FALSE;
  }

  HttpHandle Connect(HttpHandle session, const char16_t* server_name, std::uint16_t server_port,
                     std::uint32_t reserved) override {
    return WinHttpConnect(session, W(server_name), server_port, reserved);
  }

  HttpHandle OpenRequest(HttpHandle connection, const char16_t* verb, const char16_t* object_name,
                         const char16_t* version, const char16_t* referrer,
                         const char16_t* const* accept_types, std::uint32_t flags) override {
    // The platform declares the accept list without const but only reads it.
    auto** types = const_cast<LPCWSTR*>(reinterpret_cast<const LPCWSTR*>(accept_types));
    return WinHttpOpenRequest(connection, W(verb), W(object_name), W(version), W(referrer), types,
                              flags);
  }

  bool SetCredentials(HttpHandle request, std::uint32_t auth_targets, std::uint32_t auth_scheme,
                      const char16_t* user_name, const char16_t* password,
                      void* auth_params) override {
    return WinHttpSetCredentials(request, auth_targets, auth_scheme, W(user_name), W(password),
                                 auth_params) != FALSE;
  }

  bool SetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                 std::uint32_t buffer_length) override {
    return WinHttpSetOption(handle, option, const_cast<void*>(buffer), buffer_length) != FALSE;
  }

  bool AddRequestHeaders(HttpHandle request, const char16_t* headers, std::uint32_t headers_length,
                         std::uint32_t modifiers) override {
    return WinHttpAddRequestHeaders(request, W(headers), headers_length, modifiers) != FALSE;
  }

  bool SendRequest(HttpHandle request, const char16_t* headers, std::uint32_t headers_length,
                   const void* optional, std::uint32_t optional_length, std::uint32_t total_length,
                   std::uintptr_t context) override {
    return WinHttpSendRequest(request, W(headers), headers_length, const_cast<void*>(optional),
                              optional_length, total_length, context) != FALSE;
  }

  bool ReceiveResponse(HttpHandle request, void* reserved) override {
    return WinHttpReceiveResponse(request, reserved) != FALSE;
  }

  bool QueryDataAvailable(HttpHandle request, std::uint32_t* bytes_available) override {
    DWORD available = 0;
    const bool ok = WinHttpQueryDataAvailable(request, &available) != FALSE;
    *bytes_available = available;
    return ok;
  }

  bool ReadData(HttpHandle request, void* buffer, std::uint32_t bytes_to_read,
                std::uint32_t* bytes_read) override {
    DWORD read = 0;
    const bool ok = WinHttpReadData(request, buffer, bytes_to_read, &read) != FALSE;
    *bytes_read = read;
    return ok;
  }

  bool QueryHeaders(HttpHandle request, std::uint32_t info_level, const char16_t* name,
                    void* buffer, std::uint32_t* buffer_length, std::uint32_t* index) override {
    DWORD length = *buffer_length;
    DWORD header_index = index != nullptr ? *index : 0;
    const bool ok = WinHttpQueryHeaders(request, info_level, W(name), buffer, &length,
                                        index != nullptr ? &header_index : nullptr) != FALSE;
    *buffer_length = length;
    if (index != nullptr) *index = header_index;
    return ok;
  }

  bool CloseHandle(HttpHandle handle) override { return WinHttpCloseHandle(handle) != FALSE; }

  void ProcessEvents() override { chronalt::ProcessEvents(); }
};

}  // namespace

WinHttpApi& RealWinHttpApi() {
  static PlatformWinHttp api;
  return api;
}

}  // namespace chronalt
