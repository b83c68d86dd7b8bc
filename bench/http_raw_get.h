// The yardsticks of the request routine's benchmark: the plainest WinHTTP GET of a URL (one
// session, connection and request, certificate errors ignored, the body read into one growing
// buffer) and the process's peak working set.
#pragma once

#include <cstddef>
#include <string>

namespace chronalt {

// The body's size in bytes, or -1 when any step failed.
long long RawWinHttpGet(const std::wstring& host, int port, const std::wstring& path);

// The largest working set the process has had so far, in bytes. (The peak of committed
// memory would be the better figure, but not every platform keeps it.)
std::size_t PeakWorkingSetBytes();

}  // namespace chronalt
