// MainWindow: the program's one window, its controls and timers, and the window thread's event
// loop. The layout constants are the ones the window is built with, for the tests to check.
#pragma once

#include <windows.h>

namespace chronalt {

inline constexpr int kMainWindowWidth = 390;  // outer size, frame and caption included
inline constexpr int kMainWindowHeight = 196;

// Control identifiers (GetDlgItem).
enum ControlId : int {
  kIdEditBox1 = 101,   // 编辑框1
  kIdEditBox2 = 102,   // 编辑框2
  kIdEditBox3 = 103,   // 编辑框3
  kIdEditBox4 = 104,   // 编辑框4
  kIdButton1 = 201,    // 按钮1 "校准时间"
  kIdCheckBox1 = 301,  // 选择框1 "自动校准"
  kIdLabel1 = 401,     // 透明标签1 "Zorvane时间:"
  kIdLabel2 = 402,     // 透明标签2 "本地时间:"
};

// Timer identifiers (SetTimer on MainWindow).
enum TimerId : UINT_PTR {
  kTimer1 = 1,  // 时钟1: server-time poll
  kTimer2 = 2,  // 时钟2: local-clock display
  kTimer3 = 3,  // 时钟3: automatic calibration
};

inline constexpr UINT kTimerPeriodMs = 1;  // the platform raises it to its minimum

inline constexpr COLORREF kLabelTextColour = RGB(0, 0, 255);
inline constexpr COLORREF kCheckBoxTextColour = RGB(255, 0, 0);
inline constexpr COLORREF kEditBoxTextColour = RGB(0, 0, 0);
inline constexpr COLORREF kEditBoxBackColour = RGB(255, 255, 255);

// Creates MainWindow, centred on the primary screen, with its controls and running timers;
// hidden until shown. Null when the window or one of its controls could not be made.
HWND CreateMainWindow(HINSTANCE instance);

// The window thread's event loop, until MainWindow is destroyed. Esc pressed on the window or
// any of its controls closes it the way the close button does. Returns WM_QUIT's code.
int RunMessageLoop(HWND main_window);

// Start-up and the loop: creates and shows MainWindow and runs the loop. 1 when the window
// could not be created.
int RunMainWindow(HINSTANCE instance, int show_command);

}  // namespace chronalt
