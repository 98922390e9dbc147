#include "ui/app_window_win.h"

#include <commctrl.h>

#include <vector>

#include "engine/output/expansion_sender_win.h"
#include "settings/output_settings.h"
#include "settings/search_shortcut.h"
#include "store/trigger_file.h"
#include "store/trigger_file_watch_win.h"
#include "ui/autostart_win.h"
#include "ui/header_layout.h"
#include "ui/search_popup.h"
#include "ui/theme_win.h"
#include "update/update_worker_win.h"
#include "util/dpi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {

AppWindow* ActiveAppWindow = nullptr;

namespace {

constexpr DWORD ListStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT |
                            LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER;
constexpr DWORD EditStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD MultiLineEditStyle =
    WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL;
constexpr DWORD PushButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW;
constexpr DWORD CheckBoxStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD LabelStyle = WS_CHILD | WS_VISIBLE | SS_NOTIFY;
constexpr DWORD CaptionStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD StatusStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;

// The shell reads cbSize to tell the record's layout; this is the full Vista-and-later one.
static_assert(sizeof(NOTIFYICONDATAW) == 976 || sizeof(void*) != 8);

// Created without a size: LayoutControls gives every control its place at the window's DPI.
HWND CreateControl(HWND parent, const wchar_t* className, WORD id, const wchar_t* text,
                   DWORD style) {
  return CreateWindowExW(0, className, text, style, 0, 0, 0, 0, parent,
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

bool KeyIsDown(int key) {
  return (GetKeyState(key) & 0x8000) != 0;
}

// The expansion field takes line breaks (Shift+Enter or Ctrl+Enter); a plain Enter adds, Tab
// moves on and Escape hides, as in the other fields.
LRESULT CALLBACK ExpansionFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR, DWORD_PTR) {
  const bool breakKeys = KeyIsDown(VK_SHIFT) || KeyIsDown(VK_CONTROL);
  switch (message) {
    case WM_GETDLGCODE: {
      LRESULT code = DefSubclassProc(field, message, wParam, lParam);
      code &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS | DLGC_WANTTAB);
      const auto* pending = reinterpret_cast<const MSG*>(lParam);
      if (pending != nullptr && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN &&
          breakKeys) {
        code |= DLGC_WANTMESSAGE;
      }
      return code;
    }
    case WM_KEYDOWN:
      if (wParam == VK_RETURN && breakKeys) {
        SendMessageW(field, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"\r\n"));
        return 0;
      }
      break;
    case WM_CHAR:
      // The line break is in already; Ctrl+Enter's own character (LF) would add another.
      if (wParam == '\r' || wParam == '\n') return 0;
      break;
    default:
      break;
  }
  return DefSubclassProc(field, message, wParam, lParam);
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
    case SearchKeyButtonId:
      return L"SEARCH KEY";
    default:
      return nullptr;
  }
}

}  // namespace

