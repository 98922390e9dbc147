// Windows flavour of the file helpers: wide-character paths, so a folder with any name works.
#include <windows.h>

#include "util/file_io.h"
#include "util/test_switches.h"

namespace tarquel {

namespace {

std::string SystemMessage(DWORD error) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string message = length > 0 ? std::string(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  if (message.empty()) message = "error " + std::to_string(error);
  return message;
}

SaveResult Fail(const char* what, DWORD error) {
  return SaveResult::Failure(std::string(what) + ": " + SystemMessage(error));
}

// A virus scanner, an indexer or a sync client that has just opened the file holds it for a
// moment; replacing it then fails with one of these, and works a little later. Access denied is
// among them: that is what replacing a file another program holds open without delete sharing
// gives. Genuine refusals end up failing all the same, only a second later.
bool IsMomentaryRefusal(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

constexpr DWORD ReplaceRetryPauseMs = 50;

// Access denied may also be for good (a read-only file or folder, an ACL): only a file that
// another program has open right now makes a refusal worth trying again later.
bool HeldByAnotherProgram(const std::filesystem::path& file, DWORD error) {
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return true;
  HANDLE open = CreateFileW(file.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (open != INVALID_HANDLE_VALUE) {
    CloseHandle(open);
    return false;
  }
  const DWORD opening = GetLastError();
  return opening == ERROR_SHARING_VIOLATION || opening == ERROR_LOCK_VIOLATION;
}

// Each attempt is preceded by `beforeReplace`: while the replacement is refused, the program
// that holds the file may be writing it, and what it wrote must be looked at before it is
// replaced.
SaveResult ReplaceWithRetries(const std::filesystem::path& from, const std::filesystem::path& to,
                              const std::function<SaveResult()>& beforeReplace) {
  const ULONGLONG giveUp = GetTickCount64() + ReplaceRetryMs;
  while (true) {
    if (beforeReplace) {
      if (SaveResult ready = beforeReplace(); !ready) return ready;
    }
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return {};
    }
    const DWORD error = GetLastError();
    if (!IsMomentaryRefusal(error)) return Fail("cannot replace the file", error);
    if (GetTickCount64() >= giveUp) {
      SaveResult refused = Fail("cannot replace the file", error);
      refused.busy = HeldByAnotherProgram(to, error);
      return refused;
    }
    Sleep(ReplaceRetryPauseMs);
  }
}

}  // namespace

SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const std::function<SaveResult()>& beforeReplace) {
  std::filesystem::path temp = path;
  temp += L".tmp";
  // A virus scanner looking at the temporary file a failed save left behind, or a saver that
  // was just killed and that the system has not ended yet, holds it for a moment.
  const ULONGLONG giveUp = GetTickCount64() + ReplaceRetryMs;
  HANDLE file = INVALID_HANDLE_VALUE;
  while (true) {
    file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) break;
    const DWORD error = GetLastError();
    if (!IsMomentaryRefusal(error) || GetTickCount64() >= giveUp) {
      SaveResult refused = Fail("cannot create temporary file", error);
      refused.busy = IsMomentaryRefusal(error) && HeldByAnotherProgram(temp, error);
      return refused;
    }
    Sleep(ReplaceRetryPauseMs);
  }
  // The test build's slow disk, so that the end-to-end tests can type during a save.
  if (const std::uint32_t slowMs = ActiveTestSwitches().slowFileWritesMs; slowMs > 0) {
    OutputDebugStringA("Slow file write: begins\n");
    Sleep(slowMs);
  }

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
      DWORD error = GetLastError();
      CloseHandle(file);
      DeleteFileW(temp.c_str());
      return Fail("cannot write", error);
    }
    data += written;
    left -= written;
  }
  if (!FlushFileBuffers(file)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    DeleteFileW(temp.c_str());
    return Fail("cannot flush", error);
  }
  CloseHandle(file);
  SaveResult replaced = ReplaceWithRetries(temp, path, beforeReplace);
  if (!replaced) DeleteFileW(temp.c_str());
  return replaced;
}

}  // namespace tarquel
