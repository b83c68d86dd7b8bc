// TestWindow of the native build: empties the in-memory boxes; pumping only waits.
#include <thread>

#include "app/window_controls.h"
#include "test_window.h"

namespace chronalt {

TestWindow::TestWindow() {
  for (EditBox box :
       {EditBox::kEditBox1, EditBox::kEditBox2, EditBox::kEditBox3, EditBox::kEditBox4}) {
    SetEditBoxText(box, Text());
  }
  created_ = true;
}

TestWindow::~TestWindow() = default;

bool TestWindow::PumpUntil(const std::function<bool()>& done,
                           std::chrono::milliseconds time_limit) {
  const auto deadline = std::chrono::steady_clock::now() + time_limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace chronalt
