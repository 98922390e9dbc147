#include "ui/app_window_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "engine/output/expansion_sender_win.h"
#include "settings/data_folder.h"
#include "settings/ending_characters.h"
#include "settings/output_settings.h"
#include "settings/saving_stats.h"
#include "settings/search_shortcut.h"
#include "settings/status_overlay_win.h"
#include "store/data_folder_move.h"
#include "store/trigger_file.h"
#include "ui/autostart_win.h"
#include "ui/header_layout.h"
#include "ui/theme_win.h"
#include "util/dpi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

namespace {

constexpr DWORD ListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT |
                            LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
constexpr DWORD EditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD MultiLineEditStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD PushButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD CheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD LabelStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
constexpr DWORD CaptionStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD StatusStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
constexpr DWORD SavingsStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS;
// The savings line's font height at 96 DPI: quieter than the controls' text.
constexpr int SavingsFontHeight = 15;
// Drawn by the window, in its colours.
constexpr DWORD DropDownListStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL |
                                    CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
// A list with a field: a group name no group has yet can be typed.
constexpr DWORD DropDownStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;

// Each MainControl's id, in the order of MainControl.
constexpr WORD ControlIds[MainControlCount] = {
    SearchCaptionId, SearchEditId,     FilterCaptionId, GroupFilterId,      GroupOnCheckId,
    GroupOnLabelId,  OnlyInCaptionId,  OnlyInEditId,    NotInCaptionId,     NotInEditId,
    ListBoxId,       TriggerCaptionId, TriggerEditId,   ExpansionCaptionId, ExpansionEditId,
    WhenCaptionId,   WhenBoxId,        WhereCaptionId,  WhereBoxId,         CaseCaptionId,
    CaseBoxId,       GroupCaptionId,   GroupBoxId,      AddButtonId,        DeleteButtonId,
    SettingButtonId, StartupCheckId,   StartupLabelId,  StatusTextId,       SavingsTextId};

WORD IdOf(MainControl control) {
  return ControlIds[static_cast<std::size_t>(control)];
}

bool IsCaptionId(int id) {
  for (const ControlPlace& place : MainControlPlaces()) {
    if (IdOf(place.control) == id) return IsCaption(place.control);
  }
  return false;
}

// Created without a size: LayoutControls gives every control its place at the window's DPI.
HWND CreateControl(HWND parent, const wchar_t* className, WORD id, const wchar_t* text,
                   DWORD style) {
  return CreateWindowExW(0, className, text, style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

bool KeyIsDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

std::vector<HWND> ChildWindows(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(
      window,
      [](HWND child, LPARAM list) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&children));
  return children;
}

void SetMainWindowRegion(HWND window, int dpi) {
  RECT bounds{};
  GetWindowRect(window, &bounds);
  SetRoundedRegion(window, bounds.right - bounds.left, bounds.bottom - bounds.top, WindowCorner,
                   dpi);
}

POINT CursorInClient(HWND window) {
  POINT point{};
  GetCursorPos(&point);
  ScreenToClient(window, &point);
  return point;
}

const wchar_t* ButtonLabel(UINT controlId) {
  switch (controlId) {
    case AddButtonId:
      return L"ADD";
    case DeleteButtonId:
      return L"DELETE";
    case SettingButtonId:
      return L"SETTING";
    default:
      return nullptr;
  }
}

void SetControlFont(HWND control, int dpi) {
  if (!RegularFont || !BoldFont) MakeControlFonts(dpi);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(RegularFont.get()), TRUE);
}

}  // namespace

AppWindow::AppWindow(TriggerTable& table, Snapshot<TriggerTable>& tables, Expander& expander,
                     BackgroundSaves& saves, const AppWindowOptions& options)
    : expander_(expander),
      saves_(saves),
      startHidden_(options.startHidden),
      importPath_(options.importPath),
      settings_(options.programFolder / SettingsFileName, saves),
      list_(table),
      file_(table, tables, options.dataFolder / TriggerFileName, saves),
      editor_(list_, file_),
      import_(editor_, file_),
      groups_(list_, file_),
      shortcuts_(settings_, expander, table),
      update_(settings_, tray_),
      settingsWindow_(settings_, shortcuts_, options.dataFolder,
                      {[this] { SettingsChanged(); },
                       [this] {
                         SendMessageW(startupCheck_, BM_SETCHECK,
                                      IsStartWithWindowsEnabled() ? BST_CHECKED : BST_UNCHECKED, 0);
                       },
                       [this] { update_.CheckNow(Window(), settingsWindow_.Window()); },
                       [this](const std::filesystem::path& chosen) { ChangeDataFolder(chosen); }}),
      elevation_(options.focus),
      dataFolder_(options.dataFolder),
      programFolder_(options.programFolder),
      savings_(options.programFolder / StatsFileName, saves) {
  ApplySettings();
}

