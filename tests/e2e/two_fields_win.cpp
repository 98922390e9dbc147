// A form with two edit fields (ids 1 and 2) where Tab and Shift+Tab move between them, as in a
// dialog or a web form. Every character a field gets is printed as one line
//   char=HEX id=ID time=MS
// (the UTF-16 unit, the field's id, the message's time), so that a test sees where each key
// went and how far apart they came.
//   e2e_two_fields [CLASS]   the window's class (ASCII; TarquelTwoFields by default); runs
//                            until its window is closed.
#include <windows.h>

#include <cstdio>
#include <string>

#include "test_window_win.h"

namespace {

constexpr int FirstId = 1;
constexpr int SecondId = 2;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto instance = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance;
      int top = 10;
      for (int id : {FirstId, SecondId}) {
        CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10, top, 400, 28,
                        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                        nullptr);
        top += 50;
      }
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

int main(int argc, char** argv) {
  const std::string name = argc > 1 ? argv[1] : "TarquelTwoFields";
  const std::wstring className(name.begin(), name.end());
  HWND window = tarquel::e2e::CreateTestWindow(className.c_str(), L"Two fields", WindowProc,
                                               {400, 100, 860, 260});
  if (window == nullptr) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    // Seen here before IsDialogMessage, which translates and dispatches the fields' messages.
    if (message.message == WM_CHAR) {
      std::printf("char=%04X id=%d time=%lu\n", static_cast<unsigned>(message.wParam),
                  GetDlgCtrlID(message.hwnd), static_cast<unsigned long>(message.time));
      std::fflush(stdout);
    }
    // Tab and Shift+Tab move the focus as in a dialog.
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
