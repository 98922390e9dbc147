#include "store/trigger_file_history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/trigger_file.h"
#include "tests/support/temp_dir.h"
#include "util/text_encoding.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// A folder where the save writes its temporary file: the save fails before touching the file,
// on any system and for any user.
void BlockTemporaryFile(const std::filesystem::path& file) {
  std::filesystem::path temp = file;
  temp += ".tmp";
  std::filesystem::create_directories(temp / "sub");
}

class TriggerFileHistoryTest : public ::testing::Test {
 protected:
  std::filesystem::path File() const { return dir / "config.txt"; }
  std::filesystem::path Backup() const { return dir / "config.txt.bak"; }
  std::filesystem::path BackupTemp() const { return dir / "config.txt.bak.tmp"; }

  TempDir dir;
  TriggerFileHistory history;
};

TEST_F(TriggerFileHistoryTest, LoadReadsTheEntriesAsTheEngineDoes) {
  WriteBytes(File(), ":b=2\r\n:a=1\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  ASSERT_EQ(table.size(), 2u);
  EXPECT_EQ(*table.Find(":a"), "1");
  EXPECT_EQ(*table.Find(":b"), "2");
}

TEST_F(TriggerFileHistoryTest, SaveWritesTheTableInOrderWithCrLf) {
  WriteBytes(File(), ":demo=Hello World\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":sig", "Best regards");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":demo=Hello World\r\n:sig=Best regards\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

TEST_F(TriggerFileHistoryTest, SaveCreatesAMissingFileWithoutABackup) {
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":x", "y");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":x=y\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

// Files whose every line a save writes back (line ends and the last line end aside) need no copy.
TEST_F(TriggerFileHistoryTest, FileWithNothingToDropGetsNoBackup) {
  // A pure ASCII file reads the same in every encoding, and UTF-8 is what a save writes.
  for (const char* bytes :
       {"", ":a=1", ":a=1\n:b=2\n", ":a=1\r\n\r\n\n", ":caf\xC3\xA9=\xE2\x98\x95\r\n"}) {
    SCOPED_TRACE(bytes);
    WriteBytes(File(), bytes);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_FALSE(std::filesystem::exists(Backup()));
  }
}

// Lines 1.0 skipped and a save now writes back as they are: no copy is needed for them.
TEST_F(TriggerFileHistoryTest, LinesASaveKeepsNeedNoBackup) {
  const std::string cases[] = {
      std::string(":a=1\r\nno equals sign\r\n"),
      std::string(":a=1\r\n=empty trigger\n"),
      std::string(":a=1\r\n:a=2\r\n"),
      std::string(":a=1\r\n\x1A:after=lost\r\n"),
      std::string("\xEF\xBB\xBFjunk\n:a=1\r\0\n", 15),
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    WriteBytes(File(), bytes);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_FALSE(std::filesystem::exists(Backup()));
    // Everything that was there still is, with the new entry after the last one.
    const std::string saved = ReadBytes(File());
    const std::size_t added = saved.find(":new=entry");
    ASSERT_NE(added, std::string::npos);
    std::string without = saved;
    without.erase(added, saved.find('\n', added) + 1 - added);
    EXPECT_EQ(without, bytes);
  }
}

// Lines a save keeps as written, but whose meaning the table does not hold.
TEST_F(TriggerFileHistoryTest, FirstSaveKeepsAFileWithLinesItDoesNotUnderstandAsBak) {
  const std::string cases[] = {
      std::string(":a=1\r\n(options: sometimes)\r\n:b=2\r\n"),
      std::string("[group Mail: in outlook.exe]\r\n:a=1\r\n"),
      std::string(":a=1\r\n(options: any case)\r\n"),
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes);
    std::filesystem::remove(Backup());
    WriteBytes(File(), bytes);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_EQ(ReadBytes(Backup()), bytes);
    EXPECT_NE(ReadBytes(File()).find(":new=entry\r\n"), std::string::npos);
  }
}

// Deleting a trigger whose earlier line a later one overrode removes both: the earlier one
// would otherwise come back at the next load. That line goes with a copy kept.
TEST_F(TriggerFileHistoryTest, DeletingATriggerWrittenTwiceKeepsACopy) {
  const std::string original = ":a=old\r\n:b=2\r\n:a=new\r\n";
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  ASSERT_EQ(*table.Find(":a"), "new");
  ASSERT_EQ(table.Erase(":a"), 1u);
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":b=2\r\n");
  EXPECT_EQ(ReadBytes(Backup()), original);
}

// Files read in an encoding a save does not write, with their invalid and truncated forms.
TEST_F(TriggerFileHistoryTest, FirstSaveKeepsAFileInAnotherEncodingAsBakByteForByte) {
  const std::string cases[] = {
      std::string("\xEF\xBB\xBF:a=caf\xE9\r\n"),
      std::string("\xFF\xFE:\0a\0=\0\xE9\0\r\0\n\0", 14),
      std::string("\xFE\xFF\0:\0a\0=\0\xE9", 10),
      std::string("\xFF\xFE:\0a\0=\0\x3D\xD8", 10),
      std::string("\xFF\xFE:\0a\0=\0b\0c", 11),
      std::string("\xFF\xFE"),
      std::string(":a=caf\xE9\r\n"),
  };
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(::testing::PrintToString(bytes));
    std::filesystem::remove(Backup());
    WriteBytes(File(), bytes);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_EQ(ReadBytes(Backup()), bytes);
    const std::string saved = ReadBytes(File());
    EXPECT_TRUE(IsValidUtf8(saved));
    // A marked UTF-8 file keeps its mark; the others become UTF-8 without one.
    EXPECT_EQ(saved.starts_with("\xEF\xBB\xBF"), bytes.starts_with("\xEF\xBB\xBF"));
    EXPECT_NE(saved.find(":new=entry"), std::string::npos);
  }
}

