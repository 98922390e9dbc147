#pragma once

#include <windows.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/match/trigger_table.h"
#include "store/import.h"
#include "store/import_plan.h"
#include "ui/trigger_editor.h"

namespace tarquel {

class TriggerFileSync;
class TriggerListView;

// The two fields with the entry's options beside them, "ADD", "DELETE" and the status line:
// each change goes to the table as config.txt now holds it, is handed to the keyboard hook at
// once, saved, and shown in the list.
class TriggerEditor {
 public:
  TriggerEditor(TriggerListView& list, TriggerFileSync& file) : list_(list), file_(file) {}
  TriggerEditor(const TriggerEditor&) = delete;
  TriggerEditor& operator=(const TriggerEditor&) = delete;

  // The controls, once the main window has made them.
  void Attach(HWND triggerField, HWND expansionField, HWND status);
  // The drop-downs When, Where, Case (lists) and Group (a list with a field to type a new name).
  void AttachOptions(HWND when, HWND where, HWND caseBox, HWND group);
  // Runs after each change the editor makes to the table (a group may have been added).
  void SetAfterChange(std::function<void()> afterChange) { afterChange_ = std::move(afterChange); }
  HWND ExpansionField() const { return expansionField_; }
  // Where Enter adds: the two fields and the drop-downs.
  bool IsField(HWND control) const;
  // Where Ctrl+A selects the whole text.
  bool IsTextField(HWND control) const;

  void Add();
  void DeleteSelected();
  // Ctrl+Z: takes back the last import, or brings back the entry the last DELETE took away,
  // until the next change.
  void UndoDelete();
  // Puts the imported entries into the table as one change (one save, one Ctrl+Z), planned
  // against the table as config.txt holds it by then. Each conflict is settled as in `chosen`
  // (the preview's plan of the same result), one that was none there by `otherwise`.
  void Import(ImportPlan chosen, ConflictChoice otherwise);
  // The ending characters in force, so that "keep both" proposes triggers that can be typed.
  void SetEndingCharacters(std::string characters) { endingCharacters_ = std::move(characters); }
  const std::string& EndingCharacters() const { return endingCharacters_; }
  // The entry of the list's `row` into the fields; ADD then changes that entry.
  void FillFieldsFromRow(std::size_t row);
  // The list as the table, the search and the group filter now are, the row of the fields'
  // entry selected; the group drop-down lists the table's groups.
  void ShowList();
  // The group filter changed: fields holding no row's entry propose the group shown.
  void GroupFilterChanged();
  // The line under the fields; what a save or a look at config.txt tells goes there too.
  void SetStatus(std::string_view text);

 private:
  void ClearFields();
  EntryFields ReadFields() const;
  // Fills the group drop-down's list from the table; what its field shows stays.
  void RefillGroupBox();
  // What the group drop-down proposes for a new entry: the group the list is filtered by.
  std::string ProposedGroup() const;
  void Changed();

  TriggerListView& list_;
  TriggerFileSync& file_;
  HWND triggerField_ = nullptr;
  HWND expansionField_ = nullptr;
  HWND status_ = nullptr;
  HWND when_ = nullptr;
  HWND where_ = nullptr;
  HWND case_ = nullptr;
  HWND group_ = nullptr;
  std::function<void()> afterChange_;
  // The trigger of the row whose entry is in the fields, while it is.
  std::optional<std::string> rowTrigger_;
  // What the last DELETE took away, until the next change.
  std::optional<NewEntry> lastDeleted_;
  // The table just before and just after the last import, until the next change.
  struct ImportUndo {
    TriggerTable before;
    TriggerTable after;
  };
  std::optional<ImportUndo> lastImport_;
  std::string endingCharacters_{DefaultEndingCharacters};
};

}  // namespace tarquel
