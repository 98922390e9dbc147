// Import and export from the main window. The files are read and parsed on a worker; the
// preview is a modal dialog built in memory, in the system's dialog font.
#include "ui/trigger_import_win.h"
// After windows.h, whose types they use.
#include <commctrl.h>
#include <commdlg.h>
#include <uxtheme.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "store/conflict_copy.h"
#include "store/import_plan.h"
#include "store/import_source.h"
#include "store/trigger_export.h"
#include "ui/import_preview.h"
#include "ui/theme_win.h"
#include "ui/trigger_editor_win.h"
#include "ui/trigger_file_sync_win.h"
#include "util/dpi_win.h"
#include "util/file_io.h"
#include "util/gdi_win.h"
#include "util/text_case.h"
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
    Begin(id, style, x, y, width, height);
    words_.push_back(0xFFFF);
    words_.push_back(kind);
    End(text);
  }
  // A control of a registered class, such as the common controls'.
  void Item(std::wstring_view className, WORD id, DWORD style, short x, short y, short width,
            short height, std::wstring_view text) {
    Begin(id, style, x, y, width, height);
    Text(className);
    End(text);
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  static_assert(sizeof(DLGTEMPLATE) % sizeof(WORD) == 0);
  static_assert(sizeof(DLGITEMTEMPLATE) % sizeof(WORD) == 0);

  DLGTEMPLATE& Header() { return *reinterpret_cast<DLGTEMPLATE*>(words_.data()); }
  void Begin(WORD id, DWORD style, short x, short y, short width, short height) {
    if (words_.size() % 2 != 0) words_.push_back(0);
    DLGITEMTEMPLATE item{};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = width;
    item.cy = height;
    item.id = id;
    Put(&item, sizeof item);
  }
  void End(std::wstring_view text) {
    Text(text);
    words_.push_back(0);  // no creation data
    ++Header().cdit;
  }
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
  // The user's choices go into its conflicts.
  ImportPlan* plan = nullptr;
  // The text of the list's last cell asked for, alive until the list has copied it.
  std::wstring cell;
};

constexpr WORD ChoiceIds[] = {KeepMineId, TakeTheirsId, KeepBothId};
constexpr ConflictChoice Choices[] = {ConflictChoice::KeepMine, ConflictChoice::TakeTheirs,
                                      ConflictChoice::KeepBoth};
constexpr int ChoiceColumn = 3;
constexpr UINT_PTR ConflictHeaderSubclassId = 1;
constexpr UINT_PTR ConflictListSubclassId = 2;
// Posted by the list when Space is pressed in it: the dialog changes the rows chosen.
constexpr UINT NextChoiceMessage = WM_APP + 1;

