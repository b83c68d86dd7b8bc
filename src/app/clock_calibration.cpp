// The clock calibration. An unreadable server time reads as the earliest date there is; rather
// than count on the platform to refuse that as a clock value, it is never handed on.
#include "app/clock_calibration.h"

#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "util/date_time.h"

namespace chronalt {

void SetClockToServerTime(const Text& server_time) {
  const DateTime value = ToTime(server_time);
  if (value == kMinDateTime) return;
  SetCurrentTime(value);
}

void OnAutoCalibrateTick() {
  if (!IsAutoCalibrateTicked()) {
    SetCalibrateButtonEnabled(true);
    return;
  }
  // The same value as a click sets: the day and the hour may be parted by "-" as well as " ".
  SetClockToServerTime(ReplaceSubtext(*ReadSharedText(SharedTextId::kServerTime), " ", "-",
                                      std::nullopt, std::nullopt, true));
  SetCalibrateButtonEnabled(false);
}

void OnCalibrateClicked() { SetClockToServerTime(*ReadSharedText(SharedTextId::kServerTime)); }

}  // namespace chronalt
