// The local clock row. Milliseconds below 10 are filled up with "00" so that 7 ms reads ‘007’
// and never looks like a three-digit reading of another value; 10 to 999 ms keep their plain
// digits, as the row has always shown them.
#include "app/local_clock.h"

#include "app/local_clock_source.h"
#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"

namespace chronalt {
namespace {

Text TwoDigits(int value) {
  const Text digits = ToText(value);
  return ToInt(digits) < 10 ? Text("0" + digits.str()) : digits;
}

}  // namespace

LocalClockTexts FormatLocalClockTexts(const ClockFields& now) {
  Text millis = ToText(static_cast<int>(now.milliseconds));
  if (ToInt(millis) < 10) millis = Text("00" + millis.str());
  std::string time = ToText(static_cast<int>(now.year)).str();
  time += "-" + ToText(static_cast<int>(now.month)).str();
  time += "-" + ToText(static_cast<int>(now.day)).str();
  time += " " + TwoDigits(now.hour).str();
  time += ":" + TwoDigits(now.minute).str();
  time += ":" + TwoDigits(now.second).str();
  return {Text(std::move(time)), std::move(millis)};
}

void FormatLocalTime() {
  LocalClockTexts texts = FormatLocalClockTexts(ReadLocalClock());
  PublishSharedText(SharedTextId::kLocalMillis, std::move(texts.millis));
  PublishSharedText(SharedTextId::kLocalTime, std::move(texts.time));
  SetEditBoxText(EditBox::kEditBox4, *ReadSharedText(SharedTextId::kLocalMillis));
}

void OnLocalClockTick() {
  StartBoundedWorker(WorkerKind::kLocalClock, &FormatLocalTime);
  SetEditBoxText(EditBox::kEditBox2, *ReadSharedText(SharedTextId::kLocalTime));
}

}  // namespace chronalt
