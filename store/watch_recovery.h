#pragma once

#include <cstdint>

namespace tarquel {

// How the config.txt watcher comes back after it lost its folder (a share reconnecting, the
// folder missing at a logon start, moved away or made anew by a sync client): the folder is
// opened again after a pause that grows, the loss is said once a spell, and once it is watched
// again a change is taken to have happened, since anything may have meanwhile.
class WatchRecovery {
 public:
  static constexpr std::uint32_t FirstPauseMs = 500;
  static constexpr std::uint32_t LongestPauseMs = 30000;
  // A watch looks this often whether its path still names the folder it watches: the system
  // follows a folder that is renamed, so its reports would come from the old one.
  static constexpr std::uint32_t CheckEveryMs = 2000;

  struct Pause {
    std::uint32_t ms;
    bool say;  // the first failure of a spell: say that config.txt is not watched now
  };

  // The watch ended in an error, or the folder could not be opened.
  Pause Failed();
  // The folder is watched again. True when the loss was said: its end is said as well.
  bool Watching();

 private:
  std::uint32_t pause_ = FirstPauseMs;
  bool told_ = false;
};

}  // namespace tarquel
