#include "engine/keyboard_hook_win.h"

#include <cstdio>
#include <iterator>
#include <optional>
#include <string>

#include "util/process_win.h"
#include "util/test_switches.h"

#ifdef TARQUEL_HOOK_TIMING
#include "engine/input/hook_timing.h"
#endif

namespace tarquel {

namespace {

// The hook is a plain function, so it reaches the watchdog and the timer reaches the hook object
// through these; one KeyboardHook exists at a time.
HookWatchdog* ActiveWatchdog = nullptr;
KeyboardHook* ActiveHook = nullptr;

constexpr UINT WatchdogPeriodMs = 1000;
// A focus event older than this is taken as of now: its time is then not to be trusted.
constexpr DWORD FocusEventAgeLimitMs = 10000;

// The test build's watchdog drill: Wine never removes a hook, so that build does what Windows
// would, once: on the first timer tick after the hook has seen a key it unhooks it without
// telling the watchdog. A short silence limit keeps the end-to-end test quick.
constexpr std::uint32_t DrillSilenceLimitMs = 1000;
bool DrillDone = false;

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

void WindowsExpanderOutput::SendExpansion(const ExpansionRequest& request) {
  // Only queued: the hook wakes the output thread when its decision says so.
  sender_.queue().Queue(request,
                        ActiveExpander != nullptr ? ActiveExpander->Modifiers() : ModifierState{},
                        GetTickCount());
}

void WindowsExpanderOutput::WriteDiagnostic(std::string_view line) {
  OutputDebugStringA(std::string(line).c_str());
}

namespace {

std::string Utf8Of(std::wstring_view text) {
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                        nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), bytes,
                        nullptr, nullptr);
  }
  return utf8;
}

// Windows 8 and later; looked up by name, as older headers do not declare it.
using GetPackageFamilyNameFunction = LONG(WINAPI*)(HANDLE, UINT32*, PWSTR);

GetPackageFamilyNameFunction PackageFamilyNameFunction() {
  static const auto function =
      reinterpret_cast<GetPackageFamilyNameFunction>(reinterpret_cast<void*>(
          GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetPackageFamilyName")));
  return function;
}

struct ProcessNames {
  std::string executableName;
  std::string packageFamily;
};

ProcessNames NamesOf(DWORD processId) {
  ProcessNames names;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return names;
  wchar_t path[MAX_PATH * 4];
  DWORD length = static_cast<DWORD>(std::size(path));
  if (QueryFullProcessImageNameW(process, 0, path, &length) != 0) {
    std::wstring_view full(path, length);
    names.executableName = Utf8Of(full.substr(full.find_last_of(L"\\/") + 1));
  }
  if (const GetPackageFamilyNameFunction familyName = PackageFamilyNameFunction()) {
    // PACKAGE_FAMILY_NAME_MAX_LENGTH is 64, plus the null.
    wchar_t family[65 + 1] = {};
    UINT32 familyLength = static_cast<UINT32>(std::size(family));
    if (familyName(process, &familyLength, family) == ERROR_SUCCESS && familyLength > 0) {
      names.packageFamily = Utf8Of(std::wstring_view(family, familyLength - 1));
    }
  }
  CloseHandle(process);
  return names;
}

}  // namespace

FocusedProgram WindowsExpanderOutput::ProgramWithFocus() {
  HWND foreground = GetForegroundWindow();
  DWORD processId = 0;
  const DWORD thread = foreground != nullptr ? GetWindowThreadProcessId(foreground, &processId) : 0;
  // The focused window inside the foreground one: in an app framed by ApplicationFrameHost it
  // belongs to the app's own process.
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND focus = thread != 0 && GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr
                   ? info.hwndFocus
                   : foreground;
  DWORD focusProcess = processId;
  if (focus != nullptr && focus != foreground) GetWindowThreadProcessId(focus, &focusProcess);
  if (foreground == lastForeground_ && focus == lastFocus_ && processId == lastProcessId_) {
    return lastProgram_;
  }
  // Another field of the same program: only the classes are asked again, not the processes.
  const bool sameProcesses = processId == lastProcessId_ && focusProcess == lastFocusProcessId_;
  lastForeground_ = foreground;
  lastFocus_ = focus;
  lastProcessId_ = processId;
  lastFocusProcessId_ = focusProcess;
  if (!sameProcesses) {
    lastProgram_ = FocusedProgram{};
    if (processId == GetCurrentProcessId()) {
      lastProgram_.ownWindow = true;
    } else if (processId != 0) {
      ProcessNames names = NamesOf(processId);
      lastProgram_.executableName = std::move(names.executableName);
      lastProgram_.packageFamily = std::move(names.packageFamily);
      if (focusProcess != processId && focusProcess != 0) {
        ProcessNames framed = NamesOf(focusProcess);
        lastProgram_.framedExecutableName = std::move(framed.executableName);
        if (!framed.packageFamily.empty()) {
          lastProgram_.packageFamily = std::move(framed.packageFamily);
        }
      }
    }
  }
  if (!lastProgram_.ownWindow && processId != 0) {
    lastProgram_.windowClass = WindowClassOf(focus);
    lastProgram_.topLevelClass = WindowClassOf(foreground);
  }
  return lastProgram_;
}

ModifierState SystemModifiers() {
  auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
  ModifierState state;
  state.leftShift = down(VK_LSHIFT);
  state.rightShift = down(VK_RSHIFT);
  state.leftCtrl = down(VK_LCONTROL);
  state.rightCtrl = down(VK_RCONTROL);
  state.leftAlt = down(VK_LMENU);
  state.rightAlt = down(VK_RMENU);
  state.leftWin = down(VK_LWIN);
  state.rightWin = down(VK_RWIN);
  state.capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  state.numLock = (GetKeyState(VK_NUMLOCK) & 1) != 0;
  return state;
}

namespace {

// The hook object for the focus events' callback, which carries no user data either.
KeyboardHook* ActiveFocusHook = nullptr;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD,
                         DWORD eventTime) {
  if (ActiveFocusHook != nullptr) ActiveFocusHook->OnFocusMoved(event, window, eventTime);
}

}  // namespace

