// A local clock for the tests: it reads a fixed time, and it can be shut so that workers wait
// inside the read until the test opens it again (or for good, for the tests of shut-down).
#pragma once

#include <condition_variable>
#include <mutex>

#include "app/local_clock_source.h"

namespace chronalt {

class FixedClock {
 public:
  static void Set(const ClockFields& now) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().now = now;
  }
  static void Shut() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().open = false;
  }
  static void Open() {
    {
      std::lock_guard<std::mutex> lock(State().mutex);
      State().open = true;
    }
    State().changed.notify_all();
  }
  // Workers waiting inside the read right now.
  static int Waiting() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().waiting;
  }
  // The LocalClockReader.
  static ClockFields Read() {
    std::unique_lock<std::mutex> lock(State().mutex);
    ++State().waiting;
    State().changed.wait(lock, [] { return State().open; });
    --State().waiting;
    return State().now;
  }

 private:
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    ClockFields now;
    bool open = true;
    int waiting = 0;
  };
  // Never destroyed: workers shut inside the read may outlive the test's end.
  static Shared& State() {
    static Shared* const shared = new Shared;
    return *shared;
  }
};

}  // namespace chronalt
