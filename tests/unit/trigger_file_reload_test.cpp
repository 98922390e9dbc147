#include "store/trigger_file_reload.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/trigger_file.h"
#include "store/trigger_file_history.h"
#include "tests/support/temp_dir.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using Outcome = TriggerFileRead::Outcome;
using Action = ReloadVerdict::Action;

// The window's side of a read, without the worker: ask, read, and put in force what the
// verdict says.
class TriggerFileReloadTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir / "config.txt"; }
  std::filesystem::path Backup() const { return dir / "config.txt.bak"; }

  ReloadVerdict Finish(TriggerFileRead read, bool tableAhead = false) {
    ReloadVerdict verdict = reload.Finished(read, tableAhead);
    if (verdict.action == Action::Replace || verdict.action == Action::HoldBack) {
      table = std::move(read.table);
      history = std::move(read.history);
    }
    return verdict;
  }
  // One look at the file as the window takes it; Keep when the look was put off.
  ReloadVerdict Check(bool tableAhead = false) {
    if (reload.Request(tableAhead) != TriggerFileReload::Ask::Read) return {};
    return Finish(ReadTriggerFile(File(), history.knownBytes), tableAhead);
  }
  void Start(std::string_view bytes) {
    WriteBytes(File(), bytes);
    ASSERT_EQ(Check().action, Action::Replace);
  }

  TempDir dir;
  TriggerFileReload reload;
  TriggerFileHistory history;
  TriggerTable table;
};

TEST_F(TriggerFileReloadTest, StartLoadsTheFileAndRemembersItsBytes) {
  Start(":demo=Hello World\r\n");
  EXPECT_TRUE(reload.Started());
  EXPECT_EQ(*table.Find(":demo"), "Hello World");
  EXPECT_EQ(history.knownBytes, ":demo=Hello World\r\n");
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
}

TEST_F(TriggerFileReloadTest, StartWithoutAFileGivesTheExamplesInMemoryOnly) {
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_NE(table.Find(DefaultDemoTrigger), nullptr);
  EXPECT_FALSE(history.knownBytes);
  EXPECT_FALSE(std::filesystem::exists(File()));
}

TEST_F(TriggerFileReloadTest, ChangeByAnotherProgramReplacesTheTable) {
  Start(":demo=Hello World\r\n");
  WriteBytes(File(), ":new=fresh text\r\n:demo=changed\r\n");

  EXPECT_EQ(Check().action, Action::Replace);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(*table.Find(":new"), "fresh text");
  EXPECT_EQ(*table.Find(":demo"), "changed");
  // The matcher index follows the new entries, not the old ones.
  ASSERT_NE(table.FindTriggerEnding("abc:new"), nullptr);
  EXPECT_EQ(table.FindTriggerEnding("abc:new")->second, "fresh text");
  EXPECT_EQ(history.knownBytes, ":new=fresh text\r\n:demo=changed\r\n");
}

