// Import and export from the main window. The files are read and parsed on a worker; the
// preview is a modal dialog built in memory, in the system's dialog font.
#include "ui/trigger_import_win.h"
// After windows.h, whose types they use.
#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "store/conflict_copy.h"
#include "store/import_plan.h"
#include "store/import_source.h"
#include "store/trigger_export.h"
#include "ui/import_preview.h"
#include "ui/trigger_editor_win.h"
#include "ui/trigger_file_sync_win.h"
#include "util/file_io.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

// A DLGTEMPLATE with its items, laid out as DialogBoxIndirectParamW reads it: WORDs, each item
// starting on a DWORD boundary.
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short width, short height, std::wstring_view title) {
    DLGTEMPLATE header{};
    header.style = style | DS_SETFONT;
    header.cx = width;
    header.cy = height;
    Put(&header, sizeof header);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the dialog class
    Text(title);
    words_.push_back(8);
    Text(L"MS Shell Dlg");
  }

  // `kind`: 0x80 button, 0x81 edit, 0x82 static.
  void Item(WORD kind, WORD id, DWORD style, short x, short y, short width, short height,
            std::wstring_view text) {
    if (words_.size() % 2 != 0) words_.push_back(0);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = width;
    item.cy = height;
    item.id = id;
    Put(&item, sizeof item);
    words_.push_back(0xFFFF);
    words_.push_back(kind);
    Text(text);
    words_.push_back(0);  // no creation data
    ++Header().cdit;
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  static_assert(sizeof(DLGTEMPLATE) % sizeof(WORD) == 0);
  static_assert(sizeof(DLGITEMTEMPLATE) % sizeof(WORD) == 0);

  DLGTEMPLATE& Header() { return *reinterpret_cast<DLGTEMPLATE*>(words_.data()); }
  void Put(const void* data, std::size_t size) {
    const std::size_t at = words_.size();
    words_.resize(at + size / sizeof(WORD));
    std::memcpy(words_.data() + at, data, size);
  }
  void Text(std::wstring_view text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  // new[] gives memory aligned for any type, DWORD included.
  std::vector<WORD> words_;
};

// A conflict copy still being written is read again this many times, this far apart.
constexpr int ConflictCopyLooks = 5;
constexpr DWORD ConflictCopyLookPauseMs = 400;

constexpr WORD ButtonClass = 0x80;
constexpr WORD EditClass = 0x81;
constexpr WORD StaticClass = 0x82;

struct PreviewState {
  const std::string* text = nullptr;
  bool hasConflicts = false;
  // Chosen when the dialog opens; the user's choice when it closes.
  ConflictChoice choice = ConflictChoice::KeepMine;
};

WORD ChoiceButton(ConflictChoice choice) {
  switch (choice) {
    case ConflictChoice::TakeTheirs:
      return TakeTheirsId;
    case ConflictChoice::KeepBoth:
      return KeepBothId;
    case ConflictChoice::KeepMine:
      break;
  }
  return KeepMineId;
}

INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      const auto& state = *reinterpret_cast<PreviewState*>(lParam);
      SetWindowTextUtf8(GetDlgItem(dialog, PreviewTextId), *state.text);
      CheckRadioButton(dialog, KeepMineId, KeepBothId, ChoiceButton(state.choice));
      for (WORD id : {KeepMineId, TakeTheirsId, KeepBothId}) {
        EnableWindow(GetDlgItem(dialog, id), state.hasConflicts);
      }
      // The focus on "Import", not in the text with all of it selected.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<PreviewState*>(GetWindowLongPtrW(dialog, DWLP_USER));
      switch (LOWORD(wParam)) {
        case IDOK:
          state->choice =
              IsDlgButtonChecked(dialog, TakeTheirsId) == BST_CHECKED ? ConflictChoice::TakeTheirs
              : IsDlgButtonChecked(dialog, KeepBothId) == BST_CHECKED ? ConflictChoice::KeepBoth
                                                                      : ConflictChoice::KeepMine;
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

// Whether the user chose to import; `state.choice` then says how conflicts go.
bool ShowPreview(HWND owner, PreviewState& state) {
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 320, 232,
                        L"Import into Tarquel");
  dialog.Item(EditClass, PreviewTextId,
              WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                  ES_AUTOVSCROLL | ES_AUTOHSCROLL,
              7, 7, 306, 160, L"");
  dialog.Item(StaticClass, 0xFFFF, SS_LEFT, 7, 174, 306, 9, L"For the triggers you already have:");
  dialog.Item(ButtonClass, KeepMineId, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 7, 186, 70, 12,
              L"Keep mine");
  dialog.Item(ButtonClass, TakeTheirsId, BS_AUTORADIOBUTTON, 80, 186, 70, 12, L"Take theirs");
  dialog.Item(ButtonClass, KeepBothId, BS_AUTORADIOBUTTON, 153, 186, 160, 12,
              L"Keep both (theirs under a new trigger)");
  dialog.Item(ButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 206, 211, 50, 14,
              L"Import");
  dialog.Item(ButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 263, 211, 50, 14, L"Cancel");
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, PreviewProc,
                                 reinterpret_cast<LPARAM>(&state)) == IDOK;
}

