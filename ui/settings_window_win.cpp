#include "ui/settings_window_win.h"

// After windows.h, whose types they use.
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "settings/search_shortcut.h"
#include "ui/autostart_win.h"
#include "ui/header_layout.h"
#include "ui/main_layout.h"
#include "ui/theme_win.h"
#include "update/update_schedule.h"
#include "util/dpi.h"
#include "util/dpi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {
namespace {

// Controls; each row's name and its line come from SettingTexts, with ids from these bases.
constexpr WORD ToggleValueId = 201;
constexpr WORD ToggleChangeId = 202;
constexpr WORD SearchValueId = 203;
constexpr WORD SearchChangeId = 204;
constexpr WORD StartupBoxId = 205;
constexpr WORD ThresholdEditId = 206;
constexpr WORD UndoBoxId = 207;
constexpr WORD EndingEditId = 208;
constexpr WORD FolderEditId = 209;
constexpr WORD FolderOpenId = 210;
constexpr WORD UpdateBoxId = 211;
constexpr WORD CheckNowId = 212;
constexpr WORD ExcludedListId = 213;
constexpr WORD ExcludedChoiceId = 214;
constexpr WORD ExcludedAddId = 215;
constexpr WORD ExcludedRemoveId = 216;
constexpr WORD TypeInListId = 217;
constexpr WORD TypeInChoiceId = 218;
constexpr WORD TypeInAddId = 219;
constexpr WORD TypeInRemoveId = 220;
constexpr WORD PaceListId = 221;
constexpr WORD PaceRemoveId = 222;
constexpr WORD MessageId = 223;
constexpr WORD FolderChangeId = 224;
constexpr WORD LabelIdBase = 300;
constexpr WORD ExplanationIdBase = 320;

WORD LabelId(SettingRow row) {
  return static_cast<WORD>(LabelIdBase + static_cast<WORD>(row));
}
WORD ExplanationId(SettingRow row) {
  return static_cast<WORD>(ExplanationIdBase + static_cast<WORD>(row));
}

// At 96 DPI, scaled to the window's.
constexpr int WindowWidth = 860;
constexpr int WindowHeight = 664;
constexpr int HeaderHeight = 48;
constexpr int CloseMarkWidth = 44;
constexpr int LeftX = 24;
constexpr int RightX = 444;
constexpr int ColumnWidth = 392;
constexpr int LineHeight = 26;
constexpr int LabelHeight = 18;
constexpr int ExplanationHeight = 16;
// A field's text sits this far inside its painted frame.
constexpr int FieldInsetX = 6;
constexpr int FieldInsetY = 4;
constexpr int ExplanationFontHeight = 13;
constexpr int SettingsControlFontHeight = 16;
constexpr int TitleHeight = 20;
constexpr int ChoiceListHeight = 180;

struct Place {
  WORD id;
  int x, y, width, height;
  // Drawn on a rounded field of the field colour, the control inside it.
  bool field = false;
};

// The top of each row: where its name goes, its line under it, its controls under that.
constexpr int RowTop(SettingRow row) {
  constexpr int LeftTops[] = {60, 132, 204, 276, 348, 420, 492, 564};
  switch (row) {
    case SettingRow::ExcludedPrograms:
      return 60;
    case SettingRow::TypeInPrograms:
      return 242;
    case SettingRow::Pace:
      return 424;
    default:
      return LeftTops[static_cast<int>(row)];
  }
}
constexpr int RowX(SettingRow row) {
  return row >= SettingRow::ExcludedPrograms ? RightX : LeftX;
}
constexpr int LineTop(SettingRow row) {
  return RowTop(row) + LabelHeight + ExplanationHeight + 4;
}

constexpr int ListHeight = 94;
constexpr int PaceListHeight = 128;

const std::vector<Place>& ControlPlaces() {
  static const std::vector<Place> places = [] {
    using R = SettingRow;
    std::vector<Place> list{
        {ToggleValueId, LeftX, LineTop(R::ToggleShortcut), 262, LineHeight, true},
        {ToggleChangeId, LeftX + 272, LineTop(R::ToggleShortcut), 120, LineHeight, false},
        {SearchValueId, LeftX, LineTop(R::SearchShortcut), 262, LineHeight, true},
        {SearchChangeId, LeftX + 272, LineTop(R::SearchShortcut), 120, LineHeight, false},
        {StartupBoxId, LeftX, LineTop(R::StartOnStartup), ColumnWidth, LineHeight, false},
        {ThresholdEditId, LeftX, LineTop(R::PasteThreshold), 120, LineHeight, true},
        {UndoBoxId, LeftX, LineTop(R::UndoBackspace), ColumnWidth, LineHeight, false},
        {EndingEditId, LeftX, LineTop(R::EndingCharacters), ColumnWidth, LineHeight, true},
        {FolderEditId, LeftX, LineTop(R::DataFolder), 176, LineHeight, true},
        {FolderChangeId, LeftX + 184, LineTop(R::DataFolder), 100, LineHeight, false},
        {FolderOpenId, LeftX + 292, LineTop(R::DataFolder), 100, LineHeight, false},
        {UpdateBoxId, LeftX, LineTop(R::UpdateCheck), 232, LineHeight, false},
        {CheckNowId, LeftX + 242, LineTop(R::UpdateCheck), 150, LineHeight, false},
        {ExcludedListId, RightX, LineTop(R::ExcludedPrograms), ColumnWidth, ListHeight, true},
        {ExcludedChoiceId, RightX, LineTop(R::ExcludedPrograms) + ListHeight + 8, 216, LineHeight,
         false},
        {ExcludedAddId, RightX + 224, LineTop(R::ExcludedPrograms) + ListHeight + 8, 76, LineHeight,
         false},
        {ExcludedRemoveId, RightX + 308, LineTop(R::ExcludedPrograms) + ListHeight + 8, 84,
         LineHeight, false},
        {TypeInListId, RightX, LineTop(R::TypeInPrograms), ColumnWidth, ListHeight, true},
        {TypeInChoiceId, RightX, LineTop(R::TypeInPrograms) + ListHeight + 8, 216, LineHeight,
         false},
        {TypeInAddId, RightX + 224, LineTop(R::TypeInPrograms) + ListHeight + 8, 76, LineHeight,
         false},
        {TypeInRemoveId, RightX + 308, LineTop(R::TypeInPrograms) + ListHeight + 8, 84, LineHeight,
         false},
        {PaceListId, RightX, LineTop(R::Pace), ColumnWidth, PaceListHeight, true},
        {PaceRemoveId, RightX + 308, LineTop(R::Pace) + PaceListHeight + 8, 84, LineHeight, false},
        {MessageId, LeftX, 630, WindowWidth - 2 * LeftX, 20, false},
    };
    for (const SettingText& text : SettingTexts()) {
      list.push_back(
          {LabelId(text.row), RowX(text.row), RowTop(text.row), ColumnWidth, LabelHeight, false});
      list.push_back({ExplanationId(text.row), RowX(text.row), RowTop(text.row) + LabelHeight,
                      ColumnWidth, ExplanationHeight, false});
    }
    return list;
  }();
  return places;
}

bool IsFieldControl(int id) {
  for (const Place& place : ControlPlaces()) {
    if (place.id == id) return place.field;
  }
  return false;
}

bool IsExplanation(int id) {
  return id >= ExplanationIdBase && id < ExplanationIdBase + static_cast<int>(SettingRowCount);
}
bool IsLabel(int id) {
  return id >= LabelIdBase && id < LabelIdBase + static_cast<int>(SettingRowCount);
}

const wchar_t* ButtonWords(UINT id) {
  switch (id) {
    case ToggleChangeId:
    case SearchChangeId:
      return L"CHANGE";
    case FolderChangeId:
      return L"CHANGE";
    case FolderOpenId:
      return L"OPEN";
    case CheckNowId:
      return L"CHECK NOW";
    case ExcludedAddId:
    case TypeInAddId:
      return L"ADD";
    case ExcludedRemoveId:
    case TypeInRemoveId:
    case PaceRemoveId:
      return L"REMOVE";
    default:
      return nullptr;
  }
}

WORD ListOf(ProgramList list) {
  return list == ProgramList::Excluded ? ExcludedListId : TypeInListId;
}
WORD ChoiceOf(ProgramList list) {
  return list == ProgramList::Excluded ? ExcludedChoiceId : TypeInChoiceId;
}
std::string_view ListName(ProgramList list) {
  return list == ProgramList::Excluded ? "programs where nothing expands"
                                       : "programs where text is typed";
}

HWND Create(HWND parent, const wchar_t* className, WORD id, const wchar_t* text, DWORD style,
            DWORD exStyle = 0) {
  return CreateWindowExW(exStyle, className, text, style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

// The file names of the processes running now, as the process list gives them.
std::vector<std::string> RunningProgramNames() {
  std::vector<std::string> names;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return names;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    names.push_back(Narrow(entry.szExeFile));
  }
  CloseHandle(snapshot);
  return names;
}

std::string ListRowText(HWND list, LRESULT row) {
  const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
  if (length < 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return Narrow(text);
}

void FillList(HWND list, const std::vector<std::string>& rows) {
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& row : rows) {
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(row).c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

bool KeyIsDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

}  // namespace

SettingsWindow::SettingsWindow(SavedSettings& settings, ShortcutSettings& shortcuts,
                               std::filesystem::path dataFolder, SettingsWindowActions actions)
    : settings_(settings),
      shortcuts_(shortcuts),
      dataFolder_(std::move(dataFolder)),
      actions_(std::move(actions)) {}

SettingsWindow::~SettingsWindow() {
  if (HWND window = Window()) DestroyWindow(window);
}

void SettingsWindow::Show(HWND mainWindow) {
  mainWindow_ = mainWindow;
  if (HWND window = Window()) {
    ShowWindow(window, IsIconic(window) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window);
    return;
  }
  WNDCLASSEXW windowClass{};
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101));
  windowClass.lpszClassName = SettingsWindowClassName;
  RegisterWindowClass(windowClass);

  dpi_ = DpiOfPrimaryScreenCentre();
  const int width = ScaleToDpi(WindowWidth, dpi_);
  const int height = ScaleToDpi(WindowHeight, dpi_);
  const WindowOrigin origin = CentredOrigin(width, height, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                            GetSystemMetrics(SM_CYSCREEN));
  // Not owned by the main window: it may be hidden in the tray, and this one must still show.
  HWND window = CreateBaseWindow(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, SettingsWindowClassName,
                                 SettingsWindowTitle, WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU,
                                 origin.x, origin.y, width, height);
  if (window == nullptr) return;
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(GetDlgItem(window, ToggleChangeId));
  OutputDebugStringA("Settings window opened\n");
}

bool SettingsWindow::OnDialogMessage(MSG& message) {
  HWND window = Window();
  if (window == nullptr || (message.hwnd != window && !IsChild(window, message.hwnd))) {
    return false;
  }
  if (message.message == WM_KEYDOWN && message.wParam == VK_DELETE && !KeyIsDown(VK_CONTROL)) {
    // Delete in a list takes the chosen row out, as REMOVE does.
    const int id = GetDlgCtrlID(message.hwnd);
    if (id == ExcludedListId || id == TypeInListId || id == PaceListId) {
      OnCommand(static_cast<WORD>(id == ExcludedListId ? ExcludedRemoveId
                                  : id == TypeInListId ? TypeInRemoveId
                                                       : PaceRemoveId),
                BN_CLICKED);
      return true;
    }
  }
  return IsDialogMessageW(window, &message) != FALSE;
}

void SettingsWindow::ShowStartup() {
  if (HWND window = Window()) {
    CheckDlgButton(window, StartupBoxId, IsStartWithWindowsEnabled() ? BST_CHECKED : BST_UNCHECKED);
  }
}

void SettingsWindow::MakeFonts() {
  captionFont_ = MakeFont(ScaleToDpi(CaptionFontHeight, dpi_), FW_BOLD);
  explanationFont_ = MakeFont(ScaleToDpi(ExplanationFontHeight, dpi_), FW_NORMAL);
  controlFont_ = MakeFont(ScaleToDpi(SettingsControlFontHeight, dpi_), FW_NORMAL);
}

void SettingsWindow::CreateControls(HWND window) {
  constexpr DWORD Child = WS_CHILD | WS_VISIBLE;
  constexpr DWORD Button = Child | WS_TABSTOP | BS_OWNERDRAW;
  constexpr DWORD CheckBox = Child | WS_TABSTOP | BS_AUTOCHECKBOX;
  constexpr DWORD Edit = Child | WS_TABSTOP | ES_AUTOHSCROLL;
  constexpr DWORD List =
      Child | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS;
  constexpr DWORD Choice = Child | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  constexpr DWORD Value = Child | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
  // In Tab order, each row's name and line first so that screen readers take them as its name.
  const auto texts = [window](SettingRow row) {
    const SettingText& text = TextOf(row);
    Create(window, L"STATIC", LabelId(row), Wide(text.label).c_str(),
           WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX);
    Create(window, L"STATIC", ExplanationId(row), Wide(text.explanation).c_str(),
           WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS);
  };
  texts(SettingRow::ToggleShortcut);
  Create(window, L"STATIC", ToggleValueId, nullptr, Value);
  Create(window, L"BUTTON", ToggleChangeId, L"Change the toggle shortcut", Button);
  texts(SettingRow::SearchShortcut);
  Create(window, L"STATIC", SearchValueId, nullptr, Value);
  Create(window, L"BUTTON", SearchChangeId, L"Change the search shortcut", Button);
  texts(SettingRow::StartOnStartup);
  Create(window, L"BUTTON", StartupBoxId, L"Start Tarquel when I log on", CheckBox);
  texts(SettingRow::PasteThreshold);
  Create(window, L"EDIT", ThresholdEditId, nullptr, Edit | ES_NUMBER);
  texts(SettingRow::UndoBackspace);
  Create(window, L"BUTTON", UndoBoxId, L"Take an expansion back with Backspace", CheckBox);
  texts(SettingRow::EndingCharacters);
  Create(window, L"EDIT", EndingEditId, nullptr, Edit);
  texts(SettingRow::DataFolder);
  // Changed only through CHANGE, which looks at the folder chosen before anything is saved.
  Create(window, L"EDIT", FolderEditId, nullptr, Edit | ES_READONLY);
  Create(window, L"BUTTON", FolderChangeId, L"Choose another data folder", Button);
  Create(window, L"BUTTON", FolderOpenId, L"Open the data folder", Button);
  texts(SettingRow::UpdateCheck);
  Create(window, L"BUTTON", UpdateBoxId, L"Check once a day", CheckBox);
  Create(window, L"BUTTON", CheckNowId, L"Check now", Button);
  for (ProgramList list : {ProgramList::Excluded, ProgramList::TypeIn}) {
    const SettingRow row =
        list == ProgramList::Excluded ? SettingRow::ExcludedPrograms : SettingRow::TypeInPrograms;
    texts(row);
    Create(window, L"LISTBOX", ListOf(list), nullptr, List);
    HWND choice = Create(window, WC_COMBOBOXW, ChoiceOf(list), nullptr, Choice);
    SendMessageW(choice, CB_SETCUEBANNER, 0,
                 reinterpret_cast<LPARAM>(L"A running program, or a name"));
    DarkenDropDown(choice);
    Create(window, L"BUTTON", list == ProgramList::Excluded ? ExcludedAddId : TypeInAddId, L"Add",
           Button);
    Create(window, L"BUTTON", list == ProgramList::Excluded ? ExcludedRemoveId : TypeInRemoveId,
           L"Remove", Button);
  }
  texts(SettingRow::Pace);
  Create(window, L"LISTBOX", PaceListId, nullptr, List);
  Create(window, L"BUTTON", PaceRemoveId, L"Remove", Button);
  Create(window, L"STATIC", MessageId, nullptr, Child | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS);
  MakeFonts();
  Layout();
  ShowValues();
}

void SettingsWindow::Layout() {
  HWND window = Window();
  for (const Place& place : ControlPlaces()) {
    HWND control = GetDlgItem(window, place.id);
    if (control == nullptr) continue;
    const auto s = [this](int length) { return ScaleToDpi(length, dpi_); };
    int x = s(place.x);
    int y = s(place.y);
    int width = s(place.width);
    int height = s(place.height);
    if (place.field) {
      // Inside the painted field; an edit's text a line high in its middle.
      x += s(FieldInsetX);
      width -= 2 * s(FieldInsetX);
      y += s(FieldInsetY);
      height -= 2 * s(FieldInsetY);
    }
    const bool isChoice = place.id == ExcludedChoiceId || place.id == TypeInChoiceId;
    if (isChoice) height += s(ChoiceListHeight);
    MoveWindow(control, x, y, width, height, TRUE);
    HFONT font = IsLabel(place.id)         ? captionFont_.get()
                 : IsExplanation(place.id) ? explanationFont_.get()
                                           : controlFont_.get();
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (isChoice) {
      // The closed box fills its place: its face is its text's height and a frame of 3 pixels.
      SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), s(LineHeight) - 6);
    }
  }
}

