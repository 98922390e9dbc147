#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "engine/match/expander.h"
#include "engine/output/expansion_output_win.h"
#include "engine/output/key_events.h"
#include "engine/output/send_queue.h"

namespace tarquel {

// Stamped into dwExtraInfo of every event this program synthesises, so that the hook can let
// its own keys pass: they must not feed the buffer again (an expansion that ends with its own
// trigger would otherwise expand forever).
inline constexpr ULONG_PTR InjectedEventTag = 0x54524B51;  // "TRKQ"
// The user's own keys, held back while an expansion waited and sent again after it. The hook
// takes them as the user's.
inline constexpr ULONG_PTR ReplayedEventTag = 0x54524B52;
// The last event of everything sent in one go: a release of an unassigned key that the hook
// swallows. Once the hook sees it, every event sent before it has been through the hook, so a
// key of the user's arriving after it comes after them (under Wine, SendInput's events and the
// keyboard's can interleave).
inline constexpr ULONG_PTR BatchEndTag = 0x54524B53;

// Sends `events` in one SendInput call, so that no key the user presses meanwhile lands in the
// middle. Returns how many went out; a short send is written to the debugger output.
UINT SendKeyEvents(const std::vector<KeyEvent>& events);

// Owns the output thread: expansions are rendered, pasted or typed there, never on the input
// thread (which only queues and wakes it) nor on the UI thread, so that a clipboard owner slow
// to render, or a long expansion, holds up neither the system's input nor the windows. The
// user's keys held meanwhile go out behind each expansion in the same SendInput call.
class ExpansionSender {
 public:
  ExpansionSender();
  // Stops the output thread once what it is doing is done; a clipboard still to be put back is
  // put back first.
  ~ExpansionSender();
  ExpansionSender(const ExpansionSender&) = delete;
  ExpansionSender& operator=(const ExpansionSender&) = delete;

  SendQueue& queue() { return queue_; }

  // Any thread but the output thread, more than once: the output thread finishes what it is
  // doing, puts back a clipboard a paste still holds (bounded: WindowsPasteClipboard::Bounds),
  // and ends. For WM_ENDSESSION, where the process may end as soon as the UI thread returns.
  void Stop();

  // Any thread: queues an expansion and wakes the output thread. `modifiers` are the keys the
  // user holds as it is asked for.
  void Queue(const ExpansionRequest& request, const ModifierState& modifiers);
  // Any thread: the queue holds work. Never waits.
  void Wake() {
    SetEvent(wake_);
    SetEvent(rescueWake_);
  }

  // Any thread: paste_threshold, type_in and undo_backspace from settings.txt.
  void SetOutputSettings(const OutputSettings& settings);
  // Any thread: after each expansion that went out whole, `message` is posted to `window` with
  // the characters sent (wParam) and those the user typed for the trigger (lParam). Null: none.
  void SetSentNotice(HWND window, UINT message) {
    noticeMessage_.store(message);
    noticeWindow_.store(window);
  }

 private:
  void Run();
  void DoWork();
  // `events`, the keys held behind them and the end marker in one SendInput call. False when
  // not all of it went out, or the job was called off and nothing went.
  bool SendBatch(const std::vector<KeyEvent>& events);
  // Events of the job in hand ahead of its last batch, in a SendInput call of their own. False
  // when the job was called off or not all of them went out.
  bool SendPart(const std::vector<KeyEvent>& events);
  // `ms` on the output thread, answering the clipboard's requests meanwhile. False when the
  // thread is to end.
  bool WaitServing(std::uint32_t ms);
  // The rescue thread: sends the held keys when no expansion is left to go before them, also
  // while the output thread is stuck in a job that was called off.
  void RunRescue();

  SendQueue queue_;
  HANDLE wake_ = nullptr;
  std::atomic<bool> stop_{false};
  std::mutex stopMutex_;
  // Settings from the UI thread, taken over by the output thread before its next job.
  std::mutex settingsMutex_;
  std::optional<OutputSettings> newSettings_;
  std::atomic<UINT> noticeMessage_{0};
  std::atomic<HWND> noticeWindow_{nullptr};
  // Output thread only.
  std::unique_ptr<ExpansionOutput> output_;
  std::vector<HeldKey> batchHeld_;
  std::vector<INPUT> batchInputs_;
  std::thread thread_;
  // Rescue thread only, but for its event.
  HANDLE rescueWake_ = nullptr;
  std::vector<HeldKey> rescueHeld_;
  std::vector<INPUT> rescueInputs_;
  std::thread rescueThread_;
};

extern ExpansionSender* ActiveSender;

}  // namespace tarquel