void AppWindow::ApplySettings() {
  expander_.SetExcludedPrograms(settings_.Values().excludedPrograms);
  expander_.SetEndingCharacters(ReadEndingCharacters(settings_.Values()));
  editor_.SetEndingCharacters(ReadEndingCharacters(settings_.Values()));
  if (ActiveSender != nullptr) {
    ActiveSender->SetOutputSettings(ReadOutputSettings(settings_.Values()));
  }
  savings_.Show(TypingSpeed());
}

int AppWindow::TypingSpeed() const {
  return ReadTypingSpeed(settings_.Values());
}

void AppWindow::SettingsChanged() {
  ApplySettings();
  // The header shows the shortcuts.
  if (HWND window = Window()) InvalidateRect(window, nullptr, TRUE);
}

void AppWindow::ChangeDataFolder(const std::filesystem::path& chosen) {
  HWND owner = settingsWindow_.Window() != nullptr ? settingsWindow_.Window() : Window();
  if (chosen.lexically_normal() == dataFolder_.lexically_normal()) return;
  const std::string shownChosen = Narrow(chosen.wstring());
  const std::string shownNow = Narrow(dataFolder_.wstring());
  std::error_code error;
  if (std::filesystem::exists(chosen / TriggerFileName, error) &&
      ShowMessageBox(owner,
                     shownChosen +
                         " already holds a config.txt, perhaps another PC's list.\n\nUse the "
                         "triggers in it from now on? This PC's list stays in " +
                         shownNow + ".",
                     "Tarquel", MB_YESNO | MB_ICONQUESTION) != IDYES) {
    return;
  }
  const DataFolderMove move =
      PrepareDataFolder(dataFolder_ / TriggerFileName, chosen, file_.Table());
  if (move.kind == DataFolderMove::Kind::Failed) {
    ShowMessageBox(owner,
                   "config.txt was not put into " + shownChosen + ": " + move.error +
                       ".\n\nNothing changed: Tarquel keeps using " + shownNow + ".",
                   "Tarquel", MB_OK | MB_ICONWARNING);
    return;
  }
  SetSettingsValue(settings_.Values(), DataFolderKey, DataFolderValue(chosen, programFolder_));
  settings_.Save("The new data folder could not be saved to settings.txt: Tarquel keeps using " +
                 shownNow + ".");
  OutputDebugStringA("Data folder changed: Tarquel restarts\n");
  ShowMessageBox(
      owner,
      "From now on config.txt is kept in " + shownChosen + ". Tarquel now restarts to read it.",
      "Tarquel", MB_OK | MB_ICONINFORMATION);
  // The new instance waits for this one to end, queued saves and all.
  if (ElevationNotice::Restart(Window())) {
    tray_.Remove();
    PostQuitMessage(0);
  }
}

