#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace tarquel {

class TriggerFileSync;
class TriggerListView;

// Above the list: which group's rows it shows, and for a chosen group its switch and the
// programs it is limited to or kept out of, changed in the window and saved in its group line.
class GroupPanel {
 public:
  GroupPanel(TriggerListView& list, TriggerFileSync& file) : list_(list), file_(file) {}
  GroupPanel(const GroupPanel&) = delete;
  GroupPanel& operator=(const GroupPanel&) = delete;

  // The controls, once the main window has made them. `filterChanged` runs when the user
  // chooses another group to show; `tell` puts a line in the window's status.
  void Attach(HWND filter, HWND switchBox, HWND switchLabel, HWND onlyIn, HWND notIn,
              std::function<void()> filterChanged, std::function<void(std::string_view)> tell);
  HWND Filter() const { return filter_; }
  HWND SwitchBox() const { return switch_; }
  bool IsProgramsField(HWND control) const {
    return control != nullptr && (control == onlyIn_ || control == notIn_);
  }

  // The filter's groups as the table now has them, and the chosen group's settings; the group
  // controls take keys only while a named group is chosen, and the switch is shown only then.
  void Show();
  // The filter's drop-down chose another item.
  void OnFilterChosen();
  // The switch or a programs field changed: the chosen group takes what they say.
  void ApplyEdit();

 private:
  TriggerListView& list_;
  TriggerFileSync& file_;
  HWND filter_ = nullptr;
  HWND switch_ = nullptr;
  HWND switchLabel_ = nullptr;
  HWND onlyIn_ = nullptr;
  HWND notIn_ = nullptr;
  std::function<void()> filterChanged_;
  std::function<void(std::string_view)> tell_;
};

}  // namespace tarquel
