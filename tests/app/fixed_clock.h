// A local clock for the tests: it reads a fixed time, and it can be shut so that workers wait
// inside the read until the test opens it again (or for good, for the tests of shut-down).
#pragma once

#include "app/local_clock_source.h"
#include "worker_gate.h"

namespace chronalt {

class FixedClock {
 public:
  static void Set(const ClockFields& now) {
    State().gate.Locked([&] { State().now = now; });
  }
  static void Shut() { State().gate.Shut(); }
  static void Open() { State().gate.Open(); }
  // Workers waiting inside the read right now.
  static int Waiting() { return State().gate.Waiting(); }
  // The LocalClockReader.
  static ClockFields Read() {
    return State().gate.Pass([] { return State().now; });
  }

 private:
  struct Shared {
    WorkerGate gate;
    ClockFields now;
  };
  // Never destroyed: workers shut inside the read may outlive the test's end.
  static Shared& State() {
    static Shared* const shared = new Shared;
    return *shared;
  }
};

}  // namespace chronalt
