// Drives chronalt.exe from outside, the way another program on the desktop sees it: starts the
// process, finds its main window and reads its controls with WM_GETTEXT. The whole-program test
// and the running-program benchmark share it.
#pragma once

#include <windows.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace chronalt {

struct ProbeHandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using ProbeHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, ProbeHandleDeleter>;

// A path the build knows on the build machine ("/work/.../chronalt.exe"), as Windows sees it:
// under Wine a path of the Z: drive.
std::wstring WindowsPathOf(const std::string& build_path);

// The main window (class "ChronaltMainWindow") of the process, or of any process when
// `process_id` is 0; null when there is none.
HWND FindMainWindow(DWORD process_id);

// The main window of a chronalt.exe started by someone else, once it exists; null after `limit`.
HWND WaitForAnyMainWindow(std::chrono::milliseconds limit);

// chronalt.exe as a child process. Ends it (exit code 99) if it is still running when the
// object goes, so a failed check never leaves the program behind.
class RunningProgram {
 public:
  explicit RunningProgram(const std::wstring& exe_path);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  bool started() const { return process_ != nullptr; }
  DWORD start_error() const { return start_error_; }
  DWORD process_id() const { return process_id_; }
  HANDLE process() const { return process_.get(); }

  // Its main window, once it exists; null after `limit` or when the process ended first.
  HWND WaitForMainWindow(std::chrono::milliseconds limit) const;
  // Waits for the process to end; its exit code, or nothing after `limit`.
  std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit) const;

 private:
  ProbeHandle process_;
  ProbeHandle thread_;
  DWORD process_id_ = 0;
  DWORD start_error_ = 0;
};

// The control's text as its window procedure gives it. Sent rather than GetWindowTextW, which
// for another process's control only gives the text it was created with. Empty when the
// window does not answer within `limit`.
std::wstring ControlText(HWND control, std::chrono::milliseconds limit = std::chrono::seconds(2));

// A shown date-time ("2024-1-5 09:05:03", "2023-11-15 19:13:20") and its milliseconds box
// ("007") as milliseconds on the local time line; nothing when either is not in that shape.
std::optional<long long> ShownLocalMilliseconds(const std::wstring& date_time,
                                                const std::wstring& millis);

// The local clock now, on the same time line.
long long LocalNowMilliseconds();

// A thread told apart from later threads that are given its number again, as the platform
// does within seconds for short-lived workers.
struct ThreadIdentity {
  DWORD id = 0;
  unsigned long long created = 0;  // FILETIME ticks
  auto operator<=>(const ThreadIdentity&) const = default;
};

// The threads the process has now (the window thread, the platform's own and workers), those
// that have already ended left out.
std::vector<ThreadIdentity> ProcessThreads(DWORD process_id);

// Threads of the process sampled over a run, split into the resident ones (the window thread
// and the platform's own, seen in at least nine samples out of ten) and the rest, the workers,
// which live for one request or one clock reading.
struct WorkerCounts {
  std::size_t resident = 0;
  std::vector<double> in_flight;  // workers, sample by sample
};
WorkerCounts CountWorkers(const std::vector<std::vector<ThreadIdentity>>& samples);

// Repeats `done` every few milliseconds until it holds; false after `limit`.
template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Sleep(20);
  }
  return true;
}

}  // namespace chronalt
