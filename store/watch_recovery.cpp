#include "store/watch_recovery.h"

namespace tarquel {

WatchRecovery::Pause WatchRecovery::Failed() {
  const Pause pause{pause_, !told_};
  told_ = true;
  pause_ = pause_ >= LongestPauseMs / 2 ? LongestPauseMs : pause_ * 2;
  return pause;
}

bool WatchRecovery::Watching() {
  const bool said = told_;
  told_ = false;
  pause_ = FirstPauseMs;
  return said;
}

}  // namespace tarquel
