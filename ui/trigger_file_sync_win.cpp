// config.txt changed by another program: the watcher's word reaches the main thread, which
// alone reads the file again and replaces the table the hook and the windows read.
#include <iterator>
#include <optional>
#include <string>

#include "ui/app_window_win.h"
#include "ui/trigger_file_sync.h"

namespace tarquel {

namespace {

// The list shows the table in its order, so a row's number is the entry's place.
std::optional<std::string> SelectedTrigger(HWND listBox, const TriggerTable& table) {
  const LRESULT row = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR || static_cast<std::size_t>(row) >= table.size()) return std::nullopt;
  return std::next(table.begin(), static_cast<std::ptrdiff_t>(row))->first;
}

void SelectTrigger(HWND listBox, const TriggerTable& table, const std::string& trigger) {
  std::size_t row = 0;
  for (const auto& entry : table) {
    if (entry.first == trigger) {
      SendMessageW(listBox, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
      return;
    }
    ++row;
  }
}

}  // namespace

void AppWindow::ReloadTriggersFromDisk() {
  const std::optional<std::string> selected = SelectedTrigger(listBox, table);
  const TriggerFileCheck check =
      ReloadIfChanged(triggerFile, triggerSaves->TableAhead(), table, *triggerFileHistory);
  const bool deferred = check == TriggerFileCheck::Deferred;
  if (deferred && !reloadAfterSaves) {
    OutputDebugStringA("config.txt is looked at again once our own change is saved\n");
  }
  reloadAfterSaves = deferred;
  // Told once for each spell the file cannot be read, not at each look.
  const bool unreadable = check == TriggerFileCheck::Unreadable;
  if (unreadable && !triggerFileUnreadable) {
    OutputDebugStringA("config.txt cannot be read: the triggers in force stay\n");
  }
  if (check != TriggerFileCheck::Deferred) triggerFileUnreadable = unreadable;
  if (check != TriggerFileCheck::Reloaded) return;
  OutputDebugStringA(
      ("Triggers reloaded from config.txt: " + std::to_string(table.size()) + " entries\n")
          .c_str());
  // What was too large to load has been replaced by a file that loaded.
  triggerFileTooLarge = false;
  // The popup's rows point into the table that was just replaced.
  searchPopup->TableChanged();
  FillTriggerList();
  // A change on disk does not take away the row the user chose, if it is still there.
  if (selected) SelectTrigger(listBox, table, *selected);
}

void AppWindow::OnTriggerFileChanged() {
  // The first change of a burst sets the read a moment later, so that the burst is read once
  // and a file written in several steps is read whole. Later ones do not put it off: changes
  // that never stop must not keep the table from following.
  if (reloadTimerSet) return;
  reloadTimerSet = SetTimer(MainWindow(), TriggerReloadTimerId, TriggerReloadQuietMs, nullptr) != 0;
}

void AppWindow::OnTriggerFileSaved() {
  if (reloadAfterSaves && !triggerSaves->TableAhead()) ReloadTriggersFromDisk();
}

}  // namespace tarquel
