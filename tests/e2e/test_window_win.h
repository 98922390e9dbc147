// The frame of the small windows the end-to-end tests type into: a top-level window of its own
// class, "ready" on stdout once it stands, then its messages until it is closed.
#pragma once

#include <windows.h>

#include <cstdio>

namespace tarquel::e2e {

// Registers `className` with `procedure` and makes a top-level window of it; null on failure.
inline HWND CreateTestWindow(const wchar_t* className, const wchar_t* title, WNDPROC procedure,
                             RECT place, bool visible = true) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className;
  RegisterClassExW(&windowClass);
  return CreateWindowExW(0, className, title, WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0),
                         place.left, place.top, place.right - place.left, place.bottom - place.top,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}

// Prints "ready" and serves the thread's messages until WM_QUIT; the exit code.
inline int ServeTestWindow() {
  std::printf("ready\n");
  std::fflush(stdout);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}

}  // namespace tarquel::e2e