void SettingsWindow::ShowValues() {
  HWND window = Window();
  if (window == nullptr) return;
  const Settings& settings = settings_.Values();
  SetWindowTextUtf8(GetDlgItem(window, ToggleValueId), settings.shortcutText);
  SetWindowTextUtf8(GetDlgItem(window, SearchValueId), SearchShortcutText(settings));
  ShowStartup();
  SetWindowTextUtf8(GetDlgItem(window, ThresholdEditId), PasteThresholdText(settings));
  CheckDlgButton(window, UndoBoxId, UndoBackspaceOn(settings) ? BST_CHECKED : BST_UNCHECKED);
  SetWindowTextUtf8(GetDlgItem(window, EndingEditId), EndingCharactersText(settings));
  SetWindowTextW(GetDlgItem(window, FolderEditId), dataFolder_.wstring().c_str());
  CheckDlgButton(window, UpdateBoxId, IsUpdateCheckOn(settings) ? BST_CHECKED : BST_UNCHECKED);
  ShowPrograms(ProgramList::Excluded);
  ShowPrograms(ProgramList::TypeIn);
  FillChoices(ProgramList::Excluded);
  FillChoices(ProgramList::TypeIn);
  const std::vector<std::string> pace = PaceLines(settings);
  FillList(GetDlgItem(window, PaceListId), pace);
  // Pacing is shown only where settings.txt has some: it is set there by hand.
  const int show = pace.empty() ? SW_HIDE : SW_SHOW;
  for (WORD id :
       {LabelId(SettingRow::Pace), ExplanationId(SettingRow::Pace), PaceListId, PaceRemoveId}) {
    ShowWindow(GetDlgItem(window, id), show);
  }
  InvalidateRect(window, nullptr, TRUE);
}

