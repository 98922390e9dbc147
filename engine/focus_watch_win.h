#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "engine/input/focus_rules.h"
#include "engine/match/expander.h"
#include "engine/ui_automation_win.h"

namespace tarquel {

// Follows, on a thread of its own, where the keyboard focus goes and what that means for
// typing: a field for a password (nothing kept, nothing expanded), a program in front that runs
// above us (as administrator: it neither lets us see its keys nor takes ours), and a locked
// session or another desktop (what was typed and the keys held are forgotten). None of this is
// asked on the input thread: UI Automation calls into the focused program and takes as long
// as that program does. The answer for a field is cached until the focus moves again.
class FocusWatch {
 public:
  explicit FocusWatch(Expander& expander);
  // Ends the loop and waits for the thread.
  ~FocusWatch();
  FocusWatch(const FocusWatch&) = delete;
  FocusWatch& operator=(const FocusWatch&) = delete;

  // Starts the thread; returns once it follows the focus.
  bool Start();

  // Any thread. `message` is posted to `window` whenever the program in front comes to stand
  // above us or stops doing so; ProgramAbove() then tells which.
  void NotifyLevelChanges(HWND window, UINT message);
  // The executable name of the program in front when it runs above us; empty otherwise.
  std::string ProgramAbove() const;

  // The integrity level of this process's token.
  static std::uint32_t OwnLevel();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  static void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child,
                                  DWORD thread, DWORD time);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Serve();
  // `focused`: the window that took the focus, or null to ask the foreground thread.
  void OnFocusChanged(HWND focused);
  void OnForegroundChanged(HWND foreground);
  void OnSessionOrDesktopChanged(const char* what);
  std::optional<bool> AskAutomationIsPassword();

  Expander& expander_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE ready_ = nullptr;
  // The watch thread's own.
  uia::Automation* automation_ = nullptr;
  bool secret_ = false;
  DWORD foregroundProcess_ = 0;
  std::uint32_t ownLevel_ = integrity::Medium;

  mutable std::mutex mutex_;
  HWND notifyWindow_ = nullptr;
  UINT notifyMessage_ = 0;
  std::string programAbove_;
};

}  // namespace tarquel
