// The control operations on MainWindow's controls. The handles sit in atomics so a worker reads
// them without a lock; its update is a sent WM_SETTEXT, which the window thread applies while
// the worker waits. No lock is held while sending, so a worker blocked in the send holds up
// nobody, and a send to a window already destroyed fails at once.
//
// On the window thread an update that would not change the box is left out: 时钟2's tick sets
// 编辑框2 every few milliseconds while its text changes once a second, and each WM_SETTEXT
// repaints the box. Only there is the check safe: what the window thread reads cannot change
// before it sets, since workers' updates wait for it.
#include "app/window_controls_win.h"

#include <atomic>
#include <string>

#include "app/window_controls.h"
#include "http/code_page.h"

namespace chronalt {
namespace {

std::atomic<HWND> edit_boxes[4];
std::atomic<HWND> check_box{nullptr};
std::atomic<HWND> button{nullptr};

HWND EditBoxHandle(EditBox box) {
  return edit_boxes[static_cast<int>(box)].load(std::memory_order_acquire);
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring content(static_cast<std::size_t>(length) + 1, L'\0');
  content.resize(static_cast<std::size_t>(GetWindowTextW(window, content.data(), length + 1)));
  return content;
}

bool OnOwnThread(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

}  // namespace

void AttachWindowControls(const WindowControlHandles& handles) {
  for (int i = 0; i < 4; ++i) edit_boxes[i].store(handles.edit_boxes[i]);
  check_box.store(handles.check_box);
  button.store(handles.button);
}

void DetachWindowControls() { AttachWindowControls(WindowControlHandles{}); }

void SetEditBoxText(EditBox box, const Text& text) {
  const HWND handle = EditBoxHandle(box);
  if (handle == nullptr) return;
  const Bytes utf16 = TextToUtf16(text);
  const wchar_t* content =
      utf16.empty() ? L"" : reinterpret_cast<const wchar_t*>(BytesPointer(utf16));
  if (OnOwnThread(handle) && WindowText(handle) == content) return;
  SendMessageW(handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(content));
}

Text EditBoxText(EditBox box) {
  const HWND handle = EditBoxHandle(box);
  if (handle == nullptr) return {};
  const std::wstring content = WindowText(handle);
  return Utf16ToText(Bytes(content.data(), content.size() * sizeof(wchar_t)));
}

bool IsAutoCalibrateTicked() {
  const HWND handle = check_box.load(std::memory_order_acquire);
  return handle != nullptr && SendMessageW(handle, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetAutoCalibrateTicked(bool ticked) {
  const HWND handle = check_box.load(std::memory_order_acquire);
  if (handle != nullptr) SendMessageW(handle, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SetCalibrateButtonEnabled(bool enabled) {
  const HWND handle = button.load(std::memory_order_acquire);
  if (handle != nullptr) EnableWindow(handle, enabled ? TRUE : FALSE);
}

bool IsCalibrateButtonEnabled() {
  const HWND handle = button.load(std::memory_order_acquire);
  return handle != nullptr && IsWindowEnabled(handle);
}

}  // namespace chronalt
