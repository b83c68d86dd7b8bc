// StartThread on Windows: CreateThread with the default stack size, the handle closed at once so
// the thread is detached and nobody can wait for it.
#include <windows.h>

#include <memory>
#include <new>
#include <utility>

#include "app/worker_threads.h"

namespace chronalt {
namespace {

DWORD WINAPI RunRoutine(LPVOID parameter) {
  std::unique_ptr<std::function<void()>> routine(static_cast<std::function<void()>*>(parameter));
  (*routine)();
  return 0;
}

}  // namespace

bool StartThread(std::function<void()> routine) {
  auto* owned = new (std::nothrow) std::function<void()>(std::move(routine));
  if (owned == nullptr) return false;
  HANDLE thread = CreateThread(nullptr, 0, &RunRoutine, owned, 0, nullptr);
  if (thread == nullptr) {
    delete owned;
    return false;
  }
  CloseHandle(thread);
  return true;
}

}  // namespace chronalt
