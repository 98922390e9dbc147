#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/trigger_file.h"
#include "store/trigger_file_history.h"
#include "tests/support/temp_dir.h"
#include "util/file_io.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

TEST(ReadFileUpTo, ReadsAFileOfExactlyTheLimit) {
  TempDir dir;
  WriteBytes(dir / "f", "0123456789");
  FileRead read = ReadFileUpTo(dir / "f", 10);
  EXPECT_EQ(read.status, FileRead::Status::Read);
  EXPECT_EQ(read.bytes, "0123456789");
}

TEST(ReadFileUpTo, RefusesAFileOneByteOverTheLimitAndKeepsNothingOfIt) {
  TempDir dir;
  WriteBytes(dir / "f", "0123456789X");
  FileRead read = ReadFileUpTo(dir / "f", 10);
  EXPECT_EQ(read.status, FileRead::Status::TooLarge);
  EXPECT_TRUE(read.bytes.empty());
}

TEST(ReadFileUpTo, ReadsAFileLargerThanOnePieceWhole) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>('a' + i % 26);
  WriteBytes(dir / "f", bytes);
  FileRead read = ReadFileUpTo(dir / "f", bytes.size());
  EXPECT_EQ(read.status, FileRead::Status::Read);
  EXPECT_EQ(read.bytes, bytes);
}

TEST(ReadFileUpTo, TellsAMissingFileFromAnEmptyOne) {
  TempDir dir;
  EXPECT_EQ(ReadFileUpTo(dir / "missing", 10).status, FileRead::Status::Missing);
  WriteBytes(dir / "empty", "");
  EXPECT_EQ(ReadFileUpTo(dir / "empty", 10).status, FileRead::Status::Read);
}

// A file just over the bound, made without writing 64 MiB: zeros, sparse where the system can.
void MakeTooLargeTriggerFile(const std::filesystem::path& file) {
  WriteBytes(file, ":demo=Hello World\r\n");
  std::filesystem::resize_file(file, MaxTriggerFileSize + 1);
}

TEST(TriggerFileBound, AFileAboveTheBoundLoadsEmptyAndIsLeftAlone) {
  TempDir dir;
  MakeTooLargeTriggerFile(dir / "config.txt");
  TriggerFileHistory history;
  TriggerTable table = LoadTriggerFile(dir / "config.txt", history);
  EXPECT_TRUE(table.empty());
  EXPECT_TRUE(history.tooLarge);
  EXPECT_EQ(std::filesystem::file_size(dir / "config.txt"), MaxTriggerFileSize + 1);

  TriggerLoadInfo info;
  EXPECT_TRUE(LoadTriggerTable(dir / "config.txt", &info).empty());
  EXPECT_TRUE(info.tooLarge);
}

TEST(TriggerFileBound, AFileOfExactlyTheBoundLoads) {
  TempDir dir;
  WriteBytes(dir / "config.txt", ":demo=Hello World\r\n");
  std::filesystem::resize_file(dir / "config.txt", MaxTriggerFileSize);
  TriggerFileHistory history;
  TriggerTable table = LoadTriggerFile(dir / "config.txt", history);
  EXPECT_FALSE(history.tooLarge);
  EXPECT_EQ(*table.Find(":demo"), "Hello World");
}

TEST(TriggerFileBound, ReplacingAFileAboveTheBoundKeepsItWholeAsTheBackup) {
  TempDir dir;
  MakeTooLargeTriggerFile(dir / "config.txt");
  TriggerFileHistory history;
  TriggerTable table = LoadTriggerFile(dir / "config.txt", history);
  table.Set(":x", "y");
  ASSERT_TRUE(SaveTriggerFile(dir / "config.txt", table, history));
  EXPECT_EQ(ReadBytes(dir / "config.txt"), ":x=y\r\n");
  EXPECT_FALSE(history.tooLarge);
  ASSERT_EQ(std::filesystem::file_size(dir / "config.txt.bak"), MaxTriggerFileSize + 1);
  std::ifstream backup(dir / "config.txt.bak", std::ios::binary);
  std::string start(19, '\0');
  backup.read(start.data(), 19);
  EXPECT_EQ(start, ":demo=Hello World\r\n");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
