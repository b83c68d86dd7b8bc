// Closes chronalt.exe again and again while its server polls are stuck in flight: starts the
// program (its server hangs, see bench/shutdown_bench.sh), waits until the bound of poll
// workers is out, closes the window the way its close button does and checks that the
// process ends on its own, with exit code 0, in time.
//
//   shutdown_bench RUNS PROGRAM_PATH
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/worker_threads.h"
#include "program_probe_win.h"

namespace {

using namespace chronalt;
using Clock = std::chrono::steady_clock;

struct RunResult {
  bool window = false;  // the window appeared
  bool bound = false;   // the bound of poll workers was in flight when it was closed
  bool ended = false;   // the process ended within the limit
  DWORD exit_code = 0;
  double exit_ms = 0;  // from WM_CLOSE to the end of the process
};

RunResult RunOnce(const std::wstring& program_path) {
  RunResult result;
  RunningProgram program(program_path);
  const HWND window = program.WaitForMainWindow(std::chrono::seconds(30));
  if (window == nullptr) return result;
  result.window = true;
  // The window thread and the platform's own thread, plus the stuck polls.
  const auto wanted = static_cast<std::size_t>(2 + kServerPollWorkerLimit);
  result.bound = WaitUntil([&] { return ProcessThreads(program.process_id()).size() >= wanted; },
                           std::chrono::seconds(15));
  const auto closed = Clock::now();
  PostMessageW(window, WM_CLOSE, 0, 0);
  const auto exit_code = program.WaitForExit(std::chrono::seconds(20));
  result.exit_ms = std::chrono::duration<double, std::milli>(Clock::now() - closed).count();
  result.ended = exit_code.has_value();
  result.exit_code = exit_code.value_or(0);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: shutdown_bench RUNS PROGRAM_PATH\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  const std::wstring program_path = WindowsPathOf(argv[2]);
  int windows = 0, bound = 0, clean = 0, hung = 0, failed = 0;
  std::vector<double> exit_times;
  for (int run = 1; run <= runs; ++run) {
    const RunResult result = RunOnce(program_path);
    windows += result.window;
    bound += result.bound;
    if (!result.window) {
      std::printf("run %d: no window\n", run);
    } else if (!result.ended) {
      ++hung;
      std::printf("run %d: still running 20 s after WM_CLOSE\n", run);
    } else if (result.exit_code != 0) {
      ++failed;
      std::printf("run %d: exit code 0x%lx\n", run, static_cast<unsigned long>(result.exit_code));
    } else {
      ++clean;
      exit_times.push_back(result.exit_ms);
    }
    std::fflush(stdout);
  }
  std::sort(exit_times.begin(), exit_times.end());
  std::printf(
      "%d runs: %d windows, %d closed with %d poll workers in flight, %d clean exits, "
      "%d hangs, %d bad exits\n",
      runs, windows, bound, kServerPollWorkerLimit, clean, hung, failed);
  if (!exit_times.empty()) {
    std::printf("WM_CLOSE to process end: median %.0f ms, max %.0f ms\n",
                exit_times[exit_times.size() / 2], exit_times.back());
  }
  return clean == runs ? 0 : 1;
}
