// Tests of the program as shipped: chronalt.exe started as a process of its own, against the
// demo time server that with_demo_server.py runs on the port the program was built for, read
// from this process the way any other program on the desktop could. Its server row shows the
// demo server's clock, offset included; its local row shows the local clock; Esc ends it
// cleanly (exit code 0) while its workers keep being started up to the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "program_probe_win.h"

namespace chronalt {
namespace {

using std::chrono::seconds;

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

// A date-time row and the local clock at the moment it was read.
struct RowSample {
  long long shown_ms;
  long long local_now_ms;
};

// Reads a row (date-time box and milliseconds box) `count` times, 100 ms apart. A sample whose
// milliseconds box changed while it was read is taken again, so the two boxes belong together.
std::vector<RowSample> SampleRow(HWND date_time_box, HWND millis_box, int count) {
  std::vector<RowSample> samples;
  for (int attempt = 0; attempt < count * 10 && static_cast<int>(samples.size()) < count;
       ++attempt) {
    const long long before = LocalNowMilliseconds();
    const std::wstring millis = ControlText(millis_box);
    const std::wstring date_time = ControlText(date_time_box);
    const long long after = LocalNowMilliseconds();
    if (ControlText(millis_box) != millis) continue;
    if (const auto shown = ShownLocalMilliseconds(date_time, millis)) {
      samples.push_back({*shown, (before + after) / 2});
    }
    Sleep(100);
  }
  return samples;
}

// The median of (shown - local now) over the samples, in milliseconds.
long long MedianLead(std::vector<RowSample> samples) {
  std::vector<long long> leads;
  for (const RowSample& sample : samples) leads.push_back(sample.shown_ms - sample.local_now_ms);
  std::sort(leads.begin(), leads.end());
  return leads[leads.size() / 2];
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(program_.started()) << "CreateProcess failed: " << program_.start_error();
    window_ = program_.WaitForMainWindow(seconds(20));
    ASSERT_NE(window_, nullptr) << "no window appeared";
  }

  void EndWithEsc() {
    ASSERT_TRUE(PostMessageW(window_, WM_KEYDOWN, VK_ESCAPE, 1));
    const auto exit_code = program_.WaitForExit(seconds(20));
    ASSERT_TRUE(exit_code.has_value()) << "the program did not end";
    EXPECT_EQ(*exit_code, 0u);
  }

  HWND Box(int id) const { return GetDlgItem(window_, id); }

  RunningProgram program_{WindowsPathOf(CHRONALT_PROGRAM_PATH)};
  HWND window_ = nullptr;
};

TEST_F(ProgramTest, ShowsTheLocalClockAndEndsOnEsc) {
  EXPECT_EQ(ControlText(window_), L"Chronalt");
  EXPECT_TRUE(IsWindowVisible(window_));

  std::vector<RowSample> local;
  ASSERT_TRUE(WaitUntil(
      [&] {
        local = SampleRow(Box(kIdEditBox2), Box(kIdEditBox4), 5);
        return local.size() == 5;
      },
      seconds(20)))
      << "local row shows \"" << Narrow(ControlText(Box(kIdEditBox2))) << "\" \""
      << Narrow(ControlText(Box(kIdEditBox4))) << "\"";
  EXPECT_LT(std::abs(MedianLead(local)), 1000) << "local row is off the local clock";

  EndWithEsc();
}

TEST_F(ProgramTest, ShowsTheDemoServersTimeWithItsOffset) {
  const char* offset_text = std::getenv("CHRONALT_DEMO_OFFSET_MS");
  ASSERT_NE(offset_text, nullptr) << "run through with_demo_server.py --offset-ms";
  const long long offset_ms = std::atoll(offset_text);

  std::vector<RowSample> server;
  ASSERT_TRUE(WaitUntil(
      [&] {
        server = SampleRow(Box(kIdEditBox1), Box(kIdEditBox3), 10);
        return server.size() == 10;
      },
      seconds(30)))
      << "server row shows \"" << Narrow(ControlText(Box(kIdEditBox1))) << "\" \""
      << Narrow(ControlText(Box(kIdEditBox3))) << "\"";
  const long long lead = MedianLead(server);
  EXPECT_LT(std::abs(lead - offset_ms), 1000) << "server row leads the local clock by " << lead
                                              << " ms, the demo server by " << offset_ms << " ms";

  EndWithEsc();
}

}  // namespace
}  // namespace chronalt