void SettingsWindow::ShowPrograms(ProgramList list) {
  FillList(GetDlgItem(Window(), ListOf(list)), ProgramsIn(settings_.Values(), list));
}

void SettingsWindow::FillChoices(ProgramList list) {
  HWND choice = GetDlgItem(Window(), ChoiceOf(list));
  // Emptying the list empties the field too: what was typed there stays.
  const std::string typed = WindowTextUtf8(choice);
  SendMessageW(choice, CB_RESETCONTENT, 0, 0);
  for (const std::string& name :
       ProgramChoices(RunningProgramNames(), ProgramsIn(settings_.Values(), list))) {
    SendMessageW(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(name).c_str()));
  }
  SetWindowTextUtf8(choice, typed);
}

void SettingsWindow::Tell(std::string_view text) {
  if (HWND window = Window()) SetWindowTextUtf8(GetDlgItem(window, MessageId), text);
}

void SettingsWindow::Changed(std::string_view what) {
  if (actions_.apply) actions_.apply();
  settings_.Save("The change to " + std::string(what) +
                 " works until Tarquel ends, but it could not be saved to settings.txt.");
  OutputDebugStringA(("Settings changed: " + std::string(what) + "\n").c_str());
}

void SettingsWindow::AddProgramFrom(ProgramList list) {
  HWND choice = GetDlgItem(Window(), ChoiceOf(list));
  const ProgramAdd result = AddProgram(settings_.Values(), list, WindowTextUtf8(choice));
  if (result != ProgramAdd::Added) {
    Tell(ProgramAddRefusal(result));
    return;
  }
  SetWindowTextW(choice, L"");
  ShowPrograms(list);
  FillChoices(list);
  Tell({});
  Changed(ListName(list));
}

