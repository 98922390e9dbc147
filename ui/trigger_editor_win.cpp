// "ADD" and "DELETE": change the window's table, hand a copy to the keyboard hook, save it at
// once and show it again. The next typed key already sees the change.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "store/trigger_file.h"
#include "store/trigger_file_history.h"
#include "ui/app_window_win.h"
#include "ui/trigger_editor.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

void Warn(HWND owner, const std::string& text) {
  ShowMessageBox(owner, text, "Tarquel", MB_OK | MB_ICONWARNING);
}

// The size in the words of the message: 64 MiB.
std::string MebibytesText(std::size_t bytes) {
  return std::to_string(bytes >> 20) + " MiB";
}

}  // namespace

void AppWindow::AddTrigger() {
  // A change made on disk since our last read or write is kept: this one goes on top of it.
  ReloadTriggersFromDisk();
  NewEntry entry = PrepareNewEntry(WindowTextUtf8(triggerEdit),
                                   ExpansionFromField(WindowTextUtf8(expansionEdit)));
  switch (entry.verdict) {
    case NewEntry::Verdict::Ignore:
      return;
    case NewEntry::Verdict::Refuse:
      Warn(MainWindow(), entry.problem);
      return;
    case NewEntry::Verdict::Store:
      break;
  }
  const AddKind kind = ClassifyAdd(table, entry.trigger, rowTrigger);
  const std::string status = AddedText(kind, entry.trigger, rowTrigger);
  const std::string trigger = entry.trigger;
  table.Set(std::move(entry.trigger), std::move(entry.expansion));
  lastDeleted.reset();
  // The fields are ready for the next entry; the row of this one is selected and shown.
  rowTrigger.reset();
  SetWindowTextW(triggerEdit, L"");
  SetWindowTextW(expansionEdit, L"");
  PublishTable();
  ShowChangedEntry(trigger);
  SetStatus(status);
  SaveTriggers();
}

void AppWindow::DeleteSelectedTrigger() {
  const std::optional<std::size_t> row = SelectedRow();
  if (!row) return;
  const std::string key = search.Rows()[*row]->first;
  // Chosen by key, so the deletion still applies to what the file holds now.
  ReloadTriggersFromDisk();
  const std::string* current = table.Find(key);
  const std::string expansion = current != nullptr ? *current : std::string();
  OutputDebugStringA(DeletingKeyLine(key).c_str());
  const std::size_t removed = table.Erase(key);
  OutputDebugStringA(EraseResultLine(removed, table.size()).c_str());
  if (removed == 0) {
    // Gone from the file meanwhile: nothing to take back.
    FillTriggerList();
    return;
  }
  PublishTable();
  lastDeleted.emplace(key, expansion);
  if (rowTrigger == key) {
    rowTrigger.reset();
    SetWindowTextW(triggerEdit, L"");
    SetWindowTextW(expansionEdit, L"");
  }
  FillTriggerList();
  SelectRow(RowAfterDelete(*row, search.Rows().size()));
  SetStatus(DeletedText(key));
  SaveTriggers();
}

void AppWindow::UndoDelete() {
  if (!lastDeleted) return;
  auto [trigger, expansion] = std::move(*lastDeleted);
  lastDeleted.reset();
  // Something else may have taken the trigger since: the newer entry stays.
  if (table.Find(trigger) != nullptr) return;
  table.Set(trigger, std::move(expansion));
  PublishTable();
  ShowChangedEntry(trigger);
  SetStatus(RestoredText(trigger));
  SaveTriggers();
}

void AppWindow::SetStatus(std::string_view text) {
  SetWindowTextUtf8(statusText, text);
}

void AppWindow::PublishTable() {
  // Copied here, on the window's thread: the hook only ever swaps a pointer.
  tables.Publish(std::make_shared<const TriggerTable>(table));
}

void AppWindow::SaveTriggers() {
  if (triggerFileTooLarge) {
    const std::string question =
        Narrow(triggerFile.native()) + " is larger than " + MebibytesText(MaxTriggerFileSize) +
        " and was not loaded.\n\nReplace it with the triggers shown in Tarquel? A copy of the "
        "old file is kept as " +
        Narrow(BackupFileName(triggerFile).filename().native()) +
        ".\n\nIf you choose No, the change works until Tarquel ends and the file is left as it "
        "is.";
    if (ShowMessageBox(MainWindow(), question, "Tarquel",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
      return;
    }
    triggerFileTooLarge = false;
  }
  // The table changed in memory already; the hook sees it at the next key. Only the text goes
  // to the worker, which writes, flushes and replaces the file while this thread goes on.
  saves.Submit(
      TriggerFileName,
      [file = triggerFile, history = triggerFileHistory, text = FormatTriggerText(table),
       tracker = triggerSaves, save = triggerSaves->Submitted(),
       window = MainWindow()]() mutable -> std::string {
        const SaveResult saved = SaveTriggerText(file, std::move(text), *history);
        // Until here the main thread takes the file for older than its table; a change by
        // someone else seen meanwhile is looked at again now.
        tracker->Done(save, static_cast<bool>(saved));
        PostMessageW(window, TriggerFileSavedMessage, 0, 0);
        if (saved) return {};
        // The change stays in force in memory; the file keeps its old content until a save
        // succeeds.
        return "Your triggers could not be saved to\n" + Narrow(file.native()) + "\n\n" +
               saved.error +
               ".\n\nThe change works until Tarquel ends. It is saved with your next change once "
               "the file can be written.";
      });
}

void AppWindow::SaveSettingsInBackground(std::string whatFailed) {
  saves.Submit(SettingsFileName,
               [file = settingsFile, snapshot = settings,
                whatFailed = std::move(whatFailed)]() -> std::string {
                 const SaveResult saved = SaveSettings(file, snapshot);
                 if (saved || whatFailed.empty()) return {};
                 return whatFailed + "\n\n" + saved.error;
               });
}

void AppWindow::OnSaveFailed() {
  // The box runs a message loop of its own, where further failures may arrive: one box at a
  // time, showing the latest.
  if (saveWarningOpen) return;
  saveWarningOpen = true;
  for (std::vector<std::string> failures = saves.TakeFailures(); !failures.empty();
       failures = saves.TakeFailures()) {
    Warn(MainWindow(), failures.back());
  }
  saveWarningOpen = false;
}

void AppWindow::WarnTriggerFileTooLarge() {
  Warn(MainWindow(), Narrow(triggerFile.native()) + " is larger than " +
                         MebibytesText(MaxTriggerFileSize) +
                         ", more than a trigger file holds, and was not loaded. It is left as it "
                         "is.\n\nTarquel starts with no triggers. Nothing is written over the "
                         "file unless you change a trigger and agree to replace it.");
}

}  // namespace tarquel