std::string Shown(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

}  // namespace

void TriggerImport::ChooseAndImport() {
  wchar_t chosen[MAX_PATH * 4] = L"";
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFilter =
      L"Snippets of other expanders\0*.yml;*.yaml;*.ahk;*.json;*.csv\0"
      L"espanso (*.yml, *.yaml)\0*.yml;*.yaml\0AutoHotkey (*.ahk)\0*.ahk\0"
      L"Beeftext (*.json, *.csv)\0*.json;*.csv\0TextExpander or Tarquel CSV (*.csv)\0*.csv\0"
      L"Tarquel's config.txt of another PC (*.txt)\0*.txt\0"
      L"Every file\0*.*\0";
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = static_cast<DWORD>(std::size(chosen));
  dialog.lpstrTitle = L"Import snippets";
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&dialog)) return;
  ImportPath(chosen);
}

void TriggerImport::ImportPath(const std::filesystem::path& path) {
  editor_.SetStatus("Reading " + Shown(path.filename()) + "...");
  reads_.Submit("import", [path, mailbox = mailbox_, window = window_] {
    ImportSource source = ReadImportSource(path);
    ImportResult result;
    if (source.error.empty()) {
      result = ImportFiles(source.files);
    } else {
      result.error = std::move(source.error);
    }
    {
      std::lock_guard lock(mailbox->mutex);
      mailbox->result = std::move(result);
      mailbox->source = Shown(path);
      mailbox->conflictCopy.clear();
    }
    PostMessageW(window, ImportReadMessage, 0, 0);
  });
}

void TriggerImport::OfferConflictCopies(const std::filesystem::path& folder) {
  reads_.Submit("conflict copies", [folder, mailbox = mailbox_, window = window_] {
    std::error_code error;
    std::filesystem::directory_iterator entries(folder, error);
    if (error) return;
    for (const std::filesystem::directory_entry& entry : entries) {
      const std::u8string name = entry.path().filename().u8string();
      if (!IsConflictCopyName(
              std::string_view(reinterpret_cast<const char*>(name.data()), name.size())) ||
          !entry.is_regular_file(error)) {
        continue;
      }
      {
        std::lock_guard lock(mailbox->mutex);
        // One at a time: the next waits until this one's preview has been answered.
        if (mailbox->result || !mailbox->offered.insert(entry.path()).second) continue;
      }
      // The service may still be writing it (the folder tells of a file the moment it is
      // made): a copy that cannot be read, or holds nothing yet, is looked at a few times.
      ImportResult result;
      for (int look = 0; look < ConflictCopyLooks; ++look) {
        if (look > 0) Sleep(ConflictCopyLookPauseMs);
        ImportSource source = ReadImportSource(entry.path());
        result = source.error.empty() ? ImportFiles(source.files, ImportFormat::TarquelConfig)
                                      : ImportResult{};
        if (source.error.empty() && result.ok()) break;
      }
      if (!result.ok() || result.entries.empty()) {
        // Nothing to tell the user about yet: the next change of the folder, or the next
        // start, looks again.
        std::lock_guard lock(mailbox->mutex);
        mailbox->offered.erase(entry.path());
        OutputDebugStringA("Conflict copy beside config.txt not readable yet\n");
        continue;
      }
      {
        std::lock_guard lock(mailbox->mutex);
        mailbox->result = std::move(result);
        mailbox->source = Shown(entry.path().filename());
        mailbox->conflictCopy = entry.path();
      }
      OutputDebugStringA("Conflict copy found beside config.txt\n");
      PostMessageW(window, ImportReadMessage, 0, 0);
      return;
    }
  });
}

