// StartThread for the native build: a std::thread detached at once.
#include <system_error>
#include <thread>
#include <utility>

#include "app/worker_threads.h"

namespace chronalt {

bool StartThread(std::function<void()> routine) {
  try {
    std::thread(std::move(routine)).detach();
    return true;
  } catch (const std::system_error&) {  // no thread could be started
    return false;
  }
}

}  // namespace chronalt