AppWindow::AppWindow(TriggerTable& table, Snapshot<TriggerTable>& tables, Expander& expander,
                     const std::filesystem::path& dataFolder, BackgroundSaves& saves)
    : table(table),
      tables(tables),
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
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);

  // Sized for the monitor it opens on; WM_CREATE corrects the size should the window's own
  // DPI turn out to be another.
  dpi = DpiOfPrimaryScreenCentre();
  const WindowOrigin origin =
      CentredOrigin(MainWidthAt(dpi), MainHeightAt(dpi), 0, 0, GetSystemMetrics(SM_CXSCREEN),
                    GetSystemMetrics(SM_CYSCREEN));
  const DWORD style = WS_POPUP | (startHidden ? 0 : WS_VISIBLE);
  HWND window = CreateWindowExW(WS_EX_LAYERED, MainWindowClassName, MainWindowTitle, style,
                                origin.x, origin.y, MainWidthAt(dpi), MainHeightAt(dpi), nullptr,
                                nullptr, module, nullptr);
  // Without a window there is no tray icon and no way to end the program but killing it.
  if (window == nullptr) return;
  SetLayeredWindowAttributes(window, 0, 250, LWA_ALPHA);
  // Named in the tray record from here on: the controls are placed through it.
  trayIcon.hWnd = window;

  AddTrayIcon(window);
  CreateControls(window);
  RegisterToggleHotkey(window);
  FillTriggerList();
  if (!startHidden) {
    ShowWindow(window, SW_SHOW);
    SetFocus(searchEdit);
  }
  // A change of config.txt by another program follows here.
  triggerFileWatch =
      std::make_unique<TriggerFileWatch>(triggerFile, window, TriggerFileChangedMessage);
  saves.SetNotify([window] { PostMessageW(window, SaveFailedMessage, 0, 0); });
  StartUpdateCheck();
  if (triggerFileTooLarge) WarnTriggerFileTooLarge();

  // The system calls the low-level keyboard hook on this thread while GetMessageW waits.
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) != 0) {
    // Tab, Shift+Tab, Enter and Escape move and act in the main window as in a dialog.
    const bool inMainWindow = message.hwnd == window || IsChild(window, message.hwnd);
    if (inMainWindow && (OnWindowKey(message) || IsDialogMessageW(window, &message))) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void AppWindow::CreateControls(HWND window) {
  // Made in Tab order: the order of creation is the order Tab goes through them.
  captions[0] = CreateControl(window, L"STATIC", SearchCaptionId, L"Search", CaptionStyle);
  searchEdit = CreateControl(window, L"EDIT", SearchEditId, nullptr, EditStyle);
  SendMessageW(searchEdit, EM_SETCUEBANNER, TRUE,
               reinterpret_cast<LPARAM>(L"Triggers and expansions (Ctrl+F)"));
  listBox = CreateControl(window, WC_LISTVIEWW, ListBoxId, L"Triggers", ListStyle);
  ListView_SetExtendedListViewStyle(listBox, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  ListView_SetBkColor(listBox, FieldColor);
  ListView_SetTextBkColor(listBox, FieldColor);
  ListView_SetTextColor(listBox, PrimaryTextColor);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = 100;
  ListView_InsertColumn(listBox, 0, &column);
  captions[1] = CreateControl(window, L"STATIC", TriggerCaptionId, L"Trigger", CaptionStyle);
  triggerEdit = CreateControl(window, L"EDIT", TriggerEditId, nullptr, EditStyle);
  captions[2] =
      CreateControl(window, L"STATIC", ExpansionCaptionId, L"Expansion Value", CaptionStyle);
  expansionEdit = CreateControl(window, L"EDIT", ExpansionEditId, nullptr, MultiLineEditStyle);
  SetWindowSubclass(expansionEdit, ExpansionFieldProc, 1, 0);
  addButton = CreateControl(window, L"BUTTON", AddButtonId, L"ADD", PushButtonStyle);
  deleteButton = CreateControl(window, L"BUTTON", DeleteButtonId, L"DELETE", PushButtonStyle);
  settingButton = CreateControl(window, L"BUTTON", SettingButtonId, L"SETTING", PushButtonStyle);
  searchKeyButton =
      CreateControl(window, L"BUTTON", SearchKeyButtonId, L"SEARCH KEY", PushButtonStyle);
  // The box carries its words for screen readers; they are drawn by the label beside it, in
  // the window's colours, and the box is too narrow to show them itself.
  startupCheck =
      CreateControl(window, L"BUTTON", StartupCheckId, L"Start on Startup", CheckBoxStyle);
  CreateControl(window, L"STATIC", StartupLabelId, L"Start on Startup", LabelStyle);
  statusText = CreateControl(window, L"STATIC", StatusTextId, nullptr, StatusStyle);
  LayoutControls();
  if (IsStartWithWindowsEnabled()) SendMessageW(startupCheck, BM_SETCHECK, BST_CHECKED, 0);
}

void AppWindow::LayoutControls() {
  HWND window = MainWindow();
  // The captions get the new font before the old one is deleted.
  UniqueFont oldCaptionFont = std::move(captionFont);
  captionFont = MakeFont(ScaleToDpi(16, dpi), FW_BOLD);
  for (const ControlPlace& place : MainControlPlaces()) {
    static constexpr WORD Ids[MainControlCount] = {
        SearchCaptionId,    SearchEditId,    ListBoxId,      TriggerCaptionId, TriggerEditId,
        ExpansionCaptionId, ExpansionEditId, AddButtonId,    DeleteButtonId,   SettingButtonId,
        SearchKeyButtonId,  StartupCheckId,  StartupLabelId, StatusTextId};
    HWND control = GetDlgItem(window, Ids[static_cast<std::size_t>(place.control)]);
    const LayoutRect rect = ScaleToDpi(place.rect, dpi);
    MoveWindow(control, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
    const bool caption = place.control == MainControl::SearchCaption ||
                         place.control == MainControl::TriggerCaption ||
                         place.control == MainControl::ExpansionCaption;
    if (caption) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(captionFont.get()), TRUE);
    } else {
      SetControlFont(control, false);
    }
  }
  // One column as wide as the list, less its scroll bar.
  RECT client{};
  GetClientRect(listBox, &client);
  ListView_SetColumnWidth(listBox, 0, client.right - GetSystemMetrics(SM_CXVSCROLL));
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

void AppWindow::OnCommand(HWND window, WORD id, WORD code) {
  switch (id) {
    case IDOK: {
      // Enter: adds from the fields, opens the chosen row from the list, goes from the search
      // to the list, and presses a focused button.
      HWND focus = GetFocus();
      if (focus == triggerEdit || focus == expansionEdit) {
        AddTrigger();
      } else if (focus == searchEdit) {
        SetFocus(listBox);
        if (!SelectedRow() && !search.Rows().empty()) {
          SelectRow(0);
          FillFieldsFromRow(0);
        }
      } else if (focus == listBox) {
        if (std::optional<std::size_t> row = SelectedRow()) {
          FillFieldsFromRow(*row);
          SetFocus(expansionEdit);
          SendMessageW(expansionEdit, EM_SETSEL, 0, -1);
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
      if (code == EN_CHANGE) FillTriggerList();
      return;
    case AddButtonId:
      AddTrigger();
      return;
    case DeleteButtonId:
      DeleteSelectedTrigger();
      return;
    case SettingButtonId:
      RunShortcutCapture();
      return;
    case SearchKeyButtonId:
      RunSearchShortcutCapture();
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

bool AppWindow::OnWindowKey(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  const bool ctrl = KeyIsDown(VK_CONTROL) && !KeyIsDown(VK_MENU);
  if (ctrl && message.wParam == 'F') {
    SetFocus(searchEdit);
    SendMessageW(searchEdit, EM_SETSEL, 0, -1);
    return true;
  }
  if (ctrl && message.wParam == 'A' &&
      (message.hwnd == searchEdit || message.hwnd == triggerEdit ||
       message.hwnd == expansionEdit)) {
    // Not every edit control selects everything on Ctrl+A by itself.
    SendMessageW(message.hwnd, EM_SETSEL, 0, -1);
    return true;
  }
  if (message.hwnd != listBox) return false;
  if (message.wParam == VK_DELETE && !ctrl) {
    DeleteSelectedTrigger();
    return true;
  }
  if (ctrl && message.wParam == 'Z') {
    UndoDelete();
    return true;
  }
  return false;
}

void AppWindow::OnActivate(WPARAM state) {
  HWND window = MainWindow();
  if (LOWORD(state) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window, focus)) focusBeforeDeactivation = focus;
    return;
  }
  // Coming back, the keys go where they went before; the first time, to the search.
  HWND focus = focusBeforeDeactivation != nullptr && IsWindow(focusBeforeDeactivation)
                   ? focusBeforeDeactivation
                   : searchEdit;
  SetFocus(focus);
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
                             app->settings.shortcutText, SearchShortcutText(app->settings));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetFieldColors(reinterpret_cast<HDC>(wParam));
      return reinterpret_cast<LRESULT>(FieldBrush.get());
    case WM_CTLCOLORSTATIC: {
      const auto control = reinterpret_cast<HWND>(lParam);
      SetStaticColors(reinterpret_cast<HDC>(wParam));
      const int id = GetDlgCtrlID(control);
      // Captions and the status line are the quieter text of the window.
      if (id == SearchCaptionId || id == TriggerCaptionId || id == ExpansionCaptionId ||
          id == StatusTextId) {
        SetTextColor(reinterpret_cast<HDC>(wParam), SecondaryTextColor);
      }
      return reinterpret_cast<LRESULT>(BackgroundBrush.get());
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.idFrom == ListBoxId) return app->OnListNotify(header);
      return byDefault();
    }
    case WM_ACTIVATE:
      app->OnActivate(wParam);
      return 0;
    case WM_NEXTDLGCTL: {
      // Sent by controls that move the focus themselves, as in a dialog.
      HWND next = LOWORD(lParam) != 0
                      ? reinterpret_cast<HWND>(wParam)
                      : GetNextDlgTabItem(window, GetFocus(), static_cast<BOOL>(wParam != 0));
      if (next != nullptr) SetFocus(next);
      return 0;
    }
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
