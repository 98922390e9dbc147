// "ADD" and "DELETE": change the window's table, hand a copy to the keyboard hook, save it at
// once and show it again. The next typed key already sees the change.
#include "ui/trigger_editor_win.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <cwchar>
#include <string>
#include <vector>

#include "ui/entry_choices.h"
#include "ui/import_preview.h"
#include "ui/trigger_editor.h"
#include "ui/trigger_file_sync_win.h"
#include "ui/trigger_list_view_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

bool KeyIsDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

// The expansion field takes line breaks (Shift+Enter or Ctrl+Enter); a plain Enter adds, Tab
// moves on and Escape hides, as in the other fields.
LRESULT CALLBACK ExpansionFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR) {
  const bool breakKeys = KeyIsDown(VK_SHIFT) || KeyIsDown(VK_CONTROL);
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DefSubclassProc(field, message, wParam, lParam);
      code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      const auto* pending = reinterpret_cast<const MSG*>(lParam);
      if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN &&
          breakKeys) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN && breakKeys) {
        SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
        return 0;
      }
      break;
    case WM_CHAR:
      // The line break is in already; Ctrl+Enter's own character (LF) would add another.
      if (wParam == '\r' || wParam == '\n') return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(field, message, wParam, lParam);
}

int ChosenItem(HWND box) {
  return static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
}

void ChooseItem(HWND box, int item) {
  SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
}

void AddItem(HWND box, std::string_view label) {
  const std::wstring wide = Wide(label);
  SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

}  // namespace

void TriggerEditor::AttachOptions(HWND when, HWND where, HWND caseBox, HWND group) {
  when_ = when;
  where_ = where;
  case_ = caseBox;
  group_ = group;
  for (auto [box, kind] : {std::pair{when_, OptionBox::When}, std::pair{where_, OptionBox::Where},
                           std::pair{case_, OptionBox::Case}}) {
    for (std::string_view label : OptionLabels(kind)) AddItem(box, label);
    ChooseItem(box, 0);
  }
  RefillGroupBox();
  SetWindowTextUtf8(group_, ProposedGroup());
}

bool TriggerEditor::IsField(HWND control) const {
  if (control == nullptr) return false;
  return IsTextField(control) || control == when_ || control == where_ || control == case_ ||
         control == group_;
}

bool TriggerEditor::IsTextField(HWND control) const {
  if (control == nullptr) return false;
  // The group drop-down's field is a child of its own.
  return control == triggerField_ || control == expansionField_ ||
         (group_ != nullptr && GetParent(control) == group_);
}

void TriggerEditor::Attach(HWND triggerField, HWND expansionField, HWND status) {
  triggerField_ = triggerField;
  expansionField_ = expansionField;
  status_ = status;
  SetWindowSubclass(expansionField_, ExpansionFieldProc, 1, 0);
}

void TriggerEditor::Add() {
  NewEntry entry = PrepareNewEntry(file_.Table(), ReadFields());
  switch (entry.verdict) {
    case NewEntry::Verdict::Ignore:
      return;
    case NewEntry::Verdict::Refuse:
      ShowMessageBox(GetParent(triggerField_), entry.problem, "Tarquel", MB_OK | MB_ICONWARNING);
      return;
    case NewEntry::Verdict::Store:
      break;
  }
  // The fields are ready for the next entry at once; the row of this one is selected and
  // shown once it is in the table.
  const std::optional<std::string> row = std::exchange(rowTrigger_, std::nullopt);
  ClearFields();
  // A change made on disk since our last read or write is kept: this one goes on top of it.
  file_.ChangeAfterRead([this, entry = std::move(entry), row] {
    TriggerTable& table = file_.Table();
    const AddKind kind = ClassifyAdd(table, entry.trigger, row);
    if (!StoreNewEntry(table, entry)) return;
    lastDeleted_.reset();
    lastImport_.reset();
    file_.Publish();
    RefillGroupBox();
    list_.ShowChangedEntry(entry.trigger);
    SetStatus(AddedText(kind, entry.trigger, row));
    file_.Save();
    Changed();
  });
}

void TriggerEditor::DeleteSelected() {
  const std::optional<std::size_t> row = list_.SelectedRow();
  if (!row) return;
  // Chosen by key, so the deletion still applies to what the file holds now.
  std::string key = list_.Row(*row)->first;
  file_.ChangeAfterRead([this, key = std::move(key), row = *row] {
    TriggerTable& table = file_.Table();
    std::optional<NewEntry> kept;
    if (const std::string* current = table.Find(key)) {
      kept = EntryToKeep(table, TriggerTable::Entry(key, *current));
    }
    OutputDebugStringA(DeletingKeyLine(key).c_str());
    const std::size_t removed = table.Erase(key);
    OutputDebugStringA(EraseResultLine(removed, table.size()).c_str());
    if (removed == 0) {
      // Gone from the file meanwhile: nothing to take back.
      ShowList();
      return;
    }
    file_.Publish();
    lastDeleted_ = std::move(kept);
    lastImport_.reset();
    if (rowTrigger_ == key) {
      rowTrigger_.reset();
      ClearFields();
    }
    ShowList();
    list_.SelectRow(RowAfterDelete(row, list_.RowCount()));
    SetStatus(DeletedText(key));
    file_.Save();
    Changed();
  });
}

