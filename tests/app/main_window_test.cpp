// Tests of MainWindow as built: its size, place, frame and system menu; each control's class,
// place, text, styles, font and enabled state, and the order they were made in; the timers;
// the colours the window answers for each control; Esc closing it from the window and from the
// controls that can hold the focus; the timers driving the local clock row through the loop;
// and the end of the program with workers still in flight (in child processes, since the end
// releases the program's shared texts for good).
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/local_clock.h"
#include "app/local_clock_source.h"
#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "fixed_clock.h"

namespace chronalt {
namespace {

// Destroys the window, and drops the WM_QUIT that its destruction posts to this thread.
struct WindowDeleter {
  void operator()(HWND window) const {
    if (IsWindow(window)) DestroyWindow(window);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
};
using WindowOwner = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;

struct DcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using DcOwner = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

WindowOwner MakeWindow() { return WindowOwner(CreateMainWindow(GetModuleHandleW(nullptr))); }

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), text.size())));
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

RECT ClientRectInParent(HWND control) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST(MainWindowTest, WindowAsBuilt) {
  const WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  const HWND main = window.get();

  RECT rect;
  ASSERT_TRUE(GetWindowRect(main, &rect));
  EXPECT_EQ(rect.right - rect.left, 390);
  EXPECT_EQ(rect.bottom - rect.top, 196);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 390) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 196) / 2);

  EXPECT_EQ(WindowText(main), L"Chronalt");
  const LONG style = GetWindowLongW(main, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);  // fixed frame: no resizing
  EXPECT_FALSE(style & WS_CHILD);
  const LONG ex_style = GetWindowLongW(main, GWL_EXSTYLE);
  EXPECT_TRUE(ex_style & WS_EX_APPWINDOW);  // its own taskbar button
  EXPECT_FALSE(ex_style & WS_EX_TOPMOST);
  EXPECT_FALSE(ex_style & WS_EX_TOOLWINDOW);
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
  EXPECT_EQ(GetClassLongPtrW(main, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));

  const HMENU system_menu = GetSystemMenu(main, FALSE);
  ASSERT_NE(system_menu, nullptr);
  const UINT move = GetMenuState(system_menu, SC_MOVE, MF_BYCOMMAND);
  ASSERT_NE(move, static_cast<UINT>(-1));
  EXPECT_FALSE(move & (MF_GRAYED | MF_DISABLED));
  for (UINT command : {SC_MINIMIZE, SC_CLOSE}) {
    EXPECT_NE(GetMenuState(system_menu, command, MF_BYCOMMAND), static_cast<UINT>(-1)) << command;
  }
  for (UINT command : {SC_MAXIMIZE, SC_SIZE}) {
    EXPECT_EQ(GetMenuState(system_menu, command, MF_BYCOMMAND), static_cast<UINT>(-1)) << command;
  }
}

