#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

enum class PutResult {
  Done,       // the text is on the clipboard, marked to stay out of history and monitors
  Untouched,  // the clipboard could not be opened, or changed since the save; it holds what it held
  Emptied,    // it was opened and emptied, then the text could not be set
};

// The rendered text (line breaks as '\n') as the clipboard wants it: UTF-16 with CR LF.
std::u16string ClipboardTextOf(std::string_view rendered);

// A paste through the clipboard, judged by what the target does rather than by a clock.
//
// The user's clipboard is first copied whole (within the save's budget, see
// clipboard_save_budget.h); then our text goes on it as a promise (delayed rendering), so that
// the reading of it is something we are told about; then Ctrl+V goes out. From that moment the
// text is never typed as well: the Ctrl+V may sit in a busy target's queue for seconds, and it
// will paste whatever the clipboard holds when the target gets to it.
//
//   Idle ──copy saved (or reused)──> Saved ──text put──> Promised ──Ctrl+V out──> AwaitingRead
//   AwaitingRead ──the target reads──> Read            (the reader gets the text)
//                ──another program reads──> (same)     (it gets nothing: not the paste)
//                ──LateReadMs after Ctrl+V──> RestoreDue  (nothing pasted, nothing typed)
//   Read ──SettleMs after the last read──> RestoreDue
//   RestoreDue ──the user's copy put back──> Idle
//              ──the clipboard is held open──> RestoreDue, tried again RetryMs later
//   any state ──another program put something on the clipboard──> Idle (the newer copy stays)
//
// The target is the process of the window with the keyboard focus when Ctrl+V went out. A
// reader whose window cannot be known (it opened the clipboard with no window) counts as the
// target: refusing it could cost the paste, and it comes after our Ctrl+V.
//
// A second expansion long enough to paste: while the first's text waits to be read, it is
// typed (a second text on the clipboard would be what the first Ctrl+V pastes); once the first
// has been read, it reuses the saved copy, which is still the user's clipboard, and the
// protocol starts over from Saved.
class PasteProtocol {
 public:
  struct Bounds {
    // How long a Ctrl+V may wait in a target's queue and still get the text. After it the
    // user's clipboard comes back; a target slower than that pastes it. As long as the system
    // itself waits for a clipboard owner to render.
    std::uint64_t lateReadMs = 30000;
    // After a read, before the clipboard goes back: a target may read again (another format,
    // or a second open for the same paste).
    std::uint64_t settleMs = 100;
    // Between two tries to put the clipboard back while another program holds it open.
    std::uint64_t retryMs = 50;
  };

  enum class State { Idle, Saved, Promised, AwaitingRead, Read, RestoreDue };
  enum class Reader { Target, Other, Unknown };
  enum class Plan {
    SaveFirst,   // copy the user's clipboard, then put the text
    ReuseSaved,  // the saved copy is the user's clipboard; put the text over ours
    Type,        // type this expansion
  };
  enum class RestoreResult { Restored, Replaced, Busy };

  PasteProtocol() = default;
  explicit PasteProtocol(Bounds bounds) : bounds_(bounds) {}

  State state() const { return state_; }
  // A saved copy of the user's clipboard is held (and with it the clipboard is still to go back).
  bool HoldsSavedCopy() const { return state_ != State::Idle; }

  // What a paste-sized expansion does now. ReuseSaved moves to Saved.
  Plan Begin();
  // The user's clipboard was copied whole: Idle to Saved. False on a failed copy: type.
  void Saved();
  void Put(PutResult result, std::uint64_t now);
  // Ctrl+V went out, or may have (a SendInput cut short): from now on nothing is typed.
  void PasteSent(std::uint64_t now);
  // Someone asks for our text. True when they get it.
  bool OnRead(Reader reader, std::uint64_t now);
  // Another program emptied the clipboard and put its own there.
  void OnReplaced();
  // True when the clipboard should go back now.
  bool RestoreDue(std::uint64_t now) const;
  void Restored(RestoreResult result, std::uint64_t now);
  // When RestoreDue next becomes true, for a timer; nothing in Idle and Saved.
  std::optional<std::uint64_t> NextDue() const;

  // For diagnostics: the last paste ended without the target reading the text.
  bool LastPasteUnread() const { return unread_; }
  int RefusedReaders() const { return refused_; }

 private:
  Bounds bounds_;
  State state_ = State::Idle;
  std::uint64_t since_ = 0;  // AwaitingRead: Ctrl+V; Read: the last read; RestoreDue: next try
  bool unread_ = false;
  int refused_ = 0;
};

}  // namespace tarquel
