// Replacing a file that another program holds open for a moment. Windows only: elsewhere no
// program can keep a file from being replaced.
#ifdef _WIN32

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "tests/support/temp_dir.h"
#include "util/file_io.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using namespace std::chrono_literals;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

// Opens the file as a virus scanner might: sharing nothing, so it cannot be replaced.
HANDLE HoldWithoutSharing(const std::filesystem::path& file) {
  return CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

// Lets go of `held` well within the second a save keeps trying.
std::thread LetGoSoon(HANDLE held) {
  return std::thread([held] {
    std::this_thread::sleep_for(300ms);
    CloseHandle(held);
  });
}

TEST(WriteFileAtomically, WaitsForAFileHeldOpenForAMoment) {
  TempDir dir;
  WriteBytes(dir / "config.txt", "old");
  HANDLE held = HoldWithoutSharing(dir / "config.txt");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread letGo = LetGoSoon(held);
  const SaveResult saved = WriteFileAtomically(dir / "config.txt", "new");
  letGo.join();
  EXPECT_TRUE(saved) << saved.error;
  EXPECT_EQ(ReadBytes(dir / "config.txt"), "new");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST(WriteFileAtomically, GivesUpOnAFileHeldLongerAndLeavesItAsItWas) {
  TempDir dir;
  WriteBytes(dir / "config.txt", "old");
  HANDLE held = HoldWithoutSharing(dir / "config.txt");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const SaveResult saved = WriteFileAtomically(dir / "config.txt", "new");
  CloseHandle(held);
  EXPECT_FALSE(saved);
  // Worth trying again later: the window does, and tells the user once.
  EXPECT_TRUE(saved.busy);
  EXPECT_NE(saved.error.find("cannot replace the file"), std::string::npos) << saved.error;
  EXPECT_EQ(ReadBytes(dir / "config.txt"), "old");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST(WriteFileAtomically, LooksAtTheFileBeforeEveryAttemptToReplaceIt) {
  TempDir dir;
  WriteBytes(dir / "config.txt", "old");
  HANDLE held = HoldWithoutSharing(dir / "config.txt");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread letGo = LetGoSoon(held);
  int looks = 0;
  const SaveResult saved = WriteFileAtomically(dir / "config.txt", "new", [&looks] {
    ++looks;
    return SaveResult{};
  });
  letGo.join();
  EXPECT_TRUE(saved) << saved.error;
  // Refused while held, so looked at again before the attempt that went through.
  EXPECT_GT(looks, 1);
}

// A save killed a moment ago, or a scanner looking at what it left, still holds the temporary
// file: the next save waits for it instead of failing at once.
TEST(WriteFileAtomically, WaitsForALeftTemporaryFileHeldForAMoment) {
  TempDir dir;
  WriteBytes(dir / "config.txt", "old");
  WriteBytes(dir / "config.txt.tmp", "half of an earlier sa");
  HANDLE held = HoldWithoutSharing(dir / "config.txt.tmp");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread letGo = LetGoSoon(held);
  const SaveResult saved = WriteFileAtomically(dir / "config.txt", "new");
  letGo.join();
  EXPECT_TRUE(saved) << saved.error;
  EXPECT_EQ(ReadBytes(dir / "config.txt"), "new");
  EXPECT_FALSE(std::filesystem::exists(dir / "config.txt.tmp"));
}

TEST(WriteFileAtomically, ATemporaryFileHeldLongerIsABusyFailure) {
  TempDir dir;
  WriteBytes(dir / "config.txt", "old");
  WriteBytes(dir / "config.txt.tmp", "half");
  HANDLE held = HoldWithoutSharing(dir / "config.txt.tmp");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const SaveResult saved = WriteFileAtomically(dir / "config.txt", "new");
  CloseHandle(held);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(saved.busy);
  EXPECT_NE(saved.error.find("cannot create temporary file"), std::string::npos) << saved.error;
  EXPECT_EQ(ReadBytes(dir / "config.txt"), "old");
}

TEST(ReadFileUpTo, TellsAFileHeldByAnotherProgramFromAMissingOne) {
  TempDir dir;
  WriteBytes(dir / "config.txt", ":mine=1\r\n");
  HANDLE held = HoldWithoutSharing(dir / "config.txt");
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const FileRead read = ReadFileUpTo(dir / "config.txt", 1024);
  CloseHandle(held);
  EXPECT_EQ(read.status, FileRead::Status::Unopened);
  EXPECT_EQ(ReadFileUpTo(dir / "missing.txt", 1024).status, FileRead::Status::Missing);
  EXPECT_EQ(ReadFileUpTo(dir / "config.txt", 1024).status, FileRead::Status::Read);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32
