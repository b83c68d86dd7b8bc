// The one configured value of the program: the host (and optional port) of the server-data
// endpoint, written in when the program is built (CMake cache variable CHRONALT_SERVER_HOST).
#include "app/server_time_poll.h"

#ifndef CHRONALT_SERVER_HOST
#error "CHRONALT_SERVER_HOST must name the endpoint's host"
#endif

namespace chronalt {

Text ServerTimeEndpointUrl() {
  // The path begins with two slashes and is sent as it stands.
  return Text("https://" CHRONALT_SERVER_HOST "//ajax/queryServerData.html");
}

}  // namespace chronalt
