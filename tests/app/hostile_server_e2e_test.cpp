// The server row against a server that answers badly on purpose (hostile_time_server.py, whose
// listeners with_hostile_server.py starts around this program). Every answer goes through
// FetchServerTime over the real HTTP client with the program's own request, and afterwards the
// poll has ended within its time-outs, its worker is gone, and the shared texts and 编辑框3
// hold either what ReadServerTimeAnswer makes of the body that was sent or nothing. Answers
// that take tens of seconds run side by side on threads of their own, through the same request
// and ReadServerTimeAnswer, while the quick ones go through the window one after another.
//
// CHRONALT_HOSTILE_LONG=1 (tests/app/run_hostile_long.sh) adds a head trickled a byte a second,
// a full row of slow polls and many more random answers.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../http/test_printing.h"
#include "app/server_time_poll.h"
#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "http/code_page.h"
#include "http/http_request.h"
#include "test_window.h"

namespace chronalt {
namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kEndpoint = "//ajax/queryServerData.html";
const Text kSentinel = "sentinel";  // put in before a poll, so a text it leaves alone shows

std::string FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

bool LongMode() { return FromEnvironment("CHRONALT_HOSTILE_LONG") == "1"; }

// Where a case is asked: the listener's environment variable.
enum class Listener { kHttps, kOtherName, kPlain, kReset, kGarbage, kClosed };

std::string BaseUrl(Listener listener) {
  switch (listener) {
    case Listener::kHttps:
      return FromEnvironment("CHRONALT_HOSTILE_HTTPS");
    case Listener::kOtherName:
      return FromEnvironment("CHRONALT_HOSTILE_OTHER_NAME");
    case Listener::kPlain:
      return FromEnvironment("CHRONALT_HOSTILE_PLAIN");
    case Listener::kReset:
      return FromEnvironment("CHRONALT_HOSTILE_RESET");
    case Listener::kGarbage:
      return FromEnvironment("CHRONALT_HOSTILE_GARBAGE");
    case Listener::kClosed:
      return FromEnvironment("CHRONALT_HOSTILE_CLOSED");
  }
  return "";
}

std::string CaseUrl(Listener listener, const std::string& name, int n,
                    const std::string& more = "") {
  return BaseUrl(listener) + kEndpoint + "?case=" + name + "&n=" + std::to_string(n) + more;
}

// The body the server recorded for a case, as it sent it; empty when it sent none.
std::string SentBody(const std::string& name, int n) {
  std::ifstream in(FromEnvironment("CHRONALT_HOSTILE_RECORD_DIR") + "/" + name + "-" +
                       std::to_string(n) + ".body",
                   std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What the program may show after an answer.
enum class Outcome {
  kReading,  // what ReadServerTimeAnswer makes of the sent body (which may be no reading)
  kEmpty,    // nothing: the request failed
  kEither,   // the platform decides whether the body gets through (odd framing or head)
};

struct Reading {
  Text time;
  Text millis;
};

// Empty when the texts are as `outcome` allows, else what is wrong. `pinned_millis`, when
// given, is what the reading of the sent body must be, so a case meant to read cannot pass by
// reading nothing.
std::string CheckReading(const Reading& got, Outcome outcome, const std::string& sent,
                         const char* pinned_millis) {
  const ServerTimeReading of_sent = ReadServerTimeAnswer(Text(sent));
  std::ostringstream problem;
  if (pinned_millis != nullptr && of_sent.millis != Text(pinned_millis)) {
    problem << "the sent body reads as millis " << Escaped(of_sent.millis.view())
            << ", the table says '" << pinned_millis << "'; ";
  }
  const bool is_reading = got.time == of_sent.time && got.millis == of_sent.millis;
  const bool is_empty = got.time.empty() && got.millis.empty();
  const bool ok = outcome == Outcome::kReading ? is_reading
                  : outcome == Outcome::kEmpty ? is_empty
                                               : is_reading || is_empty;
  if (!ok) {
    problem << "got time " << Escaped(got.time.view()) << " millis " << Escaped(got.millis.view())
            << ", the sent body reads as " << Escaped(of_sent.time.view()) << " "
            << Escaped(of_sent.millis.view()) << " (" << Escaped(sent.substr(0, 80)) << ")";
  }
  return problem.str();
}

// --- the program's request to a case's URL ----------------------------------------------------
std::mutex g_url_mutex;
Text g_url;  // where FetchServerTime's request goes; set before each tick

Text GetHostileUrl(const Text&) {
  Text url;
  {
    std::lock_guard<std::mutex> lock(g_url_mutex);
    url = g_url;
  }
  // The program's own request: HttpRequest(url, kHttpGet) with the defaults.
  return DefaultServerTimeRequester()(url);
}

// --- slow answers, each on its own thread ------------------------------------------------------
struct SlowCase {
  const char* name;
  Outcome outcome;
  const char* millis;  // pinned reading of the sent body, or null
  double min_seconds;  // a trickle that ends sooner did not trickle
  double max_seconds;
  bool long_mode_only;
};

// With the default 30-second time-outs. A body trickled a byte a second never trips the
// per-phase receive time-out; the read as a whole gets the same limit, so the long trickle
// ends at about 30 seconds instead of after its 1000 bytes.
const SlowCase kSlowCases[] = {
    {"trickle-answer", Outcome::kReading, "000", 23, 30, false},  // 25 bytes at 1 byte/s
    {"trickle-long", Outcome::kEmpty, "123", 29, 34, false},      // 1000 bytes at 1 byte/s
    {"silent", Outcome::kEmpty, nullptr, 29, 34, false},          // accepts, never answers
    // 28 of 1000 announced bytes, then silence: the receive time-out ends the read, and what
    // came before it stays, as for any read that ends early.
    {"length-long-open", Outcome::kReading, "123", 29, 34, false},
    // A megabyte of short header lines, which the platform may take long over.
    {"header-1mib-lines", Outcome::kEither, "123", 0, 150, true},
    // The head trickled: the platform's wait for the answer's headers decides.
    {"trickle-head", Outcome::kEither, "123", 0, 150, true},
};

struct SlowRun {
  const SlowCase* c = nullptr;
  Reading reading;
  double seconds = 0;
};

// Starts the slow cases before the first test, so they wait while the quick ones run, and
// hands their results to the test that checks them.
class SlowCases : public ::testing::Environment {
 public:
  void SetUp() override {
    if (!CheckIsSelected()) return;
    for (const SlowCase& c : kSlowCases) {
      if (c.long_mode_only && !LongMode()) continue;
      runs_.push_back({&c, {}, 0});
    }
    for (SlowRun& run : runs_) {
      threads_.emplace_back([&run] {
        const Text url = CaseUrl(Listener::kHttps, run.c->name, 0);
        const auto start = Clock::now();
        const Text answer = DefaultServerTimeRequester()(url);
        run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        const ServerTimeReading reading = ReadServerTimeAnswer(answer);
        run.reading = {reading.time, reading.millis};
      });
    }
  }
  void TearDown() override { Join(); }

  const std::vector<SlowRun>& Join() {
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
    return runs_;
  }

 private:
  // Whether the test that checks the slow cases runs at all (a filter may leave it out).
  static bool CheckIsSelected() {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < unit.total_test_suite_count(); ++i) {
      const ::testing::TestSuite& suite = *unit.GetTestSuite(i);
      for (int j = 0; j < suite.total_test_count(); ++j) {
        const ::testing::TestInfo& test = *suite.GetTestInfo(j);
        if (std::string(suite.name()) == "HostileSlowAnswerTest" && test.should_run()) {
          return true;
        }
      }
    }
    return false;
  }

  std::vector<SlowRun> runs_;
  std::vector<std::thread> threads_;
};

SlowCases* const g_slow_cases =
    static_cast<SlowCases*>(::testing::AddGlobalTestEnvironment(new SlowCases));

// --- quick answers through the window --------------------------------------------------------
struct QuickCase {
  const char* name;
  Outcome outcome;
  const char* millis;  // pinned reading of the sent body ("" for none), or null
  Listener listener = Listener::kHttps;
};

const QuickCase kQuickCases[] = {
    // Bodies: only the bytes between the first marker and the first "}" after it count.
    {"plain", Outcome::kReading, "123"},
    {"ten-digits", Outcome::kReading, "000"},
    {"leading-zeros", Outcome::kReading, "007"},
    {"zero-stamp", Outcome::kReading, nullptr},
    {"last-day", Outcome::kReading, nullptr},
    {"past-last-day", Outcome::kReading, ""},
    {"largest-int64", Outcome::kReading, ""},
    {"past-int64", Outcome::kReading, ""},
    {"twenty-digits", Outcome::kReading, ""},
    {"quoted", Outcome::kReading, ""},
    {"negative", Outcome::kReading, ""},
    {"plus-sign", Outcome::kReading, ""},
    {"space-before", Outcome::kReading, ""},
    {"space-after", Outcome::kReading, ""},
    {"tab-inside", Outcome::kReading, ""},
    {"empty-stamp", Outcome::kReading, ""},
    {"fraction", Outcome::kReading, ""},
    {"exponent", Outcome::kReading, ""},
    {"hex", Outcome::kReading, ""},
    {"script-stamp", Outcome::kReading, ""},
    {"script-around", Outcome::kReading, "123"},
    {"script-marker", Outcome::kReading, ""},
    {"json-spaces", Outcome::kReading, ""},
    {"more-fields", Outcome::kReading, ""},
    {"nested", Outcome::kReading, ""},
    {"no-marker", Outcome::kReading, ""},
    {"no-end", Outcome::kReading, ""},
    {"end-first", Outcome::kReading, ""},
    {"two-answers", Outcome::kReading, "123"},
    {"marker-twice", Outcome::kReading, ""},
    {"many-markers", Outcome::kReading, ""},
    {"prefix-junk", Outcome::kReading, "123"},
    {"gbk-around", Outcome::kReading, "123"},
    // A byte of 0x80 or above begins a two-byte character: the mark's last byte takes the
    // "{" with it, and the marker is not there.
    {"utf8-bom", Outcome::kReading, ""},
    {"utf16", Outcome::kReading, ""},
    {"zero-first", Outcome::kReading, ""},
    {"zero-after", Outcome::kReading, "123"},
    {"zero-inside", Outcome::kReading, ""},
    {"zeros-only", Outcome::kReading, ""},
    {"empty-body", Outcome::kReading, ""},
    {"html-error", Outcome::kReading, ""},
    // A declared charset sends the body through the stream decoder: ASCII comes back as it
    // was, a charset it does not know or one that reads the bytes as UTF-16 may give nothing.
    {"meta-utf8", Outcome::kReading, "123"},
    {"meta-gbk", Outcome::kReading, "123"},
    {"meta-unknown", Outcome::kEither, "123"},
    {"meta-utf16", Outcome::kEither, "123"},
    // 10 MiB.
    {"big-tail", Outcome::kReading, "123"},
    {"big-head", Outcome::kReading, "123"},
    {"big-random", Outcome::kReading, nullptr},
    {"big-markers", Outcome::kReading, ""},
    {"big-zeros", Outcome::kReading, ""},
    {"big-meta", Outcome::kReading, "123"},
    {"big-chunked", Outcome::kReading, "123"},
    // Framing.
    {"chunked-bytes", Outcome::kReading, "123"},
    {"chunked-extensions", Outcome::kReading, "123"},
    {"chunked-bad-size", Outcome::kEither, "123"},
    {"chunked-huge-size", Outcome::kEither, "123"},
    {"chunked-no-end", Outcome::kEither, "123"},
    {"length-short", Outcome::kEither, "123"},  // a length shorter than the body
    {"length-long-closed", Outcome::kEither, "123"},
    {"length-negative", Outcome::kEither, "123"},
    {"length-garbage", Outcome::kEither, "123"},
    {"length-twice", Outcome::kEither, "123"},
    {"length-and-chunked", Outcome::kEither, "123"},
    {"close-delimited", Outcome::kReading, "123"},
    {"reset-mid-body", Outcome::kEither, "123"},
    {"close-mid-body", Outcome::kEither, "123"},
    // Status lines and heads; the status code is not examined.
    {"status-no-reason", Outcome::kEither, "123"},
    {"status-500", Outcome::kReading, "123"},
    {"status-404", Outcome::kReading, "123"},
    {"status-999", Outcome::kEither, "123"},
    {"status-204-with-body", Outcome::kEither, "123"},
    {"status-100-first", Outcome::kEither, "123"},
    {"status-long-reason", Outcome::kEither, "123"},
    {"status-garbage", Outcome::kEmpty, nullptr},
    {"lf-only", Outcome::kEither, "123"},
    {"no-answer", Outcome::kEmpty, nullptr},
    {"reset-at-once", Outcome::kEmpty, nullptr},
    {"head-cut", Outcome::kEmpty, nullptr},
    {"header-1mib-line", Outcome::kEither, "123"},
    {"cookies-many", Outcome::kReading, "123"},
    {"cookies-odd", Outcome::kReading, "123"},
    {"header-zero-byte", Outcome::kEither, "123"},
    {"header-no-colon", Outcome::kEither, "123"},
    {"location-on-200", Outcome::kReading, "123"},
    // Redirects are the platform's to follow, up to its limit.
    {"redirect-then-answer", Outcome::kReading, "123"},
    {"redirect-self", Outcome::kEither, "123"},
    {"redirect-ping-pong", Outcome::kEither, "123"},
    {"redirect-to-closed", Outcome::kEmpty, nullptr},
    {"redirect-to-plain-http", Outcome::kReading, nullptr},  // the 302's body or the answer
    {"redirect-bad-location", Outcome::kEither, ""},
    {"redirect-empty-location", Outcome::kEither, ""},
    // Listeners: certificate errors are ignored, so a certificate for another name reads.
    {"plain", Outcome::kReading, "123", Listener::kOtherName},
    {"plain", Outcome::kEmpty, nullptr, Listener::kPlain},
    {"plain", Outcome::kEmpty, nullptr, Listener::kReset},
    {"plain", Outcome::kEmpty, nullptr, Listener::kGarbage},
    {"plain", Outcome::kEmpty, nullptr, Listener::kClosed},
};

// How long a quick case may take: the local server answers at once, so a poll that takes
// longer waited on a time-out it had no cause to.
constexpr double kQuickCaseSeconds = 15;

struct RandomKind {
  const char* name;
  int count;
  int long_count;
};
const RandomKind kRandomKinds[] = {
    {"random-bytes", 200, 2000},
    {"random-tokens", 350, 4000},
    {"random-mutated", 350, 4000},
    {"random-headers", 100, 1000},
};

class HostileServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(window_.created());
    ASSERT_FALSE(BaseUrl(Listener::kHttps).empty()) << "run through with_hostile_server.py";
  }

