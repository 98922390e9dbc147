#include "engine/keyboard_hook_win.h"

#include <cstdio>
#include <string>

#include "engine/send_expansion_win.h"

namespace tarquel {

void WindowsExpanderOutput::SendExpansion(std::size_t backspaces, std::string_view expansion) {
  tarquel::SendExpansion(backspaces, expansion);
}

void WindowsExpanderOutput::WriteDiagnostic(std::string_view line) {
  OutputDebugStringA(std::string(line).c_str());
}

KeyboardHook::~KeyboardHook() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

bool KeyboardHook::InstallHook() {
  hook_ = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, nullptr, 0);
  if (hook_ == nullptr) {
    std::fputs("Failed to install hook!\n", stderr);
    std::fflush(stderr);
    return false;
  }
  return true;
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM eventRecord) {
  if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(eventRecord);
    if (event->dwExtraInfo != InjectedEventTag && ActiveExpander != nullptr) {
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      if (ActiveExpander->OnKeyDown(event->vkCode, shift)) return 1;
    }
  }
  return CallNextHookEx(nullptr, code, message, eventRecord);
}

}  // namespace tarquel
