// The clock calibration: 按钮1's click sets the computer clock once to the last server time
// read, and 时钟3's tick keeps setting it while 选择框1 is ticked, disabling the button meanwhile.
#pragma once

#include "util/text_bytes.h"

namespace chronalt {

// Sets the local clock to the whole second `server_time` names, milliseconds 0. A text that
// cannot be read as a date-time (none read yet, a failed poll) leaves the clock alone.
void SetClockToServerTime(const Text& server_time);

// 时钟3's tick, on the window thread.
void OnAutoCalibrateTick();

// 按钮1's click, on the window thread.
void OnCalibrateClicked();

}  // namespace chronalt
