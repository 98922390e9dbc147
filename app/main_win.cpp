// Entry point: load the triggers, start the engine and its hook, serve messages until WM_QUIT.
#include <windows.h>

#include "engine/expander.h"
#include "engine/keyboard_hook_win.h"
#include "engine/trigger_file.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace tarquel;

  TriggerTable table = LoadTriggerTable(TriggerFileName);
  AddDefaultTriggers(table);

  WindowsExpanderOutput output;
  Expander expander(table, output);
  KeyboardHook hook;
  hook.InstallHook();

  // The system calls the low-level hook on this thread while it waits here.
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
