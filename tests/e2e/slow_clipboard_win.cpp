// Owns the clipboard with Unicode text it renders only when asked, taking 3 s each time, as a
// spreadsheet's formats may. Whoever saves the clipboard then waits that long in GetClipboardData.
//   e2e_slow_clipboard   puts its offer on the clipboard, prints "ready", and serves render
//                        requests ("rendered N" after each) until it is ended; exit 1 when the
//                        clipboard could not be taken.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr wchar_t Text[] = L"the slow owner's text";
constexpr DWORD RenderDelayMs = 3000;
int Renders = 0;

void Render() {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof Text);
  if (memory == nullptr) return;
  std::memcpy(GlobalLock(memory), Text, sizeof Text);
  GlobalUnlock(memory);
  if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_RENDERFORMAT:
      if (wParam == CF_UNICODETEXT) {
        Sleep(RenderDelayMs);
        Render();
        std::printf("rendered %d\n", ++Renders);
        std::fflush(stdout);
      }
      return 0;
    case WM_RENDERALLFORMATS:
      if (OpenClipboard(window)) {
        if (GetClipboardOwner() == window) Render();
        CloseClipboard();
      }
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TarquelSlowClipboardOwner";
  RegisterClassExW(&windowClass);
  HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr || !OpenClipboard(window)) return 1;
  EmptyClipboard();
  SetClipboardData(CF_UNICODETEXT, nullptr);
  CloseClipboard();
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