  void TearDown() override { EXPECT_EQ(WorkersInFlight(WorkerKind::kServerPoll), 0); }

  // One tick whose worker asks `url`; false when the worker did not end in time.
  bool PollOnce(const std::string& url, double* seconds) {
    PublishSharedText(SharedTextId::kServerMillis, kSentinel);
    SetEditBoxText(EditBox::kEditBox3, kSentinel);
    {
      std::lock_guard<std::mutex> lock(g_url_mutex);
      g_url = Text(url);
    }
    const Text time_before = *ReadSharedText(SharedTextId::kServerTime);
    const auto start = Clock::now();
    OnServerPollTick();
    const Text shown = EditBoxText(EditBox::kEditBox1);
    const bool ended = window_.PumpUntil(
        [] { return WorkersInFlight(WorkerKind::kServerPoll) == 0; }, std::chrono::seconds(120));
    *seconds = std::chrono::duration<double>(Clock::now() - start).count();
    // The tick shows the reading of the poll before, or this poll's when its worker was
    // quicker than the tick.
    if (ended && shown != time_before) {
      EXPECT_EQ(shown, *ReadSharedText(SharedTextId::kServerTime)) << url;
    }
    return ended;
  }

  // The poll of one case and what it left; empty when all is as `outcome` allows.
  std::string PollCase(Listener listener, const std::string& name, int n, Outcome outcome,
                       const char* millis, double* seconds) {
    const std::string url = CaseUrl(listener, name, n);
    if (!PollOnce(url, seconds)) return "the worker did not end";
    const Reading got{*ReadSharedText(SharedTextId::kServerTime),
                      *ReadSharedText(SharedTextId::kServerMillis)};
    std::string problem;
    // The box holds the text as code page 936 can show it (a stray lead byte cannot be).
    if (EditBoxText(EditBox::kEditBox3) != Utf16ToText(TextToUtf16(got.millis))) {
      problem = "编辑框3 differs; ";
    }
    if (*seconds > kQuickCaseSeconds) problem += "took " + std::to_string(*seconds) + " s; ";
    const std::string sent = listener == Listener::kHttps || listener == Listener::kOtherName
                                 ? SentBody(name, n)
                                 : std::string();
    return problem + CheckReading(got, outcome, sent, millis);
  }