TEST_F(TriggerFileReloadTest, SecondLookAtTheSameBytesParsesNothingAndKeepsTheTable) {
  Start(":a=1\r\n");
  WriteBytes(File(), ":b=2\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  table.Set(":only-in-memory", "x");
  const TriggerFileRead read = ReadTriggerFile(File(), history.knownBytes);
  EXPECT_EQ(read.outcome, Outcome::Unchanged);
  EXPECT_TRUE(read.table.empty());
  EXPECT_EQ(Check().action, Action::Keep);
  EXPECT_NE(table.Find(":only-in-memory"), nullptr);
}

TEST_F(TriggerFileReloadTest, OwnSaveIsNotTakenForAForeignChange) {
  Start(":a=1\r\n");
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Set(":c", "shown but not yet saved");
  EXPECT_EQ(Check().action, Action::Keep);
  EXPECT_EQ(table.size(), 3u);
}

TEST_F(TriggerFileReloadTest, PendingSavePutsTheReadOffUntilTheSavesAreDone) {
  Start(":a=1\r\n");
  table.Set(":newer", "in memory, save still queued");
  WriteBytes(File(), ":older=on disk\r\n");

  EXPECT_EQ(reload.Request(/*tableAhead=*/true), TriggerFileReload::Ask::AfterSaves);
  EXPECT_FALSE(reload.Reading());
  EXPECT_TRUE(reload.WaitingForSaves());
  // A save of ours done, another still queued: still nothing.
  EXPECT_FALSE(reload.SavesDone(/*tableAhead=*/true));
  EXPECT_TRUE(reload.SavesDone(/*tableAhead=*/false));
  EXPECT_TRUE(reload.Reading());
  EXPECT_FALSE(reload.SavesDone(false));
}

TEST_F(TriggerFileReloadTest, ReadOvertakenByOwnSaveIsNeverPutInForce) {
  Start(":a=1\r\n");
  WriteBytes(File(), ":older=on disk\r\n");
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  TriggerFileRead read = ReadTriggerFile(File(), history.knownBytes);
  ASSERT_EQ(read.outcome, Outcome::Loaded);
  table.Set(":newer", "saved after the read began");

  const ReloadVerdict verdict = Finish(std::move(read), /*tableAhead=*/true);
  EXPECT_EQ(verdict.action, Action::AfterSaves);
  EXPECT_NE(table.Find(":newer"), nullptr);
  EXPECT_EQ(table.Find(":older"), nullptr);
  EXPECT_EQ(history.knownBytes, ":a=1\r\n");
  EXPECT_TRUE(reload.SavesDone(false));
}

TEST_F(TriggerFileReloadTest, ChangesWhileReadingAreFoldedIntoOneMoreRead) {
  Start(":a=1\r\n");
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  EXPECT_EQ(reload.Request(false), TriggerFileReload::Ask::AfterThisRead);
  EXPECT_EQ(reload.Request(false), TriggerFileReload::Ask::AfterThisRead);
  EXPECT_TRUE(Finish(ReadTriggerFile(File(), history.knownBytes)).readAgain);
  EXPECT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  EXPECT_FALSE(Finish(ReadTriggerFile(File(), history.knownBytes)).readAgain);
}

TEST_F(TriggerFileReloadTest, UnreadableFileKeepsTheTableAndIsToldOncePerSpell) {
  Start(":a=1\r\n");
  std::filesystem::remove(File());
  EXPECT_EQ(Check().refused, Outcome::Missing);
  EXPECT_EQ(*table.Find(":a"), "1");
  // Gone for a moment (an editor replacing it) is no reason to ask before a save.
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);

  // A folder where the file was: cannot be opened as one.
  std::filesystem::create_directory(File());
  const ReloadVerdict again = Check();
  EXPECT_EQ(again.action, Action::Keep);
  EXPECT_EQ(again.refused, Outcome::Unchanged);
  EXPECT_EQ(*table.Find(":a"), "1");
  EXPECT_EQ(history.knownBytes, ":a=1\r\n");

  std::filesystem::remove(File());
  WriteBytes(File(), ":b=2\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  std::filesystem::resize_file(File(), MaxTriggerFileSize + 1);
  EXPECT_EQ(Check().refused, Outcome::TooLarge);
  EXPECT_EQ(*table.Find(":b"), "2");
  EXPECT_EQ(reload.HeldBack(), Outcome::TooLarge);
}

TEST_F(TriggerFileReloadTest, FileThatAppearsIsLoadedAndAnEmptyOneGivesTheExamples) {
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(Check().refused, Outcome::Missing);

  WriteBytes(File(), ":x=y\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(table.size(), 1u);

  WriteBytes(File(), "");
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_NE(table.Find(DefaultDemoTrigger), nullptr);
  EXPECT_EQ(table.Find(":x"), nullptr);
}

TEST_F(TriggerFileReloadTest, FileTooLargeAtStartIsHeldBackUntilOneFits) {
  WriteBytes(File(), "");
  std::filesystem::resize_file(File(), MaxTriggerFileSize + 1);
  const ReloadVerdict verdict = Check();
  EXPECT_EQ(verdict.action, Action::HoldBack);
  EXPECT_EQ(verdict.refused, Outcome::TooLarge);
  EXPECT_TRUE(table.empty());
  EXPECT_TRUE(history.tooLarge);
  EXPECT_EQ(reload.HeldBack(), Outcome::TooLarge);

  WriteBytes(File(), ":small=again\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
  EXPECT_EQ(*table.Find(":small"), "again");
}

// The bound is in entries too, not only in bytes: short lines fit many into 64 MiB.
TEST_F(TriggerFileReloadTest, TooManyEntriesAtStartAreHeldBackAndTheFileKeptOnSave) {
  const std::string bytes = ":a=1\r\n:b=2\r\n:c=3\r\n";
  WriteBytes(File(), bytes);
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  TriggerFileRead read = ReadTriggerFile(File(), history.knownBytes, /*maxEntries=*/2);
  EXPECT_EQ(read.outcome, Outcome::TooManyEntries);
  EXPECT_TRUE(read.table.empty());
  const ReloadVerdict verdict = Finish(std::move(read));
  EXPECT_EQ(verdict.action, Action::HoldBack);
  EXPECT_EQ(verdict.refused, Outcome::TooManyEntries);
  EXPECT_EQ(reload.HeldBack(), Outcome::TooManyEntries);
  EXPECT_TRUE(table.empty());

  // The user agreed to replace it: the file the table never held is kept aside.
  reload.ReplaceAgreed();
  table.Set(":mine", "x");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), bytes);
  EXPECT_EQ(ReadBytes(File()), ":mine=x\r\n");
}

TEST_F(TriggerFileReloadTest, TooManyEntriesLaterKeepTheTableInForce) {
  Start(":a=1\r\n");
  WriteBytes(File(), ":a=1\r\n:b=2\r\n:c=3\r\n");
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  const ReloadVerdict verdict = Finish(ReadTriggerFile(File(), history.knownBytes, 2));
  EXPECT_EQ(verdict.action, Action::Keep);
  EXPECT_EQ(verdict.refused, Outcome::TooManyEntries);
  EXPECT_EQ(table.size(), 1u);
  // The file holds what the table lacks: a save asks first.
  EXPECT_EQ(reload.HeldBack(), Outcome::TooManyEntries);
  WriteBytes(File(), ":a=1\r\n:b=2\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
}

TEST(ParseTriggerText, StopsAtTheEntryBoundAndKeepsNothing) {
  TriggerLoadInfo info;
  EXPECT_EQ(ParseTriggerText(":a=1\r\n:b=2\r\n", &info, 2).size(), 2u);
  EXPECT_FALSE(info.tooManyEntries);
  // A line that replaces an earlier one's entry adds none.
  EXPECT_EQ(ParseTriggerText(":a=1\r\n:b=2\r\n:a=3\r\n", &info, 2).size(), 2u);
  EXPECT_FALSE(info.tooManyEntries);
  EXPECT_TRUE(ParseTriggerText(":a=1\r\n:b=2\r\n:c=3\r\n", &info, 2).empty());
  EXPECT_TRUE(info.tooManyEntries);
}

// The editor's order: read again, then apply the one change to what the file now holds.
TEST_F(TriggerFileReloadTest, EditAfterADiskChangeKeepsBothWithoutABackup) {
  Start(":a=1\r\n");
  WriteBytes(File(), ":a=1\r\n:from-disk=2\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  table.Set(":from-window", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:from-disk=2\r\n:from-window=3\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

TEST_F(TriggerFileReloadTest, DeletionAfterADiskChangeRemovesOnlyThatEntry) {
  Start(":a=1\r\n:b=2\r\n");
  WriteBytes(File(), ":a=1\r\n:b=2\r\n:c=3\r\n");
  ASSERT_EQ(Check().action, Action::Replace);
  ASSERT_EQ(table.Erase(":a"), 1u);
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":b=2\r\n:c=3\r\n");
}

// The reloaded file's own quirks count for the next save as a loaded file's do.
TEST_F(TriggerFileReloadTest, ReloadedFileWithLinesASaveDropsIsKeptAsBackupOnSave) {
  Start(":a=1\r\n");
  const std::string foreign = "(options: now and then)\r\n:a=1\r\n";
  WriteBytes(File(), foreign);
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_TRUE(history.holdsDroppedLines);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), foreign);
}

TEST_F(TriggerFileReloadTest, ReloadedFileInAnotherEncodingIsKeptAsBackupOnSave) {
  Start(":a=1\r\n");
  // UTF-16 LE with its byte-order mark: ":b=2" CR LF.
  constexpr char Utf16Bytes[] =
      "\xFF\xFE:\0b\0=\0"
      "2\0\r\0\n\0";
  const std::string utf16(Utf16Bytes, sizeof Utf16Bytes - 1);
  WriteBytes(File(), utf16);
  ASSERT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(*table.Find(":b"), "2");
  EXPECT_TRUE(history.holdsOtherEncoding);
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), utf16);
}