void SettingsWindow::RemoveSelected(ProgramList list) {
  HWND listBox = GetDlgItem(Window(), ListOf(list));
  const LRESULT row = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR) {
    Tell("Choose a program in the list first.");
    return;
  }
  if (!RemoveProgram(settings_.Values(), list, ListRowText(listBox, row))) return;
  ShowPrograms(list);
  FillChoices(list);
  // The keys stay in the list, on the row that took the removed one's place.
  const LRESULT rows = SendMessageW(listBox, LB_GETCOUNT, 0, 0);
  if (rows > 0)
    SendMessageW(listBox, LB_SETCURSEL, static_cast<WPARAM>(std::min(row, rows - 1)), 0);
  Tell({});
  Changed(ListName(list));
}

void SettingsWindow::RemoveSelectedPace() {
  HWND listBox = GetDlgItem(Window(), PaceListId);
  const LRESULT row = SendMessageW(listBox, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR) {
    Tell("Choose a line in the list first.");
    return;
  }
  if (!RemovePace(settings_.Values(), ListRowText(listBox, row))) return;
  FillList(listBox, PaceLines(settings_.Values()));
  Tell({});
  Changed("pacing");
}

void SettingsWindow::ApplyThreshold() {
  HWND field = GetDlgItem(Window(), ThresholdEditId);
  const std::string typed = WindowTextUtf8(field);
  if (typed == PasteThresholdText(settings_.Values())) return;
  const std::string_view refusal = SetPasteThreshold(settings_.Values(), typed);
  if (!refusal.empty()) {
    Tell(refusal);
    return;
  }
  Tell({});
  Changed("the paste threshold");
}