std::vector<std::size_t> SelectedRows(HWND list) {
  std::vector<std::size_t> rows;
  for (int row = ListView_GetNextItem(list, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(list, row, LVNI_SELECTED)) {
    rows.push_back(static_cast<std::size_t>(row));
  }
  return rows;
}

// The list, the words under it and the buttons for all, after a choice changed.
void ShowChoices(HWND dialog, const ImportPlan& plan) {
  InvalidateRect(GetDlgItem(dialog, ConflictListId), nullptr, FALSE);
  SetWindowTextUtf8(GetDlgItem(dialog, ConflictSummaryId), ChoicesText(plan));
  const std::optional<ConflictChoice> common = CommonChoice(plan);
  for (std::size_t i = 0; i < std::size(ChoiceIds); ++i) {
    SendDlgItemMessageW(dialog, ChoiceIds[i], BM_SETCHECK,
                        common == Choices[i] ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void Choose(HWND dialog, PreviewState& state, const std::vector<std::size_t>& rows,
            ConflictChoice choice) {
  for (std::size_t row : rows) {
    if (row < state.plan->conflicts.size()) state.plan->conflicts[row].choice = choice;
  }
  ShowChoices(dialog, *state.plan);
}

// Space and a click in the Choice column take the row with the focus to its next choice, and
// every selected row with it, so that a run of rows can be changed at once.
void ChooseNext(HWND dialog, PreviewState& state, int row) {
  HWND list = GetDlgItem(dialog, ConflictListId);
  if (row < 0 || static_cast<std::size_t>(row) >= state.plan->conflicts.size()) return;
  std::vector<std::size_t> rows = SelectedRows(list);
  if (std::find(rows.begin(), rows.end(), static_cast<std::size_t>(row)) == rows.end()) {
    rows = {static_cast<std::size_t>(row)};
  }
  Choose(dialog, state, rows, NextChoice(state.plan->conflicts[row].choice));
}

// The three choices for the selected rows, the one they share checked; at `at` on the screen,
// or under the focused row when the menu key asked for it.
void ShowChoiceMenu(HWND dialog, PreviewState& state, POINT at) {
  HWND list = GetDlgItem(dialog, ConflictListId);
  const std::vector<std::size_t> rows = SelectedRows(list);
  if (rows.empty()) return;
  if (at.x == -1 && at.y == -1) {
    int shown = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (shown < 0 || ListView_GetItemState(list, shown, LVIS_SELECTED) == 0) {
      shown = static_cast<int>(rows.front());
    }
    RECT row{};
    ListView_GetItemRect(list, shown, &row, LVIR_LABEL);
    at = {row.left, row.bottom};
    ClientToScreen(list, &at);
  }
  UniqueMenu menu(CreatePopupMenu());
  const ConflictChoice first = state.plan->conflicts[rows.front()].choice;
  bool shared = true;
  for (std::size_t row : rows) shared = shared && state.plan->conflicts[row].choice == first;
  for (std::size_t i = 0; i < std::size(Choices); ++i) {
    // One row's "keep both" says under which trigger.
    const std::string words =
        rows.size() == 1 && Choices[i] == ConflictChoice::KeepBoth
            ? "Keep both (theirs as " + state.plan->conflicts[rows.front()].bothTrigger + ")"
            : ChoiceText(Choices[i]);
    AppendMenuW(menu.get(), MF_STRING | (shared && first == Choices[i] ? MF_CHECKED : 0),
                ChoiceIds[i], Wide(words).c_str());
  }
  const UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                     at.x, at.y, 0, dialog, nullptr);
  for (std::size_t i = 0; i < std::size(ChoiceIds); ++i) {
    if (chosen == ChoiceIds[i]) Choose(dialog, state, rows, Choices[i]);
  }
}

LRESULT CALLBACK ConflictHeaderProc(HWND header, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      if (wParam != 0) {
        PaintListHeader(header, reinterpret_cast<HDC>(wParam), -1, false);
        return 0;
      }
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(header, &paint);
      PaintListHeader(header, dc, -1, false);
      EndPaint(header, &paint);
      return 0;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(header, ConflictHeaderProc, id);
      return DefSubclassProc(header, message, wParam, lParam);
    default:
      return DefSubclassProc(header, message, wParam, lParam);
  }
}

// Space is the list's to change a choice with: neither a selection nor a search for a row
// starting with a space.
LRESULT CALLBACK ConflictListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case WM_KEYDOWN:
      if (wParam != VK_SPACE) return DefSubclassProc(list, message, wParam, lParam);
      PostMessageW(GetParent(list), NextChoiceMessage,
                   static_cast<WPARAM>(ListView_GetNextItem(list, -1, LVNI_FOCUSED)), 0);
      return 0;
    case WM_CHAR:
      if (wParam == L' ') return 0;
      return DefSubclassProc(list, message, wParam, lParam);
    case WM_NCDESTROY:
      RemoveWindowSubclass(list, ConflictListProc, id);
      return DefSubclassProc(list, message, wParam, lParam);
    default:
      return DefSubclassProc(list, message, wParam, lParam);
  }
}

