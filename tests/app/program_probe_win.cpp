// The outside view of chronalt.exe: its process, its window and its controls' texts.
#include "program_probe_win.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>
#include <map>
#include <set>

namespace chronalt {
namespace {

struct FindState {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM parameter) {
  auto* state = reinterpret_cast<FindState*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t class_name[64] = {};
  GetClassNameW(window, class_name, 64);
  if ((state->process_id == 0 || owner == state->process_id) &&
      std::wstring(class_name) == L"ChronaltMainWindow") {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}

long long FileTimeMilliseconds(const SYSTEMTIME& fields) {
  FILETIME file_time{};
  if (!SystemTimeToFileTime(&fields, &file_time)) return -1;
  ULARGE_INTEGER ticks;
  ticks.LowPart = file_time.dwLowDateTime;
  ticks.HighPart = file_time.dwHighDateTime;
  return static_cast<long long>(ticks.QuadPart / 10000);
}

}  // namespace

std::wstring WindowsPathOf(const std::string& build_path) {
  std::string path = build_path;
  if (!path.empty() && path.front() == '/') path.insert(0, "Z:");
  std::wstring wide(path.begin(), path.end());
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

RunningProgram::RunningProgram(const std::wstring& exe_path) {
  std::wstring command = L"\"" + exe_path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    start_error_ = GetLastError();
    return;
  }
  process_.reset(info.hProcess);
  thread_.reset(info.hThread);
  process_id_ = info.dwProcessId;
}

RunningProgram::~RunningProgram() {
  if (process_ != nullptr && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 99);
    WaitForSingleObject(process_.get(), 10000);
  }
}

HWND FindMainWindow(DWORD process_id) {
  FindState state{process_id, nullptr};
  EnumWindows(&FindProgramWindow, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

HWND WaitForAnyMainWindow(std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitUntil([&] { return (found = FindMainWindow(0)) != nullptr; }, limit);
  return found;
}

HWND RunningProgram::WaitForMainWindow(std::chrono::milliseconds limit) const {
  if (!started()) return nullptr;
  HWND found = nullptr;
  WaitUntil(
      [&] {
        found = FindMainWindow(process_id_);
        return found != nullptr || WaitForSingleObject(process_.get(), 0) == WAIT_OBJECT_0;
      },
      limit);
  return found;
}

std::optional<DWORD> RunningProgram::WaitForExit(std::chrono::milliseconds limit) const {
  if (!started() ||
      WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    return std::nullopt;
  }
  DWORD exit_code = 0;
  if (!GetExitCodeProcess(process_.get(), &exit_code)) return std::nullopt;
  return exit_code;
}

std::wstring ControlText(HWND control, std::chrono::milliseconds limit) {
  wchar_t text[128] = {};
  DWORD_PTR copied = 0;
  if (SendMessageTimeoutW(control, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_BLOCK,
                          static_cast<UINT>(limit.count()), &copied) == 0) {
    return {};
  }
  return text;
}

std::optional<long long> ShownLocalMilliseconds(const std::wstring& date_time,
                                                const std::wstring& millis) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, used = 0;
  if (std::swscanf(date_time.c_str(), L"%4d-%2d-%2d %2d:%2d:%2d%n", &year, &month, &day, &hour,
                   &minute, &second, &used) != 6 ||
      used != static_cast<int>(date_time.size())) {
    return std::nullopt;
  }
  if (millis.size() != 3 || millis.find_first_not_of(L"0123456789") != std::wstring::npos) {
    return std::nullopt;
  }
  SYSTEMTIME fields{};
  fields.wYear = static_cast<WORD>(year);
  fields.wMonth = static_cast<WORD>(month);
  fields.wDay = static_cast<WORD>(day);
  fields.wHour = static_cast<WORD>(hour);
  fields.wMinute = static_cast<WORD>(minute);
  fields.wSecond = static_cast<WORD>(second);
  const long long whole_seconds = FileTimeMilliseconds(fields);
  if (whole_seconds < 0) return std::nullopt;
  return whole_seconds + std::stoi(millis);
}

long long LocalNowMilliseconds() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return FileTimeMilliseconds(now);
}

unsigned long long ThreadCreationTime(DWORD thread_id) {
  const ProbeHandle thread(OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, thread_id));
  FILETIME created{}, exited{}, kernel{}, user{};
  if (thread == nullptr || !GetThreadTimes(thread.get(), &created, &exited, &kernel, &user)) {
    return 0;
  }
  return (static_cast<unsigned long long>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

std::vector<ThreadIdentity> ProcessThreads(DWORD process_id) {
  std::vector<ThreadIdentity> threads;
  HANDLE raw = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (raw == INVALID_HANDLE_VALUE) return threads;
  const ProbeHandle snapshot(raw);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot.get(), &entry); more;
       more = Thread32Next(snapshot.get(), &entry)) {
    if (entry.th32OwnerProcessID != process_id) continue;
    // One that ended since the snapshot is no longer in flight.
    if (const auto created = ThreadCreationTime(entry.th32ThreadID); created != 0) {
      threads.push_back({entry.th32ThreadID, created});
    }
  }
  return threads;
}

WorkerCounts CountWorkers(const std::vector<std::vector<ThreadIdentity>>& samples) {
  std::map<ThreadIdentity, std::size_t> seen;
  for (const auto& sample : samples) {
    for (const ThreadIdentity& thread : sample) ++seen[thread];
  }
  std::set<ThreadIdentity> resident;
  for (const auto& [id, times] : seen) {
    if (times * 10 >= samples.size() * 9) resident.insert(id);
  }
  WorkerCounts counts;
  counts.resident = resident.size();
  for (const auto& sample : samples) {
    counts.in_flight.push_back(static_cast<double>(
        std::count_if(sample.begin(), sample.end(),
                      [&](const ThreadIdentity& thread) { return resident.count(thread) == 0; })));
  }
  return counts;
}

}  // namespace chronalt