TEST(MainWindowTest, ControlsAsBuilt) {
  // The edit control turns a plain WS_BORDER into a one-pixel border of its own drawing, so
  // the thin border shows as the absence of the three-dimensional client edge.
  constexpr LONG kEdit = WS_CHILD | WS_VISIBLE | WS_DISABLED | ES_CENTER;
  constexpr LONG kEditNever = ES_MULTILINE | WS_TABSTOP;
  constexpr LONG kLabel = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE;
  struct Case {
    int id;
    const wchar_t* class_name;
    RECT rect;
    const wchar_t* text;
    LONG styles_set;
    LONG styles_clear;
    bool enabled;
  };
  const Case cases[] = {
      {kIdLabel1, L"Static", {28, 26, 92, 58}, L"Zorvane\x65F6\x95F4:", kLabel, WS_DISABLED, true},
      {kIdEditBox1, L"Edit", {100, 32, 300, 52}, L"", kEdit | ES_READONLY, kEditNever, false},
      {kIdEditBox3, L"Edit", {315, 32, 363, 52}, L"", kEdit, kEditNever | ES_READONLY, false},
      {kIdLabel2,
       L"Static",
       {29, 72, 93, 104},
       L"\x672C\x5730\x65F6\x95F4:",
       kLabel,
       WS_DISABLED,
       true},
      {kIdEditBox2, L"Edit", {100, 78, 300, 98}, L"", kEdit | ES_READONLY, kEditNever, false},
      {kIdEditBox4, L"Edit", {315, 80, 363, 100}, L"", kEdit, kEditNever | ES_READONLY, false},
      {kIdCheckBox1,
       L"Button",
       {34, 127, 114, 151},
       L"\x81EA\x52A8\x6821\x51C6",
       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER,
       WS_DISABLED | BS_LEFTTEXT,
       true},
      {kIdButton1,
       L"Button",
       {204, 119, 348, 159},
       L"\x6821\x51C6\x65F6\x95F4",
       WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CENTER,
       WS_DISABLED | BS_DEFPUSHBUTTON,
       true},
  };
  const WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  const auto font = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const HWND control = GetDlgItem(window.get(), c.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(_wcsicmp(ClassName(control).c_str(), c.class_name), 0) << ClassName(control).c_str();
    const RECT rect = ClientRectInParent(control);
    EXPECT_EQ(rect.left, c.rect.left);
    EXPECT_EQ(rect.top, c.rect.top);
    EXPECT_EQ(rect.right, c.rect.right);
    EXPECT_EQ(rect.bottom, c.rect.bottom);
    EXPECT_EQ(WindowText(control), c.text);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    EXPECT_EQ(style & c.styles_set, c.styles_set) << std::hex << style;
    EXPECT_EQ(style & c.styles_clear, 0) << std::hex << style;
    EXPECT_FALSE(GetWindowLongW(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, c.enabled);
    EXPECT_EQ(SendMessageW(control, WM_GETFONT, 0, 0), font);
  }
  const HWND check_box = GetDlgItem(window.get(), kIdCheckBox1);
  EXPECT_EQ(SendMessageW(check_box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_FALSE(IsAutoCalibrateTicked());
  EXPECT_TRUE(IsCalibrateButtonEnabled());
}

TEST(MainWindowTest, ControlsAndTimersAreMadeInOrder) {
  const WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  std::vector<int> order;
  for (HWND child = GetWindow(window.get(), GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    order.push_back(GetDlgCtrlID(child));
  }
  const std::vector<int> expected = {kIdEditBox4, kIdButton1,  kIdCheckBox1, kIdLabel2,
                                     kIdEditBox2, kIdEditBox1, kIdLabel1};
  // 编辑框3 comes second; it is checked apart to keep the timers' place in view.
  ASSERT_EQ(order.size(), 8u);
  EXPECT_EQ(order[1], kIdEditBox3);
  order.erase(order.begin() + 1);
  EXPECT_EQ(order, expected);

  // The three timers exist (KillTimer fails for a timer that was never set).
  for (UINT_PTR timer : {kTimer1, kTimer2, kTimer3}) {
    EXPECT_TRUE(KillTimer(window.get(), timer)) << "timer " << timer;
  }
}

TEST(MainWindowTest, ColoursAnsweredForEachControl) {
  struct Case {
    int id;
    UINT message;
    COLORREF text;
    std::optional<COLORREF> background;  // when the background is painted
    UINT brush_style;
    COLORREF brush_colour;
  };
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  const COLORREF white = RGB(255, 255, 255);
  std::vector<Case> cases;
  for (int id : {kIdEditBox1, kIdEditBox2, kIdEditBox3, kIdEditBox4}) {
    for (UINT message : {WM_CTLCOLORSTATIC, WM_CTLCOLOREDIT}) {
      cases.push_back({id, message, RGB(0, 0, 0), white, BS_SOLID, white});
    }
  }
  for (int id : {kIdLabel1, kIdLabel2}) {
    cases.push_back({id, WM_CTLCOLORSTATIC, RGB(0, 0, 255), std::nullopt, BS_NULL, 0});
  }
  cases.push_back({kIdCheckBox1, WM_CTLCOLORSTATIC, RGB(255, 0, 0), face, BS_SOLID, face});

  const WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + (c.message == WM_CTLCOLOREDIT ? " edit" : " static"));
    const DcOwner dc(CreateCompatibleDC(nullptr));
    ASSERT_NE(dc, nullptr);
    SetTextColor(dc.get(), RGB(1, 2, 3));
    SetBkColor(dc.get(), RGB(4, 5, 6));
    SetBkMode(dc.get(), OPAQUE);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(window.get(), c.message, reinterpret_cast<WPARAM>(dc.get()),
                     reinterpret_cast<LPARAM>(GetDlgItem(window.get(), c.id))));
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(GetTextColor(dc.get()), c.text);
    if (c.background) {
      EXPECT_EQ(GetBkColor(dc.get()), *c.background);
    } else {
      EXPECT_EQ(GetBkMode(dc.get()), TRANSPARENT);
    }
    LOGBRUSH info{};
    ASSERT_EQ(GetObjectW(brush, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.lbStyle, c.brush_style);
    if (c.brush_style == BS_SOLID) {
      EXPECT_EQ(info.lbColor, c.brush_colour);
    }
  }
}

// A thread timer that ends a loop that should have ended by itself.
bool watchdog_fired = false;
HWND watchdog_target = nullptr;
void CALLBACK Watchdog(HWND, UINT, UINT_PTR, DWORD) {
  watchdog_fired = true;
  if (IsWindow(watchdog_target)) DestroyWindow(watchdog_target);
}

// Runs MainWindow's loop with a watchdog; true when the loop ended without it.
bool LoopEndsByItself(HWND main, UINT limit_ms = 10000) {
  watchdog_fired = false;
  watchdog_target = main;
  const UINT_PTR watchdog = SetTimer(nullptr, 0, limit_ms, &Watchdog);
  RunMessageLoop(main);
  KillTimer(nullptr, watchdog);
  return !watchdog_fired && !IsWindow(main);
}

TEST(MainWindowTest, EscClosesTheWindowFromTheWindowAndItsControls) {
  for (int target_id : {0, static_cast<int>(kIdCheckBox1), static_cast<int>(kIdButton1)}) {
    SCOPED_TRACE(target_id);
    WindowOwner window = MakeWindow();
    ASSERT_NE(window, nullptr);
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    const HWND target = target_id == 0 ? window.get() : GetDlgItem(window.get(), target_id);
    ASSERT_TRUE(PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1));
    EXPECT_TRUE(LoopEndsByItself(window.get()));
  }
}

TEST(MainWindowTest, OtherKeysLeaveTheWindowOpen) {
  WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(PostMessageW(GetDlgItem(window.get(), kIdButton1), WM_KEYDOWN, VK_RETURN, 1));
  EXPECT_FALSE(LoopEndsByItself(window.get(), 300));
  EXPECT_TRUE(watchdog_fired);
}

// The whole row through the loop: 时钟2's ticks start workers on the fixed clock, whose
// readings reach both boxes.
HWND ticking_window = nullptr;
void CALLBACK CloseOnceTheRowShows(HWND, UINT, UINT_PTR, DWORD) {
  if (EditBoxText(EditBox::kEditBox2) == Text("2024-12-31 23:59:59") &&
      EditBoxText(EditBox::kEditBox4) == Text("45")) {
    PostMessageW(ticking_window, WM_CLOSE, 0, 0);
  }
}

TEST(MainWindowTest, TimersDriveTheLocalClockRow) {
  const ScopedLocalClockReader reader(&FixedClock::Read);
  FixedClock::Open();
  FixedClock::Set({2024, 12, 2, 31, 23, 59, 59, 45});
  WindowOwner window = MakeWindow();
  ASSERT_NE(window, nullptr);
  ShowWindow(window.get(), SW_SHOWNOACTIVATE);
  ticking_window = window.get();
  const UINT_PTR check = SetTimer(nullptr, 0, 10, &CloseOnceTheRowShows);
  EXPECT_TRUE(LoopEndsByItself(window.get()));
  KillTimer(nullptr, check);
  // Once the window is gone, workers' updates are dropped and nothing waits for it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (WorkersInFlight(WorkerKind::kLocalClock) > 0 &&
         std::chrono::steady_clock::now() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(WorkersInFlight(WorkerKind::kLocalClock), 0);
  EXPECT_EQ(EditBoxText(EditBox::kEditBox2), Text());
}

// The end of the program, each in a child process that ends with std::exit as the program
// does: the shared texts released on this thread, workers not waited for. A child that finds
// something wrong ends with a code other than 0.
enum ChildFault { kNoWindow = 2, kLoopDidNotEnd, kWorkersNotStuck, kWorkersDidNotEnd, kPublished };

bool WaitUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message != WM_QUIT) DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

