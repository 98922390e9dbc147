// config.txt changed by another program: the watcher's word reaches the main thread, which
// reads the file again, replaces the window's table and hands the hook a copy.
#include <optional>
#include <string>

#include "store/trigger_file_sync.h"
#include "ui/app_window_win.h"

namespace tarquel {

void AppWindow::ReloadTriggersFromDisk() {
  std::optional<std::string> selected;
  if (const std::optional<std::size_t> row = SelectedRow()) selected = search.Rows()[*row]->first;
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
  PublishTable();
  // What was too large to load has been replaced by a file that loaded.
  triggerFileTooLarge = false;
  // The popup's rows point into the table that was just replaced.
  searchPopup->TableChanged();
  FillTriggerList();
  // A change on disk does not take away the row the user chose, if it is still there.
  if (selected) SelectRow(search.RowOf(*selected));
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
