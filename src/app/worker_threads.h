// Starting the clock workers. StartThread runs a routine on a new, detached operating-system
// thread. StartBoundedWorker adds a limit per kind of worker on how many may be in flight: a
// tick that finds its kind at the limit starts nothing and never waits.
//
// The limits keep an unreachable network from piling up threads: each server poll can wait up
// to its 30-second time-outs, and at 64 to 100 ticks a second that would be thousands of
// threads and connections. A local-clock worker only reads the clock and waits for the window
// thread to apply its update, so normally one or two are in flight; its limit only matters
// when the window thread stalls (a modal loop, a slow machine).
#pragma once

#include <functional>

namespace chronalt {

enum class WorkerKind {
  kServerPoll,  // FetchServerTime, started by 时钟1's tick
  kLocalClock,  // FormatLocalTime, started by 时钟2's tick
};

// Server polls: a request that answers in 20 to 200 ms keeps 16 in flight busy on nearly every
// tick, so readings stay as fresh as without a limit, while a dead network holds at most 16
// threads until their time-outs end; readings come back within one time-out once it returns.
inline constexpr int kServerPollWorkerLimit = 16;
// Local clock: room for several ticks' workers waiting on a busy window thread.
inline constexpr int kLocalClockWorkerLimit = 4;

int WorkerLimit(WorkerKind kind);

// Runs `routine` on a new thread of default stack size whose handle is released at once.
// False when the platform cannot start another thread.
bool StartThread(std::function<void()> routine);

// StartThread, unless `kind` already has WorkerLimit(kind) workers in flight; never blocks.
// The slot is given back when the routine returns (or at once when no thread could start).
bool StartBoundedWorker(WorkerKind kind, void (*routine)());

// Workers of `kind` started and not yet returned.
int WorkersInFlight(WorkerKind kind);

}  // namespace chronalt
