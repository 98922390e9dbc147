// Entry point: one instance per logon session; builds the engine and the window, serves
// messages until the tray's "Quit", then takes everything down in reverse order.
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/start_switches_win.h"
#include "engine/focus_watch_win.h"
#include "engine/input_thread_win.h"
#include "engine/keyboard_hook_win.h"
#include "engine/match/expander.h"
#include "settings/data_folder.h"
#include "settings/settings_file.h"
#include "ui/app_window_win.h"
#include "ui/autostart.h"
#include "ui/autostart_win.h"
#include "ui/import_preview.h"
#include "ui/trigger_import_win.h"
#include "util/program_path_win.h"
#include "util/save_queue.h"
#include "util/wide_text_win.h"

namespace {

// Longer than an instance takes to finish its saves and end.
constexpr DWORD TakeOverWaitMs = 30000;

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return arguments;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
  return arguments;
}

// The user started the program again, most likely looking for its window: the running
// instance shows it. Only a process the user just started may hand the foreground on.
void ShowRunningInstance() {
  HWND running = FindWindowW(tarquel::MainWindowClassName, nullptr);
  if (running == nullptr) return;
  DWORD process = 0;
  GetWindowThreadProcessId(running, &process);
  if (process != 0) AllowSetForegroundWindow(process);
  PostMessageW(running, RegisterWindowMessageW(tarquel::ShowWindowMessageName), 0, 0);
}

// `--import FILE` names the file from this process's working directory, the one the user meant:
// made whole here, before it goes to the running instance or to this one's worker.
std::filesystem::path WholePath(const std::wstring& path) {
  std::error_code error;
  std::filesystem::path whole = std::filesystem::absolute(path, error);
  return error ? std::filesystem::path(path) : whole;
}

// `--import FILE` while an instance runs: the file goes to it, which shows the preview.
bool HandImportToRunningInstance(const std::filesystem::path& path) {
  HWND running = FindWindowW(tarquel::MainWindowClassName, nullptr);
  if (running == nullptr) return false;
  const std::wstring text = path.wstring();
  DWORD process = 0;
  GetWindowThreadProcessId(running, &process);
  // Its preview comes to the front.
  if (process != 0) AllowSetForegroundWindow(process);
  COPYDATASTRUCT data{};
  data.dwData = tarquel::ImportCopyDataTag;
  data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(text.data());
  DWORD_PTR taken = FALSE;
  // Only reading starts there before the answer: a few seconds is plenty, and a hung instance
  // does not hang this one.
  return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, 10000, &taken) != 0 &&
         taken != FALSE;
}

// The folder that holds config.txt: settings.txt's data_folder= (read here, before anything
// else reads config.txt), else the program's own. A named folder that is not there now (a
// network share offline, a sync folder not yet made on this PC) is said once, and the
// program's own folder stands in until the next start.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder) {
  using namespace tarquel;
  const std::filesystem::path named =
      DataFolderOf(LoadSettings(programFolder / SettingsFileName), programFolder);
  std::error_code error;
  if (named == programFolder || std::filesystem::is_directory(named, error)) return named;
  const std::u8string shown = named.u8string();
  ShowMessageBox(nullptr,
                 "The folder that holds your triggers, " + std::string(shown.begin(), shown.end()) +
                     ", cannot be found now (is its drive connected?).\n\nTarquel uses the "
                     "config.txt beside tarquel.exe until its next start.",
                 "Tarquel", MB_OK | MB_ICONWARNING);
  return programFolder;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace tarquel;

  if (!ApplyStartSwitches()) return 2;

  const std::vector<std::wstring> arguments = CommandLineArguments();
  const bool logonStart = IsLogonStart(arguments);
  std::optional<std::filesystem::path> importPath;
  if (const std::optional<std::wstring> path = ImportPathArgument(arguments)) {
    importPath = WholePath(*path);
  }
  if (const std::optional<std::uint32_t> previous = TakeOverProcessId(arguments)) {
    // Restarted as administrator: the instance that asked ends on its own, its saves done.
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, *previous)) {
      WaitForSingleObject(process, TakeOverWaitMs);
      CloseHandle(process);
    }
  }

  // Never closed: the system releases it when the process ends, and only then may another
  // instance start. A failed creation lets this one run.
  CreateMutexW(nullptr, TRUE, L"Local\\TarquelAppMutex");
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    // Nobody asked for anything at logon: no box, no window.
    if (logonStart) return 0;
    if (importPath && HandImportToRunningInstance(*importPath)) return 0;
    MessageBoxW(nullptr, L"An instance of Tarquel is already running.", L"Tarquel",
                MB_OK | MB_ICONWARNING);
    ShowRunningInstance();
    return 0;
  }
  UpgradeRunValue();

  const std::filesystem::path programFolder = ProgramFolder();
  const std::filesystem::path dataFolder = ChooseDataFolder(programFolder);
  // Outlives the hook and the window: the last save is waited for only once nobody's typing
  // depends on this thread any more.
  BackgroundSaves saves;
  {
    // Empty until the window's first read of config.txt, on a worker, fills it.
    TriggerTable table;
    // The hook matches against copies of the window's table, swapped whole after each change.
    Snapshot<TriggerTable> tables(std::make_shared<const TriggerTable>(table));
    WindowsExpanderOutput output;
    WindowsKeyboardLayout layout;
    Expander expander(tables, output, layout);
    // The hooks, on a thread of their own from here until the window has closed.
    InputThread input(layout, &expander, output.sender());
    input.Start();
    // Password fields, programs run as administrator, a locked session: followed on a thread
    // of their own, so that asking a slow program never holds up a key.
    FocusWatch focus(expander);
    focus.Start();

    // Runs the update check in the background once its window and tray icon exist.
    AppWindow window(
        table, tables, expander, saves,
        AppWindowOptions{.dataFolder = dataFolder,
                         .programFolder = programFolder,
                         .startHidden = logonStart,
                         .focus = &focus,
                         .importPath = importPath
                                           ? std::optional<std::filesystem::path>(*importPath)
                                           : std::nullopt});
    window.Run();
  }

  // Quitting never loses a change: the saves still queued are written, and a failure is told.
  saves.WaitUntilIdle();
  // The window's end posts a second WM_QUIT, which would close each box below the moment it
  // opened: the user would never read that a change was not saved.
  MSG quit;
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  for (const std::string& failure : saves.TakeFailures()) {
    ShowMessageBox(nullptr, failure, "Tarquel", MB_OK | MB_ICONWARNING);
  }
  return 0;
}
