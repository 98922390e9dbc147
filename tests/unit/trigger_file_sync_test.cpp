#include "store/trigger_file_sync.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/trigger_file.h"
#include "tests/support/temp_dir.h"
#include "util/save_queue.h"

namespace tarquel {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

class TriggerFileSyncTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir / "config.txt"; }
  std::filesystem::path Backup() const { return dir / "config.txt.bak"; }
  void Load(std::string_view bytes) {
    WriteBytes(File(), bytes);
    table = LoadTriggerFile(File(), history);
  }
  TriggerFileCheck Check(bool tableAhead = false) {
    return ReloadIfChanged(File(), tableAhead, table, history);
  }

  TempDir dir;
  TriggerFileHistory history;
  TriggerTable table;
};

TEST_F(TriggerFileSyncTest, ChangeByAnotherProgramReplacesTheTableInPlace) {
  Load(":demo=Hello World\r\n");
  const TriggerTable* const held = &table;
  WriteBytes(File(), ":new=fresh text\r\n:demo=changed\r\n");

  EXPECT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_EQ(&table, held);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(*table.Find(":new"), "fresh text");
  EXPECT_EQ(*table.Find(":demo"), "changed");
  // The matcher index follows the new entries, not the old ones.
  ASSERT_NE(table.FindTriggerEnding("abc:new"), nullptr);
  EXPECT_EQ(table.FindTriggerEnding("abc:new")->second, "fresh text");
  EXPECT_EQ(history.knownBytes, ":new=fresh text\r\n:demo=changed\r\n");
}

TEST_F(TriggerFileSyncTest, SecondCheckOfTheSameBytesChangesNothing) {
  Load(":a=1\r\n");
  WriteBytes(File(), ":b=2\r\n");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  table.Set(":only-in-memory", "x");
  EXPECT_EQ(Check(), TriggerFileCheck::Unchanged);
  EXPECT_NE(table.Find(":only-in-memory"), nullptr);
}

TEST_F(TriggerFileSyncTest, OwnSaveIsNotTakenForAForeignChange) {
  Load(":a=1\r\n");
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Set(":c", "shown but not yet saved");
  EXPECT_EQ(Check(), TriggerFileCheck::Unchanged);
  EXPECT_EQ(table.size(), 3u);
}

TEST_F(TriggerFileSyncTest, PendingSaveDefersWithoutReadingOrTouchingAnything) {
  Load(":a=1\r\n");
  table.Set(":newer", "in memory, save still queued");
  // Whatever the file holds now, our queued save is newer.
  WriteBytes(File(), ":older=on disk\r\n");

  EXPECT_EQ(Check(/*tableAhead=*/true), TriggerFileCheck::Deferred);
  EXPECT_NE(table.Find(":newer"), nullptr);
  EXPECT_EQ(table.Find(":older"), nullptr);
  EXPECT_EQ(history.knownBytes, ":a=1\r\n");
}

TEST_F(TriggerFileSyncTest, UnreadableFileKeepsTheTableInForce) {
  Load(":a=1\r\n");
  std::filesystem::remove(File());
  EXPECT_EQ(Check(), TriggerFileCheck::Unreadable);
  EXPECT_EQ(*table.Find(":a"), "1");

  // A folder where the file was: cannot be opened as one.
  std::filesystem::create_directory(File());
  EXPECT_EQ(Check(), TriggerFileCheck::Unreadable);
  EXPECT_EQ(*table.Find(":a"), "1");
  EXPECT_EQ(history.knownBytes, ":a=1\r\n");
}

TEST_F(TriggerFileSyncTest, FileGrownBeyondTheLimitKeepsTheTableAndIsNotRead) {
  Load(":a=1\r\n");
  std::filesystem::resize_file(File(), MaxTriggerFileSize + 1);
  EXPECT_EQ(Check(), TriggerFileCheck::Unreadable);
  EXPECT_EQ(*table.Find(":a"), "1");
  EXPECT_EQ(history.knownBytes, ":a=1\r\n");
}

TEST_F(TriggerFileSyncTest, FileThatAppearsIsLoadedAndAnEmptyOneGivesTheExamplesAsAtStart) {
  table = LoadTriggerFile(File(), history);
  AddDefaultTriggers(table);
  EXPECT_EQ(Check(), TriggerFileCheck::Unreadable);

  WriteBytes(File(), ":x=y\r\n");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_EQ(table.size(), 1u);

  WriteBytes(File(), "");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_NE(table.Find(DefaultDemoTrigger), nullptr);
  EXPECT_EQ(table.Find(":x"), nullptr);
}

