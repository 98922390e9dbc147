#include "ui/main_layout.h"

namespace tarquel {

namespace {

constexpr std::array<ControlPlace, MainControlCount> Places{{
    {MainControl::SearchCaption, false, {400, 71, 456, 91}},
    {MainControl::Search, true, {470, 71, 760, 91}},
    {MainControl::List, true, {30, 100, 770, 336}},
    {MainControl::TriggerCaption, false, {32, 344, 228, 364}},
    {MainControl::Trigger, true, {40, 378, 220, 398}},
    {MainControl::ExpansionCaption, false, {252, 344, 548, 364}},
    {MainControl::Expansion, true, {260, 376, 540, 472}},
    {MainControl::Add, true, {570, 368, 650, 408}},
    {MainControl::Delete, true, {660, 368, 750, 408}},
    {MainControl::Setting, true, {310, 68, 380, 92}},
    {MainControl::SearchKey, true, {188, 68, 300, 92}},
    {MainControl::StartupCheck, true, {30, 70, 50, 90}},
    {MainControl::StartupLabel, false, {55, 70, 180, 90}},
    {MainControl::Status, false, {570, 416, 770, 480}},
}};

}  // namespace

LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi) {
  return {ScaleToDpi(rect.left, dpi), ScaleToDpi(rect.top, dpi), ScaleToDpi(rect.right, dpi),
          ScaleToDpi(rect.bottom, dpi)};
}

const std::array<ControlPlace, MainControlCount>& MainControlPlaces() {
  return Places;
}

const ControlPlace& PlaceOf(MainControl control) {
  return Places[static_cast<std::size_t>(control)];
}

}  // namespace tarquel
