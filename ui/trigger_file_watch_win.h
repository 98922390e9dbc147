#pragma once

#include <windows.h>

#include <filesystem>
#include <thread>

#include "ui/unique_handle.h"

namespace tarquel {

// Watches the program's data folder for files written, renamed or resized in it, and posts
// `message` to `window` for each burst the system reports. It reads nothing itself: the main
// thread decides what the change means, away from the keyboard hook's path.
class TriggerFileWatch {
 public:
  TriggerFileWatch(const std::filesystem::path& folder, HWND window, UINT message);
  // Stops the worker and waits for it: nothing is posted after this returns.
  ~TriggerFileWatch();
  TriggerFileWatch(const TriggerFileWatch&) = delete;
  TriggerFileWatch& operator=(const TriggerFileWatch&) = delete;

  // False when the system refused to watch the folder (a share that cannot notify, say).
  bool Watching() const { return thread_.joinable(); }

 private:
  struct ChangeDeleter {
    void operator()(HANDLE change) const { FindCloseChangeNotification(change); }
  };
  struct EventDeleter {
    void operator()(HANDLE event) const { CloseHandle(event); }
  };

  void Work(HWND window, UINT message);

  UniqueHandle<HANDLE, ChangeDeleter> change_;
  UniqueHandle<HANDLE, EventDeleter> stop_;
  // Last: started once the handles exist, joined before they are closed.
  std::thread thread_;
};

}  // namespace tarquel
