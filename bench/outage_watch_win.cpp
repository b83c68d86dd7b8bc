// Watches the running chronalt.exe through an outage of its server: ticks 自动校准 (so the
// calibration timer runs too), then every 100 ms samples how long the window takes to answer a
// message, the threads of the process, its memory and what the server row shows. Prints one
// line per sample for bench/outage_report.py:
//
//   <Unix ms> <reply ms> <threads, comma-separated> <working set KiB> <row>
//
// where <row> is the server row's lead over the local clock in ms, or "empty".
//
//   outage_watch SECONDS
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_window.h"
#include "program_probe_win.h"

namespace {

using namespace chronalt;
using Clock = std::chrono::steady_clock;

long long UnixMilliseconds() {
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks;
  ticks.LowPart = now.dwLowDateTime;
  ticks.HighPart = now.dwHighDateTime;
  return static_cast<long long>(ticks.QuadPart / 10000) - 11644473600000LL;
}

// Ticks the box the way a click does, and waits for the calibration timer to take the button
// out of use.
bool TickAutoCalibrate(HWND window) {
  const HWND box = GetDlgItem(window, kIdCheckBox1);
  if (SendMessageW(box, BM_GETCHECK, 0, 0) != BST_CHECKED) SendMessageW(box, BM_CLICK, 0, 0);
  const HWND button = GetDlgItem(window, kIdButton1);
  return WaitUntil([&] { return !IsWindowEnabled(button); }, std::chrono::seconds(5));
}

// "id.created,id.created,...": each thread once, told apart from a later one of its number.
std::string Joined(const std::vector<ThreadIdentity>& threads) {
  std::string text;
  for (const ThreadIdentity& thread : threads) {
    if (!text.empty()) text += ',';
    text += std::to_string(thread.id) + '.' + std::to_string(thread.created);
  }
  return text.empty() ? "-" : text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: outage_watch SECONDS\n");
    return 2;
  }
  const int seconds = std::atoi(argv[1]);
  const HWND window = WaitForAnyMainWindow(std::chrono::seconds(30));
  if (window == nullptr) {
    std::fprintf(stderr, "no Chronalt window appeared\n");
    return 1;
  }
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  const ProbeHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id));
  if (!TickAutoCalibrate(window)) {
    std::fprintf(stderr, "ticking the auto-calibrate box did not take the button out of use\n");
    return 1;
  }

  const auto start = Clock::now();
  auto next = start;
  while (Clock::now() - start < std::chrono::seconds(seconds)) {
    const auto asked = Clock::now();
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
    const double reply_ms =
        answered ? std::chrono::duration<double, std::milli>(Clock::now() - asked).count() : -1;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (process == nullptr || !GetProcessMemoryInfo(process.get(), &memory, sizeof memory)) {
      memory = {};
    }
    const long long now = LocalNowMilliseconds();
    const auto shown = ShownLocalMilliseconds(ControlText(GetDlgItem(window, kIdEditBox1)),
                                              ControlText(GetDlgItem(window, kIdEditBox3)));
    const std::string row = shown ? std::to_string(*shown - now) : "empty";
    std::printf("%lld %.2f %s %zu %s\n", UnixMilliseconds(), reply_ms,
                Joined(ProcessThreads(process_id)).c_str(), memory.WorkingSetSize / 1024,
                row.c_str());
    std::fflush(stdout);
    if (!IsWindow(window)) return 1;
    next += std::chrono::milliseconds(100);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
    if (wait.count() > 0) Sleep(static_cast<DWORD>(wait.count()));
  }
  return 0;
}
