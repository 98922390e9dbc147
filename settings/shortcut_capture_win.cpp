#include "settings/shortcut_capture_win.h"

#include <cstdint>
#include <optional>
#include <string>

#include "engine/input/keyboard_layout_win.h"
#include "settings/capture_rule.h"
#include "settings/shortcut.h"
#include "util/dpi.h"
#include "util/dpi_win.h"
#include "util/gdi_win.h"
#include "util/wide_text_win.h"

namespace tarquel {
namespace {

constexpr const wchar_t* CaptureClassName = L"ShortcutCapture";
// At 96 DPI, scaled to the DPI of the monitor the dialog is on.
constexpr int CaptureWidth = 320;
constexpr int CaptureHeight = 160;
constexpr int CaptureFontHeight = 16;
struct Place {
  int x, y, width, height;
};
constexpr Place LabelPlace{10, 30, 300, 40};
constexpr Place CancelPlace{110, 90, 100, 35};
constexpr WORD CancelButtonId = 2;
constexpr COLORREF CaptureBackgroundColor = RGB(45, 45, 50);
constexpr COLORREF CaptureTextColor = RGB(255, 255, 255);

struct CaptureOutcome {
  bool captured = false;
  std::uint32_t modifiers = 0;
  std::uint32_t key = 0;
};

// The dialog's window procedure gets no user data: it reports through these.
CaptureOutcome CaptureResult;
HWND CaptureLabel = nullptr;
HWND CaptureCancel = nullptr;
int CaptureDpi = BaseDpi;
bool CaptureClassRegistered = false;
UniqueFont CaptureLabelFont;
// The label must paint its own background: with none, a new hint would be drawn over the old
// one. The dialog's own colour keeps the look of a transparent label.
UniqueBrush CaptureLabelBrush;

void OnCaptureKey(HWND dialog, std::uint32_t key) {
  // The state as of this message, not of this moment: when the message is handled late, the
  // modifiers may already be up again.
  auto down = [](int modifierKey) { return (GetKeyState(modifierKey) & 0x8000) != 0; };
  const std::uint32_t modifiers = CaptureModifiers(down(VK_CONTROL), down(VK_MENU), down(VK_SHIFT));
  const CaptureVerdict verdict =
      JudgeCapturedKey(modifiers, key, LayoutTypesWithAltGr(GetKeyboardLayout(0), key));
  if (verdict == CaptureVerdict::Accept) {
    CaptureResult = {true, modifiers, key};
    DestroyWindow(dialog);
    return;
  }
  const std::string_view hint = CaptureLabelFor(verdict);
  if (!hint.empty()) SetWindowTextUtf8(CaptureLabel, hint);
}

void PlaceScaled(HWND control, const Place& place) {
  auto s = [](int length) { return ScaleToDpi(length, CaptureDpi); };
  SetWindowPos(control, nullptr, s(place.x), s(place.y), s(place.width), s(place.height),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// The label and the button at CaptureDpi, in a font made for it; the old font is deleted only
// once neither control uses it.
void LayoutCaptureControls() {
  UniqueFont font = MakeFont(ScaleToDpi(CaptureFontHeight, CaptureDpi), FW_NORMAL);
  for (HWND control : {CaptureLabel, CaptureCancel}) {
    if (control == nullptr) continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  }
  CaptureLabelFont = std::move(font);
  if (CaptureLabel != nullptr) PlaceScaled(CaptureLabel, LabelPlace);
  if (CaptureCancel != nullptr) PlaceScaled(CaptureCancel, CancelPlace);
}

void CreateCaptureControls(HWND dialog) {
  CaptureLabel = CreateWindowExW(0, L"STATIC", Wide(CapturePromptText).c_str(),
                                 WS_CHILD | WS_VISIBLE | SS_CENTER, 0, 0, 0, 0, dialog, nullptr,
                                 nullptr, nullptr);
  CaptureCancel = CreateWindowExW(
      0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(CancelButtonId)), nullptr, nullptr);
  LayoutCaptureControls();
}

LRESULT CALLBACK CaptureWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CaptureResult = {};
      CaptureDpi = DpiForWindow(dialog);
      CreateCaptureControls(dialog);
      return 0;
    case WM_DPICHANGED: {
      CaptureDpi = LOWORD(wParam);
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(dialog, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                   suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
      LayoutCaptureControls();
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Also keeps Alt+F4 and Alt+letter from reaching the system: they are candidates.
      OnCaptureKey(dialog, static_cast<std::uint32_t>(wParam));
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) != CancelButtonId) return DefWindowProcW(dialog, message, wParam, lParam);
      DestroyWindow(dialog);
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(dialog, &client);
      UniqueBrush brush = MakeBrush(CaptureBackgroundColor);
      FillRect(reinterpret_cast<HDC>(wParam), &client, brush.get());
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, CaptureTextColor);
      SetBkMode(dc, TRANSPARENT);
      if (!CaptureLabelBrush) CaptureLabelBrush = MakeBrush(CaptureBackgroundColor);
      return reinterpret_cast<LRESULT>(CaptureLabelBrush.get());
    }
    case WM_NCDESTROY:
      // The last message, after the label is gone: its font may go too.
      CaptureLabel = nullptr;
      CaptureCancel = nullptr;
      CaptureLabelFont.reset();
      return DefWindowProcW(dialog, message, wParam, lParam);
    default:
      return DefWindowProcW(dialog, message, wParam, lParam);
  }
}

void RegisterCaptureClass(HINSTANCE module) {
  if (CaptureClassRegistered) return;
  WNDCLASSW captureClass{};
  captureClass.lpfnWndProc = CaptureWindowProc;
  captureClass.hInstance = module;
  captureClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  captureClass.lpszClassName = CaptureClassName;
  CaptureClassRegistered = RegisterClassW(&captureClass) != 0;
}

}  // namespace

std::optional<Shortcut> CaptureShortcutDialog(HWND owner, const wchar_t* title) {
  HINSTANCE module = GetModuleHandleW(nullptr);
  RegisterCaptureClass(module);

  HWND window = owner;
  EnableWindow(window, FALSE);
  // Cleared here as well: a dialog that fails to be created must not replay the last capture.
  CaptureResult = {};
  // Sized for the monitor at the middle of the primary screen, where it opens.
  const int openingDpi = DpiOfPrimaryScreenCentre();
  const int width = ScaleToDpi(CaptureWidth, openingDpi);
  const int height = ScaleToDpi(CaptureHeight, openingDpi);
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, CaptureClassName, title,
                                WS_POPUP | WS_VISIBLE | WS_CAPTION, x, y, width, height, nullptr,
                                nullptr, module, nullptr);

  // The hook, the toggle hotkey, the tray and the overlays are all served from here meanwhile.
  bool quitting = false;
  WPARAM quitCode = 0;
  MSG message{};
  while (dialog != nullptr && IsWindow(dialog)) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      quitting = true;
      quitCode = message.wParam;
      break;
    }
    if (got == -1) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  if (dialog != nullptr && IsWindow(dialog)) DestroyWindow(dialog);
  EnableWindow(window, TRUE);
  if (quitting) {
    // This loop took the main loop's quit message ("Quit" in the tray while the dialog was
    // open); put it back so that the program really ends.
    PostQuitMessage(static_cast<int>(quitCode));
    return std::nullopt;
  }
  SetForegroundWindow(window);
  if (!CaptureResult.captured) return std::nullopt;
  return Shortcut{CaptureResult.modifiers, CaptureResult.key};
}

}  // namespace tarquel
