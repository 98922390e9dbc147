#include "engine/input_thread_win.h"

#include "engine/keyboard_hook_win.h"

namespace tarquel {

InputThread::InputThread(WindowsKeyboardLayout& layout, Expander* expander, ExpansionSender& sender)
    : layout_(layout), expander_(expander), sender_(sender) {}

InputThread::~InputThread() {
  if (thread_ != nullptr) {
    // WM_QUIT ends the loop; the thread's message queue exists from before `ready_` was set.
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
  }
  if (ready_ != nullptr) CloseHandle(ready_);
}

bool InputThread::Start() {
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (ready_ == nullptr) return false;
  thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId_);
  if (thread_ == nullptr) return false;
  // Until the thread has its hooks the first keys would pass unseen; the wait is short.
  HANDLE waits[] = {ready_, thread_};
  WaitForMultipleObjects(2, waits, FALSE, INFINITE);
  return installed_;
}

DWORD WINAPI InputThread::ThreadMain(void* self) {
  static_cast<InputThread*>(self)->Serve();
  return 0;
}

void InputThread::Serve() {
  // The thread's message queue, made before anyone may post to it.
  MSG message;
  PeekMessageW(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  // Above normal: a key waits for this thread's answer, and its work is short.
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
  KeyboardHook hook(layout_, expander_, sender_);
  installed_ = hook.InstallHook();
  SetEvent(ready_);
  if (!installed_) return;
  // The hooks' calls, the watchdog's timer and the focus events arrive through this loop.
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    DispatchMessageW(&message);
  }
}

}  // namespace tarquel
