#include "ui/elevation_notice_win.h"

#include <shellapi.h>

#include <string>

#include "ui/autostart.h"
#include "util/program_path_win.h"

namespace tarquel {

ElevationNotice::ElevationNotice(FocusWatch* watch)
    : watch_(watch), elevated_(FocusWatch::OwnLevel() >= integrity::High) {}

void ElevationNotice::Attach(HWND window) {
  if (watch_ == nullptr) return;
  watch_->NotifyLevelChanges(window, ElevationChangedMessage);
  // What stood in front before the window existed.
  PostMessageW(window, ElevationChangedMessage, 0, 0);
}

void ElevationNotice::Detach() {
  if (watch_ != nullptr) watch_->NotifyLevelChanges(nullptr, 0);
}

std::string ElevationNotice::OnChanged(TrayIcon& tray) {
  const std::string program = watch_ != nullptr ? watch_->ProgramAbove() : std::string();
  tray.ShowShield(!program.empty());
  if (program.empty()) return {};
  metAbove_ = true;
  if (told_.insert(program).second) {
    const std::string title = program + " runs as administrator";
    const std::string text = "Tarquel can't type into programs running as administrator";
    tray.Notify(title, text);
    OutputDebugStringA(("Notification: " + title + ": " + text + "\n").c_str());
  }
  return "Tarquel can't type into " + program + " (runs as administrator)";
}

bool ElevationNotice::RestartElevated(HWND owner) {
  return Restart(owner, true);
}

bool ElevationNotice::Restart(HWND owner, bool elevated) {
  const std::wstring program = ProgramFilePath().wstring();
  const std::wstring arguments =
      std::wstring(TakeOverArgument) + L" " + std::to_wstring(GetCurrentProcessId());
  SHELLEXECUTEINFOW run{};
  run.cbSize = sizeof run;
  run.fMask = SEE_MASK_NOASYNC;
  run.hwnd = owner;
  run.lpVerb = elevated ? L"runas" : L"open";
  run.lpFile = program.c_str();
  run.lpParameters = arguments.c_str();
  run.nShow = SW_SHOWNORMAL;
  // Declined at the consent prompt: ERROR_CANCELLED, and this one goes on.
  return ShellExecuteExW(&run) != 0;
}

}  // namespace tarquel
