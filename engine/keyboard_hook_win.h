#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "engine/hook_decision.h"
#include "engine/input/hook_watchdog.h"
#include "engine/input/keyboard_layout_win.h"
#include "engine/match/expander.h"
#include "engine/output/expansion_sender_win.h"

namespace tarquel {

// The engine's effects on Windows: expansions go to the sender, lines to the debugger.
class WindowsExpanderOutput final : public ExpanderOutput {
 public:
  void SendExpansion(const ExpansionRequest& request) override;
  void WriteDiagnostic(std::string_view line) override;
  FocusedProgram ProgramWithFocus() override;

  ExpansionSender& sender() { return sender_; }

 private:
  ExpansionSender sender_;
  // The foreground window (and the focus in it) last asked about and what it gave: looking up a
  // process's executable and package takes several system calls, and triggers mostly complete
  // in the window of the last one.
  HWND lastForeground_ = nullptr;
  HWND lastFocus_ = nullptr;
  DWORD lastProcessId_ = 0;
  DWORD lastFocusProcessId_ = 0;
  FocusedProgram lastProgram_;
};

// The modifier keys held as the system has them now, with the lock keys as this thread's own
// key state has them (current only while this thread has the keyboard focus).
ModifierState SystemModifiers();

// Owns the low-level keyboard and mouse hooks and the focus events, removing them when
// destroyed. The hook procedures only turn Windows' records into the engine's events and apply
// what HookDecision says; the output thread is woken to send. Windows drops a low-level hook
// without a word when one call overruns its time-out, so a thread timer asks the watchdog every
// second and installs the hook again when input arrived that the hook never saw. The timer is
// dispatched by whichever message loop this thread runs, modal ones included.
class KeyboardHook {
 public:
  // `expander` may be null: every key passes.
  KeyboardHook(WindowsKeyboardLayout& layout, Expander* expander, ExpansionSender& sender);
  ~KeyboardHook();
  KeyboardHook(const KeyboardHook&) = delete;
  KeyboardHook& operator=(const KeyboardHook&) = delete;

  // On failure writes "Failed to install hook!" to stderr; the program goes on without it.
  bool InstallHook();
  bool IsInstalled() const { return hook_ != nullptr; }

  // A new foreground window or focused control: the caret stands elsewhere.
  // `eventTime`: when the change happened (the event's own time, which can be older than the
  // keys the hook has seen since: its message waits behind the hook's calls).
  void OnFocusMoved(DWORD event, HWND window, DWORD eventTime);
  // From the hook, before a key-down of the user's: another window in front since the last
  // one counts as a focus change even when its event has not arrived yet.
  void NoticeForegroundChange();

  HookDecision& decision() { return decision_; }
  ExpansionSender& sender() { return sender_; }

 private:
  static void CALLBACK OnWatchdogTimer(HWND, UINT, UINT_PTR, DWORD);
  void CheckHookAlive();

  WindowsKeyboardLayout& layout_;
  ExpansionSender& sender_;
  HookDecision decision_;
  // The foreground window as last seen, by an event or by a key.
  HWND foreground_ = nullptr;
  HHOOK hook_ = nullptr;
  HHOOK mouseHook_ = nullptr;
  HWINEVENTHOOK foregroundEvents_ = nullptr;
  HWINEVENTHOOK focusEvents_ = nullptr;
  UINT_PTR watchdogTimer_ = 0;
  std::unique_ptr<HookWatchdog> watchdog_;
};

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM message, LPARAM eventRecord);
LRESULT CALLBACK MouseHookProc(int code, WPARAM message, LPARAM eventRecord);

}  // namespace tarquel