TEST_F(TriggerFileHistoryTest, Utf8FileWithAMarkKeepsItAndNeedsNoBackup) {
  for (const std::string original : {"\xEF\xBB\xBF:a=caf\xC3\xA9\r\n", "\xEF\xBB\xBF"}) {
    SCOPED_TRACE(original);
    WriteBytes(File(), original);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_EQ(ReadBytes(File()), original + ":new=entry\r\n");
    EXPECT_FALSE(std::filesystem::exists(Backup()));
  }
}

TEST_F(TriggerFileHistoryTest, AnsiFileOf10KeepsItsMeaningAndBecomesUtf8) {
  const std::string original = ":caf\xE9=caf\xE9 \x80\r\n";
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  ASSERT_NE(table.Find(":caf\xC3\xA9"), nullptr);
  EXPECT_EQ(*table.Find(":caf\xC3\xA9"), "caf\xC3\xA9 \xE2\x82\xAC");

  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":caf\xC3\xA9=caf\xC3\xA9 \xE2\x82\xAC\r\n:b=2\r\n");
  EXPECT_EQ(ReadBytes(Backup()), original);

  // The next run finds UTF-8, and its saves have nothing to keep.
  std::filesystem::remove(Backup());
  TriggerFileHistory nextRun;
  table = LoadTriggerFile(File(), nextRun);
  EXPECT_EQ(*table.Find(":caf\xC3\xA9"), "caf\xC3\xA9 \xE2\x82\xAC");
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, nextRun));
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

TEST_F(TriggerFileHistoryTest, ConvertedFileIsKeptOnceAndLaterSavesLeaveTheCopyAlone) {
  const std::string original("\xFF\xFE:\0a\0=\0\xE9\0", 10);
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
  WriteBytes(Backup(), "the user's own copy");
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), "the user's own copy");
  // The last line had no line end, and the new last line has none either.
  EXPECT_EQ(ReadBytes(File()), ":a=\xC3\xA9\r\n:b=2\r\n:c=3");
}

