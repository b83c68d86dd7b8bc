// The server row end to end under Wine: FetchServerTime over the real HTTP client against the
// demo time server on a local port (started by with_demo_server.py), a refused connection, and
// readings coming back when the server answers again.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "app/local_clock_source.h"
#include "app/server_time_poll.h"
#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "http/http_request.h"
#include "test_window.h"
#include "util/date_time.h"

namespace chronalt {
namespace {

Text g_url;  // where the requester below sends its GET; set before any worker starts

Text GetFromTestUrl(const Text&) { return HttpRequest(g_url, kHttpGet); }

Text FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? Text(value) : Text();
}

class ServerTimeEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.created());
    demo_url_ = FromEnvironment("CHRONALT_DEMO_URL");
    closed_url_ = FromEnvironment("CHRONALT_CLOSED_URL");
    ASSERT_FALSE(demo_url_.empty()) << "run through with_demo_server.py";
  }

  void PollOnce(const Text& url) {
    g_url = url;
    OnServerPollTick();
    ASSERT_TRUE(window_.PumpUntil([] { return WorkersInFlight(WorkerKind::kServerPoll) == 0; },
                                  std::chrono::seconds(60)));
  }

  // Seconds between the published server time and the local clock.
  double SkewSeconds() {
    const ClockFields now = ReadLocalClock();
    const DateTime local = FieldsToDateTime(
        {now.year, now.month, now.day, now.hour, now.minute, now.second, now.day_of_week});
    const DateTime server = ToTime(*ReadSharedText(SharedTextId::kServerTime));
    return std::fabs(server - local) * 86400.0;
  }

  ScopedServerTimeRequester requester_{&GetFromTestUrl};
  TestWindow window_;
  Text demo_url_;
  Text closed_url_;
};

TEST_F(ServerTimeEndToEndTest, ReadsTheServerClockAndRecoversFromARefusedConnection) {
  PollOnce(demo_url_);
  ASSERT_FALSE(ReadSharedText(SharedTextId::kServerTime)->empty());
  EXPECT_LT(SkewSeconds(), 5.0) << ReadSharedText(SharedTextId::kServerTime)->c_str();
  EXPECT_EQ(TextLength(*ReadSharedText(SharedTextId::kServerMillis)), 3);
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), *ReadSharedText(SharedTextId::kServerMillis));

  PollOnce(closed_url_);  // connection refused
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerTime), Text());
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), Text());
  PollOnce(closed_url_);
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text());

  PollOnce(demo_url_);  // the server is back
  EXPECT_LT(SkewSeconds(), 5.0);
  PollOnce(demo_url_);
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), *ReadSharedText(SharedTextId::kServerTime));
}

TEST_F(ServerTimeEndToEndTest, AnotherPathGivesNoReading) {
  PollOnce(demo_url_);
  ASSERT_FALSE(ReadSharedText(SharedTextId::kServerTime)->empty());
  PollOnce(Text(std::string(demo_url_.str()) + "x"));  // 404 page without the marker
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerTime), Text());
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerMillis), Text());
}

}  // namespace
}  // namespace chronalt