HWND StartWithTicks(int ticks) {
  SetLocalClockReader(&FixedClock::Read);
  FixedClock::Set({2024, 1, 5, 5, 9, 5, 3, 7});
  const HWND main = CreateMainWindow(GetModuleHandleW(nullptr));
  if (main == nullptr) std::exit(kNoWindow);
  ShowWindow(main, SW_SHOWNOACTIVATE);
  for (int i = 0; i < ticks; ++i) OnLocalClockTick();
  return main;
}

void CloseAndRelease(HWND main) {
  PostMessageW(main, WM_CLOSE, 0, 0);
  RunMessageLoop(main);
  if (IsWindow(main)) std::exit(kLoopDidNotEnd);
  ReleaseSharedTexts();
}

// Workers stuck in the clock read for good: the process ends all the same.
void EndWithWorkersStuck() {
  FixedClock::Shut();
  const HWND main = StartWithTicks(20);
  CloseAndRelease(main);
  if (WorkersInFlight(WorkerKind::kLocalClock) != kLocalClockWorkerLimit) {
    std::exit(kWorkersNotStuck);
  }
  std::exit(0);
}

// Workers that read the clock only after the window has closed publish nothing, and their
// updates of the destroyed boxes fail without waiting.
void EndWithWorkersFinishingLate() {
  FixedClock::Shut();
  const HWND main = StartWithTicks(20);
  if (!WaitUntil([] { return FixedClock::Waiting() == kLocalClockWorkerLimit; })) {
    std::exit(kWorkersNotStuck);
  }
  CloseAndRelease(main);
  FixedClock::Open();
  if (!WaitUntil([] { return WorkersInFlight(WorkerKind::kLocalClock) == 0; })) {
    std::exit(kWorkersDidNotEnd);
  }
  if (!ReadSharedText(SharedTextId::kLocalTime)->empty() ||
      !ReadSharedText(SharedTextId::kLocalMillis)->empty()) {
    std::exit(kPublished);
  }
  std::exit(0);
}

