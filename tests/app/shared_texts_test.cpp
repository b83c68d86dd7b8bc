// Tests of the shared texts: they start empty and are replaced whole, each on its own; readers
// racing with writers only ever see a complete text; and after the release nothing is
// published any more while texts already held stay valid (AddressSanitizer watches the native
// run). Each test uses a table of its own, so the program's table is left alone.
#include "app/shared_texts.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace chronalt {
namespace {

constexpr SharedTextId kAllIds[] = {SharedTextId::kServerTime, SharedTextId::kServerMillis,
                                    SharedTextId::kLocalTime, SharedTextId::kLocalMillis};

TEST(SharedTextsTest, StartEmptyAndAreReplacedWholeEachOnItsOwn) {
  SharedTextTable table;
  for (SharedTextId id : kAllIds) {
    ASSERT_NE(table.Read(id), nullptr);
    EXPECT_EQ(*table.Read(id), Text());
  }
  table.Publish(SharedTextId::kLocalTime, "2024-1-5 09:05:03");
  table.Publish(SharedTextId::kLocalMillis, "007");
  table.Publish(SharedTextId::kLocalTime, "2024-1-5 09:05:04");
  EXPECT_EQ(*table.Read(SharedTextId::kLocalTime), Text("2024-1-5 09:05:04"));
  EXPECT_EQ(*table.Read(SharedTextId::kLocalMillis), Text("007"));
  EXPECT_EQ(*table.Read(SharedTextId::kServerTime), Text());
  EXPECT_EQ(*table.Read(SharedTextId::kServerMillis), Text());
}

TEST(SharedTextsTest, AHeldTextOutlivesItsReplacementAndTheRelease) {
  SharedTextTable table;
  table.Publish(SharedTextId::kServerTime, "2023-11-15 19:13:20");
  const SharedText held = table.Read(SharedTextId::kServerTime);
  table.Publish(SharedTextId::kServerTime, "2023-11-15 19:13:21");
  EXPECT_EQ(*held, Text("2023-11-15 19:13:20"));
  table.Release();
  EXPECT_EQ(*held, Text("2023-11-15 19:13:20"));
}

TEST(SharedTextsTest, NothingIsPublishedAfterTheRelease) {
  SharedTextTable table;
  for (SharedTextId id : kAllIds) table.Publish(id, "before");
  EXPECT_FALSE(table.released());
  table.Release();
  EXPECT_TRUE(table.released());
  for (SharedTextId id : kAllIds) {
    EXPECT_EQ(*table.Read(id), Text());
    table.Publish(id, "late worker");
    EXPECT_EQ(*table.Read(id), Text());
  }
  table.Release();  // a second release changes nothing
  EXPECT_EQ(*table.Read(SharedTextId::kLocalTime), Text());
}

// Writers replace one text with long texts of a single repeated byte each; a reader that ever
// saw a mixture, a wrong length or a freed text would fail (or trip AddressSanitizer).
TEST(SharedTextsTest, ReadersRacingWritersSeeOnlyCompleteTexts) {
  SharedTextTable table;
  constexpr std::size_t kLength = 4096;
  const std::string fills = "abcd";
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::atomic<long> reads{0};

  std::vector<std::thread> threads;
  for (char fill : fills) {
    threads.emplace_back([&, fill] {
      const std::string text(kLength, fill);
      while (!stop) table.Publish(SharedTextId::kLocalTime, text);
    });
  }
  for (int r = 0; r < 3; ++r) {
    threads.emplace_back([&] {
      while (!stop) {
        const SharedText text = table.Read(SharedTextId::kLocalTime);
        ++reads;
        if (text->empty()) continue;
        const std::string_view bytes = text->view();
        if (bytes.size() != kLength ||
            bytes.find_first_not_of(bytes.front()) != std::string_view::npos) {
          ++torn;
        }
      }
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  table.Release();  // in the middle of it all
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  stop = true;
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(torn, 0);
  EXPECT_GT(reads, 0);
  EXPECT_EQ(*table.Read(SharedTextId::kLocalTime), Text());  // the writers after the release
}

}  // namespace
}  // namespace chronalt
