// "ADD" and "DELETE": change the one table in place, save it at once and show it again. The
// Expander reads the same table, so the next typed key already sees the change.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/app_window_win.h"
#include "ui/trigger_editor.h"
#include "ui/trigger_file_history.h"
#include "ui/wide_text_win.h"

namespace tarquel {

namespace {

// The whole row, however long: a loaded entry can be longer than any fixed buffer.
std::optional<std::string> RowText(HWND listBox, WPARAM row) {
  const LRESULT length = SendMessageW(listBox, LB_GETTEXTLEN, row, 0);
  if (length == LB_ERR) return std::nullopt;
  std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(listBox, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == LB_ERR) return std::nullopt;
  return Narrow(std::wstring_view(buffer.data(), static_cast<std::size_t>(copied)));
}

void Warn(HWND owner, const std::string& text) {
  ShowMessageBox(owner, text, "Tarquel", MB_OK | MB_ICONWARNING);
}

void SaveTriggers(AppWindow& app) {
  const SaveResult saved = SaveTriggerFile(app.triggerFile, app.table, app.triggerFileHistory);
  if (saved) return;
  // The change stays in force in memory; the file keeps its old content until a save succeeds.
  Warn(app.MainWindow(), "Your triggers could not be saved to\n" +
                             Narrow(app.triggerFile.native()) + "\n\n" + saved.error +
                             ".\n\nThe change works until Tarquel ends. It is saved with your "
                             "next change once the file can be written.");
}

}  // namespace

void AppWindow::AddTrigger() {
  NewEntry entry = PrepareNewEntry(WindowTextUtf8(triggerEdit), WindowTextUtf8(expansionEdit));
  switch (entry.verdict) {
    case NewEntry::Verdict::Ignore:
      return;
    case NewEntry::Verdict::Refuse:
      Warn(MainWindow(), entry.problem);
      return;
    case NewEntry::Verdict::Store:
      table.Set(std::move(entry.trigger), std::move(entry.expansion));
      FillTriggerList();
      SetWindowTextW(triggerEdit, L"");
      SetWindowTextW(expansionEdit, L"");
      SaveTriggers(*this);
      return;
  }
}

void AppWindow::DeleteSelectedTrigger() {
  const LRESULT row = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR) return;
  const std::optional<std::string> rowText = RowText(listBox, static_cast<WPARAM>(row));
  const TriggerTable::Entry* entry =
      rowText ? EntryOfRow(table, static_cast<std::size_t>(row), *rowText) : nullptr;
  if (entry == nullptr) {
    // The list does not show the table any more: show it again rather than guess.
    FillTriggerList();
    return;
  }

  const std::string key = entry->first;
  OutputDebugStringA(DeletingKeyLine(key).c_str());
  const std::size_t removed = table.Erase(key);
  OutputDebugStringA(EraseResultLine(removed, table.size()).c_str());
  FillTriggerList();
  SaveTriggers(*this);
}

}  // namespace tarquel