  ScopedServerTimeRequester requester_{&GetHostileUrl};
  TestWindow window_;
};

std::string ListenerName(Listener listener) {
  switch (listener) {
    case Listener::kHttps:
      return "";
    case Listener::kOtherName:
      return " (certificate for other.example)";
    case Listener::kPlain:
      return " (no TLS)";
    case Listener::kReset:
      return " (reset on accept)";
    case Listener::kGarbage:
      return " (junk for a TLS hello)";
    case Listener::kClosed:
      return " (nothing listening)";
  }
  return "";
}

TEST_F(HostileServerTest, EachHostileAnswerEndsInAReadingOrInNothing) {
  int tried = 0;
  for (const QuickCase& c : kQuickCases) {
    double seconds = 0;
    const std::string problem = PollCase(c.listener, c.name, 0, c.outcome, c.millis, &seconds);
    ++tried;
    EXPECT_EQ(problem, "") << c.name << ListenerName(c.listener);
    // What the platform made of the answers left to it, and the polls that took a while.
    if (c.outcome == Outcome::kEither || seconds > 1.0) {
      std::printf("  %s%s: %s, %.1f s\n", c.name, ListenerName(c.listener).c_str(),
                  ReadSharedText(SharedTextId::kServerTime)->empty() ? "nothing" : "a reading",
                  seconds);
    }
  }
  std::printf("fixed hostile answers tried: %d\n", tried);
}