// A config.txt that another program holds: there, but it cannot be opened while `held`.
FileReader HeldWhile(const bool& held) {
  return [&held](const std::filesystem::path& file, std::size_t limit) {
    return held ? FileRead{FileRead::Status::Unopened, {}} : ReadFileUpTo(file, limit);
  };
}

TEST_F(TriggerFileReloadTest, FileHeldAtStartGivesNoExamplesAndNoSaveUntilItIsRead) {
  WriteBytes(File(), ":mine=my whole list\r\n");
  bool held = true;
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  const ReloadVerdict first =
      Finish(ReadTriggerFile(File(), history.knownBytes, MaxTriggerEntries, HeldWhile(held)));
  EXPECT_EQ(first.action, Action::HoldBack);
  EXPECT_EQ(first.refused, Outcome::Unreadable);
  // The examples would be saved over the user's list by the first ADD.
  EXPECT_EQ(table.size(), 0u);
  EXPECT_EQ(reload.HeldBack(), Outcome::Unreadable);
  EXPECT_TRUE(first.changesWait);
  EXPECT_GT(first.retryInMs, 0u);

  // Looked at again and again while held, never giving up, never told twice.
  for (int look = 0; look < 10; ++look) {
    ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
    const ReloadVerdict again =
        Finish(ReadTriggerFile(File(), history.knownBytes, MaxTriggerEntries, HeldWhile(held)));
    EXPECT_EQ(again.action, Action::Keep);
    EXPECT_EQ(again.refused, Outcome::Unchanged);
    EXPECT_TRUE(again.changesWait);
    EXPECT_GT(again.retryInMs, 0u);
  }
  EXPECT_EQ(reload.HeldBack(), Outcome::Unreadable);

  held = false;
  const ReloadVerdict loaded = Check();
  EXPECT_EQ(loaded.action, Action::Replace);
  EXPECT_FALSE(loaded.changesWait);
  EXPECT_EQ(loaded.retryInMs, 0u);
  EXPECT_EQ(*table.Find(":mine"), "my whole list");
  EXPECT_EQ(table.Find(DefaultDemoTrigger), nullptr);
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
}

