// TestWindow on Windows: a MainWindow whose three timers are killed right after it is built.
#include <windows.h>

#include <thread>

#include "app/main_window.h"
#include "test_window.h"

namespace chronalt {

TestWindow::TestWindow() {
  const HWND window = CreateMainWindow(GetModuleHandleW(nullptr));
  window_ = window;
  created_ = window != nullptr;
  if (window == nullptr) return;
  for (UINT_PTR timer : {kTimer1, kTimer2, kTimer3}) KillTimer(window, timer);
}

TestWindow::~TestWindow() {
  if (window_ != nullptr) DestroyWindow(static_cast<HWND>(window_));
  // Destroying MainWindow posts WM_QUIT; later loops of this thread must not see it.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool TestWindow::PumpUntil(const std::function<bool()>& done,
                           std::chrono::milliseconds time_limit) {
  const auto deadline = std::chrono::steady_clock::now() + time_limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace chronalt
