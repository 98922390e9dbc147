#include "ui/app_window_win.h"

#include <vector>

#include "engine/send_expansion_win.h"
#include "engine/trigger_file.h"
#include "settings/output_settings.h"
#include "ui/autostart_win.h"
#include "ui/dpi_win.h"
#include "ui/header_layout.h"
#include "ui/search_popup.h"
#include "ui/theme_win.h"
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

// Created without a size: LayoutControls gives every control its place at the window's DPI.
HWND CreateControl(HWND parent, const wchar_t* className, WORD id, const wchar_t* text,
                   DWORD style) {
  return CreateWindowExW(0, className, text, style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

// The control each row of the layout table places; 0 for one this window does not have.
WORD ControlId(MainControl control) {
  switch (control) {
    case MainControl::List:
      return ListBoxId;
    case MainControl::Trigger:
      return TriggerEditId;
    case MainControl::Expansion:
      return ExpansionEditId;
    case MainControl::Add:
      return AddButtonId;
    case MainControl::Delete:
      return DeleteButtonId;
    case MainControl::Setting:
      return SettingButtonId;
    case MainControl::StartupCheck:
      return StartupCheckId;
    case MainControl::StartupLabel:
      return StartupLabelId;
    case MainControl::Search:
    case MainControl::Status:
      return 0;
  }
  return 0;
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
  updateCheck.reset();
  if (ActiveAppWindow == this) ActiveAppWindow = nullptr;
}

void AppWindow::Run() {
  HINSTANCE module = GetModuleHandleW(nullptr);
  taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");

  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = module;
  windowClass.hIcon = LoadIconW(module, MAKEINTRESOURCEW(ApplicationIconId));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  // The class owns this brush; the system deletes it with the class.
  windowClass.hbrBackground = CreateSolidBrush(BackgroundColor);
  windowClass.lpszClassName = MainWindowClassName;
  RegisterClassW(&windowClass);

  // Sized for the monitor it opens on; WM_CREATE corrects the size should the window's own
  // DPI turn out to be another.
  dpi = DpiOfPrimaryScreenCentre();
  const WindowOrigin origin =
      CentredOrigin(MainWidthAt(dpi), MainHeightAt(dpi), 0, 0, GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
  HWND window = CreateWindowExW(WS_EX_LAYERED, MainWindowClassName, MainWindowTitle,
                                WS_POPUP | WS_VISIBLE, origin.x, origin.y, MainWidthAt(dpi),
                                MainHeightAt(dpi), nullptr, nullptr, module, nullptr);
  // Without a window there is no tray icon and no way to end the program but killing it.
  if (window == nullptr) return;
  SetLayeredWindowAttributes(window, 0, 250, LWA_ALPHA);

  AddTrayIcon(window);
  CreateControls(window);
  RegisterToggleHotkey(window);
  FillTriggerList();
  ShowWindow(window, SW_SHOW);
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
  listBox = CreateControl(window, L"LISTBOX", ListBoxId, nullptr, ListBoxStyle);
  SetControlFont(listBox, false);
  triggerEdit = CreateControl(window, L"EDIT", TriggerEditId, nullptr, EditStyle);
  SetControlFont(triggerEdit, false);
  expansionEdit = CreateControl(window, L"EDIT", ExpansionEditId, nullptr, EditStyle);
  SetControlFont(expansionEdit, false);
  addButton = CreateControl(window, L"BUTTON", AddButtonId, L"ADD", PushButtonStyle);
  deleteButton = CreateControl(window, L"BUTTON", DeleteButtonId, L"DELETE", PushButtonStyle);
  settingButton = CreateControl(window, L"BUTTON", SettingButtonId, L"SETTING", PushButtonStyle);
  startupCheck = CreateControl(window, L"BUTTON", StartupCheckId, L"", CheckBoxStyle);
  HWND label = CreateControl(window, L"STATIC", StartupLabelId, L"Start on Startup", LabelStyle);
  SetControlFont(label, false);
  if (IsStartWithWindowsEnabled()) SendMessageW(startupCheck, BM_SETCHECK, BST_CHECKED, 0);
  LayoutControls();
}

void AppWindow::LayoutControls() {
  HWND window = MainWindow();
  for (const ControlPlace& place : MainControlPlaces()) {
    const WORD id = ControlId(place.control);
    HWND control = id != 0 ? GetDlgItem(window, id) : nullptr;
    if (control == nullptr) continue;
    const LayoutRect rect = ScaleToDpi(place.rect, dpi);
    SetWindowPos(control, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void AppWindow::SetControlFont(HWND control, bool bold) {
  if (!RegularFont || !BoldFont) MakeControlFonts(dpi);
  HFONT font = bold ? BoldFont.get() : RegularFont.get();
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void AppWindow::OnDpiChanged(HWND window, int newDpi, const RECT& suggested) {
  dpi = newDpi;
  // The new fonts are in the controls before the old ones are deleted.
  MakeControlFonts(dpi, ChildWindows(window));
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  SetMainWindowRegion(window, dpi);
  LayoutControls();
  InvalidateRect(window, nullptr, TRUE);
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

  switch (message) {
    case WM_CREATE: {
      CreateSharedBrushes();
      // The monitor the window really is on decides; the size at creation was a guess.
      const int actual = DpiForWindow(window);
      if (actual != app->dpi) {
        app->dpi = actual;
        SetWindowPos(window, nullptr, 0, 0, MainWidthAt(actual), MainHeightAt(actual),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      }
      SetMainWindowRegion(window, app->dpi);
      return 0;
    }
    case WM_DPICHANGED:
      app->OnDpiChanged(window, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_NCHITTEST: {
      LRESULT hit = byDefault();
      if (hit != HTCLIENT) return hit;
      POINT point = CursorInClient(window);
      RECT client{};
      GetClientRect(window, &client);
      const HeaderHitAreas areas = HitAreasAt(client.right, app->dpi);
      // The header band drags the window, except at the close mark.
      if (point.y < areas.bandBottom) return point.x > areas.closeLeft ? HTCLIENT : HTCAPTION;
      return hit;
    }
    case WM_LBUTTONUP: {
      POINT point = CursorInClient(window);
      RECT client{};
      GetClientRect(window, &client);
      const HeaderHitAreas areas = HitAreasAt(client.right, app->dpi);
      if (point.y < areas.closeBottom && point.x > areas.closeLeft) ShowWindow(window, SW_HIDE);
      return byDefault();
    }
    case WM_PAINT:
      return PaintMainWindow(window, app->dpi, app->expander.IsEnabled(),
                             app->settings.shortcutText);
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(FieldBrush.get());
    case WM_CTLCOLORSTATIC:
      SetStaticColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(BackgroundBrush.get());
    case WM_DRAWITEM: {
      const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (const wchar_t* label = ButtonLabel(item.CtlID)) DrawOwnerButton(item, label, app->dpi);
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
      if (wParam != TrayRetryTimerId) return byDefault();
      app->OnTrayRetryTimer();
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