KeyboardHook::KeyboardHook(WindowsKeyboardLayout& layout, Expander* expander,
                           ExpansionSender& sender)
    : layout_(layout), sender_(sender), decision_(expander, sender.queue()) {}

KeyboardHook::~KeyboardHook() {
  if (watchdogTimer_ != 0) KillTimer(nullptr, watchdogTimer_);
  if (foregroundEvents_ != nullptr) UnhookWinEvent(foregroundEvents_);
  if (focusEvents_ != nullptr) UnhookWinEvent(focusEvents_);
  if (mouseHook_ != nullptr) UnhookWindowsHookEx(mouseHook_);
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (ActiveWatchdog == watchdog_.get()) ActiveWatchdog = nullptr;
  if (ActiveHook == this) ActiveHook = nullptr;
  if (ActiveFocusHook == this) ActiveFocusHook = nullptr;
}

bool KeyboardHook::InstallHook() {
  HWND foreground = GetForegroundWindow();
  foreground_ = foreground;
  layout_.SetForegroundThread(foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr)
                                                    : GetCurrentThreadId());
  if (ActiveExpander != nullptr) ActiveExpander->SyncModifiers(SystemModifiers());

  ActiveHook = this;
  hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, nullptr, 0);
  if (hook_ == nullptr) {
    std::fputs("Failed to install hook!\n", stderr);
    std::fflush(stderr);
    return false;
  }
  // Without these the buffer only forgets on keys; expansion still works.
  mouseHook_ = SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, nullptr, 0);
  ActiveFocusHook = this;
  foregroundEvents_ = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                      OnWinEvent, 0, 0, WINEVENT_OUTOFCONTEXT);
  focusEvents_ = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, 0, 0,
                                 WINEVENT_OUTOFCONTEXT);
  if (watchdog_ == nullptr) {
    watchdog_ = std::make_unique<HookWatchdog>(
        GetTickCount(), ActiveTestSwitches().watchdogDrill ? DrillSilenceLimitMs
                                                           : HookWatchdog::DefaultSilenceLimitMs);
    ActiveWatchdog = watchdog_.get();
    watchdogTimer_ = SetTimer(nullptr, 0, WatchdogPeriodMs, OnWatchdogTimer);
  }
  return true;
}

void KeyboardHook::NoticeForegroundChange() {
  HWND foreground = GetForegroundWindow();
  if (foreground != foreground_) OnFocusMoved(EVENT_SYSTEM_FOREGROUND, foreground, GetTickCount());
}

void KeyboardHook::OnFocusMoved(DWORD event, HWND window, DWORD eventTime) {
  if (event == EVENT_SYSTEM_FOREGROUND) {
    // The same change seen twice (by a key and then by its event) forgets only once.
    if (window == foreground_) return;
    foreground_ = window;
  }
  if (ActiveExpander == nullptr) return;
  const DWORD now = GetTickCount();
  // An event without a time, or one that makes no sense, counts as now.
  if (eventTime == 0 || now - eventTime > FocusEventAgeLimitMs) eventTime = now;
  if (decision_.OnFocusMoved(eventTime, now)) sender_.Wake();
  if (event != EVENT_SYSTEM_FOREGROUND || window == nullptr) return;
  DWORD processId = 0;
  layout_.SetForegroundThread(GetWindowThreadProcessId(window, &processId));
  // A key let go while another desktop had the input (Win+L, a UAC prompt) never reached the
  // hook. The lock keys are read back only when this thread has the focus, the one time its
  // own key state is current.
  ModifierState modifiers = SystemModifiers();
  if (processId != GetCurrentProcessId()) {
    modifiers.capsLock = ActiveExpander->Modifiers().capsLock;
    modifiers.numLock = ActiveExpander->Modifiers().numLock;
  }
  ActiveExpander->SyncModifiers(modifiers);
}

