// Entry point: one instance per logon session; builds the engine and the window, serves
// messages until the tray's "Quit", then takes everything down in reverse order.
#include <windows.h>

#include "app/program_path_win.h"
#include "engine/expander.h"
#include "engine/keyboard_hook_win.h"
#include "engine/trigger_file.h"
#include "ui/app_window_win.h"
#include "ui/trigger_file_history.h"
#include "update/update_check_win.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace tarquel;

  // Never closed: the system releases it when the process ends, and only then may another
  // instance start. A failed creation lets this one run.
  CreateMutexW(nullptr, TRUE, L"Local\\TarquelAppMutex");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    MessageBoxW(nullptr, L"An instance of Tarquel is already running.", L"Tarquel",
                MB_OK | MB_ICONWARNING);
    return 0;
  }

  // Before the triggers, the hook and any window: keys typed while the prompt waits are not
  // watched, and start-up goes on the same way whatever the answer.
  CheckForUpdateAtStartup();

  const std::filesystem::path dataFolder = ProgramFolder();

  TriggerFileHistory triggerFileHistory;
  TriggerTable table = LoadTriggerFile(dataFolder / TriggerFileName, triggerFileHistory);
  // Held in memory only: config.txt is first written when the user edits the triggers.
  AddDefaultTriggers(table);

  WindowsExpanderOutput output;
  WindowsKeyboardLayout layout;
  Expander expander(table, output, layout);
  KeyboardHook hook(layout);
  hook.InstallHook();

  AppWindow window(table, expander, dataFolder);
  window.triggerFileHistory = std::move(triggerFileHistory);
  window.Run();
  return 0;
}
