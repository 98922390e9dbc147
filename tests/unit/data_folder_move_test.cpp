#include "store/data_folder_move.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/trigger_file.h"
#include "tests/support/temp_dir.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;
using namespace std::string_literals;

TEST(PrepareDataFolder, CopiesThisPCsFileByteForByte) {
  TempDir dir;
  std::filesystem::create_directories(dir / "synced");
  // Comments, a blank line and UTF-16 are the user's: the copy keeps them.
  const std::string file = "\xFF\xFE;\0 \0m\0i\0n\0e\0\r\0\n\0:\0a\0=\0b\0\r\0\n\0"s;
  WriteBytes(dir / "config.txt", file);
  const DataFolderMove move =
      PrepareDataFolder(dir / "config.txt", dir / "synced", ParseTriggerText(file));
  EXPECT_EQ(move.kind, DataFolderMove::Kind::Copied) << move.error;
  EXPECT_EQ(ReadBytes(dir / "synced" / "config.txt"), file);
  // The old one stays where it was.
  EXPECT_EQ(ReadBytes(dir / "config.txt"), file);
}

TEST(PrepareDataFolder, KeepsTheListAnotherPCPutThere) {
  TempDir dir;
  std::filesystem::create_directories(dir / "synced");
  WriteBytes(dir / "config.txt", ":mine=here\r\n");
  WriteBytes(dir / "synced" / "config.txt", ":theirs=there\r\n");
  const DataFolderMove move =
      PrepareDataFolder(dir / "config.txt", dir / "synced", ParseTriggerText(":mine=here\r\n"));
  EXPECT_EQ(move.kind, DataFolderMove::Kind::FoundThere);
  EXPECT_EQ(ReadBytes(dir / "synced" / "config.txt"), ":theirs=there\r\n");
}

TEST(PrepareDataFolder, WritesTheTableWhenThisPCHasNoFileYet) {
  TempDir dir;
  std::filesystem::create_directories(dir / "synced");
  TriggerTable table;
  table.Set(":demo", "Hello World");
  const DataFolderMove move = PrepareDataFolder(dir / "config.txt", dir / "synced", table);
  EXPECT_EQ(move.kind, DataFolderMove::Kind::Copied) << move.error;
  EXPECT_EQ(*ParseTriggerText(ReadBytes(dir / "synced" / "config.txt")).Find(":demo"),
            "Hello World");
}

TEST(PrepareDataFolder, AFileThatCannotBeReadNowChangesNothing) {
  TempDir dir;
  std::filesystem::create_directories(dir / "synced");
  WriteBytes(dir / "config.txt", ":mine=here\r\n# a comment the table does not hold\r\n");
  // A sync client holding the file: the table alone would lose the comment.
  auto held = [](const std::filesystem::path&, std::size_t) {
    FileRead read;
    read.status = FileRead::Status::Unopened;
    return read;
  };
  const DataFolderMove move = PrepareDataFolder(dir / "config.txt", dir / "synced",
                                                ParseTriggerText(":mine=here\r\n"), held);
  EXPECT_EQ(move.kind, DataFolderMove::Kind::Failed);
  EXPECT_FALSE(move.error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir / "synced" / "config.txt"));
}

TEST(PrepareDataFolder, AMissingFolderChangesNothing) {
  TempDir dir;
  WriteBytes(dir / "config.txt", ":mine=here\r\n");
  const DataFolderMove move =
      PrepareDataFolder(dir / "config.txt", dir / "not there", ParseTriggerText(":mine=here\r\n"));
  EXPECT_EQ(move.kind, DataFolderMove::Kind::Failed);
  EXPECT_FALSE(std::filesystem::exists(dir / "not there"));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
