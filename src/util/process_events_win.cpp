// Drains the calling thread's message queue the way its message loop would, but stops in front
// of WM_QUIT so the loop that owns the thread still sees it. The wide functions are used because
// the program's windows are Unicode windows: an ANSI dispatch would convert character messages
// through the machine's code page.
#include <windows.h>

#include "util/process_events.h"

namespace chronalt {

void ProcessEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {  // arrived between the two looks: put it back and stop
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace chronalt
