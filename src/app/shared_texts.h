// The four texts through which the clock workers hand their readings to the window. Each is
// replaced as a whole: a reader on any thread gets the complete old or the complete new text,
// and the text it got stays valid for as long as it holds it, even across a replacement or the
// release at shut-down. After the release nothing is published any more, so a worker that ends
// late cannot bring a text back.
#pragma once

#include <memory>
#include <mutex>

#include "util/text_bytes.h"

namespace chronalt {

enum class SharedTextId {
  kServerTime,    // ServerTimeText
  kServerMillis,  // ServerMillisText
  kLocalTime,     // LocalTimeText
  kLocalMillis,   // LocalMillisText
};

// A text as a reader holds it; never null (the empty text when nothing was published).
using SharedText = std::shared_ptr<const Text>;

// One set of the four texts. The program has one (below); tests make their own.
class SharedTextTable {
 public:
  SharedTextTable() = default;
  SharedTextTable(const SharedTextTable&) = delete;
  SharedTextTable& operator=(const SharedTextTable&) = delete;

  // Replaces the text whole; does nothing once the table has been released.
  void Publish(SharedTextId id, Text text);
  SharedText Read(SharedTextId id) const;
  // Drops the table's references; texts that readers still hold stay valid until they let go.
  void Release();
  bool released() const;

 private:
  static constexpr int kCount = 4;
  // Held only to swap or copy a pointer: the text itself is built and freed outside the lock.
  mutable std::mutex mutex_;
  SharedText texts_[kCount];
  bool released_ = false;
};

// The program's shared texts. The table is never destroyed, so a worker still running while
// the process ends never meets a destroyed lock.
SharedTextTable& ProgramSharedTexts();

inline void PublishSharedText(SharedTextId id, Text text) {
  ProgramSharedTexts().Publish(id, std::move(text));
}
inline SharedText ReadSharedText(SharedTextId id) { return ProgramSharedTexts().Read(id); }
// The clean-up routine of the program's end; runs on the window thread.
inline void ReleaseSharedTexts() { ProgramSharedTexts().Release(); }

}  // namespace chronalt
