// The shared texts: a lock around each pointer swap and copy. Building a new text and freeing an
// old one happen outside the lock, so a reader never waits for more than a pointer copy.
#include "app/shared_texts.h"

#include <utility>

namespace chronalt {
namespace {

const SharedText& EmptyText() {
  static const SharedText* const empty = new SharedText(std::make_shared<const Text>());
  return *empty;
}

}  // namespace

void SharedTextTable::Publish(SharedTextId id, Text text) {
  SharedText replacement = std::make_shared<const Text>(std::move(text));
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (released_) return;  // the replacement is freed here, outside the lock
    texts_[static_cast<int>(id)].swap(replacement);
  }
  // `replacement` now holds the old text, freed here unless a reader still has it.
}

SharedText SharedTextTable::Read(SharedTextId id) const {
  SharedText text;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    text = texts_[static_cast<int>(id)];
  }
  return text ? text : EmptyText();
}

void SharedTextTable::Release() {
  SharedText old[kCount];
  {
    std::lock_guard<std::mutex> lock(mutex_);
    released_ = true;
    for (int i = 0; i < kCount; ++i) old[i].swap(texts_[i]);
  }
}

bool SharedTextTable::released() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return released_;
}

SharedTextTable& ProgramSharedTexts() {
  static SharedTextTable* const table = new SharedTextTable;
  return *table;
}

}  // namespace chronalt
