// The running program seen from outside, against the demo time server: watches chronalt.exe's
// window for a number of seconds and prints how stale 编辑框1's reading is when it is shown
// (the demo server's true time, the local clock plus its offset, against the time on screen),
// how often the two rows change, the threads of the process, and the round trip of the same
// request made from here. bench/program_bench.sh starts the server and the program and adds
// the request rate and the CPU use.
//
//   program_bench SECONDS OFFSET_MS PROBE_URL
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "http/http_request.h"
#include "program_probe_win.h"

namespace {

using namespace chronalt;
using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(index),
                   values.end());
  return values[index];
}

void PrintSpread(const char* name, const std::vector<double>& values) {
  std::printf("%-34s n=%-6zu median %8.1f  p99 %8.1f  max %8.1f\n", name, values.size(),
              Percentile(values, 0.5), Percentile(values, 0.99),
              values.empty() ? 0.0 : *std::max_element(values.begin(), values.end()));
}

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The same GET the program makes, once a second, timed from here.
std::vector<double> MeasureRoundTrips(const Text& url, const std::atomic<bool>& stop) {
  std::vector<double> round_trips;
  while (!stop) {
    const auto start = Clock::now();
    const Text answer = HttpRequest(url, kHttpGet);
    if (!answer.empty()) round_trips.push_back(MillisecondsSince(start));
    for (int i = 0; i < 20 && !stop; ++i) Sleep(50);
  }
  return round_trips;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: program_bench SECONDS OFFSET_MS PROBE_URL\n");
    return 2;
  }
  const int seconds = std::atoi(argv[1]);
  const long long offset_ms = std::atoll(argv[2]);
  const Text probe_url(argv[3]);

  const HWND window = WaitForAnyMainWindow(std::chrono::seconds(30));
  if (window == nullptr) {
    std::fprintf(stderr, "no Chronalt window appeared\n");
    return 1;
  }
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  const HWND server_time = GetDlgItem(window, kIdEditBox1);
  const HWND server_millis = GetDlgItem(window, kIdEditBox3);
  const HWND local_millis = GetDlgItem(window, kIdEditBox4);

  std::atomic<bool> stop{false};
  std::vector<double> round_trips;
  std::thread prober([&] { round_trips = MeasureRoundTrips(probe_url, stop); });

  std::vector<double> staleness, server_changes, local_changes, read_costs;
  std::vector<std::vector<ThreadIdentity>> thread_samples;
  std::wstring last_server, last_local;
  auto last_server_change = Clock::now(), last_local_change = Clock::now(),
       last_thread_count = Clock::now();
  bool seen_server = false, seen_local = false;
  int unreadable = 0;
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::seconds(seconds)) {
    const auto read_start = Clock::now();
    const std::wstring millis = ControlText(server_millis);
    const std::wstring date_time = ControlText(server_time);
    const long long now = LocalNowMilliseconds();
    const std::wstring local = ControlText(local_millis);
    read_costs.push_back(MillisecondsSince(read_start));

    const std::wstring shown = date_time + L"." + millis;
    if (shown != last_server) {
      if (const auto value = ShownLocalMilliseconds(date_time, millis)) {
        staleness.push_back(static_cast<double>(now + offset_ms - *value));
      } else {
        ++unreadable;
      }
      if (seen_server) server_changes.push_back(MillisecondsSince(last_server_change));
      last_server = shown;
      last_server_change = Clock::now();
      seen_server = true;
    }
    if (local != last_local) {
      if (seen_local) local_changes.push_back(MillisecondsSince(last_local_change));
      last_local = local;
      last_local_change = Clock::now();
      seen_local = true;
    }
    if (Clock::now() - last_thread_count > std::chrono::milliseconds(50)) {
      thread_samples.push_back(ProcessThreads(process_id));
      last_thread_count = Clock::now();
    }
    Sleep(1);
  }
  stop = true;
  prober.join();

  std::printf("watched chronalt.exe for %d s (demo server offset %lld ms)\n", seconds, offset_ms);
  PrintSpread("staleness of server row, ms", staleness);
  PrintSpread("server row change interval, ms", server_changes);
  PrintSpread("local row change (tick), ms", local_changes);
  PrintSpread("request round trip from here, ms", round_trips);
  PrintSpread("one read of the boxes, ms", read_costs);
  // 编辑框3 is set by the worker as its answer comes, 编辑框1 at the next tick: just after a
  // second turns over the row briefly reads a second behind.
  const auto second_behind =
      std::count_if(staleness.begin(), staleness.end(), [](double value) { return value >= 900; });
  std::printf("server rows a second behind (new milliseconds, old second): %td of %zu\n",
              second_behind, staleness.size());
  std::printf("unreadable server rows seen: %d\n", unreadable);
  const WorkerCounts workers = CountWorkers(thread_samples);
  std::printf(
      "threads in chronalt.exe: %zu resident; workers in flight median %.0f, peak %.0f "
      "(%zu samples)\n",
      workers.resident, Percentile(workers.in_flight, 0.5),
      workers.in_flight.empty()
          ? 0.0
          : *std::max_element(workers.in_flight.begin(), workers.in_flight.end()),
      workers.in_flight.size());
  return staleness.empty() ? 1 : 0;
}
