// Tests of the local clock row: the texts built from fixed clock readings, and 时钟2's tick with
// its worker: what the boxes show before and after a worker has run, and that ticks never wait
// for workers, even when the workers are stuck or wait for the window thread themselves. On
// Windows the boxes are MainWindow's; natively they are the in-memory ones.
#include "app/local_clock.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "fixed_clock.h"
#include "test_window.h"

namespace chronalt {
namespace {

ClockFields At(int year, int month, int day, int hour, int minute, int second, int millis) {
  auto field = [](int value) { return static_cast<std::uint16_t>(value); };
  return {field(year),   field(month), 0, field(day), field(hour), field(minute),
          field(second), field(millis)};
}

TEST(FormatLocalClockTextsTest, FixedReadings) {
  struct Case {
    ClockFields now;
    const char* time;
    const char* millis;
  };
  const Case cases[] = {
      {At(2024, 1, 5, 9, 5, 3, 7), "2024-1-5 09:05:03", "007"},
      {At(2024, 12, 31, 23, 59, 59, 45), "2024-12-31 23:59:59", "45"},
      {At(2024, 1, 1, 0, 0, 0, 0), "2024-1-1 00:00:00", "000"},
      {At(2024, 6, 15, 12, 30, 10, 12), "2024-6-15 12:30:10", "12"},
      {At(2024, 6, 15, 12, 30, 10, 100), "2024-6-15 12:30:10", "100"},
      {At(2024, 6, 15, 12, 30, 10, 9), "2024-6-15 12:30:10", "009"},
      {At(2024, 6, 15, 12, 30, 10, 10), "2024-6-15 12:30:10", "10"},
      {At(2024, 6, 15, 12, 30, 10, 999), "2024-6-15 12:30:10", "999"},
      {At(2024, 10, 10, 10, 10, 10, 1), "2024-10-10 10:10:10", "001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.time);
    const LocalClockTexts texts = FormatLocalClockTexts(c.now);
    EXPECT_EQ(texts.time, Text(c.time));
    EXPECT_EQ(texts.millis, Text(c.millis));
  }
}

class LocalClockTickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.created());
    PublishSharedText(SharedTextId::kLocalTime, Text());
    PublishSharedText(SharedTextId::kLocalMillis, Text());
    FixedClock::Set(At(2024, 1, 5, 9, 5, 3, 7));
    FixedClock::Open();
  }
  void TearDown() override {
    FixedClock::Open();
    EXPECT_TRUE(AllWorkersDone()) << WorkersInFlight(WorkerKind::kLocalClock) << " left";
  }

  bool AllWorkersDone() {
    return window_.PumpUntil([] { return WorkersInFlight(WorkerKind::kLocalClock) == 0; });
  }

  ScopedLocalClockReader reader_{&FixedClock::Read};
  TestWindow window_;
};

TEST_F(LocalClockTickTest, BoxesShowEarlierWorkersResults) {
  FixedClock::Shut();  // the first worker waits in the clock read until the box is checked
  OnLocalClockTick();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox2), Text());  // no worker has published yet
  EXPECT_EQ(EditBoxText(EditBox::kEditBox4), Text());

  FixedClock::Open();
  ASSERT_TRUE(AllWorkersDone());
  EXPECT_EQ(*ReadSharedText(SharedTextId::kLocalMillis), Text("007"));
  EXPECT_EQ(*ReadSharedText(SharedTextId::kLocalTime), Text("2024-1-5 09:05:03"));
  EXPECT_EQ(EditBoxText(EditBox::kEditBox4), Text("007"));  // the worker's own update
  EXPECT_EQ(EditBoxText(EditBox::kEditBox2), Text());       // shown by the next tick only

  FixedClock::Set(At(2024, 12, 31, 23, 59, 59, 45));
  FixedClock::Shut();
  OnLocalClockTick();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox2), Text("2024-1-5 09:05:03"));
  EXPECT_EQ(EditBoxText(EditBox::kEditBox4), Text("007"));
  FixedClock::Open();
  ASSERT_TRUE(AllWorkersDone());
  EXPECT_EQ(EditBoxText(EditBox::kEditBox4), Text("45"));
}

TEST_F(LocalClockTickTest, TicksAtTheLimitStartNothingAndNeverWait) {
  FixedClock::Shut();
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < 50; ++tick) {
    OnLocalClockTick();
    ASSERT_LE(WorkersInFlight(WorkerKind::kLocalClock), kLocalClockWorkerLimit);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(WorkersInFlight(WorkerKind::kLocalClock), kLocalClockWorkerLimit);
  // Only the workers that took a slot ever entered the clock read.
  EXPECT_TRUE(window_.PumpUntil([] { return FixedClock::Waiting() == kLocalClockWorkerLimit; }));

  FixedClock::Open();
  ASSERT_TRUE(AllWorkersDone());
  OnLocalClockTick();  // the slots are free again
  EXPECT_EQ(EditBoxText(EditBox::kEditBox2), Text("2024-1-5 09:05:03"));
}

// On Windows the workers below wait inside their update of 编辑框4, which only the window
// thread can apply, while that thread goes on ticking: a tick must not wait for them.
TEST_F(LocalClockTickTest, TicksGoOnWhileWorkersWaitForTheWindowThread) {
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < 200; ++tick) {
    OnLocalClockTick();
    ASSERT_LE(WorkersInFlight(WorkerKind::kLocalClock), kLocalClockWorkerLimit);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ASSERT_TRUE(AllWorkersDone());
  EXPECT_EQ(EditBoxText(EditBox::kEditBox4), Text("007"));
}

}  // namespace
}  // namespace chronalt
