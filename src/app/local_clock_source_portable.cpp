// The local clock of the native build: the system clock in the C library's local time zone.
#include <time.h>

#include <chrono>
#include <cstdint>

#include "app/local_clock_source.h"

namespace chronalt {
namespace {

ClockFields ReadCLibraryLocalTime() {
  using std::chrono::duration_cast;
  using std::chrono::milliseconds;
  const auto since_epoch =
      duration_cast<milliseconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(since_epoch / 1000);
  tm local{};
  localtime_r(&seconds, &local);
  auto field = [](int value) { return static_cast<std::uint16_t>(value); };
  return {field(local.tm_year + 1900), field(local.tm_mon + 1),
          field(local.tm_wday),        field(local.tm_mday),
          field(local.tm_hour),        field(local.tm_min),
          field(local.tm_sec),         field(static_cast<int>(since_epoch % 1000))};
}

}  // namespace

LocalClockReader DefaultLocalClockReader() { return &ReadCLibraryLocalTime; }

}  // namespace chronalt
