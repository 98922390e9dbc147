#include "store/trigger_file_watch_win.h"

#include <cstddef>
#include <vector>

namespace tarquel {

namespace {

// A save by another editor or a sync client shows as a write, a size change, or a rename of
// its temporary file over the watched one.
constexpr DWORD WatchedChanges =
    FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;
// Records of one burst; a burst larger than this comes as an overflow, taken as a change.
constexpr DWORD RecordBytes = 16 * 1024;

}  // namespace

TriggerFileWatch::TriggerFileWatch(const std::filesystem::path& file, HWND window, UINT message)
    : fileName_(file.filename().native()) {
  HANDLE folder =
      CreateFileW(file.parent_path().c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  if (folder == INVALID_HANDLE_VALUE) return;
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
    if (record->NextEntryOffset == 0) return false;
    offset += record->NextEntryOffset;
  }
  return false;
}

void TriggerFileWatch::Work(HWND window, UINT message) {
  // DWORD-aligned, as the records must be.
  std::vector<DWORD> buffer(RecordBytes / sizeof(DWORD));
  const HANDLE handles[] = {stop_.get(), arrived_.get()};
  while (true) {
    OVERLAPPED overlapped{};
    overlapped.hEvent = arrived_.get();
    ResetEvent(arrived_.get());
    if (!ReadDirectoryChangesW(folder_.get(), buffer.data(), RecordBytes, FALSE, WatchedChanges,
                               nullptr, &overlapped, nullptr)) {
      return;
    }
    if (WaitForMultipleObjects(2, handles, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) {
      // Stopping: the request must be done with the buffer before it goes away.
      CancelIoEx(folder_.get(), &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(folder_.get(), &overlapped, &ignored, TRUE);
      return;
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(folder_.get(), &overlapped, &bytes, FALSE)) return;
    // No records: more changed than the buffer holds, the file among them perhaps.
    if (bytes == 0 || NamesTheFile(reinterpret_cast<const BYTE*>(buffer.data()), bytes)) {
      PostMessageW(window, message, 0, 0);
    }
  }
}

}  // namespace tarquel
