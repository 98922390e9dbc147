#include "util/snapshot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(Snapshot, ReaderGetsWhatWasPublishedLast) {
  Snapshot<std::string> cell(std::make_shared<const std::string>("first"));
  EXPECT_EQ(cell.Read(), "first");
  cell.Publish(std::make_shared<const std::string>("second"));
  EXPECT_EQ(cell.Read(), "second");
  EXPECT_EQ(*cell.Current(), "second");
}

TEST(Snapshot, KeepsTheValueTheReaderHoldsUntilItReadsAgain) {
  auto first = std::make_shared<const std::string>("first");
  std::weak_ptr<const std::string> watch = first;
  Snapshot<std::string> cell(std::move(first));
  const std::string& held = cell.Read();

  cell.Publish(std::make_shared<const std::string>("second"));
  cell.Collect();
  ASSERT_FALSE(watch.expired()) << "freed while the reader still used it";
  EXPECT_EQ(held, "first");

  EXPECT_EQ(cell.Read(), "second");
  cell.Collect();
  EXPECT_TRUE(watch.expired()) << "kept after the reader moved on";
}

TEST(Snapshot, FreesAValueNoReaderEverSaw) {
  Snapshot<std::string> cell(std::make_shared<const std::string>("first"));
  EXPECT_EQ(cell.Read(), "first");
  auto unseen = std::make_shared<const std::string>("unseen");
  std::weak_ptr<const std::string> watch = unseen;
  cell.Publish(std::move(unseen));
  cell.Publish(std::make_shared<const std::string>("third"));
  EXPECT_TRUE(watch.expired());
}

// Under AddressSanitizer a value freed while the reader used it is a reported error, not a
// lucky read: the reader checks each value whole while the publisher replaces them.
TEST(Snapshot, ReaderNeverSeesAFreedValueWhilePublishersReplaceIt) {
  Snapshot<std::string> cell(std::make_shared<const std::string>(std::string(64, 'a')));
  std::atomic<bool> done{false};
  std::atomic<long> reads{0};
  std::thread reader([&] {
    while (!done.load()) {
      const std::string& value = cell.Read();
      ASSERT_EQ(value.size(), 64u);
      ASSERT_EQ(value.front(), value.back());
      reads.fetch_add(1);
    }
  });
  for (int i = 0; i < 20000; ++i) {
    cell.Publish(
        std::make_shared<const std::string>(std::string(64, static_cast<char>('a' + i % 26))));
  }
  // The reader must have run during the replacements for the test to mean anything.
  while (reads.load() < 1000) std::this_thread::yield();
  done.store(true);
  reader.join();
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
