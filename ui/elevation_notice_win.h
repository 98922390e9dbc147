#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "engine/focus_watch_win.h"
#include "ui/tray_icon_win.h"

namespace tarquel {

// Posted by the focus watch when the program in front comes to run above this one or stops.
inline constexpr UINT ElevationChangedMessage = WM_APP + 0x1A;

// Programs run as administrator neither let a program of a standard user see their keys nor
// take its input, and Windows reports no error: without a word, nothing would happen there.
// While one is in front, the tray shows the shield and says which; a notification tells it
// once per program; and the tray menu offers to start this program as administrator too.
class ElevationNotice {
 public:
  // `watch` may be null: nothing is told.
  explicit ElevationNotice(FocusWatch* watch);

  // From here on ElevationChangedMessage comes to `window`.
  void Attach(HWND window);
  void Detach();
  // The message came: the tray follows. Returns the tip the tray shows meanwhile, or an empty
  // text when the usual one stands.
  std::string OnChanged(TrayIcon& tray);

  // This program runs as administrator (high integrity or above).
  bool RunsElevated() const { return elevated_; }
  bool OfferRestart() const { return !elevated_ && metAbove_; }
  // Starts this program again as administrator, which asks the user first; the new one waits
  // for this one to end. True when it was started.
  static bool RestartElevated(HWND owner);
  // Starts Tarquel anew, as the same user, to take over from this one (which then ends).
  static bool Restart(HWND owner, bool elevated = false);

 private:
  FocusWatch* watch_;
  bool elevated_ = false;
  bool metAbove_ = false;
  std::set<std::string> told_;
};

}  // namespace tarquel
