#pragma once

#include <windows.h>

#include "engine/input/keyboard_layout_win.h"
#include "engine/match/expander.h"
#include "engine/output/expansion_sender_win.h"

namespace tarquel {

// The thread that owns the low-level keyboard and mouse hooks. Windows calls a low-level hook
// on the thread that installed it, through that thread's message loop, and passes over a hook
// that has not answered within its time-out; so the hooks live on a thread whose loop does
// nothing else, and no window, file, clipboard or network work ever stands between a key and
// its answer. The hooks are installed right before the loop runs and removed right after it
// ends.
class InputThread {
 public:
  // `expander` may be null: every key passes.
  InputThread(WindowsKeyboardLayout& layout, Expander* expander, ExpansionSender& sender);
  // Ends the loop and waits for the thread, whose hooks are then gone.
  ~InputThread();
  InputThread(const InputThread&) = delete;
  InputThread& operator=(const InputThread&) = delete;

  // Starts the thread and returns once its hooks are installed; false when the keyboard hook
  // could not be installed (the thread then ends, and keys pass untouched).
  bool Start();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Serve();

  WindowsKeyboardLayout& layout_;
  Expander* expander_;
  ExpansionSender& sender_;
  HANDLE thread_ = nullptr;
  DWORD threadId_ = 0;
  HANDLE ready_ = nullptr;
  bool installed_ = false;
};

}  // namespace tarquel
