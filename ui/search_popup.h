#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match/trigger_table.h"

namespace tarquel {

struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Where a popup of `width` x `height` goes: just below `anchor` (the caret, or the mouse
// pointer as an empty rectangle), above it when the work area has no room below, and always
// wholly inside `workArea` (the work area of the monitor that holds the anchor).
ScreenRect PlaceSearchPopup(const ScreenRect& anchor, int width, int height,
                            const ScreenRect& workArea);

// The entries whose trigger or expansion contains `query`, ignoring case as the main window's
// search does (FoldCase), in table order, at most `limit`. An empty query lists the first
// `limit` entries.
std::vector<const TriggerTable::Entry*> FilterTriggers(const TriggerTable& table,
                                                       std::string_view query, std::size_t limit);

// What is in front while the focus goes back to the window the popup was opened over.
enum class ForegroundIs { Target, Ours, Nothing, Other, TargetGone };
enum class RefocusStep { Wait, AskAgain, Arrived, GiveUp };

// Judges, tick by tick, whether the focus has come back to the target. Hiding the popup makes
// the system activate another window, and that activation can arrive after the target came
// back: the target counts as back only once it has stayed in front for a few ticks. A window
// of ours in front (or none) is asked away again; another program in front means the user went
// elsewhere, and the text must not follow.
class RefocusWatch {
 public:
  static constexpr int SteadyTicks = 3;
  static constexpr int MaxTicks = 40;

  RefocusStep Next(ForegroundIs now);

 private:
  int ticks_ = 0;
  int steady_ = 0;
};

}  // namespace tarquel