void AppWindow::OpenDataFolder(HWND window) {
  const auto opened = reinterpret_cast<INT_PTR>(ShellExecuteW(
      window, L"open", dataFolder_.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // Above 32 is success, in ShellExecute's old convention.
  if (opened <= 32) {
    ShowMessageBox(window, "The folder " + Narrow(dataFolder_.wstring()) + " could not be opened.",
                   "Tarquel", MB_OK | MB_ICONWARNING);
  }
}

void AppWindow::OnSettingsRetryTimer(HWND window) {
  // Read at a save too; whichever comes first puts the file's exclusions in force.
  if (!settings_.TryRead() && !settings_.Read()) return;
  KillTimer(window, SettingsRetryTimerId);
  OutputDebugStringA("settings.txt read\n");
  ApplySettings();
  settingsWindow_.ShowValues();
  InvalidateRect(window, nullptr, TRUE);
}

AppWindow::~AppWindow() {
  saves_.SetNotify(nullptr);
}

void AppWindow::Run() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  taskbarCreatedMessage_ = RegisterWindowMessageW(L"TaskbarCreated");
  showWindowMessage_ = RegisterWindowMessageW(ShowWindowMessageName);

  WNDCLASSEXW windowClass{};
  windowClass.hInstance = module;
  windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(ApplicationIconId));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The class owns this brush; the system deletes it with the class.
  windowClass.hbrBackground = CreateSolidBrush(BackgroundColor);
  windowClass.lpszClassName = MainWindowClassName;
  RegisterWindowClass(windowClass);
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  // Sized for the monitor it opens on; WM_CREATE corrects the size should the window's own
  // DPI turn out to be another.
  dpi_ = DpiOfPrimaryScreenCentre();
  const WindowOrigin origin =
      CentredOrigin(MainWidthAt(dpi_), MainHeightAt(dpi_), 0, 0, GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
  const DWORD style = WS_POPUP | (startHidden_ ? 0 : WS_VISIBLE);
  HWND window = CreateBaseWindow(WS_EX_LAYERED, MainWindowClassName, MainWindowTitle, style,
                                 origin.x, origin.y, MainWidthAt(dpi_), MainHeightAt(dpi_));
  // Without a window there is no tray icon and no way to end the program but killing it.
  if (window == nullptr) return;
  SetLayeredWindowAttributes(window, 0, 250, LWA_ALPHA);

  tray_.Add(window, ApplicationIconId);
  import_.Attach(window);
  // A file dropped onto the window is imported, after the preview.
  DragAcceptFiles(window, TRUE);
  elevation_.Attach(window);
  CreateControls(window);
  shortcuts_.RegisterToggle(window);
  // Each expansion that went out is counted here, on this thread.
  if (ActiveSender != nullptr) ActiveSender->SetSentNotice(window, ExpansionCountedMessage);
  editor_.ShowList();
  if (!startHidden_) {
    ShowWindow(window, SW_SHOW);
    SetFocus(list_.SearchField());
  }
  // config.txt is read on a worker; the list fills once it is in.
  file_.Start(
      window, [this] { selectedBeforeReload_ = list_.SelectedTrigger(); },
      [this] {
        // The popup's rows point into the table that was just replaced.
        shortcuts_.TableChanged();
        editor_.ShowList();
        // A change on disk does not take away the row the user chose, if it is still there.
        if (selectedBeforeReload_) list_.SelectTrigger(*selectedBeforeReload_);
        selectedBeforeReload_.reset();
        // The groups may have changed, and with them the chosen group's settings.
        groups_.Show();
      },
      [this](const std::string& text) { editor_.SetStatus(text); });
  saves_.SetNotify([window] { PostMessageW(window, SaveFailedMessage, 0, 0); });
  if (!settings_.Read()) {
    // Held by another program at start, most likely for a moment: the defaults stand in (no
    // exclusions) until it is read, and nothing is saved over it meanwhile.
    OutputDebugStringA("settings.txt is there but cannot be read: looked at again shortly\n");
    SetTimer(window, SettingsRetryTimerId, SettingsRetryMs, nullptr);
  }
  update_.Start(window);
  // Planned once the first read of config.txt is in: the import waits for it.
  if (importPath_) import_.ImportPath(*std::exchange(importPath_, std::nullopt));
  // A copy a sync service left while Tarquel was not running.
  import_.OfferConflictCopies(dataFolder_);

  // The system calls the low-level keyboard hook on this thread while GetMessageW waits.
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) != 0) {
    // Tab, Shift+Tab, Enter and Escape move and act in the main window as in a dialog.
    const bool inMainWindow = message.hwnd == window || IsChild(window, message.hwnd);
    if (inMainWindow && (OnWindowKey(message) || IsDialogMessageW(window, &message))) continue;
    if (settingsWindow_.OnDialogMessage(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void AppWindow::CreateControls(HWND window) {
  // Made in Tab order: the order of creation is the order Tab goes through them.
  const auto caption = [window](MainControl control, DWORD style = CaptionStyle) {
    CreateControl(window, L"STATIC", IdOf(control), Wide(ControlWords(control)).c_str(), style);
  };
  caption(MainControl::SearchCaption);
  HWND searchEdit = CreateControl(window, L"EDIT", SearchEditId, nullptr, EditStyle);
  SendMessageW(searchEdit, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Triggers and expansions (Ctrl+F)"));
  caption(MainControl::FilterCaption);
  HWND groupFilter = CreateControl(window, WC_COMBOBOXW, GroupFilterId, nullptr, DropDownListStyle);
  // As for Start on Startup, the words are drawn by the label beside the box.
  HWND groupOn = CreateControl(window, L"BUTTON", GroupOnCheckId, L"Group on", CheckBoxStyle);
  HWND groupOnLabel =
      CreateControl(window, L"STATIC", GroupOnLabelId,
                    Wide(ControlWords(MainControl::GroupOnLabel)).c_str(), LabelStyle);
  caption(MainControl::OnlyInCaption);
  HWND onlyIn = CreateControl(window, L"EDIT", OnlyInEditId, nullptr, EditStyle);
  SendMessageW(onlyIn, EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"every program"));
  caption(MainControl::NotInCaption);
  HWND notIn = CreateControl(window, L"EDIT", NotInEditId, nullptr, EditStyle);
  HWND listBox = CreateControl(window, WC_LISTVIEWW, ListBoxId, L"Triggers", ListStyle);
  ListView_SetExtendedListViewStyle(listBox, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  ListView_SetBkColor(listBox, FieldColor);
  ListView_SetTextBkColor(listBox, FieldColor);
  ListView_SetTextColor(listBox, PrimaryTextColor);
  list_.Attach(searchEdit, listBox);
  caption(MainControl::TriggerCaption);
  HWND triggerEdit = CreateControl(window, L"EDIT", TriggerEditId, nullptr, EditStyle);
  caption(MainControl::ExpansionCaption);
  HWND expansionEdit = CreateControl(window, L"EDIT", ExpansionEditId, nullptr, MultiLineEditStyle);
  caption(MainControl::WhenCaption);
  HWND whenBox = CreateControl(window, WC_COMBOBOXW, WhenBoxId, nullptr, DropDownListStyle);
  caption(MainControl::WhereCaption);
  HWND whereBox = CreateControl(window, WC_COMBOBOXW, WhereBoxId, nullptr, DropDownListStyle);
  caption(MainControl::CaseCaption);
  HWND caseBox = CreateControl(window, WC_COMBOBOXW, CaseBoxId, nullptr, DropDownListStyle);
  caption(MainControl::GroupCaption);
  HWND groupBox = CreateControl(window, WC_COMBOBOXW, GroupBoxId, nullptr, DropDownStyle);
  CreateControl(window, L"BUTTON", AddButtonId, L"ADD", PushButtonStyle);
  CreateControl(window, L"BUTTON", DeleteButtonId, L"DELETE", PushButtonStyle);
  CreateControl(window, L"BUTTON", SettingButtonId, L"SETTING", PushButtonStyle);
  // The box carries its words for screen readers; they are drawn by the label beside it, in
  // the window's colours, and the box is too narrow to show them itself.
  startupCheck_ =
      CreateControl(window, L"BUTTON", StartupCheckId, L"Start on Startup", CheckBoxStyle);
  caption(MainControl::StartupLabel, LabelStyle);
  HWND statusText = CreateControl(window, L"STATIC", StatusTextId, nullptr, StatusStyle);
  savings_.Attach(CreateControl(window, L"STATIC", SavingsTextId, nullptr, SavingsStyle));
  savings_.Show(TypingSpeed());
  editor_.Attach(triggerEdit, expansionEdit, statusText);
  editor_.AttachOptions(whenBox, whereBox, caseBox, groupBox);
  for (HWND box : {groupFilter, whenBox, whereBox, caseBox, groupBox}) DarkenDropDown(box);
  // ADD may make a group, DELETE take away the last entry of one.
  editor_.SetAfterChange([this] { groups_.Show(); });
  groups_.Attach(
      groupFilter, groupOn, groupOnLabel, onlyIn, notIn, [this] { editor_.GroupFilterChanged(); },
      [this](std::string_view text) { editor_.SetStatus(text); });
  LayoutControls();
  if (IsStartWithWindowsEnabled()) SendMessageW(startupCheck_, BM_SETCHECK, BST_CHECKED, 0);
}

void AppWindow::LayoutControls() {
  HWND window = Window();
  // The captions get the new font before the old one is deleted.
  UniqueFont oldCaptionFont = std::move(captionFont_);
  UniqueFont oldSavingsFont = std::move(savingsFont_);
  captionFont_ = MakeFont(ScaleToDpi(16, dpi_), FW_BOLD);
  savingsFont_ = MakeFont(ScaleToDpi(SavingsFontHeight, dpi_), FW_NORMAL);
  for (const ControlPlace& place : MainControlPlaces()) {
    HWND control = GetDlgItem(window, IdOf(place.control));
    const LayoutRect rect = ScaleToDpi(place.rect, dpi_);
    const int height =
        rect.Height() + (IsDropDown(place.control) ? ScaleToDpi(DropDownListHeight, dpi_) : 0);
    MoveWindow(control, rect.left, rect.top, rect.Width(), height, TRUE);
    if (IsCaption(place.control)) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(captionFont_.get()), TRUE);
    } else if (place.control == MainControl::Savings) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(savingsFont_.get()), TRUE);
    } else {
      SetControlFont(control, dpi_);
    }
    if (IsDropDown(place.control)) {
      // The closed box fills its place: its face is its text's height and a frame of 3 pixels.
      SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), rect.Height() - 6);
      SendMessageW(control, CB_SETITEMHEIGHT, 0, ScaleToDpi(DropDownItemHeight, dpi_));
    }
  }
  // The widths the user left, else the expansion gets what the list, less its scroll bar,
  // leaves beside the other two.
  RECT client{};
  GetClientRect(list_.List(), &client);
  // The scroll bar in 96-DPI units whether the system gives its width scaled to this DPI or
  // not, with room to spare: too little would add a horizontal scroll bar.
  const int scrollBar = std::max(20, MulDiv(GetSystemMetrics(SM_CXVSCROLL), BaseDpi, dpi_));
  const int listWidth = MulDiv(client.right, BaseDpi, dpi_) - scrollBar;
  const std::optional<std::string> saved = SettingsValue(settings_.Values(), ListColumnsKey);
  const std::optional<ColumnWidths> widths = saved ? ParseColumnWidths(*saved) : std::nullopt;
  columnWidths_ = widths.value_or(DefaultColumnWidths(listWidth));
  list_.SetColumnWidths(columnWidths_, dpi_);
}

