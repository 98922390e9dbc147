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

}  // namespace tarquel
