#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "ui/saved_settings.h"
#include "ui/tray_icon_win.h"

namespace tarquel {

class UpdateCheckWorker;

// Posted by the worker: the update check has an answer.
inline constexpr UINT UpdateCheckDoneMessage = WM_APP + 0x15;

// The main window's side of the update check: the worker started, its answer turned into a
// notification, and the prompt shown when the user comes to the window.
class UpdateNotice {
 public:
  UpdateNotice(SavedSettings& settings, TrayIcon& tray);
  // Out of line: the worker's type is complete only there.
  ~UpdateNotice();
  UpdateNotice(const UpdateNotice&) = delete;
  UpdateNotice& operator=(const UpdateNotice&) = delete;

  // The check runs on a worker once the window, the hook and the tray icon exist, at most
  // once a day; its answer comes back to `window` as UpdateCheckDoneMessage.
  // Nothing when update_check=off.
  void Start(HWND window);
  // "Check now": asks at once, whatever the day's schedule and the switch say, and tells the
  // outcome in a box over `owner`, the prompt itself when a newer version is out.
  void CheckNow(HWND window, HWND owner);
  void OnCheckDone();
  // The prompt appears only when the user brings the window up (or clicks the notification):
  // a box that opened by itself would take the keys the user is typing elsewhere.
  void ShowPendingPrompt(HWND window);

 private:
  // A published version worth telling the user about.
  struct Offer {
    std::string version;
    std::string link;
  };

  void StartWorker(HWND window);

  SavedSettings& settings_;
  TrayIcon& tray_;
  std::unique_ptr<UpdateCheckWorker> check_;
  std::optional<Offer> pending_;
  bool promptOpen_ = false;
  HWND owner_ = nullptr;
  // The user asked: the answer is told whatever it is.
  bool askedNow_ = false;
};

}  // namespace tarquel
