#include "ui/main_layout.h"

namespace tarquel {

namespace {

constexpr std::array<ControlPlace, MainControlCount> Places{{
    {MainControl::SearchCaption, false, {400, 71, 456, 91}},
    {MainControl::Search, true, {470, 71, 760, 91}},
    {MainControl::FilterCaption, false, {30, 105, 78, 125}},
    {MainControl::GroupFilter, true, {82, 102, 232, 126}},
    {MainControl::GroupOnCheck, true, {248, 105, 268, 125}},
    {MainControl::GroupOnLabel, false, {272, 105, 302, 125}},
    {MainControl::OnlyInCaption, false, {312, 105, 372, 125}},
    {MainControl::OnlyIn, true, {386, 105, 552, 125}},
    {MainControl::NotInCaption, false, {574, 105, 630, 125}},
    {MainControl::NotIn, true, {644, 105, 762, 125}},
    {MainControl::List, true, {30, 136, 770, 282}},
    {MainControl::TriggerCaption, false, {32, 308, 228, 326}},
    {MainControl::Trigger, true, {40, 340, 220, 360}},
    {MainControl::ExpansionCaption, false, {252, 308, 548, 326}},
    {MainControl::Expansion, true, {260, 338, 540, 474}},
    {MainControl::WhenCaption, false, {30, 381, 82, 401}},
    {MainControl::When, true, {86, 378, 230, 402}},
    {MainControl::WhereCaption, false, {30, 409, 82, 429}},
    {MainControl::Where, true, {86, 406, 230, 430}},
    {MainControl::CaseCaption, false, {30, 437, 82, 457}},
    {MainControl::Case, true, {86, 434, 230, 458}},
    {MainControl::GroupCaption, false, {30, 465, 82, 485}},
    {MainControl::Group, true, {86, 462, 230, 486}},
    {MainControl::Add, true, {570, 330, 650, 370}},
    {MainControl::Delete, true, {660, 330, 750, 370}},
    {MainControl::Setting, true, {310, 68, 380, 92}},
    {MainControl::StartupCheck, true, {30, 70, 50, 90}},
    {MainControl::StartupLabel, false, {55, 70, 184, 90}},
    {MainControl::Status, false, {570, 378, 770, 482}},
    {MainControl::Savings, false, {32, 285, 770, 303}},
}};

}  // namespace

LayoutRect ScaleToDpi(const LayoutRect& rect, int dpi) {
  return {ScaleToDpi(rect.left, dpi), ScaleToDpi(rect.top, dpi), ScaleToDpi(rect.right, dpi),
          ScaleToDpi(rect.bottom, dpi)};
}

const std::array<ControlPlace, MainControlCount>& MainControlPlaces() {
  return Places;
}

bool IsDropDown(MainControl control) {
  switch (control) {
    case MainControl::GroupFilter:
    case MainControl::When:
    case MainControl::Where:
    case MainControl::Case:
    case MainControl::Group:
      return true;
    default:
      return false;
  }
}

bool IsCaption(MainControl control) {
  switch (control) {
    case MainControl::SearchCaption:
    case MainControl::FilterCaption:
    case MainControl::OnlyInCaption:
    case MainControl::NotInCaption:
    case MainControl::TriggerCaption:
    case MainControl::ExpansionCaption:
    case MainControl::WhenCaption:
    case MainControl::WhereCaption:
    case MainControl::CaseCaption:
    case MainControl::GroupCaption:
      return true;
    default:
      return false;
  }
}

std::string_view ControlWords(MainControl control) {
  switch (control) {
    case MainControl::SearchCaption:
      return "Search";
    case MainControl::FilterCaption:
      return "Show";
    case MainControl::GroupOnLabel:
      return "On";
    case MainControl::OnlyInCaption:
      return "Only in";
    case MainControl::NotInCaption:
      return "Not in";
    case MainControl::TriggerCaption:
      return "Trigger";
    case MainControl::ExpansionCaption:
      return "Expansion Value";
    case MainControl::WhenCaption:
      return "When";
    case MainControl::WhereCaption:
      return "Where";
    case MainControl::CaseCaption:
      return "Case";
    case MainControl::GroupCaption:
      return "Group";
    case MainControl::StartupLabel:
      return "Start on Startup";
    default:
      return {};
  }
}

const ControlPlace& PlaceOf(MainControl control) {
  return Places[static_cast<std::size_t>(control)];
}

}  // namespace tarquel
