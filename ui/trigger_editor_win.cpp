// "ADD" and "DELETE": change the window's table, hand a copy to the keyboard hook, save it at
// once and show it again. The next typed key already sees the change.
#include "ui/trigger_editor_win.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <string>

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

}  // namespace

void TriggerEditor::Attach(HWND triggerField, HWND expansionField, HWND status) {
  triggerField_ = triggerField;
  expansionField_ = expansionField;
  status_ = status;
  SetWindowSubclass(expansionField_, ExpansionFieldProc, 1, 0);
}

void TriggerEditor::Add() {
  NewEntry entry = PrepareNewEntry(WindowTextUtf8(triggerField_),
                                   ExpansionFromField(WindowTextUtf8(expansionField_)));
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
  file_.ChangeAfterRead([this, entry = std::move(entry), row]() mutable {
    TriggerTable& table = file_.Table();
    const AddKind kind = ClassifyAdd(table, entry.trigger, row);
    const std::string status = AddedText(kind, entry.trigger, row);
    const std::string trigger = entry.trigger;
    table.Set(std::move(entry.trigger), std::move(entry.expansion));
    lastDeleted_.reset();
    file_.Publish();
    list_.ShowChangedEntry(trigger);
    SetStatus(status);
    file_.Save();
  });
}

void TriggerEditor::DeleteSelected() {
  const std::optional<std::size_t> row = list_.SelectedRow();
  if (!row) return;
  // Chosen by key, so the deletion still applies to what the file holds now.
  std::string key = list_.Row(*row)->first;
  file_.ChangeAfterRead([this, key = std::move(key), row = *row] {
    TriggerTable& table = file_.Table();
    const std::string* current = table.Find(key);
    const std::string expansion = current != nullptr ? *current : std::string();
    OutputDebugStringA(DeletingKeyLine(key).c_str());
    const std::size_t removed = table.Erase(key);
    OutputDebugStringA(EraseResultLine(removed, table.size()).c_str());
    if (removed == 0) {
      // Gone from the file meanwhile: nothing to take back.
      ShowList();
      return;
    }
    file_.Publish();
    lastDeleted_.emplace(key, expansion);
    if (rowTrigger_ == key) {
      rowTrigger_.reset();
      ClearFields();
    }
    ShowList();
    list_.SelectRow(RowAfterDelete(row, list_.RowCount()));
    SetStatus(DeletedText(key));
    file_.Save();
  });
}

void TriggerEditor::UndoDelete() {
  // Like ADD: a change made on disk since our last read or write is kept, this one on top.
  file_.ChangeAfterRead([this] {
    if (!lastDeleted_) return;
    auto [trigger, expansion] = std::move(*lastDeleted_);
    lastDeleted_.reset();
    TriggerTable& table = file_.Table();
    // Something else may have taken the trigger since: the newer entry stays.
    if (table.Find(trigger) != nullptr) return;
    table.Set(trigger, std::move(expansion));
    file_.Publish();
    list_.ShowChangedEntry(trigger);
    SetStatus(RestoredText(trigger));
    file_.Save();
  });
}

void TriggerEditor::FillFieldsFromRow(std::size_t row) {
  const TriggerTable::Entry* entry = list_.Row(row);
  if (entry == nullptr) return;
  rowTrigger_ = entry->first;
  SetWindowTextUtf8(triggerField_, entry->first);
  SetWindowTextUtf8(expansionField_, ExpansionForField(entry->second));
}

void TriggerEditor::ShowList() {
  list_.Fill(rowTrigger_);
}

void TriggerEditor::SetStatus(std::string_view text) {
  SetWindowTextUtf8(status_, text);
}

void TriggerEditor::ClearFields() {
  SetWindowTextW(triggerField_, L"");
  SetWindowTextW(expansionField_, L"");
}

}  // namespace tarquel