TEST_F(HostileServerTest, SeededRandomAnswersEndInTheirReadingOrInNothing) {
  int total = 0;
  for (const RandomKind& kind : kRandomKinds) {
    const int count = LongMode() ? kind.long_count : kind.count;
    int tried = 0;
    int readings = 0;
    int failures = 0;  // ten are enough to see what goes wrong
    double slowest = 0;
    for (int n = 0; n < count && failures < 10; ++n, ++tried) {
      double seconds = 0;
      // The body reaches the program as sent: Content-Length framing, no charset declared
      // (the random heads of "random-headers" may be refused by the platform).
      const Outcome outcome =
          std::string(kind.name) == "random-headers" ? Outcome::kEither : Outcome::kReading;
      const std::string problem =
          PollCase(Listener::kHttps, kind.name, n, outcome, nullptr, &seconds);
      EXPECT_EQ(problem, "") << kind.name << " n=" << n;
      failures += problem.empty() ? 0 : 1;
      if (!ReadSharedText(SharedTextId::kServerTime)->empty()) ++readings;
      if (seconds > slowest) slowest = seconds;
    }
    std::printf("%s: %d answers, %d of them readings, slowest %.2f s\n", kind.name, tried, readings,
                slowest);
    total += tried;
  }
  std::printf("random hostile answers tried: %d\n", total);
}

