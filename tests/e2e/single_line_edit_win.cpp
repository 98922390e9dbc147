// A window holding one single-line Edit control, which keeps only the first line of a
// multi-line paste, for the undo test.
//   e2e_single_line_edit   shows the window (class TarquelSingleLine), prints "ready" and runs
//                          until it is ended; the Edit has the focus whenever the window has it.
#include <windows.h>

#include <cstdio>

#include "test_window_win.h"

namespace {

HWND Field = nullptr;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFOCUS:
      if (Field != nullptr) SetFocus(Field);
      return 0;
    case WM_SIZE:
      // The field fills the window, so that a click anywhere below the caption lands in it.
      if (Field != nullptr) MoveWindow(Field, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  HWND window = tarquel::e2e::CreateTestWindow(L"TarquelSingleLine", L"single line", WindowProc,
                                               {420, 40, 820, 200}, false);
  if (window == nullptr) return 1;
  Field = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                          10, 360, 28, window, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (Field == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  SetFocus(Field);
  return tarquel::e2e::ServeTestWindow();
}
