// The control operations the handlers and workers use, apart from the window that holds the
// controls. On Windows they act on MainWindow's controls; the native build, which has no
// window, keeps the same state in memory so the handlers and workers run there too.
#pragma once

#include "util/text_bytes.h"

namespace chronalt {

enum class EditBox {
  kEditBox1,  // 编辑框1: server date-time, ServerTimeText
  kEditBox2,  // 编辑框2: local date-time, LocalTimeText
  kEditBox3,  // 编辑框3: server milliseconds, ServerMillisText
  kEditBox4,  // 编辑框4: local milliseconds, LocalMillisText
};

// From any thread. From a worker the update is applied on the window thread, and the call
// returns once it has been. Once the window is gone nothing happens.
void SetEditBoxText(EditBox box, const Text& text);

// The content of an edit box (empty once the window is gone); on the window thread.
Text EditBoxText(EditBox box);

// Whether 选择框1 ("自动校准") is ticked; on the window thread.
bool IsAutoCalibrateTicked();

// Ticks or clears 选择框1, as the user's click does; on the window thread.
void SetAutoCalibrateTicked(bool ticked);

// Enables or disables 按钮1 ("校准时间"); on the window thread.
void SetCalibrateButtonEnabled(bool enabled);
bool IsCalibrateButtonEnabled();

}  // namespace chronalt
