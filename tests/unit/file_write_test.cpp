#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_dir.h"
#include "util/file_io.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::filesystem::path TemporaryOf(const std::filesystem::path& file) {
  std::filesystem::path temp = file;
  temp += ".tmp";
  return temp;
}

TEST(WriteFileAtomically, RunsTheLastLookWithTheNewBytesWrittenAndTheOldFileInPlace) {
  TempDir dir;
  const std::filesystem::path file = dir / "config.txt";
  WriteBytes(file, "old");
  std::string seenInPlace;
  std::string seenWritten;
  const SaveResult saved = WriteFileAtomically(file, "new", [&] {
    seenInPlace = ReadBytes(file);
    seenWritten = ReadBytes(TemporaryOf(file));
    return SaveResult{};
  });
  ASSERT_TRUE(saved) << saved.error;
  EXPECT_EQ(seenInPlace, "old");
  EXPECT_EQ(seenWritten, "new");
  EXPECT_EQ(ReadBytes(file), "new");
}

TEST(WriteFileAtomically, LastLookThatFailsLeavesTheFileAndNoTemporaryAndSaysWhy) {
  TempDir dir;
  const std::filesystem::path file = dir / "config.txt";
  WriteBytes(file, "old");
  const SaveResult saved =
      WriteFileAtomically(file, "new", [] { return SaveResult::Failure("cannot keep a copy"); });
  EXPECT_FALSE(saved);
  EXPECT_EQ(saved.error, "cannot keep a copy");
  EXPECT_EQ(ReadBytes(file), "old");
  EXPECT_FALSE(std::filesystem::exists(TemporaryOf(file)));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
