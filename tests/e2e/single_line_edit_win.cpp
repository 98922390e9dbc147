// A window holding one single-line Edit control, which keeps only the first line of a
// multi-line paste, for the undo test.
//   e2e_single_line_edit   shows the window (class TarquelSingleLine), prints "ready" and runs
//                          until it is ended; the Edit has the focus whenever the window has it.
#include <windows.h>

#include <cstdio>

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
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"TarquelSingleLine";
  RegisterClassExW(&windowClass);
  HWND window =
      CreateWindowExW(0, windowClass.lpszClassName, L"single line", WS_OVERLAPPEDWINDOW, 420, 40,
                      400, 160, nullptr, nullptr, windowClass.hInstance, nullptr);
  if (window == nullptr) return 1;
  Field = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL, 10,
                          10, 360, 28, window, nullptr, windowClass.hInstance, nullptr);
  if (Field == nullptr) return 1;
  ShowWindow(window, SW_SHOW);
  SetFocus(Field);
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