// The read of a body as a whole is held to the per-phase time-out: a body trickled a byte a
// second ends the request after that time, with nothing read, instead of after its last byte.
TEST_F(HostileServerTest, ATrickledBodyIsCutOffAtTheTimeOut) {
  const struct {
    int timeout_seconds;
    int size;
  } cases[] = {{2, 100}, {3, 60}};
  for (const auto& c : cases) {
    Text status;
    Text headers = "untouched";
    const auto start = Clock::now();
    const Text answer =
        HttpRequest(Text(CaseUrl(Listener::kHttps, "trickle-long", c.timeout_seconds,
                                 "&size=" + std::to_string(c.size))),
                    kHttpGet, {}, nullptr, nullptr, {}, &headers, false, {}, {}, {}, {}, {},
                    c.timeout_seconds, nullptr, &status);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    SCOPED_TRACE(c.timeout_seconds);
    EXPECT_GE(seconds, c.timeout_seconds - 0.5);
    EXPECT_LT(seconds, c.timeout_seconds + 3.0) << "the trickle held the request";
    EXPECT_EQ(answer, Text());
    // "713 读取数据失败!": a failed read, and the answer's head is not taken.
    EXPECT_EQ(status, Text("713 \xB6\xC1\xC8\xA1\xCA\xFD\xBE\xDD\xCA\xA7\xB0\xDC!"));
    EXPECT_EQ(headers, Text("untouched"));
    std::printf("trickle of %d bytes with a %d s time-out: %.1f s\n", c.size, c.timeout_seconds,
                seconds);
  }
}