void SettingsWindow::ApplyEndingCharacters() {
  HWND field = GetDlgItem(Window(), EndingEditId);
  const std::string typed = WindowTextUtf8(field);
  if (typed == EndingCharactersText(settings_.Values())) return;
  const std::string_view refusal = SetEndingCharactersText(settings_.Values(), typed);
  if (!refusal.empty()) {
    Tell(refusal);
    return;
  }
  SetWindowTextUtf8(field, EndingCharactersText(settings_.Values()));
  Tell({});
  Changed("the ending characters");
}

void SettingsWindow::OnCheckBox(WORD id) {
  HWND window = Window();
  const bool checked = IsDlgButtonChecked(window, id) == BST_CHECKED;
  switch (id) {
    case StartupBoxId:
      // The registry, not settings.txt; told and put back when the registry refuses.
      ApplyStartWithWindows(GetDlgItem(window, StartupBoxId));
      if (actions_.startupChanged) actions_.startupChanged();
      return;
    case UndoBoxId:
      SetUndoBackspace(settings_.Values(), checked);
      Changed("undo with Backspace");
      return;
    case UpdateBoxId:
      SetUpdateCheck(settings_.Values(), checked);
      Changed("the update check");
      return;
    default:
      return;
  }
}

std::optional<std::filesystem::path> SettingsWindow::ChooseFolder() {
  // The folder dialog of the shell wants COM on this thread; the UI thread may have it already.
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  BROWSEINFOW browse{};
  browse.hwndOwner = Window();
  browse.lpszTitle =
      L"The folder for config.txt, for example one that OneDrive, Dropbox or "
      L"Google Drive keeps in step on your PCs:";
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
  std::optional<std::filesystem::path> chosen;
  if (PIDLIST_ABSOLUTE list = SHBrowseForFolderW(&browse)) {
    wchar_t path[MAX_PATH] = L"";
    if (SHGetPathFromIDListW(list, path)) chosen = std::filesystem::path(path);
    CoTaskMemFree(list);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return chosen;
}

void SettingsWindow::OpenDataFolder() {
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      Window(), L"open", dataFolder_.wstring().c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  // ShellExecute's old convention: above 32 is success.
  if (result <= 32) Tell("The folder could not be opened.");
}

void SettingsWindow::OnEnter() {
  HWND focus = GetFocus();
  if (focus == nullptr) return;
  // A drop-down's field is a child of the drop-down.
  HWND parent = GetParent(focus);
  const int id =
      parent != Window() && parent != nullptr ? GetDlgCtrlID(parent) : GetDlgCtrlID(focus);
  switch (id) {
    case ThresholdEditId:
      ApplyThreshold();
      return;
    case EndingEditId:
      ApplyEndingCharacters();
      return;
    case ExcludedChoiceId:
      AddProgramFrom(ProgramList::Excluded);
      return;
    case TypeInChoiceId:
      AddProgramFrom(ProgramList::TypeIn);
      return;
    case StartupBoxId:
    case UndoBoxId:
    case UpdateBoxId:
      // Enter on a box turns it over, as Space does.
      CheckDlgButton(Window(), static_cast<int>(id),
                     IsDlgButtonChecked(Window(), id) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      OnCheckBox(static_cast<WORD>(id));
      return;
    default:
      if (ButtonWords(static_cast<UINT>(id)) != nullptr)
        OnCommand(static_cast<WORD>(id), BN_CLICKED);
      return;
  }
}

void SettingsWindow::OnCommand(WORD id, WORD code) {
  HWND window = Window();
  switch (id) {
    case IDOK:
      OnEnter();
      return;
    case IDCANCEL:
      DestroyWindow(window);
      return;
    case ToggleChangeId:
      if (shortcuts_.CaptureToggle(mainWindow_, window)) ShowValues();
      return;
    case SearchChangeId:
      if (shortcuts_.CaptureSearch(mainWindow_, window)) ShowValues();
      return;
    case StartupBoxId:
    case UndoBoxId:
    case UpdateBoxId:
      if (code == BN_CLICKED) OnCheckBox(id);
      return;
    case ThresholdEditId:
      if (code == EN_KILLFOCUS) ApplyThreshold();
      return;
    case EndingEditId:
      if (code == EN_KILLFOCUS) ApplyEndingCharacters();
      return;
    case FolderOpenId:
      OpenDataFolder();
      return;
    case FolderChangeId:
      if (const std::optional<std::filesystem::path> chosen = ChooseFolder()) {
        if (actions_.changeDataFolder) actions_.changeDataFolder(*chosen);
      }
      return;
    case CheckNowId:
      Tell("Asked for the newest version: the answer opens in a box.");
      if (actions_.checkForUpdate) actions_.checkForUpdate();
      return;
    case ExcludedChoiceId:
    case TypeInChoiceId:
      // The programs running now, not those at the window's opening.
      if (code == CBN_DROPDOWN) {
        FillChoices(id == ExcludedChoiceId ? ProgramList::Excluded : ProgramList::TypeIn);
      }
      return;
    case ExcludedAddId:
      AddProgramFrom(ProgramList::Excluded);
      return;
    case TypeInAddId:
      AddProgramFrom(ProgramList::TypeIn);
      return;
    case ExcludedRemoveId:
      RemoveSelected(ProgramList::Excluded);
      return;
    case TypeInRemoveId:
      RemoveSelected(ProgramList::TypeIn);
      return;
    case PaceRemoveId:
      RemoveSelectedPace();
      return;
    default:
      return;
  }
}

void SettingsWindow::Paint(HWND window) {
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, BackgroundBrush.get());
  const auto s = [this](int length) { return ScaleToDpi(length, dpi_); };
  RECT header{0, 0, client.right, s(HeaderHeight)};
  FillRect(dc, &header, HeaderBrush.get());

  SetBkMode(dc, TRANSPARENT);
  {
    UniqueFont title = MakeFont(s(TitleHeight), FW_BOLD);
    SelectedObject font(dc, title.get());
    SetTextColor(dc, PrimaryTextColor);
    RECT titleRect{s(LeftX), 0, client.right - s(CloseMarkWidth), s(HeaderHeight)};
    DrawTextW(dc, L"Settings", -1, &titleRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    UniqueFont mark = MakeFont(s(CloseMarkFontHeight), FW_BOLD);
    SelectedObject markFont(dc, mark.get());
    SetTextColor(dc, CloseMarkColor);
    RECT markRect{client.right - s(CloseMarkWidth), 0, client.right, s(HeaderHeight)};
    DrawTextW(dc, L"X", -1, &markRect, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }

  // The fields: rounded, in the field colour, the controls inside them.
  SelectedObject brush(dc, FieldBrush.get());
  SelectedObject pen(dc, GetStockObject(NULL_PEN));
  const int corner = s(10);
  for (const Place& place : ControlPlaces()) {
    if (!place.field) continue;
    HWND control = GetDlgItem(window, place.id);
    if (control == nullptr || !IsWindowVisible(control)) continue;
    RoundRect(dc, s(place.x), s(place.y), s(place.x) + s(place.width) + 1,
              s(place.y) + s(place.height) + 1, corner, corner);
  }
  EndPaint(window, &paint);
}

LRESULT SettingsWindow::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto byDefault = [&] { return DefWindowProcW(window, message, wParam, lParam); };
  const auto s = [this](int length) { return ScaleToDpi(length, dpi_); };
  switch (message) {
    case WM_CREATE: {
      CreateSharedBrushes();
      const int actual = DpiForWindow(window);
      if (actual != dpi_) {
        dpi_ = actual;
        SetWindowPos(window, nullptr, 0, 0, s(WindowWidth), s(WindowHeight),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      SetRoundedRegion(window, s(WindowWidth), s(WindowHeight), WindowCorner, dpi_);
      CreateControls(window);
      return 0;
    }
    case WM_DPICHANGED: {
      dpi_ = LOWORD(wParam);
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      // The new fonts are in the controls (Layout) before the old ones are deleted.
      UniqueFont oldCaption = std::move(captionFont_);
      UniqueFont oldExplanation = std::move(explanationFont_);
      UniqueFont oldControl = std::move(controlFont_);
      MakeFonts();
      SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      SetRoundedRegion(window, s(WindowWidth), s(WindowHeight), WindowCorner, dpi_);
      Layout();
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_ERASEBKGND:
      // WM_PAINT fills the whole client area.
      return 1;
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_NCHITTEST: {
      const LRESULT hit = byDefault();
      if (hit != HTCLIENT) return hit;
      POINT point{};
      GetCursorPos(&point);
      ScreenToClient(window, &point);
      RECT client{};
      GetClientRect(window, &client);
      // The header drags the window, except at the close mark.
      if (point.y < s(HeaderHeight) && point.x < client.right - s(CloseMarkWidth)) {
        return HTCAPTION;
      }
      return hit;
    }
    case WM_LBUTTONUP: {
      const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      RECT client{};
      GetClientRect(window, &client);
      if (point.y < s(HeaderHeight) && point.x >= client.right - s(CloseMarkWidth)) {
        DestroyWindow(window);
      }
      return 0;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(FieldBrush.get());
    case WM_CTLCOLORSTATIC: {
      const auto dc = reinterpret_cast<HDC>(wParam);
      const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
      if (IsFieldControl(id)) {
        // The read-only folder and the shortcuts sit on their fields.
        SetFieldColors(dc);
        return reinterpret_cast<LRESULT>(FieldBrush.get());
      }
      SetStaticColors(dc);
      // The line under each name, and the message at the bottom, are the quieter text.
      if (IsExplanation(id) || id == MessageId) SetTextColor(dc, SecondaryTextColor);
      return reinterpret_cast<LRESULT>(BackgroundBrush.get());
    }
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (const wchar_t* words = ButtonWords(item.CtlID)) DrawOwnerButton(item, words, dpi_);
      return TRUE;
    }
    case WM_COMMAND:
      OnCommand(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_ACTIVATE: {
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) focusBeforeDeactivation_ = focus;
        return 0;
      }
      // The keys go back where they were.
      if (focusBeforeDeactivation_ != nullptr && IsWindow(focusBeforeDeactivation_) &&
          IsChild(window, focusBeforeDeactivation_)) {
        SetFocus(focusBeforeDeactivation_);
      }
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      focusBeforeDeactivation_ = nullptr;
      OutputDebugStringA("Settings window closed\n");
      return 0;
    default:
      return byDefault();
  }
}

}  // namespace tarquel