void CALLBACK KeyboardHook::OnWatchdogTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (ActiveHook != nullptr) ActiveHook->CheckHookAlive();
}

void KeyboardHook::CheckHookAlive() {
  if (ActiveTestSwitches().watchdogDrill && !DrillDone && watchdog_->HasSeenEvent() &&
      hook_ != nullptr) {
    DrillDone = true;
    UnhookWindowsHookEx(hook_);
    OutputDebugStringA("Hook watchdog drill: hook removed\n");
    return;
  }
  LASTINPUTINFO lastInput{};
  lastInput.cbSize = sizeof lastInput;
  if (!GetLastInputInfo(&lastInput)) return;
  if (!watchdog_->ShouldReinstall(GetTickCount(), lastInput.dwTime)) return;
  // Windows drops both hooks alike; both come back.
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  if (mouseHook_ != nullptr) UnhookWindowsHookEx(mouseHook_);
  hook_ = SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHookProc, nullptr, 0);
  mouseHook_ = SetWindowsHookExW(WH_MOUSE_LL, MouseHookProc, nullptr, 0);
  OutputDebugStringA(
      hook_ != nullptr ? "Hook watchdog: keyboard input the hook never saw; hook installed again\n"
                       : "Hook watchdog: keyboard input the hook never saw; installing the hook "
                         "again failed\n");
  // Keys went up and down unseen meanwhile: the modifiers are taken from the system again. The
  // lock keys stay as the hook last saw them; this thread's own view of them is stale.
  if (hook_ != nullptr && ActiveExpander != nullptr) {
    ModifierState modifiers = SystemModifiers();
    modifiers.capsLock = ActiveExpander->Modifiers().capsLock;
    modifiers.numLock = ActiveExpander->Modifiers().numLock;
    ActiveExpander->SyncModifiers(modifiers);
  }
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM eventRecord) {
  if (code != HC_ACTION) return CallNextHookEx(nullptr, code, message, eventRecord);
  if (ActiveWatchdog != nullptr) {
    ActiveWatchdog->OnHookEvent(GetTickCount());
  }
  const bool release = message == WM_KEYUP || message == WM_SYSKEYUP;
  if (ActiveHook == nullptr || (!release && message != WM_KEYDOWN && message != WM_SYSKEYDOWN)) {
    return CallNextHookEx(nullptr, code, message, eventRecord);
  }
  const auto* record = reinterpret_cast<const KBDLLHOOKSTRUCT*>(eventRecord);
  HookKeyEvent event{record->vkCode, record->scanCode, (record->flags & LLKHF_EXTENDED) != 0,
                     release, KeyOrigin::User};
  switch (record->dwExtraInfo) {
    case InjectedEventTag:
      event.origin = KeyOrigin::Injected;
      break;
    case ReplayedEventTag:
      event.origin = KeyOrigin::Replayed;
      break;
    case BatchEndTag:
      event.origin = KeyOrigin::BatchEnd;
      break;
    default:
      break;
  }
  // The foreground event arrives as a posted message, which this thread's loop takes only
  // after the hook calls already waiting: keys typed right after a window change could reach
  // the buffer before the event. A key-down of the user's therefore looks for itself.
  if (!release && event.origin == KeyOrigin::User) ActiveHook->NoticeForegroundChange();
  HookVerdict verdict;
  {
#ifdef TARQUEL_HOOK_TIMING
    std::optional<HookTimer> timer;
    if (!release && event.origin != KeyOrigin::BatchEnd) timer.emplace();
#endif
    verdict = ActiveHook->decision().OnKey(event, GetTickCount());
  }
  if (verdict.wakeOutput) ActiveHook->sender().Wake();
  if (verdict.swallow) return 1;
  return CallNextHookEx(nullptr, code, message, eventRecord);
}

LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM eventRecord) {
  if (code == HC_ACTION && ActiveHook != nullptr) {
    switch (message) {
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_XBUTTONDOWN:
        // The caret may have moved under the pointer. Mouse and keyboard hook calls come in
        // the order of the input, so the click's time is now.
        if (ActiveHook->decision().OnMouseButtonDown(GetTickCount(), GetTickCount())) {
          ActiveHook->sender().Wake();
        }
        break;
      default:
        break;
    }
  }
  return CallNextHookEx(nullptr, code, message, eventRecord);
}

}  // namespace tarquel
