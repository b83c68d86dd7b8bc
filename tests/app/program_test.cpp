// Tests of the program as shipped: chronalt.exe started as a process of its own shows its
// window, its local clock row fills from the real clock, and Esc ends the process cleanly
// (exit code 0) while its workers keep being started up to the end.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/main_window.h"

namespace chronalt {
namespace {

struct HandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using HandleOwner = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleDeleter>;

// The build knows the program by its path on the build machine; under Wine that is a path of
// the Z: drive.
std::wstring ProgramPath() {
  std::string path = CHRONALT_PROGRAM_PATH;
  if (!path.empty() && path.front() == '/') path = "Z:" + path;
  std::wstring wide(path.begin(), path.end());
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

// Sent, not GetWindowTextW: for another process's control that only gives its initial text.
std::wstring WindowText(HWND window) {
  wchar_t text[128] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 2000,
                      &copied);
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow += c < 0x80 ? static_cast<char>(c) : '?';
  return narrow;
}

template <typename Done>
bool WaitFor(Done done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

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
  if (owner == state->process_id && std::wstring(class_name) == L"ChronaltMainWindow") {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}

TEST(ProgramTest, ShowsTheLocalClockAndEndsOnEsc) {
  std::wstring command = L"\"" + ProgramPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &info))
      << GetLastError();
  const HandleOwner process(info.hProcess);
  const HandleOwner thread(info.hThread);
  // A failed check must not leave the program running.
  struct EndIfRunning {
    HANDLE process;
    ~EndIfRunning() {
      if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 99);
    }
  } end_if_running{process.get()};

  FindState state{info.dwProcessId, nullptr};
  ASSERT_TRUE(WaitFor([&] {
    EnumWindows(&FindProgramWindow, reinterpret_cast<LPARAM>(&state));
    return state.found != nullptr;
  }));
  const HWND window = state.found;
  EXPECT_EQ(WindowText(window), L"Chronalt");
  EXPECT_TRUE(IsWindowVisible(window));

  // ‘2024-1-5 09:05:03’ in shape: a dash after the year, the time of day after the blank.
  const HWND local_time = GetDlgItem(window, kIdEditBox2);
  const HWND local_millis = GetDlgItem(window, kIdEditBox4);
  EXPECT_TRUE(WaitFor([&] {
    const std::wstring text = WindowText(local_time);
    return text.size() >= 16 && text[4] == L'-' && text[text.size() - 3] == L':' &&
           !WindowText(local_millis).empty();
  })) << "local row shows \""
      << Narrow(WindowText(local_time)) << "\"";

  ASSERT_TRUE(PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1));
  ASSERT_EQ(WaitForSingleObject(process.get(), 20000), WAIT_OBJECT_0);
  DWORD exit_code = 1;
  ASSERT_TRUE(GetExitCodeProcess(process.get(), &exit_code));
  EXPECT_EQ(exit_code, 0u);
}

}  // namespace
}  // namespace chronalt
