// Chronalt's entry point: registers the release of the shared texts for the program's end,
// which comes on this, the window thread, once the loop has ended; then builds and runs the
// window. Workers still running when the process ends are not waited for.
#include <windows.h>

#include <cstdlib>

#include "app/main_window.h"
#include "app/shared_texts.h"

namespace {

void ReleaseSharedTextsAtExit() { chronalt::ReleaseSharedTexts(); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
  std::atexit(&ReleaseSharedTextsAtExit);
  return chronalt::RunMainWindow(instance, show_command);
}
