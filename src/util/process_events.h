// Lets the window messages already queued for the calling thread run, without waiting.
#pragma once

namespace chronalt {

// Dispatches queued messages until the queue is empty or a WM_QUIT is next, which stays queued.
void ProcessEvents();

}  // namespace chronalt