// Workers waiting for the window thread to apply their update when the window goes: the loop
// lets them go, and the process ends with or without them.
void EndWithWorkersWaitingForTheWindowThread() {
  const HWND main = StartWithTicks(20);  // nothing pumps: the workers wait inside the send
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  if (WorkersInFlight(WorkerKind::kLocalClock) != kLocalClockWorkerLimit ||
      *ReadSharedText(SharedTextId::kLocalMillis) != Text("007")) {
    std::exit(kWorkersNotStuck);
  }
  CloseAndRelease(main);
  if (!WaitUntil([] { return WorkersInFlight(WorkerKind::kLocalClock) == 0; })) {
    std::exit(kWorkersDidNotEnd);
  }
  std::exit(0);
}

void EndAtOnceWithWorkersWaitingForTheWindowThread() {
  const HWND main = StartWithTicks(20);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  DestroyWindow(main);  // without a loop nobody applies the waiting updates
  ReleaseSharedTexts();
  std::exit(0);
}

TEST(MainWindowDeathTest, EndsWithWorkersInFlight) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(EndWithWorkersStuck(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(EndWithWorkersFinishingLate(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(EndWithWorkersWaitingForTheWindowThread(), ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(EndAtOnceWithWorkersWaitingForTheWindowThread(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace chronalt