void SetUpConflictList(HWND dialog, const ImportPlan& plan) {
  HWND list = GetDlgItem(dialog, ConflictListId);
  ListView_SetExtendedListViewStyle(list,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
  ListView_SetBkColor(list, FieldColor);
  ListView_SetTextBkColor(list, FieldColor);
  ListView_SetTextColor(list, PrimaryTextColor);
  // The columns share the list's width, which the dialog's font and so the DPI set.
  RECT client{};
  GetClientRect(list, &client);
  const int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
  const std::pair<const wchar_t*, int> columns[ConflictColumns] = {
      {L"Trigger", 18}, {L"Yours", 26}, {L"Theirs", 26}, {L"Choice", 30}};
  for (std::size_t i = 0; i < ConflictColumns; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(columns[i].first);
    column.cx = width * columns[i].second / 100;
    column.iSubItem = static_cast<int>(i);
    ListView_InsertColumn(list, static_cast<int>(i), &column);
  }
  ListView_SetItemCountEx(list, static_cast<int>(plan.conflicts.size()), LVSICF_NOSCROLL);
  ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  if (HWND header = ListView_GetHeader(list)) {
    SetWindowSubclass(header, ConflictHeaderProc, ConflictHeaderSubclassId, 0);
  }
  SetWindowSubclass(list, ConflictListProc, ConflictListSubclassId, 0);
  // Classic radio buttons take the dialog's colours; themed ones draw their words in black.
  for (WORD id : ChoiceIds) SetWindowTheme(GetDlgItem(dialog, id), L"", L"");
}

// A dialog procedure's answer to WM_NOTIFY goes through DWLP_MSGRESULT.
INT_PTR Answer(HWND dialog, LRESULT result) {
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

INT_PTR OnConflictListNotify(HWND dialog, PreviewState& state, NMHDR& header) {
  HWND list = header.hwndFrom;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      if ((item.mask & LVIF_TEXT) == 0 || item.iItem < 0 ||
          static_cast<std::size_t>(item.iItem) >= state.plan->conflicts.size() ||
          item.iSubItem < 0 || item.iSubItem >= static_cast<int>(ConflictColumns)) {
        return FALSE;
      }
      state.cell =
          Wide(ConflictCells(*state.plan, static_cast<std::size_t>(item.iItem))[item.iSubItem]);
      lstrcpynW(item.pszText, state.cell.c_str(), item.cchTextMax);
      return FALSE;
    }
    case LVN_ODFINDITEMW: {
      // Typing a trigger's first letters goes to its row.
      const LVFINDINFOW& find = reinterpret_cast<NMLVFINDITEMW&>(header).lvfi;
      if ((find.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || find.psz == nullptr) {
        return Answer(dialog, -1);
      }
      const std::string wanted = Narrow(find.psz);
      const std::size_t count = state.plan->conflicts.size();
      const std::size_t start =
          static_cast<std::size_t>(std::max(0, reinterpret_cast<NMLVFINDITEMW&>(header).iStart));
      for (std::size_t n = 0; n < count; ++n) {
        const std::size_t row = (start + n) % count;
        const std::string& trigger =
            state.plan->result.entries[state.plan->conflicts[row].entry].trigger;
        if (trigger.size() >= wanted.size() &&
            FoldText(trigger.substr(0, wanted.size())) == FoldText(wanted)) {
          return Answer(dialog, static_cast<LRESULT>(row));
        }
      }
      return Answer(dialog, -1);
    }
    case NM_CLICK: {
      LVHITTESTINFO hit{};
      hit.pt = reinterpret_cast<NMITEMACTIVATE&>(header).ptAction;
      if (ListView_SubItemHitTest(list, &hit) >= 0 && hit.iSubItem == ChoiceColumn) {
        ChooseNext(dialog, state, hit.iItem);
      }
      return FALSE;
    }
    case NM_DBLCLK: {
      LVHITTESTINFO hit{};
      hit.pt = reinterpret_cast<NMITEMACTIVATE&>(header).ptAction;
      // In the Choice column the first click has changed it already.
      if (ListView_SubItemHitTest(list, &hit) >= 0 && hit.iSubItem != ChoiceColumn) {
        ChooseNext(dialog, state, hit.iItem);
      }
      return FALSE;
    }
    case NM_CUSTOMDRAW:
      // As the main window's list.
      return Answer(dialog, DrawListRow(list, header));
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<PreviewState*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      state = reinterpret_cast<PreviewState*>(lParam);
      SetWindowTextUtf8(GetDlgItem(dialog, PreviewTextId), *state->text);
      if (!state->plan->conflicts.empty()) {
        SetUpConflictList(dialog, *state->plan);
        ShowChoices(dialog, *state->plan);
      }
      // The focus on "Import", not in the text with all of it selected.
      SetFocus(GetDlgItem(dialog, IDOK));
      return FALSE;
    }
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(BackgroundBrush.get());
    case WM_CTLCOLOREDIT:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<INT_PTR>(FieldBrush.get());
    case WM_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<HDC>(wParam);
      // The preview's text is read-only, which asks as a static does; it is a field.
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == PreviewTextId) {
        SetFieldColors(dc);
        return reinterpret_cast<INT_PTR>(FieldBrush.get());
      }
      SetStaticColors(dc);
      if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == ConflictSummaryId) {
        SetTextColor(dc, SecondaryTextColor);
      }
      SetBkColor(dc, BackgroundColor);
      return reinterpret_cast<INT_PTR>(BackgroundBrush.get());
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      DrawOwnerButton(item, item.CtlID == IDOK ? L"Import" : L"Cancel", DpiForWindow(dialog));
      return TRUE;
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (state == nullptr || header.idFrom != ConflictListId) return FALSE;
      return OnConflictListNotify(dialog, *state, header);
    }
    case WM_CONTEXTMENU:
      if (state == nullptr ||
          reinterpret_cast<HWND>(wParam) != GetDlgItem(dialog, ConflictListId)) {
        return FALSE;
      }
      ShowChoiceMenu(dialog, *state,
                     {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
      return TRUE;
    case NextChoiceMessage:
      if (state != nullptr) ChooseNext(dialog, *state, static_cast<int>(wParam));
      return TRUE;
    case WM_COMMAND: {
      switch (LOWORD(wParam)) {
        case IDOK:
          EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        case KeepMineId:
        case TakeTheirsId:
        case KeepBothId:
          if (state == nullptr || HIWORD(wParam) != BN_CLICKED) return FALSE;
          for (std::size_t i = 0; i < std::size(ChoiceIds); ++i) {
            if (ChoiceIds[i] == LOWORD(wParam)) state->plan->ChooseForAll(Choices[i]);
          }
          ShowChoices(dialog, *state->plan);
          return TRUE;
        default:
          return FALSE;
      }
    }
    default:
      return FALSE;
  }
}

