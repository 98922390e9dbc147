// An edit field that records every key-down it receives, as a remote desktop client sees them:
// one line per WM_KEYDOWN / WM_SYSKEYDOWN on stdout,
//   down vk=XX scan=YY extended=0|1
// in hexadecimal. VK_PACKET (E7) is a Unicode character event, which remote clients drop.
//   e2e_key_recorder   runs until its window is closed.
#include <windows.h>

#include <cstdio>

#include "test_window_win.h"

namespace {

constexpr int FieldId = 1;
WNDPROC EditProc = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    std::printf("down vk=%02X scan=%02X extended=%d\n", static_cast<unsigned>(wParam),
                static_cast<unsigned>((lParam >> 16) & 0xFF), static_cast<int>((lParam >> 24) & 1));
    std::fflush(stdout);
  }
  return CallWindowProcW(EditProc, window, message, wParam, lParam);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto instance = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance;
      HWND field = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                   WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 400, 28, window,
                                   reinterpret_cast<HMENU>(FieldId), instance, nullptr);
      EditProc = reinterpret_cast<WNDPROC>(
          SetWindowLongPtrW(field, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingProc)));
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  HWND window = tarquel::e2e::CreateTestWindow(L"TarquelKeyRecorder", L"Remote session", WindowProc,
                                               {400, 100, 840, 190});
  return window != nullptr ? tarquel::e2e::ServeTestWindow() : 1;
}
