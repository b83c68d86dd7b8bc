// Tests of ProcessEvents against the real message queue: a message-only window records what is
// dispatched to it, and the queue is inspected afterwards with PeekMessage. Each test starts
// and ends with an empty queue so a left-over WM_QUIT cannot leak into the next one.
#include "util/process_events.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

namespace chronalt {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kThird = WM_APP + 3;
constexpr UINT kRepost = WM_APP + 4;  // the handler posts kSecond when it sees this
constexpr wchar_t kClassName[] = L"ChronaltProcessEventsTest";

struct Seen {
  UINT message;
  WPARAM w_param;
  friend bool operator==(const Seen&, const Seen&) = default;
};

void PrintTo(const Seen& seen, std::ostream* os) {
  *os << "{message " << seen.message << ", wParam " << seen.w_param << "}";
}

// Only touched on the thread that owns the window, which is the test's own thread.
std::vector<Seen>* g_seen = nullptr;

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM w_param, LPARAM l_param) {
  if (g_seen != nullptr && (message >= WM_APP || message == WM_KEYDOWN || message == WM_CHAR)) {
    g_seen->push_back({message, w_param});
    if (message == kRepost) PostMessageW(hwnd, kSecond, w_param + 1, 0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, w_param, l_param);
}

struct WindowCloser {
  void operator()(HWND hwnd) const { DestroyWindow(hwnd); }
};
using WindowHandle = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

// Empties the calling thread's queue without dispatching anything, WM_QUIT included.
void DrainQueue() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool QueueIsEmpty() {
  MSG msg;
  return !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
}

class ProcessEventsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = RecordingProc;
    window_class.hInstance = GetModuleHandleW(nullptr);
    window_class.lpszClassName = kClassName;
    RegisterClassW(&window_class);
  }

  void SetUp() override {
    window_.reset(CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(window_.get(), nullptr) << GetLastError();
    DrainQueue();
    g_seen = &seen_;
  }

  void TearDown() override {
    g_seen = nullptr;
    window_.reset();
    DrainQueue();
  }

  HWND hwnd() const { return window_.get(); }

  WindowHandle window_;
  std::vector<Seen> seen_;
};

TEST_F(ProcessEventsTest, DispatchesPostedWindowMessagesInOrder) {
  ASSERT_TRUE(PostMessageW(hwnd(), kFirst, 1, 0));
  ASSERT_TRUE(PostMessageW(hwnd(), kSecond, 2, 0));
  ASSERT_TRUE(PostMessageW(hwnd(), kThird, 3, 0));

  ProcessEvents();

  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}, Seen{kSecond, 2}, Seen{kThird, 3}));
  EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(ProcessEventsTest, TakesThreadMessagesOffTheQueue) {
  // A thread message has no window to go to; it must still be taken, or the window message
  // behind it would never be reached.
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), kThird, 9, 0));
  ASSERT_TRUE(PostMessageW(hwnd(), kFirst, 1, 0));

  ProcessEvents();

  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}));
  EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(ProcessEventsTest, MessagesPostedWhileDispatchingRunInTheSameCall) {
  ASSERT_TRUE(PostMessageW(hwnd(), kRepost, 10, 0));

  ProcessEvents();

  EXPECT_THAT(seen_, ElementsAre(Seen{kRepost, 10}, Seen{kSecond, 11}));
  EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(ProcessEventsTest, TranslatesKeyMessagesLikeAMessageLoop) {
  // Scan code of the A key in bits 16-23, repeat count 1.
  ASSERT_TRUE(PostMessageW(hwnd(), WM_KEYDOWN, 'A', 0x001E0001));

  ProcessEvents();

  ASSERT_GE(seen_.size(), 2u);
  EXPECT_EQ(seen_[0], (Seen{WM_KEYDOWN, 'A'}));
  EXPECT_EQ(seen_[1].message, static_cast<UINT>(WM_CHAR));
  EXPECT_TRUE(QueueIsEmpty());
}

TEST_F(ProcessEventsTest, ReturnsAtOnceOnAnEmptyQueue) {
  // First on a thread that has never had a queue. It is detached so that a ProcessEvents that
  // waits shows as a failure instead of a hung test, and the main thread is tried only after.
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  std::thread([done] {
    ProcessEvents();
    done->set_value();
  }).detach();
  ASSERT_EQ(finished.wait_for(std::chrono::seconds(5)), std::future_status::ready)
      << "ProcessEvents waited on an empty queue";

  ASSERT_TRUE(QueueIsEmpty());
  const auto before = std::chrono::steady_clock::now();
  ProcessEvents();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  EXPECT_THAT(seen_, IsEmpty());
}

TEST_F(ProcessEventsTest, DispatchesOnlyTheCallingThreadsQueue) {
  ASSERT_TRUE(PostMessageW(hwnd(), kFirst, 1, 0));

  std::thread([] { ProcessEvents(); }).join();
  EXPECT_THAT(seen_, IsEmpty());

  ProcessEvents();
  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}));
}

TEST_F(ProcessEventsTest, StopsInFrontOfAQuitMessageAndLeavesItQueued) {
  ASSERT_TRUE(PostMessageW(hwnd(), kFirst, 1, 0));
  ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_QUIT, 7, 0));
  ASSERT_TRUE(PostMessageW(hwnd(), kSecond, 2, 0));

  ProcessEvents();
  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}));

  // Calling again changes nothing: the quit message is still in front.
  ProcessEvents();
  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}));

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 7u);

  // With the quit message taken by its owner, the rest of the queue runs.
  ProcessEvents();
  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}, Seen{kSecond, 2}));
}

TEST_F(ProcessEventsTest, LeavesAPostQuitMessageForTheMessageLoop) {
  ASSERT_TRUE(PostMessageW(hwnd(), kFirst, 1, 0));
  PostQuitMessage(3);

  ProcessEvents();
  EXPECT_THAT(seen_, ElementsAre(Seen{kFirst, 1}));

  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
  EXPECT_TRUE(QueueIsEmpty());
}

}  // namespace
}  // namespace chronalt
