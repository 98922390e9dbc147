#pragma once

#include <windows.h>

namespace tarquel {

// The base of an object that owns one window of its own class. The window carries the object's
// address in GWLP_USERDATA from WM_NCCREATE on, so the class's procedure finds its object from
// the handle alone; messages before WM_NCCREATE (WM_GETMINMAXINFO) and after WM_NCDESTROY go to
// DefWindowProcW. `Derived` answers with
//   LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
template <typename Derived>
class BaseWindow {
 public:
  HWND Window() const { return window_; }

 protected:
  BaseWindow() = default;
  ~BaseWindow() = default;
  BaseWindow(const BaseWindow&) = delete;
  BaseWindow& operator=(const BaseWindow&) = delete;

  // Registers `windowClass` with this type's procedure; a class already registered (a second
  // object of the type) counts as registered.
  static bool RegisterWindowClass(WNDCLASSEXW windowClass) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    if (windowClass.hInstance == nullptr) windowClass.hInstance = GetModuleHandleW(nullptr);
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }

  // CreateWindowExW with this object as the creation parameter; the handle is also Window().
  HWND CreateBaseWindow(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                        int x, int y, int width, int height, HWND parent = nullptr) {
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, nullptr,
                           GetModuleHandleW(nullptr), static_cast<Derived*>(this));
  }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self =
          static_cast<Derived*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
      if (self != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        // Known from here, before CreateWindowExW returns: WM_CREATE and the first
        // WM_SIZE come first.
        static_cast<BaseWindow*>(self)->window_ = window;
      }
    }
    auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      static_cast<BaseWindow*>(self)->window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->OnMessage(window, message, wParam, lParam);
  }

  HWND window_ = nullptr;
};

}  // namespace tarquel
