#include "ui/group_panel_win.h"

#include <optional>
#include <utility>
#include <vector>

#include "ui/entry_choices.h"
#include "ui/trigger_file_sync_win.h"
#include "ui/trigger_list_view_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

// The group the filter shows, when it is a named one.
const TriggerGroup* ChosenGroup(const TriggerTable& table, const std::optional<std::string>& name) {
  if (!name || name->empty()) return nullptr;
  const std::optional<std::size_t> index = table.FindGroup(*name);
  return index ? &table.Groups()[*index] : nullptr;
}

// A field the user is typing in keeps what it holds.
void ShowText(HWND field, const std::string& text) {
  if (GetFocus() != field && WindowTextUtf8(field) != text) SetWindowTextUtf8(field, text);
}

std::string SwitchedText(const std::string& name, bool enabled) {
  return "Group " + name + (enabled ? " is on." : " is off: its triggers do not expand.");
}

}  // namespace

void GroupPanel::Attach(HWND filter, HWND switchBox, HWND switchLabel, HWND onlyIn, HWND notIn,
                        std::function<void()> filterChanged,
                        std::function<void(std::string_view)> tell) {
  filter_ = filter;
  switch_ = switchBox;
  switchLabel_ = switchLabel;
  onlyIn_ = onlyIn;
  notIn_ = notIn;
  filterChanged_ = std::move(filterChanged);
  tell_ = std::move(tell);
  Show();
}

void GroupPanel::Show() {
  const TriggerTable& table = file_.Table();
  const std::vector<std::string> labels = GroupFilterLabels(table);
  SendMessageW(filter_, CB_RESETCONTENT, 0, 0);
  for (const std::string& label : labels) {
    const std::wstring wide = Wide(label);
    SendMessageW(filter_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
  }
  SendMessageW(filter_, CB_SETCURSEL,
               static_cast<WPARAM>(GroupFilterItem(table, list_.GroupFilter())), 0);

  const TriggerGroup* group = ChosenGroup(table, list_.GroupFilter());
  for (HWND control : {switch_, onlyIn_, notIn_}) EnableWindow(control, group != nullptr);
  // A switch of no group would say nothing; a disabled box draws its words embossed, in no
  // colour of the window's, where it is wider than its mark.
  for (HWND control : {switch_, switchLabel_}) ShowWindow(control, group ? SW_SHOW : SW_HIDE);
  SendMessageW(switch_, BM_SETCHECK,
               group != nullptr && group->enabled ? BST_CHECKED : BST_UNCHECKED, 0);
  ShowText(onlyIn_, group != nullptr ? ProgramsText(group->onlyIn) : std::string());
  ShowText(notIn_, group != nullptr ? ProgramsText(group->notIn) : std::string());
}

void GroupPanel::OnFilterChosen() {
  const int item = static_cast<int>(SendMessageW(filter_, CB_GETCURSEL, 0, 0));
  list_.SetGroupFilter(GroupFilterAt(file_.Table(), item));
  if (filterChanged_) filterChanged_();
  Show();
}

void GroupPanel::ApplyEdit() {
  const TriggerGroup* shown = ChosenGroup(file_.Table(), list_.GroupFilter());
  if (shown == nullptr) return;
  GroupEdit edit{SendMessageW(switch_, BM_GETCHECK, 0, 0) == BST_CHECKED, WindowTextUtf8(onlyIn_),
                 WindowTextUtf8(notIn_)};
  const GroupEditResult checked = ApplyGroupEdit(*shown, edit);
  if (!checked.group) {
    tell_(checked.problem);
    return;
  }
  if (*checked.group == *shown) return;
  // Like ADD: a change made on disk since our last read or write is kept, this one on top. The
  // group is found again by its name there.
  file_.ChangeAfterRead([this, name = shown->name, edit = std::move(edit)] {
    TriggerTable& table = file_.Table();
    const std::optional<std::size_t> index = table.FindGroup(name);
    if (!index) return;
    const TriggerGroup before = table.Groups()[*index];
    GroupEditResult result = ApplyGroupEdit(before, edit);
    if (!result.group || *result.group == before) return;
    const bool switched = result.group->enabled != before.enabled;
    table.SetGroup(*index, std::move(*result.group));
    file_.Publish();
    // The rows of the group say whether it is off.
    list_.Fill(list_.SelectedTrigger());
    tell_(switched ? SwitchedText(name, edit.enabled)
                   : "Saved the programs of group " + name + ".");
    file_.Save();
    Show();
  });
}

}  // namespace tarquel
