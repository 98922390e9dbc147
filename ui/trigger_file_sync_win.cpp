// config.txt changed by another program: the watcher's word reaches the main thread, which
// alone reads the file again and replaces the table the hook and the windows read.
#include "ui/app_window_win.h"
#include "ui/trigger_file_sync.h"

namespace tarquel {

void AppWindow::ReloadTriggersFromDisk() {
  const TriggerFileCheck check =
      ReloadIfChanged(triggerFile, !triggerSaves->Idle(), table, *triggerFileHistory);
  reloadAfterSaves = check == TriggerFileCheck::Deferred;
  if (check != TriggerFileCheck::Reloaded) return;
  OutputDebugStringA(
      ("Triggers reloaded from config.txt: " + std::to_string(table.size()) + " entries\n")
          .c_str());
  // What was too large to load has been replaced by a file that loaded.
  triggerFileTooLarge = false;
  // The popup's rows point into the table that was just replaced.
  searchPopup->TableChanged();
  FillTriggerList();
}

void AppWindow::OnTriggerFileChanged() {
  // Each notification puts the read off again, so that a burst is read once, after it.
  SetTimer(MainWindow(), TriggerReloadTimerId, TriggerReloadQuietMs, nullptr);
}

void AppWindow::OnTriggerFileSaved() {
  if (reloadAfterSaves && triggerSaves->Idle()) ReloadTriggersFromDisk();
}

}  // namespace tarquel
