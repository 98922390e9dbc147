#include "engine/keyboard_hook_win.h"

#include <cstdio>
#include <string>

#include "engine/send_expansion_win.h"

#ifdef TARQUEL_HOOK_TIMING
#include "engine/hook_timing.h"
#endif

namespace tarquel {

#ifdef TARQUEL_HOOK_TIMING
namespace {

// Diagnostics build only (TARQUEL_HOOK_TIMING): the engine's time per key-down, written as one
// debugger line when the program ends. A static object, so the samples live in the image's
// zeroed data and the hook never allocates.
class HookTimingLog {
 public:
  ~HookTimingLog() {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    OutputDebugStringA(timings.Summary(static_cast<std::uint64_t>(frequency.QuadPart)).c_str());
  }
  HookTimings timings;
};
HookTimingLog TimingLog;

// Records the time from its construction to the end of its scope, whichever way it ends.
class HookTimer {
 public:
  HookTimer() { QueryPerformanceCounter(&start_); }
  ~HookTimer() {
    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    TimingLog.timings.Record(static_cast<std::uint64_t>(end.QuadPart - start_.QuadPart));
  }
  HookTimer(const HookTimer&) = delete;
  HookTimer& operator=(const HookTimer&) = delete;

 private:
  LARGE_INTEGER start_;
};

}  // namespace
#endif

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

// In the hotkey bits (Alt 1, Ctrl 2, Shift 4, Win 8), so that the engine can recognise the
// toggle shortcut's key-down. The asynchronous state: this thread's own key state only follows
// the keys sent to its own windows, and the modifiers pressed before this key are already in it.
static std::uint32_t HeldModifiers() {
  auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
  std::uint32_t held = 0;
  if (down(VK_MENU)) held |= 1u;
  if (down(VK_CONTROL)) held |= 2u;
  if (down(VK_SHIFT)) held |= 4u;
  if (down(VK_LWIN) || down(VK_RWIN)) held |= 8u;
  return held;
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM eventRecord) {
  if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(eventRecord);
    if (event->dwExtraInfo != InjectedEventTag && ActiveExpander != nullptr) {
#ifdef TARQUEL_HOOK_TIMING
      HookTimer timer;
#endif
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      if (ActiveExpander->OnKeyDown(event->vkCode, shift, HeldModifiers())) return 1;
    }
  }
  return CallNextHookEx(nullptr, code, message, eventRecord);
}

}  // namespace tarquel
