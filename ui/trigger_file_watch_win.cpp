#include "ui/trigger_file_watch_win.h"

namespace tarquel {

namespace {

// A save by another editor or a sync client shows as a write, a size change, or a rename of
// its temporary file over config.txt.
constexpr DWORD WatchedChanges =
    FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;

}  // namespace

TriggerFileWatch::TriggerFileWatch(const std::filesystem::path& folder, HWND window, UINT message) {
  HANDLE change = FindFirstChangeNotificationW(folder.c_str(), FALSE, WatchedChanges);
  if (change == INVALID_HANDLE_VALUE) return;
  change_.reset(change);
  stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop_) return;
  thread_ = std::thread([this, window, message] { Work(window, message); });
}

TriggerFileWatch::~TriggerFileWatch() {
  if (!thread_.joinable()) return;
  SetEvent(stop_.get());
  thread_.join();
}

void TriggerFileWatch::Work(HWND window, UINT message) {
  const HANDLE handles[] = {stop_.get(), change_.get()};
  while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
    PostMessageW(window, message, 0, 0);
    if (!FindNextChangeNotification(change_.get())) return;
  }
}

}  // namespace tarquel
