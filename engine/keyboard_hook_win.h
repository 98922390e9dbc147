#pragma once

#include <windows.h>

#include <string_view>

#include <memory>

#include "engine/expander.h"
#include "engine/hook_watchdog.h"

namespace tarquel {

// Stamped into dwExtraInfo of every event this program synthesises, so that the hook can let
// its own keys pass: they must not feed the buffer again (an expansion that ends with its own
// trigger would otherwise expand forever), also if the system calls the hook re-entrantly
// while SendInput is still inserting them.
inline constexpr ULONG_PTR InjectedEventTag = 0x54524B51;  // "TRKQ"

// Sends the engine's effects to Windows: SendInput for the keys, OutputDebugStringA for lines.
class WindowsExpanderOutput final : public ExpanderOutput {
 public:
  void SendExpansion(std::size_t backspaces, std::string_view expansion) override;
  void WriteDiagnostic(std::string_view line) override;
  FocusedProgram ProgramWithFocus() override;

 private:
  // The foreground window last asked about and what it gave: looking up a process's executable
  // takes several system calls, and triggers mostly complete in the window of the last one.
  HWND lastForeground_ = nullptr;
  DWORD lastProcessId_ = 0;
  FocusedProgram lastProgram_;
};

// Owns the low-level keyboard hook; removing it when destroyed. Windows drops a low-level hook
// without a word when one call overruns its time-out, so a thread timer asks the watchdog every
// second and installs the hook again when input arrived that the hook never saw. The timer is
// dispatched by whichever message loop this thread runs, modal ones included.
class KeyboardHook {
 public:
  KeyboardHook() = default;
  ~KeyboardHook();
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // On failure writes "Failed to install hook!" to stderr; the program goes on without it.
  bool InstallHook();
  bool IsInstalled() const { return hook_ != nullptr; }

 private:
  static void CALLBACK OnWatchdogTimer(HWND, UINT, UINT_PTR, DWORD);
  void CheckHookAlive();

  HHOOK hook_ = nullptr;
  UINT_PTR watchdogTimer_ = 0;
  std::unique_ptr<HookWatchdog> watchdog_;
};

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM eventRecord);

}  // namespace tarquel
