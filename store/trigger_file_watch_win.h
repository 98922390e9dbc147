#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <thread>

#include "util/unique_handle.h"

namespace tarquel {

// Watches one file by its folder: each burst of changes the system reports that names the file
// (written, resized, created, removed, renamed to or from it), or that overflowed the record,
// posts `message` to `window`. It reads nothing itself: the main thread decides what the change
// means, away from the keyboard hook's path. Changes of other files in the folder (settings,
// logs) are passed over.
// The watch recovers by itself (WatchRecovery, watch_recovery.h): when the system stops
// reporting (a share reconnecting, the folder missing at a logon start) or the path no longer
// names the watched folder (moved away, or made anew by a sync client), the path is opened again
// after a pause that grows, and a change is posted once it is watched again, since anything may
// have happened meanwhile. The first failure of a spell is said once in a debug line.
class TriggerFileWatch {
 public:
  TriggerFileWatch(const std::filesystem::path& file, HWND window, UINT message);
  // Stops the worker and waits for it: nothing is posted after this returns.
  ~TriggerFileWatch();
  TriggerFileWatch(const TriggerFileWatch&) = delete;
  TriggerFileWatch& operator=(const TriggerFileWatch&) = delete;

  // False when no worker could be started; a folder that cannot be watched now is tried again.
  bool Watching() const { return thread_.joinable(); }

 private:
  struct HandleDeleter {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };
  using UniqueKernelHandle = UniqueHandle<HANDLE, HandleDeleter>;

  void Work(HWND window, UINT message);
  // Watches until an error (false) or until stopped (true).
  bool WatchFolder(HWND window, UINT message);
  bool NamesTheFile(const BYTE* records, DWORD bytes) const;
  // False when the path is missing or names another folder than the one watched.
  bool PathNamesTheWatchedFolder() const;

  std::wstring fileName_;
  std::filesystem::path folderPath_;
  UniqueKernelHandle folder_;
  UniqueKernelHandle stop_;
  UniqueKernelHandle arrived_;
  // Last: started once the handles exist, joined before they are closed.
  std::thread thread_;
};

}  // namespace tarquel
