// The program's server-time request: a GET through the HTTP client with its defaults.
#include "app/server_time_poll.h"
#include "http/http_request.h"

namespace chronalt {
namespace {

Text GetWithDefaults(const Text& url) { return HttpRequest(url, kHttpGet); }

}  // namespace

ServerTimeRequester DefaultServerTimeRequester() { return &GetWithDefaults; }

}  // namespace chronalt
