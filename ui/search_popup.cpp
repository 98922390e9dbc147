#include "ui/search_popup.h"

#include <algorithm>
#include <optional>
#include <string>

#include "ui/trigger_filter.h"

namespace tarquel {

ScreenRect PlaceSearchPopup(const ScreenRect& anchor, int width, int height,
                            const ScreenRect& workArea) {
  width = std::min(width, workArea.right - workArea.left);
  height = std::min(height, workArea.bottom - workArea.top);
  int left = std::clamp(anchor.left, workArea.left, workArea.right - width);
  int top = anchor.bottom + 4;
  if (top + height > workArea.bottom) top = anchor.top - 4 - height;
  top = std::clamp(top, workArea.top, workArea.bottom - height);
  return {left, top, left + width, top + height};
}

std::vector<const TriggerTable::Entry*> FilterTriggers(const TriggerTable& table,
                                                       std::string_view query, std::size_t limit) {
  const std::string folded = FoldCase(query);
  const EntryQuery matches(table, folded);
  std::vector<const TriggerTable::Entry*> found;
  for (const TriggerTable::Entry& entry : table) {
    if (found.size() >= limit) break;
    if (folded.empty() || matches.Matches(entry)) found.push_back(&entry);
  }
  return found;
}

RefocusStep RefocusWatch::Next(ForegroundIs now) {
  ++ticks_;
  if (now == ForegroundIs::TargetGone || now == ForegroundIs::Other) return RefocusStep::GiveUp;
  if (now == ForegroundIs::Target) {
    if (++steady_ >= SteadyTicks) return RefocusStep::Arrived;
  } else {
    steady_ = 0;
  }
  if (ticks_ >= MaxTicks) return RefocusStep::GiveUp;
  return now == ForegroundIs::Target ? RefocusStep::Wait : RefocusStep::AskAgain;
}

}  // namespace tarquel