TEST_F(TriggerFileSyncTest, FileThatWasTooLargeAtStartIsLoadedOnceItFits) {
  WriteBytes(File(), "");
  std::filesystem::resize_file(File(), MaxTriggerFileSize + 1);
  table = LoadTriggerFile(File(), history);
  ASSERT_TRUE(history.tooLarge);
  WriteBytes(File(), ":small=again\r\n");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_FALSE(history.tooLarge);
  EXPECT_EQ(*table.Find(":small"), "again");
}

// The editor's order: read again, then apply the one change to what the file now holds.
TEST_F(TriggerFileSyncTest, EditAfterADiskChangeKeepsBothWithoutABackup) {
  Load(":a=1\r\n");
  WriteBytes(File(), ":a=1\r\n:from-disk=2\r\n");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  table.Set(":from-window", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:from-disk=2\r\n:from-window=3\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

TEST_F(TriggerFileSyncTest, DeletionAfterADiskChangeRemovesOnlyThatEntry) {
  Load(":a=1\r\n:b=2\r\n");
  WriteBytes(File(), ":a=1\r\n:b=2\r\n:c=3\r\n");
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  ASSERT_EQ(table.Erase(":a"), 1u);
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":b=2\r\n:c=3\r\n");
}

// The reloaded file's own quirks count for the next save as a loaded file's do.
TEST_F(TriggerFileSyncTest, ReloadedFileWithLinesASaveDropsIsKeptAsBackupOnSave) {
  Load(":a=1\r\n");
  const std::string foreign = "# a comment\r\n:a=1\r\n";
  WriteBytes(File(), foreign);
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_TRUE(history.holdsDroppedLines);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), foreign);
}

TEST_F(TriggerFileSyncTest, ReloadedFileInAnotherEncodingIsKeptAsBackupOnSave) {
  Load(":a=1\r\n");
  // UTF-16 LE with its byte-order mark: ":b=2" CR LF.
  constexpr char Utf16Bytes[] =
      "\xFF\xFE:\0b\0=\0"
      "2\0\r\0\n\0";
  const std::string utf16(Utf16Bytes, sizeof Utf16Bytes - 1);
  WriteBytes(File(), utf16);
  ASSERT_EQ(Check(), TriggerFileCheck::Reloaded);
  EXPECT_EQ(*table.Find(":b"), "2");
  EXPECT_TRUE(history.holdsOtherEncoding);
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), utf16);
}

TEST(TriggerSaveTracker, IsIdleOnlyOnceTheLastSaveHandedInIsDone) {
  TriggerSaveTracker tracker;
  EXPECT_TRUE(tracker.Idle());
  const std::uint64_t first = tracker.Submitted();
  const std::uint64_t second = tracker.Submitted();
  EXPECT_FALSE(tracker.Idle());
  tracker.Done(first, true);
  EXPECT_FALSE(tracker.Idle());
  tracker.Done(second, true);
  EXPECT_TRUE(tracker.Idle());
}

TEST(TriggerSaveTracker, KeepsTheTableAheadAfterAFailedSaveUntilOneSucceeds) {
  TriggerSaveTracker tracker;
  EXPECT_FALSE(tracker.TableAhead());
  tracker.Done(tracker.Submitted(), false);
  EXPECT_TRUE(tracker.Idle());
  EXPECT_TRUE(tracker.TableAhead());
  const std::uint64_t retry = tracker.Submitted();
  EXPECT_TRUE(tracker.TableAhead());
  tracker.Done(retry, true);
  EXPECT_FALSE(tracker.TableAhead());
}

// Through the real queue, where a waiting save is replaced by a newer one and never runs.
TEST(TriggerSaveTracker, FollowsTheSaveQueueWhenWaitingSavesAreReplaced) {
  TriggerSaveTracker tracker;
  BackgroundSaves saves;
  std::atomic<int> ran{0};
  for (int i = 0; i < 50; ++i) {
    saves.Submit("config.txt", [&tracker, &ran, save = tracker.Submitted()] {
      ++ran;
      tracker.Done(save, true);
      return std::string();
    });
  }
  EXPECT_FALSE(tracker.Idle() && ran == 0);
  saves.WaitUntilIdle();
  EXPECT_TRUE(tracker.Idle());
  EXPECT_GE(ran.load(), 1);
}

}  // namespace
}  // namespace tarquel
