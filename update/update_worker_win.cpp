#include "update/update_worker_win.h"

#include <chrono>
#include <utility>

namespace tarquel {

std::int64_t SecondsNow() {
  using namespace std::chrono;
  return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

UpdateCheckWorker::UpdateCheckWorker(HWND window, UINT message, std::wstring url)
    : stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  thread_ = std::thread([this, window, message, url = std::move(url)] {
    VersionFileAnswer answer = FetchVersionFile(url, stop_.get());
    {
      std::lock_guard lock(mutex_);
      answer_ = std::move(answer);
    }
    PostMessageW(window, message, 0, 0);
  });
}

UpdateCheckWorker::~UpdateCheckWorker() {
  if (stop_) SetEvent(stop_.get());
  thread_.join();
}

VersionFileAnswer UpdateCheckWorker::TakeAnswer() {
  std::lock_guard lock(mutex_);
  return std::exchange(answer_, {});
}

}  // namespace tarquel
