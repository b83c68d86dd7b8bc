// How MainWindow hands its controls to the control operations, and takes them back when it is
// destroyed, after which workers' updates are dropped.
#pragma once

#include <windows.h>

namespace chronalt {

struct WindowControlHandles {
  HWND edit_boxes[4] = {};   // 编辑框1 to 编辑框4, in EditBox order
  HWND check_box = nullptr;  // 选择框1
  HWND button = nullptr;     // 按钮1
};

void AttachWindowControls(const WindowControlHandles& handles);
void DetachWindowControls();

}  // namespace chronalt
