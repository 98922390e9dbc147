#include "engine/focus_watch_win.h"

#include <wtsapi32.h>

#include <iterator>
#include <string>

#include "util/process_win.h"
#include "util/test_switches.h"

namespace tarquel {

namespace {

// The WinEvent callback carries no user data; one watch runs at a time.
FocusWatch* ActiveWatch = nullptr;

constexpr wchar_t WindowClassName[] = L"TarquelFocusWatch";

void Diagnostic(const std::string& line) {
  OutputDebugStringA(line.c_str());
}

}  // namespace

FocusWatch::FocusWatch(Expander& expander) : expander_(expander) {}

FocusWatch::~FocusWatch() {
  if (thread_ != nullptr) {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (ready_ != nullptr) CloseHandle(ready_);
}

std::uint32_t FocusWatch::OwnLevel() {
  if (ActiveTestSwitches().standardUser) return integrity::Medium;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return integrity::Medium;
  const std::optional<std::uint32_t> level = IntegrityLevelOfToken(token);
  CloseHandle(token);
  return level.value_or(integrity::Medium);
}

bool FocusWatch::Start() {
  ownLevel_ = OwnLevel();
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready_ == nullptr) return false;
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId_);
  if (thread_ == nullptr) return false;
  HANDLE waits[] = {ready_, thread_};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  return true;
}

void FocusWatch::NotifyLevelChanges(HWND window, UINT message) {
  const std::lock_guard lock(mutex_);
  notifyWindow_ = window;
  notifyMessage_ = message;
}

std::string FocusWatch::ProgramAbove() const {
  const std::lock_guard lock(mutex_);
  return programAbove_;
}

DWORD WINAPI FocusWatch::ThreadMain(void* self) {
  static_cast<FocusWatch*>(self)->Serve();
  return 0;
}

LRESULT CALLBACK FocusWatch::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_WTSSESSION_CHANGE && ActiveWatch != nullptr) {
    switch (wParam) {
      case WTS_SESSION_LOCK:
        ActiveWatch->OnSessionOrDesktopChanged("Session locked");
        break;
      case WTS_SESSION_UNLOCK:
        ActiveWatch->OnSessionOrDesktopChanged("Session unlocked");
        break;
      case WTS_CONSOLE_CONNECT:
      case WTS_CONSOLE_DISCONNECT:
      case WTS_REMOTE_CONNECT:
      case WTS_REMOTE_DISCONNECT:
        ActiveWatch->OnSessionOrDesktopChanged("Session connected elsewhere");
        break;
      default:
        break;
    }
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void CALLBACK FocusWatch::OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG,
                                     DWORD, DWORD) {
  if (ActiveWatch == nullptr) return;
  switch (event) {
    case EVENT_SYSTEM_DESKTOPSWITCH:
      ActiveWatch->OnSessionOrDesktopChanged("Desktop switched");
      break;
    case EVENT_SYSTEM_FOREGROUND:
      ActiveWatch->OnForegroundChanged(window);
      ActiveWatch->OnFocusChanged(nullptr);
      break;
    case EVENT_OBJECT_FOCUS: {
      // The window that took the focus, when the event names it; the foreground may not have
      // followed yet when the event comes.
      HWND focused = window != nullptr && object == OBJID_CLIENT ? window : nullptr;
      // A window coming to the front gives its control the focus too; not every system tells
      // the foreground change itself (Wine does not).
      ActiveWatch->OnForegroundChanged(focused != nullptr ? GetAncestor(focused, GA_ROOT)
                                                          : GetForegroundWindow());
      ActiveWatch->OnFocusChanged(focused);
      break;
    }
    default:
      break;
  }
}

