#include "engine/keyboard_hook_win.h"

#include <cstdio>
#include <iterator>
#include <string>

#include "engine/send_expansion_win.h"

#ifdef TARQUEL_HOOK_TIMING
#include "engine/hook_timing.h"
#endif

namespace tarquel {

namespace {

// The hook is a plain function, so it reaches the watchdog and the timer reaches the hook object
// through these; one KeyboardHook exists at a time.
HookWatchdog* ActiveWatchdog = nullptr;
KeyboardHook* ActiveHook = nullptr;

constexpr UINT WatchdogPeriodMs = 1000;

#ifdef TARQUEL_WATCHDOG_DRILL
// Diagnostics build only (TARQUEL_WATCHDOG_DRILL): Wine never removes a hook, so this build does
// what Windows would, once: on the first timer tick after the hook has seen a key it unhooks it
// without telling the watchdog. A short silence limit keeps the end-to-end test quick.
constexpr std::uint32_t WatchdogSilenceLimitMs = 1000;
bool DrillDone = false;
bool DrillKeySeen = false;
#else
constexpr std::uint32_t WatchdogSilenceLimitMs = HookWatchdog::DefaultSilenceLimitMs;
#endif

}  // namespace

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

namespace {

std::string ExecutableNameOf(DWORD processId) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return {};
  wchar_t path[MAX_PATH * 4];
  DWORD length = static_cast<DWORD>(std::size(path));
  const bool found = QueryFullProcessImageNameW(process, 0, path, &length) != 0;
  CloseHandle(process);
  if (!found) return {};
  std::wstring_view full(path, length);
  std::wstring_view name = full.substr(full.find_last_of(L"\\/") + 1);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8.data(), bytes,
                        nullptr, nullptr);
  }
  return utf8;
}

}  // namespace

FocusedProgram WindowsExpanderOutput::ProgramWithFocus() {
  HWND foreground = GetForegroundWindow();
  DWORD processId = 0;
  if (foreground != nullptr) GetWindowThreadProcessId(foreground, &processId);
  if (foreground == lastForeground_ && processId == lastProcessId_) return lastProgram_;
  lastForeground_ = foreground;
  lastProcessId_ = processId;
  lastProgram_ = FocusedProgram{};
  if (processId == GetCurrentProcessId()) {
    lastProgram_.ownWindow = true;
  } else if (processId != 0) {
    lastProgram_.executableName = ExecutableNameOf(processId);
  }
  return lastProgram_;
}

KeyboardHook::~KeyboardHook() {
  if (watchdogTimer_ != 0) KillTimer(nullptr, watchdogTimer_);
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (ActiveWatchdog == watchdog_.get()) ActiveWatchdog = nullptr;
  if (ActiveHook == this) ActiveHook = nullptr;
}

bool KeyboardHook::InstallHook() {
  hook_ = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, nullptr, 0);
  if (hook_ == nullptr) {
    std::fputs("Failed to install hook!\n", stderr);
    std::fflush(stderr);
    return false;
  }
  if (watchdog_ == nullptr) {
    watchdog_ = std::make_unique<HookWatchdog>(GetTickCount(), WatchdogSilenceLimitMs);
    ActiveWatchdog = watchdog_.get();
    ActiveHook = this;
    watchdogTimer_ = SetTimer(nullptr, 0, WatchdogPeriodMs, OnWatchdogTimer);
  }
  return true;
}

void CALLBACK KeyboardHook::OnWatchdogTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (ActiveHook != nullptr) ActiveHook->CheckHookAlive();
}

void KeyboardHook::CheckHookAlive() {
#ifdef TARQUEL_WATCHDOG_DRILL
  if (!DrillDone && DrillKeySeen && hook_ != nullptr) {
    DrillDone = true;
    UnhookWindowsHookEx(hook_);
    OutputDebugStringA("Hook watchdog drill: hook removed\n");
    return;
  }
#endif
  LASTINPUTINFO lastInput{};
  lastInput.cbSize = sizeof lastInput;
  if (!GetLastInputInfo(&lastInput)) return;
  if (!watchdog_->ShouldReinstall(GetTickCount(), lastInput.dwTime)) return;
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  hook_ = SetWindowsHookExA(WH_KEYBOARD_LL, KeyboardHookProc, nullptr, 0);
  OutputDebugStringA(
      hook_ != nullptr ? "Hook watchdog: keyboard input the hook never saw; hook installed again\n"
                       : "Hook watchdog: keyboard input the hook never saw; installing the hook "
                         "again failed\n");
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
  if (code == HC_ACTION && ActiveWatchdog != nullptr) {
    ActiveWatchdog->OnHookEvent(GetTickCount());
#ifdef TARQUEL_WATCHDOG_DRILL
    DrillKeySeen = true;
#endif
  }
  if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)) {
    const auto* event = reinterpret_cast<const KBDLLHOOKSTRUCT*>(eventRecord);
    if (event->dwExtraInfo != InjectedEventTag && ActiveExpander != nullptr) {
#ifdef TARQUEL_HOOK_TIMING
      HookTimer timer;
#endif
      bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      std::uint32_t held = event->vkCode == ActiveExpander->IgnoredKey() ? HeldModifiers() : 0;
      if (ActiveExpander->OnKeyDown(event->vkCode, shift, held)) return 1;
    }
  }
  return CallNextHookEx(nullptr, code, message, eventRecord);
}

}  // namespace tarquel
