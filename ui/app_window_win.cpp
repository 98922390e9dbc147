#include "ui/app_window_win.h"

#include "engine/send_expansion_win.h"
#include "engine/trigger_file.h"
#include "settings/output_settings.h"
#include "ui/autostart_win.h"
#include "ui/search_popup.h"
#include "ui/theme_win.h"
#include "ui/trigger_file_watch_win.h"
#include "ui/wide_text_win.h"
#include "update/update_worker_win.h"

namespace tarquel {

AppWindow* ActiveAppWindow = nullptr;

namespace {

constexpr DWORD ListBoxStyle =
    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
constexpr DWORD EditStyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
constexpr DWORD PushButtonStyle = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW;
constexpr DWORD CheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD LabelStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
static_assert(ListBoxStyle == 0x50A00101 && EditStyle == 0x50000080);
static_assert(PushButtonStyle == 0x5000000B && CheckBoxStyle == 0x50010003);
static_assert(LabelStyle == 0x50000100);

// The shell reads cbSize to tell the record's layout; this is the full Vista-and-later one.
static_assert(sizeof(NOTIFYICONDATAW) == 976 || sizeof(void*) != 8);

HWND CreateControl(HWND parent, const wchar_t* className, WORD id, const wchar_t* text, DWORD style,
                   int x, int y, int width, int height) {
  return CreateWindowExW(0, className, text, style, x, y, width, height, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
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

}  // namespace

AppWindow::AppWindow(TriggerTable& table, Expander& expander,
                     const std::filesystem::path& dataFolder, BackgroundSaves& saves)
    : table(table),
      expander(expander),
      triggerFile(dataFolder / TriggerFileName),
      settingsFile(dataFolder / SettingsFileName),
      saves(saves) {
  ActiveAppWindow = this;
  settings = LoadSettings(settingsFile);
  expander.SetExcludedPrograms(settings.excludedPrograms);
  if (ActiveSender != nullptr) ActiveSender->SetOutputSettings(ReadOutputSettings(settings));
  searchPopup = std::make_unique<SearchPopup>(table);
  searchPopup->RegisterShortcut(SearchShortcut(settings));
}

// Out of line: the update worker's type is complete only here.
AppWindow::~AppWindow() {
  saves.SetNotify(nullptr);
  triggerFileWatch.reset();
  updateCheck.reset();
  if (ActiveAppWindow == this) ActiveAppWindow = nullptr;
}

void AppWindow::Run() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
  showWindowMessage = RegisterWindowMessageW(ShowWindowMessageName);

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = module;
  windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(ApplicationIconId));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The class owns this brush; the system deletes it with the class.
  windowClass.hbrBackground = CreateSolidBrush(BackgroundColor);
  windowClass.lpszClassName = MainWindowClassName;
  RegisterClassW(&windowClass);

  const int x = (GetSystemMetrics(SM_CXSCREEN) - MainWindowWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - MainWindowHeight) / 2;
  const DWORD style = WS_POPUP | (startHidden ? 0 : WS_VISIBLE);
  HWND window =
      CreateWindowExW(WS_EX_LAYERED, MainWindowClassName, MainWindowTitle, style, x, y,
                      MainWindowWidth, MainWindowHeight, nullptr, nullptr, module, nullptr);
  // Without a window there is no tray icon and no way to end the program but killing it.
  if (window == nullptr) return;
  SetLayeredWindowAttributes(window, 0, 250, LWA_ALPHA);

  AddTrayIcon(window);
  CreateControls(window);
  RegisterToggleHotkey(window);
  FillTriggerList();
  if (!startHidden) ShowWindow(window, SW_SHOW);
  // A change of config.txt by another program follows here.
  triggerFileWatch =
      std::make_unique<TriggerFileWatch>(triggerFile, window, TriggerFileChangedMessage);
  saves.SetNotify([window] { PostMessageW(window, SaveFailedMessage, 0, 0); });
  StartUpdateCheck();
  if (triggerFileTooLarge) WarnTriggerFileTooLarge();

