// The control operations of the native build: the boxes, the check box and the button as plain
// state behind a lock, standing in for the window the native build does not have.
#include <mutex>

#include "app/window_controls.h"

namespace chronalt {
namespace {

struct Controls {
  std::mutex mutex;
  Text edit_boxes[4];
  bool ticked = false;
  bool button_enabled = true;
};

// Never destroyed: a worker may still be writing while the process ends.
Controls& State() {
  static Controls* const controls = new Controls;
  return *controls;
}

}  // namespace

void SetEditBoxText(EditBox box, const Text& text) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().edit_boxes[static_cast<int>(box)] = text;
}

Text EditBoxText(EditBox box) {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().edit_boxes[static_cast<int>(box)];
}

bool IsAutoCalibrateTicked() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().ticked;
}

void SetAutoCalibrateTicked(bool ticked) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().ticked = ticked;
}

void SetCalibrateButtonEnabled(bool enabled) {
  std::lock_guard<std::mutex> lock(State().mutex);
  State().button_enabled = enabled;
}

bool IsCalibrateButtonEnabled() {
  std::lock_guard<std::mutex> lock(State().mutex);
  return State().button_enabled;
}

}  // namespace chronalt