// A server that trickles every answer takes up a poll slot for no longer than the time-outs:
// with all sixteen taken a tick starts nothing, and the row gets its slots back, and its
// readings, afterwards.
TEST_F(HostileServerTest, ARowOfTrickledPollsFreesItsSlots) {
  if (!LongMode()) GTEST_SKIP() << "long mode only (CHRONALT_HOSTILE_LONG=1)";
  {
    std::lock_guard<std::mutex> lock(g_url_mutex);
    g_url = Text(CaseUrl(Listener::kHttps, "trickle-long", 1));
  }
  const auto start = Clock::now();
  for (int i = 0; i < WorkerLimit(WorkerKind::kServerPoll) + 4; ++i) OnServerPollTick();
  EXPECT_EQ(WorkersInFlight(WorkerKind::kServerPoll), WorkerLimit(WorkerKind::kServerPoll));
  ASSERT_TRUE(window_.PumpUntil([] { return WorkersInFlight(WorkerKind::kServerPoll) == 0; },
                                std::chrono::seconds(60)));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("a full row of trickled polls ended after %.1f s\n", seconds);
  EXPECT_LT(seconds, 40);
  EXPECT_EQ(*ReadSharedText(SharedTextId::kServerTime), Text());

  double poll_seconds = 0;
  EXPECT_EQ(PollCase(Listener::kHttps, "plain", 1, Outcome::kReading, "123", &poll_seconds), "");
  EXPECT_FALSE(ReadSharedText(SharedTextId::kServerTime)->empty());
}

TEST(HostileSlowAnswerTest, SlowAnswersEndWithinTheirTimeOuts) {
  for (const SlowRun& run : g_slow_cases->Join()) {
    SCOPED_TRACE(run.c->name);
    std::printf("  %s: %s, %.1f s\n", run.c->name,
                run.reading.time.empty() ? "nothing" : "a reading", run.seconds);
    EXPECT_GE(run.seconds, run.c->min_seconds);
    EXPECT_LE(run.seconds, run.c->max_seconds);
    EXPECT_EQ(CheckReading(run.reading, run.c->outcome, SentBody(run.c->name, 0), run.c->millis),
              "");
  }
}

}  // namespace
}  // namespace chronalt
