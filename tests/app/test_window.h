// A window for the tests of the handlers and workers. On Windows it is a real MainWindow with
// its timers stopped, so ticks come only from the test, and the window thread (the test's)
// applies workers' updates only while the test pumps. The native build has no window: its
// boxes are the in-memory ones, emptied here, and updates apply at once.
#pragma once

#include <chrono>
#include <functional>

namespace chronalt {

class TestWindow {
 public:
  TestWindow();
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  bool created() const { return created_; }

  // Handles the window thread's pending messages, and sent ones such as a worker's update,
  // until `done` holds or the time is up; returns `done`'s last answer.
  bool PumpUntil(const std::function<bool()>& done,
                 std::chrono::milliseconds time_limit = std::chrono::seconds(10));

 private:
  bool created_ = false;
  void* window_ = nullptr;
};

}  // namespace chronalt
