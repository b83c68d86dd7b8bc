// The server time poll. A reading is only as good as its stamp: when the stamp cannot be read
// as a date-time, the milliseconds box is emptied too rather than showing whatever three bytes
// the answer happened to end with.
#include "app/server_time_poll.h"

#include <atomic>

#include "app/shared_texts.h"
#include "app/window_controls.h"
#include "app/worker_threads.h"
#include "util/text_slicing.h"
#include "util/timestamp_text.h"

namespace chronalt {
namespace {

std::atomic<ServerTimeRequester> g_requester{nullptr};

ServerTimeRequester CurrentRequester() {
  const ServerTimeRequester requester = g_requester.load();
  return requester != nullptr ? requester : DefaultServerTimeRequester();
}

}  // namespace

ServerTimeReading ReadServerTimeAnswer(const Text& answer) {
  const Text stamp = TextBetween(answer, "{\"serverTime\":", "}");
  ServerTimeReading reading{TimestampToDateTimeText(stamp), {}};
  if (!reading.time.empty()) reading.millis = TextRight(stamp, 3);
  return reading;
}

ServerTimeRequester SetServerTimeRequester(ServerTimeRequester requester) {
  return g_requester.exchange(requester);
}

void FetchServerTime() {
  ServerTimeReading reading = ReadServerTimeAnswer(CurrentRequester()(ServerTimeEndpointUrl()));
  PublishSharedText(SharedTextId::kServerTime, std::move(reading.time));
  PublishSharedText(SharedTextId::kServerMillis, std::move(reading.millis));
  SetEditBoxText(EditBox::kEditBox3, *ReadSharedText(SharedTextId::kServerMillis));
}

void OnServerPollTick() {
  StartBoundedWorker(WorkerKind::kServerPoll, &FetchServerTime);
  SetEditBoxText(EditBox::kEditBox1, *ReadSharedText(SharedTextId::kServerTime));
}

}  // namespace chronalt
