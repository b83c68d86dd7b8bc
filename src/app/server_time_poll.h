// The server row of the window: 时钟1's tick handler and the worker it starts, which asks the
// site's server-data endpoint for its clock and publishes ServerTimeText and ServerMillisText.
#pragma once

#include "util/text_bytes.h"

namespace chronalt {

struct ServerTimeReading {
  Text time;    // ServerTimeText: the stamp as a local date-time text, empty when unreadable
  Text millis;  // ServerMillisText: the stamp's last three digits (‘007’)
};

// What an answer of the endpoint says: the stamp between "{\"serverTime\":" and the next "}".
ServerTimeReading ReadServerTimeAnswer(const Text& answer);

// The endpoint the program asks: "https://" + the configured host + "//ajax/queryServerData.html".
Text ServerTimeEndpointUrl();

// The request FetchServerTime makes: the answer text of a GET of `url`, empty on failure. The
// program's is HttpRequest with every other argument left out; tests put in their own.
using ServerTimeRequester = Text (*)(const Text& url);
ServerTimeRequester DefaultServerTimeRequester();
// Installs `requester` (null: the default) and returns the one it replaces.
ServerTimeRequester SetServerTimeRequester(ServerTimeRequester requester);

// Installs a requester for the lifetime of the object, then puts the previous one back.
class ScopedServerTimeRequester {
 public:
  explicit ScopedServerTimeRequester(ServerTimeRequester requester)
      : previous_(SetServerTimeRequester(requester)) {}
  ~ScopedServerTimeRequester() { SetServerTimeRequester(previous_); }
  ScopedServerTimeRequester(const ScopedServerTimeRequester&) = delete;
  ScopedServerTimeRequester& operator=(const ScopedServerTimeRequester&) = delete;

 private:
  ServerTimeRequester previous_;
};

// Worker: one request, then ServerTimeText and ServerMillisText published in that order and
// ServerMillisText shown in 编辑框3.
void FetchServerTime();

// 时钟1's tick, on the window thread: starts a FetchServerTime worker (unless the limit of
// server polls in flight is reached) and shows the current ServerTimeText in 编辑框1.
void OnServerPollTick();

}  // namespace chronalt