TEST_F(TriggerFileHistoryTest, ConversionThatCannotKeepTheBackupLeavesTheFileAlone) {
  const std::string original("\xFE\xFF\0:\0a\0=\0\xE9", 10);
  WriteBytes(File(), original);
  // The copy is written beside its place first: a folder there keeps it from being made.
  std::filesystem::create_directories(BackupTemp() / "sub");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  EXPECT_FALSE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), original);

  std::filesystem::remove_all(BackupTemp());
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
}

TEST_F(TriggerFileHistoryTest, LaterSavesOfTheRunLeaveTheBackupAlone) {
  const std::string original = ":a=1\r\n(options: sometimes)\r\n";
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Erase(":b");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:c=3\r\n(options: sometimes)\r\n");
}

TEST_F(TriggerFileHistoryTest, FileChangedByHandSinceTheLastSaveIsKeptBeforeBeingReplaced) {
  WriteBytes(File(), ":a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  const std::string byHand = ":a=1\r\n:b=2\r\n:typed=while it ran\r\n";
  WriteBytes(File(), byHand);
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), byHand);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n:c=3\r\n");
}

TEST_F(TriggerFileHistoryTest, FileCreatedByHandAfterLoadingNoneIsKept) {
  TriggerTable table = LoadTriggerFile(File(), history);
  WriteBytes(File(), ":mine=keep me\r\n");
  table.Set(":x", "y");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), ":mine=keep me\r\n");
}

