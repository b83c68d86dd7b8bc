// The per-kind limit on workers in flight: a counter per kind, taken with a compare-and-swap so
// that a tick at the limit returns at once instead of waiting for a slot.
#include "app/worker_threads.h"

#include <atomic>

namespace chronalt {
namespace {

// Plain atomics have no destructor to run at exit, so workers still ending while the process
// shuts down always find them.
std::atomic<int> in_flight[2];

std::atomic<int>& Counter(WorkerKind kind) { return in_flight[static_cast<int>(kind)]; }

bool TakeSlot(WorkerKind kind) {
  std::atomic<int>& counter = Counter(kind);
  const int limit = WorkerLimit(kind);
  int current = counter.load(std::memory_order_relaxed);
  while (current < limit) {
    if (counter.compare_exchange_weak(current, current + 1, std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

void GiveBackSlot(WorkerKind kind) { Counter(kind).fetch_sub(1, std::memory_order_acq_rel); }

}  // namespace

int WorkerLimit(WorkerKind kind) {
  return kind == WorkerKind::kServerPoll ? kServerPollWorkerLimit : kLocalClockWorkerLimit;
}

bool StartBoundedWorker(WorkerKind kind, void (*routine)()) {
  if (!TakeSlot(kind)) return false;
  const bool started = StartThread([kind, routine] {
    routine();
    GiveBackSlot(kind);
  });
  if (!started) GiveBackSlot(kind);
  return started;
}

int WorkersInFlight(WorkerKind kind) { return Counter(kind).load(std::memory_order_acquire); }

}  // namespace chronalt
