// A window with a plain edit field (id 1) and a password field (id 2, ES_PASSWORD), as a
// sign-in form has them. After every change it prints both texts as one line
//   plain=<UTF-8>|secret=<UTF-8>
// (what the fields hold, read in this process: another process may not read a password field).
//   e2e_password_field   runs until its window is closed.
#include <windows.h>

#include <cstdio>

#include <string>
#include "test_window_win.h"

namespace {

constexpr int PlainId = 1;
constexpr int SecretId = 2;

std::string TextOf(HWND window, int id) {
  wchar_t text[512];
  const int length = GetDlgItemTextW(window, id, text, 512);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), bytes, nullptr, nullptr);
  }
  return utf8;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      const auto instance = reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance;
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10,
                      10, 300, 28, window, reinterpret_cast<HMENU>(PlainId), instance, nullptr);
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                      WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_PASSWORD, 10, 60, 300, 28, window,
                      reinterpret_cast<HMENU>(SecretId), instance, nullptr);
      return 0;
    }
    case WM_COMMAND:
      if (HIWORD(wParam) == EN_CHANGE) {
        std::printf("plain=%s|secret=%s\n", TextOf(window, PlainId).c_str(),
                    TextOf(window, SecretId).c_str());
        std::fflush(stdout);
      }
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
  HWND window = tarquel::e2e::CreateTestWindow(L"TarquelPasswordForm", L"Sign in", WindowProc,
                                               {400, 100, 740, 240});
  return window != nullptr ? tarquel::e2e::ServeTestWindow() : 1;
}