void AppWindow::OnListColumnsChanged() {
  ColumnWidths widths = list_.ColumnWidthsAt96(dpi_);
  for (int& width : widths) width = std::clamp(width, MinColumnWidth, MaxColumnWidth);
  if (widths == columnWidths_) return;
  columnWidths_ = widths;
  SetSettingsValue(settings_.Values(), ListColumnsKey, FormatColumnWidths(widths));
  settings_.Save("The list's column widths could not be saved.");
}

void AppWindow::OnDpiChanged(HWND window, int newDpi, const RECT& suggested) {
  dpi_ = newDpi;
  // The new fonts are in the controls before the old ones are deleted.
  MakeControlFonts(dpi_, ChildWindows(window));
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SetMainWindowRegion(window, dpi_);
  LayoutControls();
  InvalidateRect(window, nullptr, TRUE);
}

void AppWindow::OnCommand(HWND window, WORD id, WORD code) {
  switch (id) {
    case IDOK: {
      // Enter: adds from the fields, opens the chosen row from the list, goes from the search
      // to the list, and presses a focused button.
      HWND focus = GetFocus();
      if (editor_.IsField(focus)) {
        editor_.Add();
      } else if (groups_.IsProgramsField(focus)) {
        groups_.ApplyEdit();
      } else if (focus == list_.SearchField() || focus == groups_.Filter()) {
        SetFocus(list_.List());
        if (!list_.SelectedRow() && list_.RowCount() > 0) {
          list_.SelectRow(0);
          editor_.FillFieldsFromRow(0);
        }
      } else if (focus == list_.List()) {
        if (std::optional<std::size_t> row = list_.SelectedRow()) {
          editor_.FillFieldsFromRow(*row);
          SetFocus(editor_.ExpansionField());
          SendMessageW(editor_.ExpansionField(), EM_SETSEL, 0, -1);
        }
      } else if (focus != nullptr && GetParent(focus) == window) {
        const WORD focusId = static_cast<WORD>(GetDlgCtrlID(focus));
        if (focusId != IDOK) OnCommand(window, focusId, BN_CLICKED);
      }
      return;
    }
    case IDCANCEL:
      ShowWindow(window, SW_HIDE);
      return;
    case SearchEditId:
      if (code == EN_CHANGE) editor_.ShowList();
      return;
    case AddButtonId:
      editor_.Add();
      return;
    case GroupFilterId:
      if (code == CBN_SELCHANGE) groups_.OnFilterChosen();
      return;
    case GroupOnCheckId:
      if (code == BN_CLICKED) groups_.ApplyEdit();
      return;
    case GroupOnLabelId:
      // As the words of Start on Startup do.
      if ((code == STN_CLICKED || code == STN_DBLCLK) && IsWindowEnabled(groups_.SwitchBox())) {
        const bool checked = SendMessageW(groups_.SwitchBox(), BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(groups_.SwitchBox(), BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        groups_.ApplyEdit();
      }
      return;
    case OnlyInEditId:
    case NotInEditId:
      // Leaving the field saves what it says, as Enter in it does.
      if (code == EN_KILLFOCUS) groups_.ApplyEdit();
      return;
    case DeleteButtonId:
      editor_.DeleteSelected();
      return;
    case SettingButtonId:
    case TraySettingsCommand:
      settingsWindow_.Show(window);
      return;
    case StartupCheckId:
      if (code == BN_CLICKED) {
        ApplyStartWithWindows(startupCheck_);
        settingsWindow_.ShowStartup();
      }
      return;
    case StartupLabelId:
      // A click on the words turns the box over exactly as one on the box does; a quick
      // second click is a second turn, as on the box itself, not a double-click to ignore.
      // Not through BM_CLICK: that replays a press and release on the box, which Wine dropped
      // when the words were clicked right after the box.
      if (code == STN_CLICKED || code == STN_DBLCLK) {
        const bool checked = SendMessageW(startupCheck_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(startupCheck_, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        ApplyStartWithWindows(startupCheck_);
        settingsWindow_.ShowStartup();
      }
      return;
    case TrayQuitCommand:
      tray_.Remove();
      // main waits for the save queue once the loop ends; a save held back by a busy file
      // goes in now so that the wait covers it.
      file_.SaveBeforeEnd();
      PostQuitMessage(0);
      return;
    case TrayRestoreCommand:
      ShowAndRaise();
      return;
    case TrayImportCommand:
      import_.ChooseAndImport();
      return;
    case TrayExportCommand:
      import_.ChooseAndExport(list_.GroupFilter());
      return;
    case TrayToggleCommand:
      ToggleExpansion();
      return;
    case TrayOpenFolderCommand:
      OpenDataFolder(window);
      return;
    case TrayRestartElevatedCommand:
      // The new one waits for this one to end; the files and the Run value stay as they are.
      if (ElevationNotice::RestartElevated(window)) {
        tray_.Remove();
        PostQuitMessage(0);
      }
      return;
    default:
      return;
  }
}

bool AppWindow::OnWindowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  const bool ctrl = KeyIsDown(VK_CONTROL) && !KeyIsDown(VK_MENU);
  HWND searchEdit = list_.SearchField();
  if (ctrl && message.wParam == VK_OEM_COMMA) {
    settingsWindow_.Show(Window());
    return true;
  }
  if (ctrl && message.wParam == 'F') {
    SetFocus(searchEdit);
    SendMessageW(searchEdit, EM_SETSEL, 0, -1);
    return true;
  }
  if (ctrl && message.wParam == 'A' &&
      (message.hwnd == searchEdit || editor_.IsTextField(message.hwnd) ||
       groups_.IsProgramsField(message.hwnd))) {
    // Not every edit control selects everything on Ctrl+A by itself.
    SendMessageW(message.hwnd, EM_SETSEL, 0, -1);
    return true;
  }
  if (message.hwnd != list_.List()) return false;
  if (message.wParam == VK_DELETE && !ctrl) {
    editor_.DeleteSelected();
    return true;
  }
  if (ctrl && message.wParam == 'Z') {
    editor_.UndoDelete();
    return true;
  }
  return false;
}

void AppWindow::OnActivate(WPARAM state) {
  HWND window = Window();
  // The caret moves to or from this window: what was typed before ends here. The input thread
  // also sees the foreground change, but through an event that can come after the next keys;
  // this window's own activation is known here first.
  expander_.RequestForget();
  // Shown again past midnight: today's counts start at nothing.
  savings_.Show(TypingSpeed());
  if (LOWORD(state) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus)) focusBeforeDeactivation_ = focus;
    return;
  }
  // Coming back, the keys go where they went before; the first time, to the search.
  HWND focus = focusBeforeDeactivation_ != nullptr && IsWindow(focusBeforeDeactivation_)
                   ? focusBeforeDeactivation_
                   : list_.SearchField();
  SetFocus(focus);
}

void AppWindow::OnTrayEvent(LPARAM event) {
  switch (LOWORD(event)) {
    case WM_RBUTTONUP:
      tray_.ShowMenu(expander_.IsEnabled(), elevation_.OfferRestart());
      return;
    case WM_LBUTTONDBLCLK:
    case NIN_BALLOONUSERCLICK:
      // The prompt belongs to the window: bring it up first, as "Restore" does.
      ShowAndRaise();
      return;
    default:
      return;
  }
}

void AppWindow::ShowAndRaise() {
  HWND window = Window();
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  update_.ShowPendingPrompt(window);
}

void AppWindow::ShowFromSecondStart() {
  HWND window = Window();
  ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
  SetForegroundWindow(window);
  update_.ShowPendingPrompt(window);
}

void AppWindow::ToggleExpansion() {
  const bool enabled = !expander_.IsEnabled();
  // The typed buffer stays as it is: a trigger begun before a pause completes after it.
  expander_.SetEnabled(enabled);
  ShowTip();
  ShowStatusOverlay(enabled);
  if (HWND window = Window()) InvalidateRect(window, nullptr, TRUE);
  OutputDebugStringA(enabled ? "Expander: ON\n" : "Expander: OFF\n");
}

void AppWindow::ShowTip() {
  if (!elevationTip_.empty()) {
    tray_.SetTip(elevationTip_);
  } else {
    tray_.SetTip(expander_.IsEnabled() ? "Tarquel Active" : "Tarquel Paused");
  }
}

void AppWindow::OnSaveFailed() {
  // The box runs a message loop of its own, where further failures may arrive: one box at a
  // time, showing the latest.
  if (saveWarningOpen_) return;
  saveWarningOpen_ = true;
  for (std::vector<std::string> failures = saves_.TakeFailures(); !failures.empty();
       failures = saves_.TakeFailures()) {
    ShowMessageBox(Window(), failures.back(), "Tarquel", MB_OK | MB_ICONWARNING);
  }
  saveWarningOpen_ = false;
}

LRESULT AppWindow::OnQueryEndSession(HWND window) {
  // Ending is never refused; a save still under way is named on the screen Windows shows for
  // programs that hold the end up, for the moments WM_ENDSESSION waits for it.
  file_.SaveBeforeEnd();
  if (!saves_.WaitUntilIdleFor(std::chrono::milliseconds(0))) {
    ShutdownBlockReasonCreate(window, L"Saving your triggers");
  }
  return TRUE;
}

void AppWindow::OnEndSession(HWND window, bool ending) {
  if (!ending) {
    ShutdownBlockReasonDestroy(window);
    return;
  }
  // The process may be ended as soon as this returns: the queued saves are written now, within
  // the few seconds Windows gives before it ends a program that holds the logoff up.
  file_.SaveBeforeEnd();
  const bool done = saves_.WaitUntilIdleFor(EndSessionSaveBound);
  OutputDebugStringA(done ? "Session ends: every save is written\n"
                          : "Session ends: a save is still under way\n");
  // The output thread ends too, which puts the user's clipboard back if a paste still holds it.
  if (ActiveSender != nullptr) ActiveSender->Stop();
  ShutdownBlockReasonDestroy(window);
}

void AppWindow::OnDestroyed(HWND window) {
  // A save refused because config.txt was held is tried once more before Tarquel ends: the
  // wait for the save queue after the message loop covers it.
  file_.SaveBeforeEnd();
  // Nothing is posted to the window once it is gone.
  file_.Stop();
  if (ActiveSender != nullptr) ActiveSender->SetSentNotice(nullptr, 0);
  elevation_.Detach();
  shortcuts_.UnregisterToggle(window);
  tray_.Remove();
  PostQuitMessage(0);
}

LRESULT AppWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto byDefault = [&] { return DefWindowProcW(window, message, wParam, lParam); };
  // A registered message has no constant value to switch on.
  if (message == taskbarCreatedMessage_ && message != 0) {
    tray_.OnTaskbarCreated();
    return byDefault();
  }
  if (message == showWindowMessage_ && message != 0) {
    ShowFromSecondStart();
    return 0;
  }

  switch (message) {
    case WM_CREATE: {
      CreateSharedBrushes();
      // The monitor the window really is on decides; the size at creation was a guess.
      const int actual = DpiForWindow(window);
      if (actual != dpi_) {
        dpi_ = actual;
        SetWindowPos(window, nullptr, 0, 0, MainWidthAt(actual), MainHeightAt(actual),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      SetMainWindowRegion(window, dpi_);
      return 0;
    }
    case WM_DPICHANGED:
      OnDpiChanged(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_NCHITTEST: {
      LRESULT hit = byDefault();
      if (hit != HTCLIENT) return hit;
      POINT point = CursorInClient(window);
      RECT client{};
      GetClientRect(window, &client);
      const HeaderHitAreas areas = HitAreasAt(client.right, dpi_);
      // The header band drags the window, except at the close mark.
      if (point.y < areas.bandBottom) return point.x > areas.closeLeft ? HTCLIENT : HTCAPTION;
      return hit;
    }
    case WM_LBUTTONUP: {
      POINT point = CursorInClient(window);
      RECT client{};
      GetClientRect(window, &client);
      const HeaderHitAreas areas = HitAreasAt(client.right, dpi_);
      if (point.y < areas.closeBottom && point.x > areas.closeLeft) ShowWindow(window, SW_HIDE);
      return byDefault();
    }
    case WM_PAINT:
      return PaintMainWindow(window, dpi_, expander_.IsEnabled(), settings_.Values().shortcutText,
                             SearchShortcutText(settings_.Values()), elevation_.RunsElevated());
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(FieldBrush.get());
    case WM_CTLCOLORSTATIC: {
      const auto control = reinterpret_cast<HWND>(lParam);
      SetStaticColors(reinterpret_cast<HDC>(wParam));
      const int id = GetDlgCtrlID(control);
      if (groups_.IsProgramsField(control)) {
        // Disabled while no group is chosen; still inside its painted frame.
        SetFieldColors(reinterpret_cast<HDC>(wParam));
        return reinterpret_cast<LRESULT>(FieldBrush.get());
      }
      // Captions and the status line are the quieter text of the window.
      if (IsCaptionId(id) || id == StatusTextId || id == SavingsTextId) {
        SetTextColor(reinterpret_cast<HDC>(wParam), SecondaryTextColor);
      }
      // A check box's own words are for screen readers; the label beside it shows them. Above
      // 100 % the box is wider than its mark, and they would show through beside it.
      if (id == StartupCheckId || id == GroupOnCheckId) {
        SetTextColor(reinterpret_cast<HDC>(wParam), BackgroundColor);
      }
      return reinterpret_cast<LRESULT>(BackgroundBrush.get());
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.idFrom != ListBoxId) return byDefault();
      return list_.OnNotify(header, [this](std::size_t row) { editor_.FillFieldsFromRow(row); });
    }
    case WM_ACTIVATE:
      OnActivate(wParam);
      return 0;
    case WM_NEXTDLGCTL: {
      // Sent by controls that move the focus themselves, as in a dialog.
      HWND next = LOWORD(lParam) != 0
                      ? reinterpret_cast<HWND>(wParam)
                      : GetNextDlgTabItem(window, GetFocus(), static_cast<BOOL>(wParam != 0));
      if (next != nullptr) SetFocus(next);
      return 0;
    }
    case WM_MEASUREITEM: {
      // Asked once, when a drop-down is made; LayoutControls sets the heights for the DPI.
      auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (item.CtlType != ODT_COMBOBOX) return byDefault();
      item.itemHeight = static_cast<UINT>(ScaleToDpi(DropDownItemHeight, dpi_));
      return TRUE;
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item.CtlType == ODT_COMBOBOX) {
        DrawDropDownItem(item);
      } else if (const wchar_t* label = ButtonLabel(item.CtlID)) {
        DrawOwnerButton(item, label, dpi_);
      }
      return TRUE;
    }
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam), HIWORD(wParam));
      return byDefault();
    case WM_CLOSE:
      // Closing only hides: the program lives on in the tray and goes on expanding.
      ShowWindow(window, SW_HIDE);
      return 0;
    case ElevationChangedMessage:
      elevationTip_ = elevation_.OnChanged(tray_);
      ShowTip();
      return 0;
    case TrayCallbackMessage:
      OnTrayEvent(lParam);
      return byDefault();
    case WM_TIMER:
      if (wParam == TriggerReloadTimerId) {
        file_.OnReloadTimer();
        return 0;
      }
      if (wParam == SettingsRetryTimerId) {
        OnSettingsRetryTimer(window);
        return 0;
      }
      if (wParam == TriggerSaveRetryTimerId) {
        file_.OnSaveRetryTimer();
        return 0;
      }
      if (wParam != TrayRetryTimerId) return byDefault();
      tray_.OnRetryTimer();
      return 0;
    case TriggerFileChangedMessage:
      file_.OnFileChanged();
      // The same change of the folder may have brought a sync service's conflict copy.
      import_.OfferConflictCopies(dataFolder_);
      return 0;
    case ConflictCopyLookMessage:
      import_.OfferConflictCopies(dataFolder_);
      return 0;
    case TriggerFileSavedMessage:
      file_.OnSaved();
      return 0;
    case TriggerFileReadMessage:
      file_.OnReadDone();
      return 0;
    case ImportReadMessage:
      import_.OnReadDone();
      return 0;
    case ImportPreviewMessage:
      import_.OnPreview();
      return 0;
    case WM_COPYDATA: {
      // `tarquel.exe --import FILE` started while this instance runs.
      const auto& data = *reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      if (data.dwData != ImportCopyDataTag || data.lpData == nullptr) return FALSE;
      std::wstring path(static_cast<const wchar_t*>(data.lpData), data.cbData / sizeof(wchar_t));
      if (path.empty()) return FALSE;
      import_.ImportPath(path);
      return TRUE;
    }
    case WM_DROPFILES: {
      const auto drop = reinterpret_cast<HDROP>(wParam);
      // One file or folder: the first one dropped.
      const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
      std::wstring path(length + 1, L'\0');
      const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
      DragFinish(drop);
      path.resize(copied);
      if (!path.empty()) import_.ImportPath(path);
      return 0;
    }
    case UpdateCheckDoneMessage:
      update_.OnCheckDone();
      return 0;
    case SaveFailedMessage:
      OnSaveFailed();
      return 0;
    case ListColumnsChangedMessage:
      OnListColumnsChanged();
      return 0;
    case ExpansionCountedMessage:
      savings_.Count(static_cast<std::size_t>(wParam), static_cast<std::size_t>(lParam));
      return 0;
    case WM_HOTKEY:
      if (wParam != ToggleHotkeyId) return byDefault();
      ToggleExpansion();
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession(window);
    case WM_ENDSESSION:
      OnEndSession(window, wParam != FALSE);
      return 0;
    case WM_DESTROY:
      OnDestroyed(window);
      return 0;
    default:
      return byDefault();
  }
}

}  // namespace tarquel