void FocusWatch::Serve() {
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  // UI Automation wants a single-threaded apartment that pumps; this loop does.
  const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (com) {
    void* automation = nullptr;
    if (SUCCEEDED(CoCreateInstance(uia::CuiAutomationClass, nullptr, CLSCTX_INPROC_SERVER,
                                   uia::AutomationInterface, &automation))) {
      automation_ = static_cast<uia::Automation*>(automation);
    }
  }

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = WindowClassName;
  RegisterClassExW(&windowClass);
  HWND window = CreateWindowExW(0, WindowClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  const bool sessions =
      window != nullptr && WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != 0;

  ActiveWatch = this;
  HWINEVENTHOOK hooks[] = {
      SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr, OnWinEvent, 0, 0,
                      WINEVENT_OUTOFCONTEXT),
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnWinEvent, 0, 0,
                      WINEVENT_OUTOFCONTEXT),
      SetWinEventHook(EVENT_SYSTEM_DESKTOPSWITCH, EVENT_SYSTEM_DESKTOPSWITCH, nullptr, OnWinEvent,
                      0, 0, WINEVENT_OUTOFCONTEXT),
  };
  // Where the focus stands already.
  OnForegroundChanged(GetForegroundWindow());
  OnFocusChanged(nullptr);
  SetEvent(ready_);
  // A foreground change whose event never came (one made before the hooks were set, or lost on
  // a busy desktop) would leave the tray's word about administrators wrong until the next one:
  // the window in front is looked at again every half second as well. It is one call, and a
  // change of process is all that is acted on.
  const UINT_PTR recheck = SetTimer(nullptr, 0, 500, nullptr);

  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == recheck) {
      OnForegroundChanged(GetForegroundWindow());
      continue;
    }
    DispatchMessageW(&message);
  }
  if (recheck != 0) KillTimer(nullptr, recheck);

  for (HWINEVENTHOOK hook : hooks) {
    if (hook != nullptr) UnhookWinEvent(hook);
  }
  ActiveWatch = nullptr;
  if (sessions) WTSUnRegisterSessionNotification(window);
  if (window != nullptr) DestroyWindow(window);
  if (automation_ != nullptr) automation_->Release();
  automation_ = nullptr;
  if (com) CoUninitialize();
}

std::optional<bool> FocusWatch::AskAutomationIsPassword() {
  if (automation_ == nullptr) return std::nullopt;
  uia::Element* element = nullptr;
  if (FAILED(automation_->GetFocusedElement(&element)) || element == nullptr) {
    return std::nullopt;
  }
  VARIANT value;
  VariantInit(&value);
  const bool answered =
      SUCCEEDED(element->GetCurrentPropertyValue(uia::IsPasswordProperty, &value)) &&
      value.vt == VT_BOOL;
  const bool isPassword = answered && value.boolVal != VARIANT_FALSE;
  VariantClear(&value);
  element->Release();
  if (!answered) return std::nullopt;
  return isPassword;
}

void FocusWatch::OnFocusChanged(HWND focused) {
  FocusedField field;
  if (focused == nullptr) {
    // The focused control of the foreground thread.
    if (HWND foreground = GetForegroundWindow()) {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      if (GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) {
        focused = info.hwndFocus;
      }
    }
  }
  if (focused != nullptr) {
    field.windowClass = WindowClassOf(focused);
    field.passwordStyle = (GetWindowLongPtrW(focused, GWL_STYLE) & ES_PASSWORD) != 0;
  }
  // A classic edit control tells by its style; UI Automation is asked for everything else (a
  // browser's page, a modern app), whose fields are no windows of their own.
  if (!IsEditClass(field.windowClass)) field.automationIsPassword = AskAutomationIsPassword();
  const bool secret = IsSecretField(field);
  if (secret == secret_) return;
  secret_ = secret;
  expander_.SetSecretField(secret);
  Diagnostic(secret ? "Password field: nothing typed there is kept or expanded\n"
                    : "Password field left\n");
}

void FocusWatch::OnForegroundChanged(HWND foreground) {
  DWORD processId = 0;
  if (foreground != nullptr) GetWindowThreadProcessId(foreground, &processId);
  if (processId == foregroundProcess_) return;
  foregroundProcess_ = processId;
  const bool above = processId != 0 && processId != GetCurrentProcessId() &&
                     IsAboveOurs(IntegrityLevelOf(processId), ownLevel_);
  std::string program = above ? ExecutableNameOf(processId) : std::string();
  if (above && program.empty()) program = "a program";
  HWND notify = nullptr;
  UINT message = 0;
  {
    const std::lock_guard lock(mutex_);
    if (program == programAbove_) return;
    programAbove_ = program;
    notify = notifyWindow_;
    message = notifyMessage_;
  }
  if (above) Diagnostic("Program in front runs as administrator: " + program + "\n");
  if (notify != nullptr) PostMessageW(notify, message, 0, 0);
}

void FocusWatch::OnSessionOrDesktopChanged(const char* what) {
  // Keys let go on the other desktop never reached the hook, and what was typed before no
  // longer ends where the next key lands.
  expander_.RequestForget();
  expander_.RequestModifierSync(ModifierState{}, false);
  Diagnostic(std::string(what) + ": what was typed is forgotten\n");
}

}  // namespace tarquel
