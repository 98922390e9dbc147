// Programs that make a paste hard, for the slow-clipboard and paste-protocol tests:
//   e2e_slow_clipboard           owns the clipboard with Unicode text it renders only when asked,
//                                taking 3 s each time, as a spreadsheet's formats may
//                                ("rendered N" after each)
//   e2e_slow_clipboard never     owns it with Unicode text it never renders ("asked N" each time)
//   e2e_slow_clipboard hold MS   holds the clipboard open for MS milliseconds, then lets go
//                                ("released")
//   e2e_slow_clipboard monitor   a clipboard monitor that ignores the exclusion formats: on
//                                every change it reads the Unicode text ("read HEX" or
//                                "read nothing")
//   e2e_slow_clipboard target    a window (class TarquelLateTarget) with an Edit control that
//                                pastes 3 s after Ctrl+V, its thread busy meanwhile ("pasted")
// Each prints "ready" once it is in place, and runs until it is ended; exit 1 when it could not
// take the clipboard or make its window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr wchar_t Text[] = L"the slow owner's text";
constexpr DWORD RenderDelayMs = 3000;
constexpr DWORD PasteDelayMs = 3000;
int Renders = 0;
bool RendersAtAll = true;
WNDPROC EditProc = nullptr;

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

void Render() {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof Text);
  if (memory == nullptr) return;
  std::memcpy(GlobalLock(memory), Text, sizeof Text);
  GlobalUnlock(memory);
  if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
}

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RENDERFORMAT:
      if (wParam == CF_UNICODETEXT) {
        if (!RendersAtAll) {
          Say("asked " + std::to_string(++Renders));
          return 0;
        }
        Sleep(RenderDelayMs);
        Render();
        Say("rendered " + std::to_string(++Renders));
      }
      return 0;
    case WM_RENDERALLFORMATS:
      if (RendersAtAll && OpenClipboard(window)) {
        if (GetClipboardOwner() == window) Render();
        CloseClipboard();
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

std::string Hex(const wchar_t* text) {
  std::string hex;
  char digits[8];
  for (const wchar_t* c = text; *c != 0; ++c) {
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(*c));
    hex += digits;
  }
  return hex;
}

LRESULT CALLBACK MonitorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_CLIPBOARDUPDATE) return DefWindowProcW(window, message, wParam, lParam);
  std::string line = "read nothing";
  for (int attempt = 0; attempt < 100 && !OpenClipboard(window); ++attempt) Sleep(10);
  if (GetOpenClipboardWindow() == window) {
    if (HANDLE handle = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* text = static_cast<const wchar_t*>(GlobalLock(handle))) {
        line = "read " + Hex(text);
        GlobalUnlock(handle);
      }
    }
    CloseClipboard();
  }
  Say(line);
  return 0;
}

LRESULT CALLBACK LateEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PASTE) {
    // Busy as a loaded mail program is: the keys after Ctrl+V wait in the queue meanwhile.
    Sleep(PasteDelayMs);
    LRESULT result = CallWindowProcW(EditProc, window, message, wParam, lParam);
    Say("pasted");
    return result;
  }
  return CallWindowProcW(EditProc, window, message, wParam, lParam);
}

HWND Edit = nullptr;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
    case WM_ACTIVATE:
      if (Edit != nullptr) SetFocus(Edit);
      return message == WM_ACTIVATE ? DefWindowProcW(window, message, wParam, lParam) : 0;
    case WM_SIZE:
      if (Edit != nullptr) MoveWindow(Edit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

HWND MakeWindow(const wchar_t* name, WNDPROC proc, bool messageOnly) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = name;
  RegisterClassExW(&windowClass);
  if (messageOnly) {
    return CreateWindowExW(0, name, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
  }
  return CreateWindowExW(0, name, L"Late paste target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 600, 100,
                         500, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
}

int Serve() {
  Say("ready");
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "hold") {
    HWND window = MakeWindow(L"TarquelClipboardHolder", DefWindowProcW, true);
    if (window == nullptr || !OpenClipboard(window)) return 1;
    Say("ready");
    Sleep(argc > 2 ? static_cast<DWORD>(std::atoi(argv[2])) : 2000);
    CloseClipboard();
    Say("released");
    return Serve();
  }
  if (mode == "monitor") {
    HWND window = MakeWindow(L"TarquelClipboardMonitor", MonitorProc, true);
    if (window == nullptr || !AddClipboardFormatListener(window)) return 1;
    return Serve();
  }
  if (mode == "target") {
    HWND window = MakeWindow(L"TarquelLateTarget", TargetProc, false);
    if (window == nullptr) return 1;
    RECT client{};
    GetClientRect(window, &client);
    Edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL,
                           0, 0, client.right, client.bottom, window, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    if (Edit == nullptr) return 1;
    EditProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&LateEditProc)));
    SetFocus(Edit);
    return Serve();
  }
  RendersAtAll = mode != "never";
  HWND window = MakeWindow(L"TarquelSlowClipboardOwner", OwnerProc, true);
  if (window == nullptr || !OpenClipboard(window)) return 1;
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, nullptr);
  CloseClipboard();
  return Serve();
}
