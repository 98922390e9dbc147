#pragma once

#include <windows.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "store/import.h"
#include "store/import_plan.h"
#include "util/save_queue.h"

namespace tarquel {

class TriggerEditor;
class TriggerFileSync;

// Posted by the import's worker: the file or folder is read and parsed. Posted to itself by the
// window once the preview's plan is made against the table as config.txt holds it.
inline constexpr UINT ImportReadMessage = WM_APP + 0x1B;
inline constexpr UINT ImportPreviewMessage = WM_APP + 0x1C;
// Posted once a merged conflict copy is renamed: the folder is looked at for another.
inline constexpr UINT ConflictCopyLookMessage = WM_APP + 0x1D;
// WM_COPYDATA's dwData from `tarquel.exe --import FILE` to the running instance; the data is
// the path in UTF-16, without its terminating zero.
inline constexpr ULONG_PTR ImportCopyDataTag = 0x54514931;

// Control ids of the preview dialog.
inline constexpr WORD PreviewTextId = 1001;
inline constexpr WORD KeepMineId = 1002;
inline constexpr WORD TakeTheirsId = 1003;
inline constexpr WORD KeepBothId = 1004;
// The list of the triggers already there, one row each with its own choice, and the count of
// each choice under it.
inline constexpr WORD ConflictListId = 1005;
inline constexpr WORD ConflictSummaryId = 1006;

// "Import..." and "Export...": a file of another expander (or an espanso folder) is read and
// parsed on a worker, shown in a preview before anything changes, and put into the table as one
// change through the editor; the whole list is written out as an espanso match file or CSV.
class TriggerImport {
 public:
  TriggerImport(TriggerEditor& editor, TriggerFileSync& file) : editor_(editor), file_(file) {}
  TriggerImport(const TriggerImport&) = delete;
  TriggerImport& operator=(const TriggerImport&) = delete;

  void Attach(HWND window) { window_ = window; }
  // The file dialog, then the import of what was chosen.
  void ChooseAndImport();
  // Reads `path` on the worker; the preview follows.
  void ImportPath(const std::filesystem::path& path);
  void OnReadDone();
  void OnPreview();
  // The whole list, or only the group the list shows (`shownGroup`: its name, "" for the
  // entries of no group; nothing when the list shows every group).
  void ChooseAndExport(const std::optional<std::string>& shownGroup = std::nullopt);
  // Looks in `folder` (on the worker) for a copy a sync service left beside config.txt, and
  // offers the first not yet offered in this run for merging: the preview, with "keep both"
  // chosen, then the copy renamed to "<name>.merged" once its entries are in.
  void OfferConflictCopies(const std::filesystem::path& folder);

 private:
  struct Mailbox {
    std::mutex mutex;
    std::optional<ImportResult> result;
    std::string source;
    // Set when the result is a sync service's conflict copy.
    std::filesystem::path conflictCopy;
    // Copies offered once in this run: a cancelled one is offered again at the next start.
    std::set<std::filesystem::path> offered;
  };

  TriggerEditor& editor_;
  TriggerFileSync& file_;
  HWND window_ = nullptr;
  std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
  // What waits for the preview: the plan of the parsed files and the words for them.
  std::optional<ImportPlan> pending_;
  std::string pendingSource_;
  std::filesystem::path pendingCopy_;
  std::string previewText_;
  // A second import handed over while a preview is open waits for it to close.
  bool previewOpen_ = false;
  // Last: destroyed first, so that a read still running finds its mailbox.
  SaveQueue reads_;
};

}  // namespace tarquel