void TriggerImport::OnReadDone() {
  std::optional<ImportResult> result;
  std::string source;
  std::filesystem::path copy;
  {
    std::lock_guard lock(mailbox_->mutex);
    result = std::move(mailbox_->result);
    mailbox_->result.reset();
    source = std::move(mailbox_->source);
    copy = std::move(mailbox_->conflictCopy);
  }
  if (!result) return;
  if (!result->ok()) {
    OutputDebugStringA(("Import refused: " + result->error + "\n").c_str());
    editor_.SetStatus("Nothing was imported");
    ShowMessageBox(window_, "Nothing was imported from " + source + ":\n\n" + result->error,
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return;
  }
  // Planned against the table as config.txt now holds it, which at start may not be read yet.
  file_.ChangeAfterRead(
      [this, result = std::move(*result), source = std::move(source), copy = std::move(copy)] {
        const ImportPlan plan = PlanImport(file_.Table(), result);
        previewText_ = ImportPreviewText(plan, source);
        if (!copy.empty()) {
          previewText_ = source +
                         " was left beside config.txt by a sync service: the list was changed on "
                         "two PCs before they synced. Its entries are merged into yours; a trigger "
                         "changed on both keeps both, the other PC's under a new trigger. The copy "
                         "is then renamed, not deleted.\r\n\r\n" +
                         previewText_;
        }
        previewHasConflicts_ = !plan.conflicts.empty();
        pending_ = plan.result;
        pendingSource_ = source;
        pendingCopy_ = copy;
        // The dialog's own message loop does not run inside the file's change.
        PostMessageW(window_, ImportPreviewMessage, 0, 0);
      });
}

void TriggerImport::OnPreview() {
  // The open preview's loop delivers this too: the next one waits for it.
  if (!pending_ || previewOpen_) return;
  ImportResult result = std::move(*pending_);
  pending_.reset();
  const std::filesystem::path copy = std::exchange(pendingCopy_, {});
  // Handed over from the command line, the window may be hidden in the tray.
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
  const std::string text = previewText_;
  PreviewState state{&text, previewHasConflicts_,
                     copy.empty() ? ConflictChoice::KeepMine : ConflictChoice::KeepBoth};
  OutputDebugStringA("Import preview shown\n");
  previewOpen_ = true;
  const bool confirmed = ShowPreview(window_, state);
  previewOpen_ = false;
  if (pending_) PostMessageW(window_, ImportPreviewMessage, 0, 0);
  if (!confirmed) {
    editor_.SetStatus(copy.empty() ? "Import cancelled: nothing changed"
                                   : "The sync copy was left as it is; it is offered again at "
                                     "the next start");
    return;
  }
  editor_.Import(std::move(result), state.choice);
  if (copy.empty()) return;
  // Merged: renamed, so that it is not merged again, and kept for the user to look at.
  reads_.Submit("conflict copy merged", [copy, window = window_] {
    const std::filesystem::path merged =
        MergedCopyPath(copy, [](const std::filesystem::path& path) {
          std::error_code error;
          return std::filesystem::exists(path, error);
        });
    std::error_code error;
    std::filesystem::rename(copy, merged, error);
    OutputDebugStringA(error ? "Conflict copy merged; it could not be renamed\n"
                             : "Conflict copy merged and renamed\n");
    // The next copy, if the service left more than one.
    PostMessageW(window, ConflictCopyLookMessage, 0, 0);
  });
}

void TriggerImport::ChooseAndExport(const std::optional<std::string>& shownGroup) {
  const TriggerTable& table = file_.Table();
  std::optional<std::size_t> group;
  if (shownGroup)
    group = shownGroup->empty() ? std::optional<std::size_t>(0) : table.FindGroup(*shownGroup);
  // A group's own file is named after it, where its name makes a file name.
  std::wstring suggested = L"tarquel";
  if (group && *group != 0 && shownGroup->find_first_of("<>:\"/\\|?*") == std::string::npos) {
    suggested += L"-" + Wide(*shownGroup);
  }
  wchar_t chosen[MAX_PATH * 4] = L"";
  const std::wstring initial = suggested + L".yml";
  std::copy_n(initial.c_str(), std::min(initial.size(), std::size(chosen) - 1), chosen);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = window_;
  dialog.lpstrFilter = L"espanso match file (*.yml)\0*.yml\0CSV (*.csv)\0*.csv\0";
  dialog.lpstrFile = chosen;
  dialog.nMaxFile = static_cast<DWORD>(std::size(chosen));
  dialog.lpstrDefExt = L"yml";
  dialog.lpstrTitle = group ? L"Export the group shown" : L"Export the trigger list";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
  if (!GetSaveFileNameW(&dialog)) return;
  const std::filesystem::path path(chosen);
  std::wstring extension = path.extension().wstring();
  for (wchar_t& c : extension) c = static_cast<wchar_t>(towlower(c));
  const bool csv = extension == L".csv" || (extension.empty() && dialog.nFilterIndex == 2);
  const std::string bytes = csv ? ExportCsv(table, group) : ExportEspanso(table, group);
  // Chosen by the user this moment, and written once: the dialog had the thread anyway.
  const SaveResult saved = WriteFileAtomically(path, bytes);
  if (!saved) {
    ShowMessageBox(window_, "The list was not exported: " + saved.error, "Tarquel",
                   MB_OK | MB_ICONWARNING);
    return;
  }
  std::size_t count = table.size();
  if (group) {
    count = 0;
    for (const TriggerTable::Entry& entry : table)
      count += table.InfoOf(entry.first).group == *group;
  }
  editor_.SetStatus("Exported " + std::to_string(count) + " entries" +
                    (group ? " of the group shown" : std::string()) + " to " +
                    Shown(path.filename()));
}

}  // namespace tarquel
