#include "ui/trigger_file_history.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "temp_dir.h"

namespace tarquel {
namespace {

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
  for (const char* bytes : {"", ":a=1", ":a=1\n:b=2\n", ":a=1\r\n\r\n\n"}) {
    SCOPED_TRACE(bytes);
    WriteBytes(File(), bytes);
    TriggerTable table = LoadTriggerFile(File(), history);
    table.Set(":new", "entry");
    ASSERT_TRUE(SaveTriggerFile(File(), table, history));
    EXPECT_FALSE(std::filesystem::exists(Backup()));
  }
}

TEST_F(TriggerFileHistoryTest, FirstSaveKeepsAFileWithDroppedLinesAsBakByteForByte) {
  const std::string cases[] = {
      std::string(":a=1\r\nno equals sign\r\n"),
      std::string(":a=1\r\n=empty trigger\n"),
      std::string(":a=1\r\n:a=2\r\n"),
      std::string(":a=1\x1A:after=lost\r\n"),
      std::string("\xEF\xBB\xBFjunk\n:a=1\r\0\n", 15),
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

TEST_F(TriggerFileHistoryTest, LaterSavesOfTheRunLeaveTheBackupAlone) {
  const std::string original = ":a=1\r\njunk\r\n";
  WriteBytes(File(), original);
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Set(":c", "3");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  table.Erase(":b");
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:c=3\r\n");
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
  const std::string original = ":a=1\r\njunk\r\n";
  WriteBytes(File(), original);
  std::filesystem::create_directories(Backup() / "sub");
  TriggerTable table = LoadTriggerFile(File(), history);
  table.Set(":b", "2");

  SaveResult saved = SaveTriggerFile(File(), table, history);
  EXPECT_FALSE(saved);
  EXPECT_NE(saved.error.find("config.txt.bak"), std::string::npos);
  EXPECT_EQ(ReadBytes(File()), original);

  // Once the copy can be made, the next save makes it first.
  std::filesystem::remove_all(Backup());
  ASSERT_TRUE(SaveTriggerFile(File(), table, history));
  EXPECT_EQ(ReadBytes(Backup()), original);
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n");
}

TEST_F(TriggerFileHistoryTest, CopyKeptBeforeAFailedSaveIsNotMadeAgain) {
  const std::string original = ":a=1\r\njunk\r\n";
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
  EXPECT_EQ(ReadBytes(File()), ":a=1\r\n:b=2\r\n");
  EXPECT_FALSE(std::filesystem::exists(Backup()));
}

}  // namespace
}  // namespace tarquel
