#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "update/update_check_win.h"
#include "util/unique_handle.h"

namespace tarquel {

// Runs one update check on a thread of its own, which owns no window: it asks `url`, then posts
// `message` to `window`, whose thread takes the answer with TakeAnswer. Nothing of it waits on
// the network on the window's thread.
class UpdateCheckWorker {
 public:
  UpdateCheckWorker(HWND window, UINT message, std::wstring url);
  // Ends the check where it is and waits for the thread: quitting is never held up by the
  // network.
  ~UpdateCheckWorker();
  UpdateCheckWorker(const UpdateCheckWorker&) = delete;
  UpdateCheckWorker& operator=(const UpdateCheckWorker&) = delete;

  VersionFileAnswer TakeAnswer();

 private:
  struct EventDeleter {
    void operator()(HANDLE event) const { CloseHandle(event); }
  };

  UniqueHandle<HANDLE, EventDeleter> stop_;
  std::mutex mutex_;
  VersionFileAnswer answer_;
  std::thread thread_;
};

// Seconds since 1970 by the system clock.
std::int64_t SecondsNow();

}  // namespace tarquel
