#include "store/trigger_file_watch_win.h"

#include <cstddef>
#include <vector>

#include "store/conflict_copy.h"
#include "store/watch_recovery.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

// A save by another editor or a sync client shows as a write, a size change, or a rename of
// its temporary file over the watched one.
constexpr DWORD WatchedChanges =
    FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;
// Records of one burst; a burst larger than this comes as an overflow, taken as a change.
constexpr DWORD RecordBytes = 16 * 1024;

HANDLE OpenFolder(const std::filesystem::path& folder) {
  return CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
}

// Which folder a handle is: the same one, wherever it was moved, gives the same answer.
bool IdentityOf(HANDLE folder, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileInformationByHandle(folder, &info) != FALSE;
}

bool SameFolder(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b) {
  return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

}  // namespace

TriggerFileWatch::TriggerFileWatch(const std::filesystem::path& file, HWND window, UINT message)
    : fileName_(file.filename().native()), folderPath_(file.parent_path()) {
  // Opened here when it can be, so that a change right after the start is not missed; else the
  // worker keeps trying.
  if (HANDLE folder = OpenFolder(folderPath_); folder != INVALID_HANDLE_VALUE)
    folder_.reset(folder);
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  arrived_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_ || !arrived_) return;
  thread_ = std::thread([this, window, message] { Work(window, message); });
}

TriggerFileWatch::~TriggerFileWatch() {
  if (!thread_.joinable()) return;
  SetEvent(stop_.get());
  thread_.join();
}

bool TriggerFileWatch::NamesTheFile(const BYTE* records, DWORD bytes) const {
  DWORD offset = 0;
  while (offset + sizeof(FILE_NOTIFY_INFORMATION) <= bytes) {
    const auto* record = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(records + offset);
    const int length = static_cast<int>(record->FileNameLength / sizeof(wchar_t));
    // File names compare without regard to case, as the file system finds them.
    if (CompareStringOrdinal(record->FileName, length, fileName_.c_str(),
                             static_cast<int>(fileName_.size()), TRUE) == CSTR_EQUAL) {
      return true;
    }
    // A copy a sync service leaves beside it is news for the window as well.
    if (IsConflictCopyName(Narrow(std::wstring_view(record->FileName, length)))) return true;
    if (record->NextEntryOffset == 0) return false;
    offset += record->NextEntryOffset;
  }
  return false;
}

void TriggerFileWatch::Work(HWND window, UINT message) {
  WatchRecovery recovery;
  while (true) {
    if (!folder_) {
      if (HANDLE folder = OpenFolder(folderPath_); folder != INVALID_HANDLE_VALUE) {
        folder_.reset(folder);
        if (recovery.Watching()) OutputDebugStringA("config.txt is watched again\n");
        // Unwatched for a while: whatever happened meanwhile is looked at.
        PostMessageW(window, message, 0, 0);
      }
    }
    if (folder_) {
      if (WatchFolder(window, message)) return;
      folder_.reset();
    }
    const WatchRecovery::Pause pause = recovery.Failed();
    if (pause.say) {
      OutputDebugStringA(
          "config.txt cannot be watched now (its folder is missing, moved or not answering): "
          "trying again\n");
    }
    if (WaitForSingleObject(stop_.get(), pause.ms) == WAIT_OBJECT_0) return;
  }
}

bool TriggerFileWatch::PathNamesTheWatchedFolder() const {
  BY_HANDLE_FILE_INFORMATION watched{};
  if (!IdentityOf(folder_.get(), watched)) return false;
  // Opened for its attributes only: it takes no share slot from anyone.
  HANDLE atPath = CreateFileW(folderPath_.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (atPath == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION current{};
  const bool same = IdentityOf(atPath, current) && SameFolder(watched, current);
  CloseHandle(atPath);
  return same;
}

bool TriggerFileWatch::WatchFolder(HWND window, UINT message) {
  // DWORD-aligned, as the records must be.
  std::vector<DWORD> buffer(RecordBytes / sizeof(DWORD));
  const HANDLE handles[] = {stop_.get(), arrived_.get()};
  ULONGLONG nextCheck = GetTickCount64() + WatchRecovery::CheckEveryMs;
  while (true) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = arrived_.get();
    ResetEvent(arrived_.get());
    if (!ReadDirectoryChangesW(folder_.get(), buffer.data(), RecordBytes, FALSE, WatchedChanges,
                               nullptr, &overlapped, nullptr)) {
      return false;
    }
    DWORD woken = WAIT_TIMEOUT;
    for (;;) {
      ULONGLONG now = GetTickCount64();
      if (now >= nextCheck) {
        // Now and then, busy or quiet, whether the path still names this folder: the system
        // follows a folder that was renamed, and one made anew in its place reports nothing
        // to us.
        if (!PathNamesTheWatchedFolder()) break;
        now = GetTickCount64();
        nextCheck = now + WatchRecovery::CheckEveryMs;
      }
      woken = WaitForMultipleObjects(2, handles, FALSE, static_cast<DWORD>(nextCheck - now));
      if (woken != WAIT_TIMEOUT) break;
    }
    if (woken != WAIT_OBJECT_0 + 1) {
      // Stopping or moved: the request must be done with the buffer before it goes away.
      CancelIoEx(folder_.get(), &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(folder_.get(), &overlapped, &ignored, TRUE);
      return woken == WAIT_OBJECT_0;
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(folder_.get(), &overlapped, &bytes, FALSE)) return false;
    // No records: more changed than the buffer holds, the file among them perhaps.
    if (bytes == 0 || NamesTheFile(reinterpret_cast<const BYTE*>(buffer.data()), bytes)) {
      PostMessageW(window, message, 0, 0);
    }
  }
}

}  // namespace tarquel
