// The clock setter of the native build, which has no local clock it may set: it refuses every
// value, so SetCurrentTime reports false instead of claiming a change that never happened.
#include "util/date_time.h"

namespace chronalt {
namespace {

bool RefuseToSetClock(const ClockFields&) { return false; }

}  // namespace

ClockSetter DefaultClockSetter() { return &RefuseToSetClock; }

}  // namespace chronalt
