#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tarquel {

class TriggerFileSync;
class TriggerListView;

// The two fields, "ADD", "DELETE" and the status line: each change goes to the table as
// config.txt now holds it, is handed to the keyboard hook at once, saved, and shown in the list.
class TriggerEditor {
 public:
  TriggerEditor(TriggerListView& list, TriggerFileSync& file) : list_(list), file_(file) {}
  TriggerEditor(const TriggerEditor&) = delete;
  TriggerEditor& operator=(const TriggerEditor&) = delete;

  // The controls, once the main window has made them.
  void Attach(HWND triggerField, HWND expansionField, HWND status);
  HWND ExpansionField() const { return expansionField_; }
  bool IsField(HWND control) const {
    return control != nullptr && (control == triggerField_ || control == expansionField_);
  }

  void Add();
  void DeleteSelected();
  // Brings back the entry the last DELETE took away, until the next change.
  void UndoDelete();
  // The entry of the list's `row` into the fields; ADD then changes that entry.
  void FillFieldsFromRow(std::size_t row);
  // The list as the table and the search now are, the row of the fields' entry selected.
  void ShowList();
  // The line under the fields; what a save or a look at config.txt tells goes there too.
  void SetStatus(std::string_view text);

 private:
  void ClearFields();

  TriggerListView& list_;
  TriggerFileSync& file_;
  HWND triggerField_ = nullptr;
  HWND expansionField_ = nullptr;
  HWND status_ = nullptr;
  // The trigger of the row whose entry is in the fields, while it is.
  std::optional<std::string> rowTrigger_;
  // What the last DELETE took away, until the next change.
  std::optional<std::pair<std::string, std::string>> lastDeleted_;
};

}  // namespace tarquel
