// Tests of the clock calibration: what a click and 时钟3's ticks hand to the clock setter for a
// given ServerTimeText, the button following the check box one tick later, and no clock change
// at all while there is no readable server time. The clock setter records; the real clock is
// never touched.
#include "app/clock_calibration.h"

#include <gtest/gtest.h>

#include <mutex>
#include <utility>
#include <vector>

#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "test_window.h"
#include "util/date_time.h"

namespace chronalt {
namespace {

std::mutex g_mutex;
std::vector<ClockFields> g_set;
bool g_refuse = false;

bool RecordClock(const ClockFields& fields) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_set.push_back(fields);
  return !g_refuse;
}

std::vector<ClockFields> TakeSettings() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return std::exchange(g_set, {});
}

struct Expected {
  int year, month, day, hour, minute, second;
};

void ExpectSetTo(const ClockFields& got, const Expected& want) {
  EXPECT_EQ(got.year, want.year);
  EXPECT_EQ(got.month, want.month);
  EXPECT_EQ(got.day, want.day);
  EXPECT_EQ(got.hour, want.hour);
  EXPECT_EQ(got.minute, want.minute);
  EXPECT_EQ(got.second, want.second);
  EXPECT_EQ(got.milliseconds, 0);
}

class CalibrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.created());
    TakeSettings();
    g_refuse = false;
    SetAutoCalibrateTicked(false);
    SetCalibrateButtonEnabled(true);
    PublishSharedText(SharedTextId::kServerTime, Text());
  }

  ScopedClockSetter setter_{&RecordClock};
  TestWindow window_;
};

TEST_F(CalibrationTest, ClickAndTicksSetTheServerSecond) {
  struct Case {
    const char* server_time;
    Expected set;
  };
  const Case cases[] = {
      {"2023-11-15 06:13:20", {2023, 11, 15, 6, 13, 20}},
      {"2024-1-5 09:05:03", {2024, 1, 5, 9, 5, 3}},
      {"2023-11-15 19:13:20", {2023, 11, 15, 19, 13, 20}},
      {"2024-2-29 23:59:59", {2024, 2, 29, 23, 59, 59}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.server_time);
    PublishSharedText(SharedTextId::kServerTime, c.server_time);
    OnCalibrateClicked();
    SetAutoCalibrateTicked(true);
    OnAutoCalibrateTick();
    OnAutoCalibrateTick();
    const std::vector<ClockFields> set = TakeSettings();
    ASSERT_EQ(set.size(), 3u);  // the click and each tick
    for (const ClockFields& fields : set) ExpectSetTo(fields, c.set);
    SetAutoCalibrateTicked(false);
  }
}

TEST_F(CalibrationTest, NoReadableServerTimeLeavesTheClockAlone) {
  for (const char* server_time : {"", "2023-2-29 10:00:00", "garbage", "2023-11-15 05:20:00 PM"}) {
    SCOPED_TRACE(server_time);
    PublishSharedText(SharedTextId::kServerTime, server_time);
    OnCalibrateClicked();
    SetAutoCalibrateTicked(true);
    OnAutoCalibrateTick();
    EXPECT_TRUE(TakeSettings().empty());
    EXPECT_FALSE(IsCalibrateButtonEnabled());  // the box still governs the button
    SetAutoCalibrateTicked(false);
  }
}

TEST_F(CalibrationTest, TheButtonFollowsTheBoxAtTheNextTick) {
  PublishSharedText(SharedTextId::kServerTime, "2023-11-15 06:13:20");
  SetAutoCalibrateTicked(true);
  EXPECT_TRUE(IsCalibrateButtonEnabled());  // not before the tick
  OnAutoCalibrateTick();
  EXPECT_FALSE(IsCalibrateButtonEnabled());
  OnAutoCalibrateTick();
  EXPECT_FALSE(IsCalibrateButtonEnabled());

  SetAutoCalibrateTicked(false);
  EXPECT_FALSE(IsCalibrateButtonEnabled());
  TakeSettings();
  OnAutoCalibrateTick();
  EXPECT_TRUE(IsCalibrateButtonEnabled());
  EXPECT_TRUE(TakeSettings().empty());  // an unticked box sets nothing
}

TEST_F(CalibrationTest, ARefusedSettingIsSilent) {
  g_refuse = true;  // no right to change the system time
  PublishSharedText(SharedTextId::kServerTime, "2023-11-15 06:13:20");
  OnCalibrateClicked();
  SetAutoCalibrateTicked(true);
  OnAutoCalibrateTick();
  EXPECT_EQ(TakeSettings().size(), 2u);
  EXPECT_FALSE(IsCalibrateButtonEnabled());
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text());  // nothing shown anywhere
}

}  // namespace
}  // namespace chronalt
