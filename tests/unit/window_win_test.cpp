// A window's object found from its handle, with message-only windows under Wine. Windows only.
#ifdef _WIN32

#include "util/window_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

constexpr const wchar_t* ProbeClassName = L"TarquelWindowProbe";
constexpr UINT PingMessage = WM_APP + 1;

// Records what reaches it and answers a ping with its own number.
class ProbeWindow : public BaseWindow<ProbeWindow> {
 public:
  explicit ProbeWindow(int number) : number_(number) {
    WNDCLASSEXW windowClass{};
    windowClass.lpszClassName = ProbeClassName;
    registered_ = RegisterWindowClass(windowClass);
    CreateBaseWindow(0, ProbeClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE);
  }
  ~ProbeWindow() {
    if (Window() != nullptr) DestroyWindow(Window());
  }

  bool registered_ = false;
  HWND handleAtCreate_ = nullptr;
  std::vector<UINT> seen_;

 private:
  friend class BaseWindow<ProbeWindow>;

  LRESULT OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    seen_.push_back(message);
    switch (message) {
      case WM_CREATE:
        handleAtCreate_ = Window();
        return 0;
      case PingMessage:
        return number_;
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  int number_;
};

TEST(BaseWindow, EachWindowReachesItsOwnObjectFromWmCreateOn) {
  ProbeWindow first(1);
  ProbeWindow second(2);
  ASSERT_TRUE(first.registered_);
  // The second object of the class finds it registered already.
  ASSERT_TRUE(second.registered_);
  ASSERT_NE(first.Window(), nullptr);
  ASSERT_NE(second.Window(), nullptr);
  EXPECT_EQ(first.handleAtCreate_, first.Window());
  EXPECT_EQ(SendMessageW(first.Window(), PingMessage, 0, 0), 1);
  EXPECT_EQ(SendMessageW(second.Window(), PingMessage, 0, 0), 2);
}

TEST(BaseWindow, ForgetsTheWindowOnceItIsDestroyed) {
  ProbeWindow probe(7);
  HWND window = probe.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_EQ(probe.Window(), nullptr);
  ASSERT_FALSE(probe.seen_.empty());
  EXPECT_EQ(probe.seen_.back(), static_cast<UINT>(WM_DESTROY));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32
