// Builds without the platform's HTTP service have no request to make: every poll fails, which
// the window shows as empty server boxes.
#include "app/server_time_poll.h"

namespace chronalt {
namespace {

Text NoRequest(const Text&) { return {}; }

}  // namespace

ServerTimeRequester DefaultServerTimeRequester() { return &NoRequest; }

}  // namespace chronalt
