// Tests of the worker threads: StartThread runs the routine on a thread of its own; the limit
// per kind is never exceeded, not even by starts from several threads at once; a start at the
// limit returns at once without starting anything; slots come back when workers end; and the
// two kinds count apart.
#include "app/worker_threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace chronalt {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

bool WaitFor(const std::function<bool()>& done, milliseconds limit = milliseconds(10000)) {
  const auto deadline = steady_clock::now() + limit;
  while (!done()) {
    if (steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(1));
  }
  return true;
}

// Routines are plain functions, so what they share lives here.
struct Gate {
  std::mutex mutex;
  std::condition_variable opened;
  bool open = true;
  std::atomic<int> running{0};
  std::atomic<int> most_running{0};
  std::atomic<int> finished{0};
};
Gate& TheGate() {
  static Gate* const gate = new Gate;  // never destroyed: workers may outlive a failed test
  return *gate;
}

void SetGate(bool open) {
  {
    std::lock_guard<std::mutex> lock(TheGate().mutex);
    TheGate().open = open;
  }
  TheGate().opened.notify_all();
}

// Counts itself in, records the most seen at once, and waits while the gate is shut.
void GatedRoutine() {
  Gate& gate = TheGate();
  const int now = ++gate.running;
  int most = gate.most_running.load();
  while (now > most && !gate.most_running.compare_exchange_weak(most, now)) {
  }
  {
    std::unique_lock<std::mutex> lock(gate.mutex);
    gate.opened.wait(lock, [&] { return gate.open; });
  }
  --gate.running;
  ++gate.finished;
}

class WorkerThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetGate(true);
    TheGate().most_running = 0;
    TheGate().finished = 0;
  }
  void TearDown() override {
    SetGate(true);
    EXPECT_TRUE(WaitFor([] {
      return WorkersInFlight(WorkerKind::kServerPoll) == 0 &&
             WorkersInFlight(WorkerKind::kLocalClock) == 0;
    }));
  }
};

TEST_F(WorkerThreadsTest, StartThreadRunsTheRoutineOnItsOwnThread) {
  // Shared, not on this stack: the detached thread may still be unlocking when the test ends.
  struct Seen {
    std::mutex mutex;
    bool ran = false;
    std::thread::id id;
  };
  auto seen = std::make_shared<Seen>();
  ASSERT_TRUE(StartThread([seen] {
    std::lock_guard<std::mutex> lock(seen->mutex);
    seen->id = std::this_thread::get_id();
    seen->ran = true;
  }));
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> lock(seen->mutex);
    return seen->ran;
  }));
  std::lock_guard<std::mutex> lock(seen->mutex);
  EXPECT_NE(seen->id, std::this_thread::get_id());
}

TEST_F(WorkerThreadsTest, StartsAtTheLimitReturnAtOnceAndStartNothing) {
  for (WorkerKind kind : {WorkerKind::kServerPoll, WorkerKind::kLocalClock}) {
    SCOPED_TRACE(static_cast<int>(kind));
    SetGate(false);
    TheGate().most_running = 0;
    const int limit = WorkerLimit(kind);
    int started = 0;
    const auto start = steady_clock::now();
    for (int i = 0; i < limit * 10; ++i) {
      if (StartBoundedWorker(kind, &GatedRoutine)) ++started;
      ASSERT_LE(WorkersInFlight(kind), limit);
    }
    EXPECT_LT(steady_clock::now() - start, milliseconds(1000));  // nobody waited for a slot
    EXPECT_EQ(started, limit);
    ASSERT_TRUE(WaitFor([&] { return TheGate().running == limit; }));
    EXPECT_EQ(TheGate().most_running, limit);

    SetGate(true);
    ASSERT_TRUE(WaitFor([&] { return WorkersInFlight(kind) == 0; }));
    EXPECT_TRUE(StartBoundedWorker(kind, &GatedRoutine));  // slots come back
    ASSERT_TRUE(WaitFor([&] { return WorkersInFlight(kind) == 0; }));
  }
}

TEST_F(WorkerThreadsTest, KindsCountApart) {
  SetGate(false);
  while (StartBoundedWorker(WorkerKind::kLocalClock, &GatedRoutine)) {
  }
  EXPECT_EQ(WorkersInFlight(WorkerKind::kLocalClock), kLocalClockWorkerLimit);
  EXPECT_TRUE(StartBoundedWorker(WorkerKind::kServerPoll, &GatedRoutine));
  EXPECT_EQ(WorkersInFlight(WorkerKind::kServerPoll), 1);
}

// Several threads starting short workers at once: the count taken with each start can never
// pass the limit, whatever the interleaving.
TEST_F(WorkerThreadsTest, ConcurrentStartsNeverPassTheLimit) {
  constexpr int kStarters = 4;
  constexpr int kStartsEach = 300;
  std::atomic<int> started{0};
  std::vector<std::thread> starters;
  for (int s = 0; s < kStarters; ++s) {
    starters.emplace_back([&] {
      for (int i = 0; i < kStartsEach; ++i) {
        if (StartBoundedWorker(WorkerKind::kLocalClock, &GatedRoutine)) ++started;
      }
    });
  }
  for (std::thread& starter : starters) starter.join();
  ASSERT_TRUE(WaitFor([] { return WorkersInFlight(WorkerKind::kLocalClock) == 0; }));
  EXPECT_EQ(TheGate().finished, started.load());
  EXPECT_GE(started, 1);
  EXPECT_LE(TheGate().most_running, kLocalClockWorkerLimit);
}

}  // namespace
}  // namespace chronalt