// Whether the user chose to import; the plan's conflicts then hold the choices.
bool ShowPreview(HWND owner, PreviewState& state) {
  const bool conflicts = !state.plan->conflicts.empty();
  // Without conflicts there is nothing to choose: the text and the two buttons.
  const short height = conflicts ? 292 : 200;
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU, 380, height,
                        L"Import into Tarquel");
  dialog.Item(EditClass, PreviewTextId,
              WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                  ES_AUTOVSCROLL | ES_AUTOHSCROLL,
              7, 7, 366, conflicts ? 96 : 164, L"");
  if (conflicts) {
    dialog.Item(StaticClass, 0xFFFF, SS_LEFT, 7, 109, 366, 9,
                L"The triggers you already have (Space, a click in Choice or the menu key "
                L"changes the rows chosen):");
    dialog.Item(WC_LISTVIEWW, ConflictListId,
                WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS, 7, 120,
                366, 118, L"");
    dialog.Item(StaticClass, ConflictSummaryId, SS_LEFT | SS_NOPREFIX, 7, 241, 366, 9, L"");
    dialog.Item(StaticClass, 0xFFFF, SS_LEFT, 7, 256, 34, 9, L"For all:");
    dialog.Item(ButtonClass, KeepMineId, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 42, 254, 60,
                12, L"&Keep mine");
    dialog.Item(ButtonClass, TakeTheirsId, BS_AUTORADIOBUTTON, 105, 254, 64, 12, L"&Take theirs");
    dialog.Item(ButtonClass, KeepBothId, BS_AUTORADIOBUTTON, 172, 254, 200, 12,
                L"Keep &both (theirs under a new trigger)");
  }
  dialog.Item(ButtonClass, IDOK, BS_OWNERDRAW | WS_GROUP | WS_TABSTOP, 266, height - 21, 50, 14,
              L"Import");
  dialog.Item(ButtonClass, IDCANCEL, BS_OWNERDRAW | WS_TABSTOP, 323, height - 21, 50, 14,
              L"Cancel");
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
        ImportPlan plan = PlanImport(file_.Table(), result, editor_.EndingCharacters());
        // Both sides of a change made on two PCs are kept unless the user says otherwise.
        if (!copy.empty()) plan.ChooseForAll(ConflictChoice::KeepBoth);
        previewText_ = ImportPreviewText(plan, source);
        if (!copy.empty()) {
          previewText_ = source +
                         " was left beside config.txt by a sync service: the list was changed on "
                         "two PCs before they synced. Its entries are merged into yours; a trigger "
                         "changed on both keeps both, the other PC's under a new trigger. The copy "
                         "is then renamed, not deleted.\r\n\r\n" +
                         previewText_;
        }
        pending_ = std::move(plan);
        pendingSource_ = source;
        pendingCopy_ = copy;
        // The dialog's own message loop does not run inside the file's change.
        PostMessageW(window_, ImportPreviewMessage, 0, 0);
      });
}

void TriggerImport::OnPreview() {
  // The open preview's loop delivers this too: the next one waits for it.
  if (!pending_ || previewOpen_) return;
  ImportPlan plan = std::move(*pending_);
  pending_.reset();
  const std::filesystem::path copy = std::exchange(pendingCopy_, {});
  // Handed over from the command line, the window may be hidden in the tray.
  ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window_);
  const std::string text = previewText_;
  PreviewState state{&text, &plan, {}};
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
  // A trigger that became one only by a change on disk since is settled as the rest of a
  // conflict copy's are, and otherwise left as the user has it.
  editor_.Import(std::move(plan),
                 copy.empty() ? ConflictChoice::KeepMine : ConflictChoice::KeepBoth);
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