TEST_F(TriggerFileHistoryTest, FailedSaveLeavesTheFileAsItWasAndSaysWhy) {
  WriteBytes(File(), ":a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  BlockTemporaryFile(File());
  SaveResult saved = SaveTriggerFile(File(), table, history);
  EXPECT_FALSE(saved);
  EXPECT_FALSE(saved.error.empty());
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

TEST_F(TriggerFileHistoryTest, SaveThatCannotKeepTheBackupLeavesTheFileAlone) {
  const std::string original = ":a=1\r\n(options: sometimes)\r\n";
  WriteBytes(File(), original);
  // The copy is written beside its place first: a folder there keeps it from being made.
  std::filesystem::create_directories(BackupTemp() / "sub");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");

  SaveResult saved = SaveTriggerFile(File(), table, history);
  EXPECT_FALSE(saved);
  EXPECT_NE(saved.error.find("config.txt.bak"), std::string::npos);
  EXPECT_EQ(ReadBytes(File()), original);

  // Once the copy can be made, the next save makes it first.
  std::filesystem::remove_all(BackupTemp());
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n(options: sometimes)\r\n");
}

TEST_F(TriggerFileHistoryTest, CopyKeptBeforeAFailedSaveIsNotMadeAgain) {
  const std::string original = ":a=1\r\n(options: sometimes)\r\n";
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  BlockTemporaryFile(File());
  EXPECT_FALSE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), original);
  EXPECT_EQ(ReadBytes(Backup()), original);

  std::filesystem::remove_all(dir / "config.txt.tmp");
  std::filesystem::remove(Backup());
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n(options: sometimes)\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

// Another program holding config.txt: the reader finds the file there but cannot open it on
// the looks the test chooses (0 is the first look of a save).
class HeldFile {
 public:
  explicit HeldFile(std::vector<bool> heldAtLook) : held_(std::move(heldAtLook)) {}
  FileReader Reader() {
    return [this](const std::filesystem::path& file, std::size_t limit) {
      const std::size_t look = looks_++;
      if (look < held_.size() && held_[look]) return FileRead{FileRead::Status::Unopened, {}};
      if (look < replaced_.size() && replaced_[look]) WriteBytes(file, theirs_);
      return ReadFileUpTo(file, limit);
    };
  }
  // Before look `look`, the other program puts `bytes` in the file.
  void WritesBefore(std::size_t look, std::string bytes) {
    replaced_.resize(look + 1);
    replaced_[look] = true;
    theirs_ = std::move(bytes);
  }
  std::size_t Looks() const { return looks_; }

 private:
  std::vector<bool> held_;
  std::vector<bool> replaced_;
  std::string theirs_;
  std::size_t looks_ = 0;
};

TEST_F(TriggerFileHistoryTest, FileThatCannotBeReadIsNeverWrittenOverAndTheSaveIsBusy) {
  WriteBytes(File(), ":a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":mine", "2");
  // The other program's list, which this run has never seen, lies in the held file.
  WriteBytes(File(), ":theirs=3\r\n");
  HeldFile held({true});

  const SaveResult saved = SaveTriggerFile(File(), table, history, held.Reader());
  EXPECT_FALSE(saved);
  EXPECT_TRUE(saved.busy);
  EXPECT_EQ(ReadBytes(File()), ":theirs=3\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));

  // Free again: the save goes through and keeps their list as the newest copy.
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:mine=2\r\n");
  EXPECT_EQ(ReadBytes(Backup()), ":theirs=3\r\n");
}

TEST_F(TriggerFileHistoryTest, FileHeldJustBeforeTheReplaceIsLeftAsItIs) {
  WriteBytes(File(), ":a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  // Readable at the first look, held at the look just before the replace.
  HeldFile held({false, true});
  const SaveResult saved = SaveTriggerFile(File(), table, history, held.Reader());
  EXPECT_TRUE(saved.busy);
  EXPECT_EQ(held.Looks(), 2u);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST_F(TriggerFileHistoryTest, ChangeWrittenWhileTheSaveWasUnderWayIsKeptAsACopy) {
  WriteBytes(File(), ":a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  HeldFile held({});
  held.WritesBefore(1, ":a=1\r\n:late=theirs\r\n");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history, held.Reader()));
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n");
  EXPECT_EQ(ReadBytes(Backup()), ":a=1\r\n:late=theirs\r\n");
}

TEST(KeptCopies, EachNewCopyMovesTheOlderOnesUpAndTheLastTenAreKept) {
  TempDir dir;
  const std::filesystem::path file = dir / "config.txt";
  for (int copy = 1; copy <= 12; ++copy) {
    ASSERT_TRUE(KeepCopy(file, "copy " + std::to_string(copy)));
  }
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak"), "copy 12");
  for (int age = 1; age < KeptCopies; ++age) {
    EXPECT_EQ(ReadBytes(KeptCopyName(file, age)), "copy " + std::to_string(12 - age));
  }
  EXPECT_EQ(KeptCopyName(file, 9).filename(), "config.txt.bak.9");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.bak.10"));
}

TEST(KeptCopies, GapsAreNotFilledAndNothingIsWrittenOver) {
  TempDir dir;
  const std::filesystem::path file = dir / "config.txt";
  WriteBytes(dir / "config.txt.bak", "newest");
  WriteBytes(dir / "config.txt.bak.3", "older");
  ASSERT_TRUE(KeepCopy(file, "new"));
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak"), "new");
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak.1"), "newest");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.bak.2"));
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.bak.3"));
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak.4"), "older");
}

TEST_F(TriggerFileHistoryTest, CopyKeptBy10StaysBesideTheNewOnes) {
  // 1.0 kept one copy as config.txt.bak; it holds what the user may still want.
  WriteBytes(Backup(), "# the copy 1.0 kept\r\n");
  WriteBytes(File(), "(options: my notes)\r\n:a=1\r\n");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), "(options: my notes)\r\n:a=1\r\n");
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak.1"), "# the copy 1.0 kept\r\n");

  // A later copy (another program's change) does not replace the one with the unknown line.
  WriteBytes(File(), ":a=1\r\n:b=2\r\n:c=3\r\n");
  table.Set(":d", "4");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), ":a=1\r\n:b=2\r\n:c=3\r\n");
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak.1"), "(options: my notes)\r\n:a=1\r\n");
  EXPECT_EQ(ReadBytes(dir / "config.txt.bak.2"), "# the copy 1.0 kept\r\n");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
