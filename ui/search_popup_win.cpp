#include "ui/search_popup_win.h"
// After windows.h, whose types it uses.
#include <commctrl.h>

#include <string>

#include "engine/output/expansion_sender_win.h"
#include "ui/search_popup.h"
#include "ui/trigger_list.h"
#include "util/text_encoding.h"

namespace tarquel {

namespace {

constexpr int SearchHotkeyId = 3;
constexpr int FieldId = 301;
constexpr int ListId = 302;
constexpr UINT_PTR FieldSubclassId = 1;
constexpr int PopupWidth = 560;
constexpr int PopupHeight = 320;
constexpr int FieldHeight = 28;
// Enough to choose from; more would only cost time at every key in a table of 100,000.
constexpr std::size_t ShownLimit = 200;
// How often the return of the focus to the target is looked at (RefocusWatch counts ticks).
constexpr UINT RefocusTickMs = 25;
constexpr UINT_PTR RefocusTimerId = 1;

std::wstring Wide(std::string_view utf8) {
  std::u16string text = Utf8ToUtf16(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string FieldText(HWND field) {
  int length = GetWindowTextLengthW(field);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(field, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return Utf16ToUtf8(std::u16string(text.begin(), text.end()));
}

// The caret of the focused window in screen coordinates, else the mouse pointer.
ScreenRect Anchor(HWND target) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = target != nullptr ? GetWindowThreadProcessId(target, nullptr) : 0;
  if (thread != 0 && GetGUIThreadInfo(thread, &info) && info.hwndCaret != nullptr) {
    POINT corners[2] = {{info.rcCaret.left, info.rcCaret.top},
                        {info.rcCaret.right, info.rcCaret.bottom}};
    MapWindowPoints(info.hwndCaret, nullptr, corners, 2);
    return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  }
  POINT mouse{};
  GetCursorPos(&mouse);
  return {mouse.x, mouse.y, mouse.x, mouse.y};
}

ScreenRect WorkAreaAround(const ScreenRect& anchor) {
  HMONITOR monitor = MonitorFromPoint({anchor.left, anchor.top}, MONITOR_DEFAULTTONEAREST);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

// A row reads "trigger  →  expansion", the expansion on one line, then the entry's group and
// options when it has any.
std::wstring RowText(const TriggerTable& table, const TriggerTable::Entry& entry) {
  std::wstring row = Wide(entry.first) + L"  \u2192  " + Wide(entry.second.substr(0, 200));
  if (const std::string note = RowNote(table, entry.first); !note.empty()) {
    row += L"    " + Wide(note);
  }
  for (wchar_t& c : row) {
    if (c == L'\r' || c == L'\n' || c == L'\t') c = L' ';
  }
  return row;
}

}  // namespace

SearchPopup::SearchPopup(const TriggerTable& table) : table_(table) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.hInstance = module;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = SearchPopupClassName;
  RegisterWindowClass(windowClass);
  window_ = CreateBaseWindow(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, SearchPopupClassName, L"Tarquel",
                             WS_POPUP | WS_BORDER, 0, 0, PopupWidth, PopupHeight);
  if (window_ == nullptr) return;
  font_ =
      CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                  CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, L"Segoe UI");
  field_ = CreateWindowExW(
      0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 4, 4, PopupWidth - 10, FieldHeight,
      window_, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(FieldId)), module, nullptr);
  list_ = CreateWindowExW(0, L"LISTBOX", L"",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, 4,
                          FieldHeight + 8, PopupWidth - 10, PopupHeight - FieldHeight - 14, window_,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ListId)), module, nullptr);
  SendMessageW(field_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  SendMessageW(list_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  // The field keeps the focus; the arrow keys, Enter and Escape reach the list through it.
  SetWindowSubclass(field_, FieldProc, FieldSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

SearchPopup::~SearchPopup() {
  if (field_ != nullptr) RemoveWindowSubclass(field_, FieldProc, FieldSubclassId);
  if (registered_) UnregisterHotKey(window_, SearchHotkeyId);
  if (window_ != nullptr) DestroyWindow(window_);
  if (font_ != nullptr) DeleteObject(font_);
}

bool SearchPopup::RegisterShortcut(const Shortcut& shortcut) {
  if (window_ == nullptr) return false;
  if (registered_) UnregisterHotKey(window_, SearchHotkeyId);
  registered_ =
      RegisterHotKey(window_, SearchHotkeyId, shortcut.modifiers | MOD_NOREPEAT, shortcut.key) != 0;
  if (!registered_) OutputDebugStringA("Warning: Failed to register search shortcut\n");
  return registered_;
}

void SearchPopup::Open() {
  if (window_ == nullptr) return;
  // Opened again before an insert went out: the user chooses anew.
  if (refocusing_) {
    KillTimer(window_, RefocusTimerId);
    refocusing_ = false;
    pendingInsert_.reset();
  }
  HWND foreground = GetForegroundWindow();
  if (foreground != window_) target_ = foreground;
  ScreenRect anchor = Anchor(target_);
  ScreenRect place = PlaceSearchPopup(anchor, PopupWidth, PopupHeight, WorkAreaAround(anchor));
  SetWindowPos(window_, HWND_TOPMOST, place.left, place.top, place.right - place.left,
               place.bottom - place.top, SWP_SHOWWINDOW);
  SetWindowTextW(field_, L"");
  Refilter();
  SetForegroundWindow(window_);
  SetFocus(field_);
  OutputDebugStringA("Search popup opened\n");
}

void SearchPopup::TableChanged() {
  if (window_ != nullptr && IsWindowVisible(window_)) {
    Refilter();
  } else {
    shown_.clear();
  }
}

void SearchPopup::Refilter() {
  shown_ = FilterTriggers(table_, FieldText(field_), ShownLimit);
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LB_RESETCONTENT, 0, 0);
  for (const TriggerTable::Entry* entry : shown_) {
    SendMessageW(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(RowText(table_, *entry).c_str()));
  }
  if (!shown_.empty()) SendMessageW(list_, LB_SETCURSEL, 0, 0);
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void SearchPopup::Close() {
  if (IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
}

void SearchPopup::InsertChosen() {
  LRESULT row = SendMessageW(list_, LB_GETCURSEL, 0, 0);
  if (row == LB_ERR || static_cast<std::size_t>(row) >= shown_.size()) return;
  // Copies: the table may change before the focus is back.
  const TriggerTable::Entry& entry = *shown_[static_cast<std::size_t>(row)];
  ReturnToTarget(std::pair{entry.first, entry.second});
}

void SearchPopup::ReturnToTarget(std::optional<std::pair<std::string, std::string>> insert) {
  pendingInsert_ = std::move(insert);
  Close();
  refocus_ = RefocusWatch{};
  refocusing_ = true;
  if (target_ != nullptr && IsWindow(target_)) SetForegroundWindow(target_);
  // Judged from the message loop, where the system's late activations arrive between ticks.
  SetTimer(window_, RefocusTimerId, RefocusTickMs, nullptr);
}

void SearchPopup::OnRefocusTick() {
  HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  if (foreground != nullptr) GetWindowThreadProcessId(foreground, &process);
  const ForegroundIs now = target_ == nullptr || !IsWindow(target_) ? ForegroundIs::TargetGone
                           : foreground == target_                  ? ForegroundIs::Target
                           : foreground == nullptr                  ? ForegroundIs::Nothing
                           : process == GetCurrentProcessId()       ? ForegroundIs::Ours
                                                                    : ForegroundIs::Other;
  const RefocusStep step = refocus_.Next(now);
  if (step == RefocusStep::Wait) return;
  if (step == RefocusStep::AskAgain) {
    SetForegroundWindow(target_);
    return;
  }
  KillTimer(window_, RefocusTimerId);
  refocusing_ = false;
  std::optional<std::pair<std::string, std::string>> insert = std::move(pendingInsert_);
  pendingInsert_.reset();
  if (!insert) return;
  if (step == RefocusStep::GiveUp || ActiveSender == nullptr) {
    // Closed meanwhile, or Windows would not hand the focus back (another program took it):
    // whatever is in front now is not where the user chose to insert.
    OutputDebugStringA("Search popup: the window it came from is not in front; nothing inserted\n");
    return;
  }
  ExpansionRequest request;
  // Nothing typed to erase, and nothing to type back should Backspace take the text back.
  request.expansion = insert->second;
  ActiveSender->Queue(request, ModifierState{});
  OutputDebugStringA(("Search popup inserted: '" + insert->first + "'\n").c_str());
}

LRESULT CALLBACK SearchPopup::FieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR self) {
  auto* popup = reinterpret_cast<SearchPopup*>(self);
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (message == WM_KEYDOWN) {
    switch (wParam) {
      case VK_UP:
      case VK_DOWN:
      case VK_PRIOR:
      case VK_NEXT:
        SendMessageW(popup->list_, WM_KEYDOWN, wParam, lParam);
        return 0;
      case VK_RETURN:
        popup->InsertChosen();
        return 0;
      case VK_ESCAPE:
        popup->ReturnToTarget(std::nullopt);
        return 0;
      default:
        break;
    }
  }
  // Enter and Escape would also arrive as characters and beep.
  if (message == WM_CHAR && (wParam == L'\r' || wParam == 0x1B)) return 0;
  return DefSubclassProc(field, message, wParam, lParam);
}

LRESULT SearchPopup::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_HOTKEY:
      if (wParam == SearchHotkeyId) Open();
      return 0;
    case WM_TIMER:
      if (wParam == RefocusTimerId) OnRefocusTick();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == FieldId && HIWORD(wParam) == EN_CHANGE) {
        Refilter();
      } else if (LOWORD(wParam) == ListId && HIWORD(wParam) == LBN_DBLCLK) {
        InsertChosen();
      }
      return 0;
    case WM_ACTIVATE:
      // Another window took the focus: the popup has nothing more to offer.
      if (LOWORD(wParam) == WA_INACTIVE) Close();
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace tarquel