  // The system calls the low-level keyboard hook on this thread while GetMessageW waits.
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) != 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void AppWindow::CreateControls(HWND window) {
  listBox = CreateControl(window, L"LISTBOX", ListBoxId, nullptr, ListBoxStyle, 30, 100, 740, 260);
  SetControlFont(listBox, false);
  triggerEdit = CreateControl(window, L"EDIT", TriggerEditId, nullptr, EditStyle, 40, 415, 180, 20);
  SetControlFont(triggerEdit, false);
  expansionEdit =
      CreateControl(window, L"EDIT", ExpansionEditId, nullptr, EditStyle, 260, 415, 280, 20);
  SetControlFont(expansionEdit, false);
  addButton =
      CreateControl(window, L"BUTTON", AddButtonId, L"ADD", PushButtonStyle, 570, 405, 80, 40);
  deleteButton = CreateControl(window, L"BUTTON", DeleteButtonId, L"DELETE", PushButtonStyle, 660,
                               405, 90, 40);
  settingButton = CreateControl(window, L"BUTTON", SettingButtonId, L"SETTING", PushButtonStyle,
                                310, 68, 70, 24);
  startupCheck =
      CreateControl(window, L"BUTTON", StartupCheckId, L"", CheckBoxStyle, 30, 70, 20, 20);
  HWND label = CreateControl(window, L"STATIC", StartupLabelId, L"Start on Startup", LabelStyle, 55,
                             70, 150, 20);
  SetControlFont(label, false);
  if (IsStartWithWindowsEnabled()) SendMessageW(startupCheck, BM_SETCHECK, BST_CHECKED, 0);
}

void AppWindow::SetControlFont(HWND control, bool bold) {
  if (!RegularFont && !BoldFont) {
    RegularFont = MakeFont(18, FW_NORMAL);
    BoldFont = MakeFont(18, FW_BOLD);
  }
  HFONT font = bold ? BoldFont.get() : RegularFont.get();
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void AppWindow::OnCommand(HWND, WORD id, WORD code) {
  switch (id) {
    case AddButtonId:
      AddTrigger();
      return;
    case DeleteButtonId:
      DeleteSelectedTrigger();
      return;
    case SettingButtonId:
      RunShortcutCapture();
      return;
    case StartupCheckId:
      if (code == BN_CLICKED) ApplyStartWithWindows(startupCheck);
      return;
    case StartupLabelId:
      // A click on the words turns the box over exactly as one on the box does; a quick
      // second click is a second turn, as on the box itself, not a double-click to ignore.
      // Not through BM_CLICK: that replays a press and release on the box, which Wine dropped
      // when the words were clicked right after the box.
      if (code == STN_CLICKED || code == STN_DBLCLK) {
        const bool checked = SendMessageW(startupCheck, BM_GETCHECK, 0, 0) == BST_CHECKED;
        SendMessageW(startupCheck, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        ApplyStartWithWindows(startupCheck);
      }
      return;
    case TrayQuitCommand:
    case TrayRestoreCommand:
      OnTrayCommand(id);
      return;
    default:
      // ADD, DELETE, SETTING and the start-up box get their cases from the trigger editor,
      // the shortcut capture and the Run-key switch; until then they do nothing.
      return;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto byDefault = [&] { return DefWindowProcW(window, message, wParam, lParam); };
  AppWindow* app = ActiveAppWindow;
  if (app == nullptr) return byDefault();
  // A registered message has no constant value to switch on.
  if (message == app->taskbarCreatedMessage && message != 0) {
    app->OnTaskbarCreated();
    return byDefault();
  }
  if (message == app->showWindowMessage && message != 0) {
    app->ShowFromSecondStart();
    return 0;
  }

  switch (message) {
    case WM_CREATE: {
      CreateSharedBrushes();
      // The window owns the region from here on.
      HRGN region = CreateRoundRectRgn(0, 0, MainWindowWidth, MainWindowHeight, 16, 16);
      if (SetWindowRgn(window, region, TRUE) == 0) DeleteObject(region);
      return 0;
    }
    case WM_NCHITTEST: {
      LRESULT hit = byDefault();
      if (hit != HTCLIENT) return hit;
      POINT point = CursorInClient(window);
      // The header band drags the window, except at the close mark.
      if (point.y < HeaderHeight) return point.x > CloseAreaLeft ? HTCLIENT : HTCAPTION;
      return hit;
    }
    case WM_LBUTTONUP: {
      POINT point = CursorInClient(window);
      if (point.y < CloseAreaBottom && point.x > CloseAreaLeft) ShowWindow(window, SW_HIDE);
      return byDefault();
    }
    case WM_PAINT:
      return PaintMainWindow(window, app->expander.IsEnabled(), app->settings.shortcutText);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(FieldBrush.get());
    case WM_CTLCOLORSTATIC:
      SetStaticColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(BackgroundBrush.get());
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (const wchar_t* label = ButtonLabel(item.CtlID)) DrawOwnerButton(item, label);
      return TRUE;
    }
    case WM_COMMAND:
      app->OnCommand(window, LOWORD(wParam), HIWORD(wParam));
      return byDefault();
    case WM_CLOSE:
      // Closing only hides: the program lives on in the tray and goes on expanding.
      ShowWindow(window, SW_HIDE);
      return 0;
    case TrayCallbackMessage:
      app->OnTrayCallback(lParam);
      return byDefault();
    case WM_TIMER:
      if (wParam == TriggerReloadTimerId) {
        KillTimer(window, TriggerReloadTimerId);
        app->reloadTimerSet = false;
        app->ReloadTriggersFromDisk();
        return 0;
      }
      if (wParam != TrayRetryTimerId) return byDefault();
      app->OnTrayRetryTimer();
      return 0;
    case TriggerFileChangedMessage:
      app->OnTriggerFileChanged();
      return 0;
    case TriggerFileSavedMessage:
      app->OnTriggerFileSaved();
      return 0;
    case UpdateCheckDoneMessage:
      app->OnUpdateCheckDone();
      return 0;
    case SaveFailedMessage:
      app->OnSaveFailed();
      return 0;
    case WM_HOTKEY:
      if (wParam != ToggleHotkeyId) return byDefault();
      app->ToggleExpansion();
      return 0;
    case WM_DESTROY:
      app->OnMainWindowDestroyed(window);
      return 0;
    default:
      return byDefault();
  }
}

}  // namespace tarquel
