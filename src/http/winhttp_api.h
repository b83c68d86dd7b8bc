// The WinHTTP calls the request routine makes, as one narrow interface. The program binds it to
// the real functions (RealWinHttpApi); a test binds a recorder that sees every call and every
// value passed. Only portable types appear here: a handle is the platform's HINTERNET as a
// pointer, strings are zero-terminated UTF-16 and numbers have the platform's widths.
//
// ProcessEvents rides along: the routine lets queued window messages run between its stages,
// and a test counts those turns in the same log as the calls around them.
#pragma once

#include <cstdint>

namespace chronalt {

using HttpHandle = void*;

// What WinHttpCrackUrl reports: pointers into the URL that was passed, lengths in UTF-16 code
// units, the scheme number and the port (the scheme's default when the URL names none).
struct CrackedUrl {
  int scheme = 0;
  const char16_t* host_name = nullptr;
  std::uint32_t host_name_length = 0;
  std::uint16_t port = 0;
  const char16_t* url_path = nullptr;
  std::uint32_t url_path_length = 0;
  const char16_t* extra_info = nullptr;
  std::uint32_t extra_info_length = 0;
};

// The platform's numbers, under this program's names (the platform's in the comments).
constexpr int kSchemeHttps = 2;                     // INTERNET_SCHEME_HTTPS
constexpr std::uint32_t kAccessTypeNoProxy = 1;     // WINHTTP_ACCESS_TYPE_NO_PROXY
constexpr std::uint32_t kAccessTypeNamedProxy = 3;  // WINHTTP_ACCESS_TYPE_NAMED_PROXY
constexpr std::uint32_t kFlagSecure = 0x00800000;   // WINHTTP_FLAG_SECURE
constexpr std::uint32_t kAuthTargetServer = 0;      // WINHTTP_AUTH_TARGET_SERVER
constexpr std::uint32_t kAuthTargetProxy = 1;       // WINHTTP_AUTH_TARGET_PROXY
constexpr std::uint32_t kAuthSchemeBasic = 1;       // WINHTTP_AUTH_SCHEME_BASIC
constexpr std::uint32_t kOptionReceiveResponseTimeout =
    7;                                                    // WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT
constexpr std::uint32_t kOptionSecurityFlags = 31;        // WINHTTP_OPTION_SECURITY_FLAGS
constexpr std::uint32_t kOptionDisableFeature = 63;       // WINHTTP_OPTION_DISABLE_FEATURE
constexpr std::uint32_t kDisableCookies = 1;              // WINHTTP_DISABLE_COOKIES
constexpr std::uint32_t kDisableRedirects = 2;            // WINHTTP_DISABLE_REDIRECTS
constexpr std::uint32_t kAddRequestFlagAdd = 0x20000000;  // WINHTTP_ADDREQ_FLAG_ADD
constexpr std::uint32_t kQueryRawHeadersCrlf = 22;        // WINHTTP_QUERY_RAW_HEADERS_CRLF
// SECURITY_FLAG_IGNORE_UNKNOWN_CA | _CERT_WRONG_USAGE | _CERT_CN_INVALID | _CERT_DATE_INVALID
constexpr std::uint32_t kIgnoreCertificateErrors = 0x100 | 0x200 | 0x1000 | 0x2000;

class WinHttpApi {
 public:
  virtual ~WinHttpApi() = default;

  virtual bool CheckPlatform() = 0;
  // The real binding fills a URL_COMPONENTS of the platform's own size, asking for pointers
  // into the URL (lengths -1) for scheme, host, path and extra information only.
  virtual bool CrackUrl(const char16_t* url, std::uint32_t url_length, std::uint32_t flags,
                        CrackedUrl& components) = 0;
  virtual HttpHandle Open(const char16_t* agent, std::uint32_t access_type,
                          const char16_t* proxy_name, const char16_t* proxy_bypass,
                          std::uint32_t flags) = 0;
  virtual bool SetTimeouts(HttpHandle session, int resolve_ms, int connect_ms, int send_ms,
                           int receive_ms) = 0;
  virtual HttpHandle Connect(HttpHandle session, const char16_t* server_name,
                             std::uint16_t server_port, std::uint32_t reserved) = 0;
  virtual HttpHandle OpenRequest(HttpHandle connection, const char16_t* verb,
                                 const char16_t* object_name, const char16_t* version,
                                 const char16_t* referrer, const char16_t* const* accept_types,
                                 std::uint32_t flags) = 0;
  virtual bool SetCredentials(HttpHandle request, std::uint32_t auth_targets,
                              std::uint32_t auth_scheme, const char16_t* user_name,
                              const char16_t* password, void* auth_params) = 0;
  virtual bool SetOption(HttpHandle handle, std::uint32_t option, const void* buffer,
                         std::uint32_t buffer_length) = 0;
  virtual bool AddRequestHeaders(HttpHandle request, const char16_t* headers,
                                 std::uint32_t headers_length, std::uint32_t modifiers) = 0;
  virtual bool SendRequest(HttpHandle request, const char16_t* headers,
                           std::uint32_t headers_length, const void* optional,
                           std::uint32_t optional_length, std::uint32_t total_length,
                           std::uintptr_t context) = 0;
  virtual bool ReceiveResponse(HttpHandle request, void* reserved) = 0;
  virtual bool QueryDataAvailable(HttpHandle request, std::uint32_t* bytes_available) = 0;
  virtual bool ReadData(HttpHandle request, void* buffer, std::uint32_t bytes_to_read,
                        std::uint32_t* bytes_read) = 0;
  virtual bool QueryHeaders(HttpHandle request, std::uint32_t info_level, const char16_t* name,
                            void* buffer, std::uint32_t* buffer_length, std::uint32_t* index) = 0;
  virtual bool CloseHandle(HttpHandle handle) = 0;

  virtual void ProcessEvents() = 0;
};

// The binding to the platform's functions (Windows builds only).
WinHttpApi& RealWinHttpApi();

}  // namespace chronalt