TEST_F(TriggerFileReloadTest, HeldFileThatIsThenRemovedGivesTheExamples) {
  WriteBytes(File(), ":mine=1\r\n");
  bool held = true;
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  ASSERT_EQ(Finish(ReadTriggerFile(File(), history.knownBytes, MaxTriggerEntries, HeldWhile(held)))
                .action,
            Action::HoldBack);
  std::filesystem::remove(File());
  EXPECT_EQ(Check().action, Action::Replace);
  EXPECT_NE(table.Find(DefaultDemoTrigger), nullptr);
  EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
}

TEST_F(TriggerFileReloadTest, EditsWaitForAHeldFileAWhileThenGoOnTheTableInForce) {
  Start(":a=1\r\n");
  bool held = true;
  unsigned lastDelay = 0;
  for (unsigned look = 1; look <= UnreadableReadsBeforeChanging + 2; ++look) {
    ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
    const ReloadVerdict verdict =
        Finish(ReadTriggerFile(File(), history.knownBytes, MaxTriggerEntries, HeldWhile(held)));
    EXPECT_EQ(verdict.action, Action::Keep);
    EXPECT_EQ(verdict.refused, look == 1 ? Outcome::Unreadable : Outcome::Unchanged) << look;
    // The table in force stays; it is not held back, a save may go once the file is free.
    EXPECT_EQ(*table.Find(":a"), "1");
    EXPECT_EQ(reload.HeldBack(), Outcome::Unchanged);
    EXPECT_EQ(verdict.changesWait, look < UnreadableReadsBeforeChanging) << look;
    if (look <= UnreadableReadsBeforeChanging) {
      EXPECT_GE(verdict.retryInMs, lastDelay) << look;
      lastDelay = verdict.retryInMs;
    } else {
      EXPECT_EQ(verdict.retryInMs, 0u) << look;
    }
  }
  held = false;
  WriteBytes(File(), ":a=1\r\n:theirs=2\r\n");
  EXPECT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(*table.Find(":theirs"), "2");
}

TEST_F(TriggerFileReloadTest, FileStillBeingWrittenIsNotTakenButLookedAtAgain) {
  Start(":a=1\r\n");
  // The writer adds its second half while the first is being read.
  const FileReader writtenMeanwhile = [](const std::filesystem::path& file, std::size_t limit) {
    FileRead read = ReadFileUpTo(file, limit);
    WriteBytes(file, ":a=1\r\n:b=2\r\n:c=the rest of a long file\r\n");
    return read;
  };
  WriteBytes(File(), ":a=1\r\n:b=2\r\n");
  ASSERT_EQ(reload.Request(false), TriggerFileReload::Ask::Read);
  const ReloadVerdict half =
      Finish(ReadTriggerFile(File(), history.knownBytes, MaxTriggerEntries, writtenMeanwhile));
  EXPECT_EQ(half.action, Action::Keep);
  EXPECT_GT(half.retryInMs, 0u);
  EXPECT_EQ(table.Find(":b"), nullptr);

  EXPECT_EQ(Check().action, Action::Replace);
  EXPECT_EQ(*table.Find(":c"), "the rest of a long file");
}

TEST(UnreadableRetry, LooksSoonFirstThenFurtherApartUpToABound) {
  EXPECT_EQ(UnreadableRetryMs(1), 250u);
  EXPECT_EQ(UnreadableRetryMs(2), 500u);
  EXPECT_EQ(UnreadableRetryMs(3), 1000u);
  EXPECT_EQ(UnreadableRetryMs(5), 4000u);
  EXPECT_EQ(UnreadableRetryMs(1000), 4000u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
