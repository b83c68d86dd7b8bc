// Tests of the server row: the reading an answer gives, the worker's publishing order and its
// update of 编辑框3, 时钟1's tick showing an earlier worker's result, the limit of polls in
// flight, and readings coming back after failures. The request is a fake; the tests run in
// UTC+8 (see CMakeLists.txt).
#include "app/server_time_poll.h"

#include <gtest/gtest.h>

#include <chrono>

#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "fake_server.h"
#include "test_window.h"

namespace chronalt {
namespace {

TEST(ReadServerTimeAnswerTest, Answers) {
  struct Case {
    const char* answer;
    const char* time;
    const char* millis;
  };
  const Case cases[] = {
      {"{\"serverTime\":1700046800123}", "2023-11-15 19:13:20", "123"},
      {"{\"serverTime\":1700000000007}", "2023-11-15 06:13:20", "007"},
      {"{\"serverTime\":1704416703000}", "2024-1-5 09:05:03", "000"},
      // Ten digits are seconds, read as UTC+8 wall-clock time whatever the machine's zone.
      {"{\"serverTime\":1700000000}", "2023-11-15 06:13:20", "000"},
      // Only the first marker and the first "}" after it count.
      {"x{\"serverTime\":1700046800123}{\"serverTime\":1}", "2023-11-15 19:13:20", "123"},
      // No reading: both texts empty, the milliseconds too, whatever the answer ends with.
      {"", "", ""},
      {"<html>502 Bad Gateway</html>", "", ""},
      {"{\"serverTime\":1700046800123", "", ""},
      {"{\"serverTime\":1700046800123,\"zone\":8}", "", ""},
      {"{\"serverTime\": 1700046800123}", "", ""},
      {"{\"serverTime\":\"1700046800123\"}", "", ""},
      {"{\"serverTime\":1');alert(1);('}", "", ""},
      {"{\"serverTime\":-1700046800123}", "", ""},
      {"{\"serverTime\":}", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    const ServerTimeReading reading = ReadServerTimeAnswer(c.answer);
    EXPECT_EQ(reading.time, Text(c.time));
    EXPECT_EQ(reading.millis, Text(c.millis));
  }
}

TEST(ServerTimeEndpointTest, IsTheHttpsEndpointWithItsDoubleSlash) {
  const Text url = ServerTimeEndpointUrl();
  EXPECT_EQ(TextLeft(url, 8), Text("https://"));
  EXPECT_EQ(TextRight(url, 27), Text("//ajax/queryServerData.html"));
  EXPECT_GT(TextLength(url), 8 + 27);  // a host in between
}

class ServerPollTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.created());
    PublishSharedText(SharedTextId::kServerTime, Text());
    PublishSharedText(SharedTextId::kServerMillis, Text());
    FakeServer::Answer("{\"serverTime\":1700046800123}");
    FakeServer::Open();
  }
  void TearDown() override {
    FakeServer::Open();
    EXPECT_TRUE(AllWorkersDone());
  }

  bool AllWorkersDone() {
    return window_.PumpUntil([] { return WorkersInFlight(WorkerKind::kServerPoll) == 0; });
  }
  // One tick whose worker runs to its end.
  void TickAndWait() {
    OnServerPollTick();
    ASSERT_TRUE(AllWorkersDone());
  }

  ScopedServerTimeRequester requester_{&FakeServer::Request};
  TestWindow window_;
};

TEST_F(ServerPollTest, WorkerPublishesAndTheNextTickShows) {
  const int before = FakeServer::Requests();
  FakeServer::Shut();
  OnServerPollTick();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text());  // nothing published yet
  FakeServer::Open();
  ASSERT_TRUE(AllWorkersDone());

  EXPECT_EQ(FakeServer::Requests(), before + 1);
  EXPECT_EQ(FakeServer::LastUrl(), ServerTimeEndpointUrl());
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerTime), Text("2023-11-15 19:13:20"));
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerMillis), Text("123"));
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), Text("123"));  // the worker's own update
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text());       // the next tick's job

  FakeServer::Shut();
  OnServerPollTick();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text("2023-11-15 19:13:20"));
}

TEST_F(ServerPollTest, FailuresEmptyBothBoxesAndReadingsComeBack) {
  TickAndWait();
  TickAndWait();
  ASSERT_EQ(EditBoxText(EditBox::kEditBox1), Text("2023-11-15 19:13:20"));

  FakeServer::Answer("");  // a failed request
  TickAndWait();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), Text());
  TickAndWait();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text());
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerMillis), Text());

  FakeServer::Answer("{\"serverTime\":1700000000007}");
  TickAndWait();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), Text("007"));
  TickAndWait();
  EXPECT_EQ(EditBoxText(EditBox::kEditBox1), Text("2023-11-15 06:13:20"));
}

TEST_F(ServerPollTest, TicksAtTheLimitStartNoRequestAndNeverWait) {
  FakeServer::Shut();  // an unreachable server: every request waits
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < 200; ++tick) {
    OnServerPollTick();
    ASSERT_LE(WorkersInFlight(WorkerKind::kServerPoll), kServerPollWorkerLimit);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(window_.PumpUntil([] { return FakeServer::Waiting() == kServerPollWorkerLimit; }));
  FakeServer::Open();
  ASSERT_TRUE(AllWorkersDone());
  OnServerPollTick();  // the slots are free again
  ASSERT_TRUE(AllWorkersDone());
  EXPECT_EQ(EditBoxText(EditBox::kEditBox3), Text("123"));
}

}  // namespace
}  // namespace chronalt
