// The cost of the window's ticks: runs MainWindow as the program does, with its three 1 ms
// timers and the real local clock, for a number of seconds (30 unless given), timing each
// timer message's dispatch on the window thread, the tick handler with everything it does
// there. Prints per timer the ticks per second, the median, 99th percentile and largest
// handler time, and the process's CPU use over the run.
//
//   tick_bench [seconds]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/main_window.h"
#include "app/worker_threads.h"

namespace {

double Seconds(const FILETIME& time) {
  ULARGE_INTEGER value;
  value.LowPart = time.dwLowDateTime;
  value.HighPart = time.dwHighDateTime;
  return static_cast<double>(value.QuadPart) / 1e7;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  return Seconds(kernel) + Seconds(user);
}

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                   values.end());
  return values[index];
}

}  // namespace

int main(int argc, char** argv) {
  const double run_seconds = argc > 1 ? std::atof(argv[1]) : 30.0;
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  auto elapsed = [&](const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
  };

  const HWND window = chronalt::CreateMainWindow(GetModuleHandleW(nullptr));
  if (window == nullptr) {
    std::fprintf(stderr, "MainWindow could not be created\n");
    return 1;
  }
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);

  std::vector<double> handler_us[4];  // by timer id
  int most_local_workers = 0;
  const double cpu_before = ProcessCpuSeconds();
  QueryPerformanceCounter(&start);
  MSG msg;
  for (;;) {
    QueryPerformanceCounter(&now);
    if (elapsed(start, now) >= run_seconds) break;
    if (GetMessageW(&msg, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&msg);
    if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam >= 1 && msg.wParam <= 3) {
      LARGE_INTEGER before, after;
      QueryPerformanceCounter(&before);
      DispatchMessageW(&msg);
      QueryPerformanceCounter(&after);
      handler_us[msg.wParam].push_back(elapsed(before, after) * 1e6);
      most_local_workers = std::max(most_local_workers,
                                    chronalt::WorkersInFlight(chronalt::WorkerKind::kLocalClock));
    } else {
      DispatchMessageW(&msg);
    }
  }
  QueryPerformanceCounter(&now);
  const double wall = elapsed(start, now);
  const double cpu = ProcessCpuSeconds() - cpu_before;
  DestroyWindow(window);

  std::printf("run: %.1f s\n", wall);
  const char* names[4] = {"", "timer 1 (server poll, handler empty yet)", "timer 2 (local clock)",
                          "timer 3 (calibration, handler empty yet)"};
  for (int id = 1; id <= 3; ++id) {
    const std::vector<double>& times = handler_us[id];
    std::printf("%s: %.1f ticks/s, handler median %.1f us, p99 %.1f us, max %.1f us\n", names[id],
                static_cast<double>(times.size()) / wall, Percentile(times, 0.5),
                Percentile(times, 0.99), Percentile(times, 1.0));
  }
  std::printf("local-clock workers in flight at most: %d (limit %d)\n", most_local_workers,
              chronalt::kLocalClockWorkerLimit);
  std::printf("process CPU: %.2f s over %.1f s = %.1f%% of one core\n", cpu, wall,
              100.0 * cpu / wall);
  return 0;
}