void TriggerEditor::UndoDelete() {
  // Like ADD: a change made on disk since our last read or write is kept, this one on top.
  file_.ChangeAfterRead([this] {
    if (lastImport_) {
      const ImportUndo undo = std::move(*lastImport_);
      lastImport_.reset();
      UndoImport(file_.Table(), undo.before, undo.after);
      file_.Publish();
      OutputDebugStringA("Import taken back\n");
      ShowList();
      SetStatus("The import is taken back");
      file_.Save();
      Changed();
      return;
    }
    if (!lastDeleted_) return;
    const NewEntry entry = std::move(*lastDeleted_);
    lastDeleted_.reset();
    TriggerTable& table = file_.Table();
    // Something else may have taken the trigger since: the newer entry stays.
    if (table.Find(entry.trigger) != nullptr) return;
    // With its options and group: a group gone meanwhile comes back with default settings.
    if (!StoreNewEntry(table, entry)) return;
    file_.Publish();
    RefillGroupBox();
    list_.ShowChangedEntry(entry.trigger);
    SetStatus(RestoredText(entry.trigger));
    file_.Save();
    Changed();
  });
}

void TriggerEditor::Import(ImportPlan chosen, ConflictChoice otherwise) {
  // Like ADD: on top of a change made on disk since the preview was planned.
  file_.ChangeAfterRead([this, chosen = std::move(chosen), otherwise] {
    TriggerTable& table = file_.Table();
    ImportPlan plan = PlanImport(table, chosen.result, endingCharacters_);
    plan.TakeChoices(chosen, otherwise);
    TriggerTable after = ApplyImport(table, plan);
    lastImport_ = ImportUndo{std::move(table), after};
    table = std::move(after);
    lastDeleted_.reset();
    file_.Publish();
    OutputDebugStringA(("Import applied: " + std::to_string(table.size()) + " entries\n").c_str());
    ShowList();
    SetStatus(ImportedText(plan));
    file_.Save();
    Changed();
  });
}

void TriggerEditor::FillFieldsFromRow(std::size_t row) {
  const TriggerTable::Entry* entry = list_.Row(row);
  if (entry == nullptr) return;
  rowTrigger_ = entry->first;
  const EntryFields fields = FieldsOfEntry(file_.Table(), *entry);
  SetWindowTextUtf8(triggerField_, fields.trigger);
  SetWindowTextUtf8(expansionField_, fields.expansion);
  ChooseItem(when_, fields.options.when);
  ChooseItem(where_, fields.options.where);
  ChooseItem(case_, fields.options.caseRule);
  SetWindowTextUtf8(group_, fields.group);
}

void TriggerEditor::ShowList() {
  RefillGroupBox();
  list_.Fill(rowTrigger_);
}

void TriggerEditor::GroupFilterChanged() {
  ShowList();
  if (!rowTrigger_ && GetWindowTextLengthW(triggerField_) == 0) {
    SetWindowTextUtf8(group_, ProposedGroup());
  }
}

void TriggerEditor::SetStatus(std::string_view text) {
  SetWindowTextUtf8(status_, text);
}

void TriggerEditor::ClearFields() {
  SetWindowTextW(triggerField_, L"");
  SetWindowTextW(expansionField_, L"");
  for (HWND box : {when_, where_, case_}) ChooseItem(box, 0);
  SetWindowTextUtf8(group_, ProposedGroup());
}

EntryFields TriggerEditor::ReadFields() const {
  return {WindowTextUtf8(triggerField_), WindowTextUtf8(expansionField_),
          OptionChoices{ChosenItem(when_), ChosenItem(where_), ChosenItem(case_)},
          WindowTextUtf8(group_)};
}

void TriggerEditor::RefillGroupBox() {
  const std::vector<std::string> labels = GroupLabels(file_.Table());
  // Unchanged most of the time (each search key comes here): the list is left alone then.
  const auto count = static_cast<std::size_t>(SendMessageW(group_, CB_GETCOUNT, 0, 0));
  bool same = count == labels.size();
  for (std::size_t i = 0; same && i < count; ++i) {
    const auto length = SendMessageW(group_, CB_GETLBTEXTLEN, i, 0);
    std::wstring item(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
    SendMessageW(group_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
    item.resize(std::wcslen(item.c_str()));
    same = item == Wide(labels[i]);
  }
  if (same) return;
  // Emptying the list empties the field too.
  const std::string shown = WindowTextUtf8(group_);
  SendMessageW(group_, CB_RESETCONTENT, 0, 0);
  for (const std::string& label : labels) AddItem(group_, label);
  SetWindowTextUtf8(group_, shown);
}

std::string TriggerEditor::ProposedGroup() const {
  const std::optional<std::string>& filter = list_.GroupFilter();
  return filter && !filter->empty() ? *filter : std::string(NoGroupLabel);
}

void TriggerEditor::Changed() {
  if (afterChange_) afterChange_();
}

}  // namespace tarquel
