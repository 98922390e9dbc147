// "ADD" and "DELETE": change the one table in place, save it at once and show it again. The
// Expander reads the same table, so the next typed key already sees the change.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ui/app_window_win.h"
#include "ui/trigger_editor.h"
#include "ui/trigger_file_history.h"

namespace tarquel {

namespace {

// The whole field: a fixed buffer would cut a long expansion short without a word.
std::string FieldText(HWND field) {
  const int length = GetWindowTextLengthA(field);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(field, buffer.data(), length + 1);
  return std::string(buffer.data(), copied > 0 ? static_cast<std::size_t>(copied) : 0);
}

// The whole row, however long: a loaded entry can be longer than any fixed buffer.
std::optional<std::string> RowText(HWND listBox, WPARAM row) {
  const LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, row, 0);
  if (length == LB_ERR) return std::nullopt;
  // In a multi-byte code page the length may be larger than the text; never smaller.
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
  const LRESULT copied =
      SendMessageA(listBox, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buffer.data()));
  if (copied == LB_ERR) return std::nullopt;
  return std::string(buffer.data(), static_cast<std::size_t>(copied));
}

// The message box speaks the ANSI code page; a character of the path outside it shows as "?".
std::string AnsiPath(const std::filesystem::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, narrow.data(), length, nullptr, nullptr);
  return narrow;
}

void Warn(HWND owner, const std::string& text) {
  MessageBoxA(owner, text.c_str(), "Tarquel", MB_OK | MB_ICONWARNING);
}

void SaveTriggers(AppWindow& app) {
  const SaveResult saved = SaveTriggerFile(app.triggerFile, app.table, app.triggerFileHistory);
  if (saved) return;
  // The change stays in force in memory; the file keeps its old content until a save succeeds.
  Warn(app.MainWindow(), "Your triggers could not be saved to\n" + AnsiPath(app.triggerFile) +
                             "\n\n" + saved.error +
                             ".\n\nThe change works until Tarquel ends. It is saved with your "
                             "next change once the file can be written.");
}

}  // namespace

void AppWindow::AddTrigger() {
  NewEntry entry = PrepareNewEntry(FieldText(triggerEdit), FieldText(expansionEdit));
  switch (entry.verdict) {
    case NewEntry::Verdict::Ignore:
      return;
    case NewEntry::Verdict::Refuse:
      Warn(MainWindow(), entry.problem);
      return;
    case NewEntry::Verdict::Store:
      table.Set(std::move(entry.trigger), std::move(entry.expansion));
      FillTriggerList();
      SetWindowTextA(triggerEdit, "");
      SetWindowTextA(expansionEdit, "");
      SaveTriggers(*this);
      return;
  }
}

void AppWindow::DeleteSelectedTrigger() {
  const LRESULT row = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
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
