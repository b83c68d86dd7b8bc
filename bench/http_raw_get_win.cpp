// The raw WinHTTP GET and the memory counter for the request routine's benchmark.
#include <windows.h>

#include <psapi.h>
#include <winhttp.h>

#include <string>

#include "http_raw_get.h"

namespace chronalt {
namespace {

class Handle {
 public:
  explicit Handle(HINTERNET handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

}  // namespace

long long RawWinHttpGet(const std::wstring& host, int port, const std::wstring& path) {
  Handle session(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0));
  if (session.get() == nullptr) return -1;
  Handle connection(
      WinHttpConnect(session.get(), host.c_str(), static_cast<INTERNET_PORT>(port), 0));
  if (connection.get() == nullptr) return -1;
  Handle request(WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                    WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                    WINHTTP_FLAG_SECURE));
  if (request.get() == nullptr) return -1;
  DWORD flags = SECURITY_FLAG_IGNORE_UNKNOWN_CA | SECURITY_FLAG_IGNORE_CERT_WRONG_USAGE |
                SECURITY_FLAG_IGNORE_CERT_CN_INVALID | SECURITY_FLAG_IGNORE_CERT_DATE_INVALID;
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &flags, sizeof flags) ||
      !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return -1;
  }
  std::string body;
  for (;;) {
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request.get(), &available) || available == 0) break;
    const std::size_t before = body.size();
    body.resize(before + available);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), body.data() + before, available, &read)) return -1;
    body.resize(before + read);
  }
  return static_cast<long long>(body.size());
}

std::size_t PeakWorkingSetBytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

}  // namespace chronalt
