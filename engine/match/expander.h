#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/input/key_input.h"
#include "engine/match/trigger_table.h"
#include "util/snapshot.h"
#include "util/text_case.h"

namespace tarquel {

// Characters (code points), not bytes: a trigger in Cyrillic is as long as one in Latin.
inline constexpr std::size_t TypedBufferLimit = 50;

// The program that owns the window with the keyboard focus.
struct FocusedProgram {
  // A window of this program: its trigger field must take triggers as typed.
  bool ownWindow = false;
  // The executable's file name ("notepad.exe"); empty when it cannot be found out.
  std::string executableName;
  // An app that runs in a frame (ApplicationFrameHost.exe owns the foreground window): the
  // executable of the process whose window has the focus inside it; empty when it is the same.
  std::string framedExecutableName;
  // Window classes of the focused window and of the foreground window that holds it.
  std::string windowClass;
  std::string topLevelClass;
  // The package family name of the focused window's process ("Microsoft.WindowsCalculator_
  // 8wekyb3d8bbwe"); empty for a program that is not a packaged app.
  std::string packageFamily;
};

// One `exclude=` value: "keepass.exe" or "program:keepass.exe" (an executable), "class:Foo" (a
// window class), "package:Microsoft.WindowsCalculator" (a packaged app, by its package family
// name or the name before its "_").
struct ExcludeRule {
  enum class Kind { Program, WindowClass, Package };
  Kind kind = Kind::Program;
  std::string name;

  friend bool operator==(const ExcludeRule&, const ExcludeRule&) = default;
};
ExcludeRule ParseExcludeRule(std::string_view value);

// Whether `executableName` is one of `excluded`, compared without regard to ASCII case, as
// Windows compares file names.
bool IsExcludedProgram(std::string_view executableName, const std::vector<std::string>& excluded);
// Whether one of `rules` names the focused program, its window class or its package. Names
// compare without regard to ASCII case.
bool IsExcluded(const FocusedProgram& program, const std::vector<ExcludeRule>& rules);

// What the engine decided when a trigger completed: the key that completed it was swallowed,
// and this is what the window must get instead. The texts are the table's own, valid only during
// the call that hands the request over; whoever sends later keeps a copy.
struct ExpansionRequest {
  // Characters of the trigger the window already shows.
  std::size_t backspaces = 0;
  // The window still holds a dead key from the trigger's last characters, which would combine
  // with whatever comes next: a space settles it into its accent, which `backspaces` counts.
  bool settleDeadKey = false;
  // What the user typed for the trigger, in the case typed, the swallowed key's characters
  // (an ending character too) included: put back as it was when the expansion is called off or
  // taken back.
  std::string_view trigger;
  std::string_view expansion;
  // The ending character that completed the trigger, typed after the expansion ("\n" for Enter,
  // "\t" for Tab); empty when the trigger fired at once or drops its ending character.
  std::string_view ending = {};
  // How the expansion's case follows the trigger as typed (an entry that conforms case).
  CaseShape caseShape = CaseShape::AsWritten;

  friend bool operator==(const ExpansionRequest&, const ExpansionRequest&) = default;
};

// Where the engine's effects go: the Windows adapter sends real input and writes to the
// debugger; tests record them.
class ExpanderOutput {
 public:
  virtual ~ExpanderOutput() = default;
  // Called from the key event that completed the trigger; the adapter sends later, from its
  // main loop, so the hook can return at once.
  virtual void SendExpansion(const ExpansionRequest& request) = 0;
  // One diagnostic line, ending in "\n".
  virtual void WriteDiagnostic(std::string_view line) = 0;
  // Asked only when a trigger has matched, so it may cost a system call or two.
  virtual FocusedProgram ProgramWithFocus() { return {}; }
};

class Expander;
// The hook callback gets no user data; it finds the engine through this pointer.
extern Expander* ActiveExpander;

// Where nothing expands (the `exclude=` lines of settings.txt).
using ExcludedPrograms = std::vector<ExcludeRule>;

// AutoHotkey's: space, Enter, Tab and -()[]{}':;"/\,.?!
inline constexpr std::string_view DefaultEndingCharacters = " \n\t-()[]{}':;\"/\\,.?!";

// The keystroke engine: follows every key event of the user, keeps the characters typed since
// the caret last moved elsewhere, and decides when a trigger completes.
//
// Key events, ForgetTyped and SyncModifiers come from one thread, the input thread. The
// setters marked so may be called from any other thread: they never make the input thread
// wait.
class Expander {
 public:
  // Matches against whatever `tables` holds at each key; the input thread is its reader.
  Expander(Snapshot<TriggerTable>& tables, ExpanderOutput& output, KeyboardLayout& layout);
  // Matches against `table`, which outlives the engine and does not change under it.
  Expander(const TriggerTable& table, ExpanderOutput& output, KeyboardLayout& layout);
  ~Expander();
  Expander(const Expander&) = delete;
  Expander& operator=(const Expander&) = delete;

  // One key event of the user's, down or up. Returns true when it completed a trigger and must
  // be swallowed. Events the program sends itself must not come here.
  bool OnKeyEvent(std::uint32_t virtualKey, std::uint32_t scanCode, bool extended, bool release);

  // The caret may stand elsewhere now (a click, another window or control): what was typed
  // before no longer ends where the next key lands.
  void ForgetTyped();
  // The modifier keys as the system has them, for when the event stream may have lost a
  // release (Win+L, a key let go while another desktop had the input).
  void SyncModifiers(const ModifierState& modifiers) { modifiers_ = modifiers; }
  const ModifierState& Modifiers() const { return modifiers_; }

  // The hook sees the toggle hotkey's key-down before the system turns it into WM_HOTKEY. It
  // leaves the buffer as it is, or a trigger begun before a pause could never be completed
  // after it. The key still passes on. A key of 0 ignores nothing.
  // Any thread.
  void SetIgnoredShortcut(std::uint32_t modifiers, std::uint32_t key) {
    ignoredShortcut_.store(std::uint64_t{modifiers} << 32 | key, std::memory_order_relaxed);
  }

  // Any thread.
  void SetExcludedPrograms(const std::vector<std::string>& values) {
    ExcludedPrograms rules;
    for (const std::string& value : values) {
      ExcludeRule rule = ParseExcludeRule(value);
      if (!rule.name.empty()) rules.push_back(std::move(rule));
    }
    excludedPrograms_.Publish(std::make_shared<const ExcludedPrograms>(std::move(rules)));
  }

  // Any thread: the characters (UTF-8; "\n" for Enter, "\t" for Tab) that complete a trigger
  // that fires after an ending character.
  void SetEndingCharacters(std::string_view characters);
  // Input thread (and tests): whether `c` is one of them.
  bool IsEndingCharacter(char32_t c);

  // Any thread.
  void SetEnabled(bool enabled) { enabled_.store(enabled, std::memory_order_relaxed); }
  bool IsEnabled() const { return enabled_.load(std::memory_order_relaxed); }

  // Any thread: the focus is in a field for a password (or it is not known yet whether it is).
  // Nothing typed there is kept and nothing expands there; entering one forgets what was typed
  // before, so that neither half of a password can complete a trigger. The modifiers are
  // followed as ever.
  void SetSecretField(bool secret) {
    if (secret) RequestForget();
    secretField_.store(secret, std::memory_order_release);
  }
  bool InSecretField() const { return secretField_.load(std::memory_order_acquire); }

  // Any thread: the caret moved elsewhere (a focus change seen by another thread). The input
  // thread forgets the typed text before it takes its next key.
  void RequestForget() { forgetRequests_.fetch_add(1, std::memory_order_release); }
  // Any thread: the modifiers as the system has them, taken over before the next key (see
  // SyncModifiers). The lock keys are taken over only when `withLocks`.
  void RequestModifierSync(const ModifierState& modifiers, bool withLocks);
  std::string_view TypedBuffer() const { return typed_.View(); }
  // The same characters folded (FoldText), for entries that ignore case.
  std::string_view FoldedBuffer() const { return folded_.View(); }
  // The accent of a dead key pressed last, waiting for the next key; empty when none waits.
  std::string_view PendingDeadKey() const { return pendingDeadKey_; }

 private:
  bool OnKeyDown(const KeyStroke& stroke);
  // `characters`: how many characters (code points) `text` holds.
  void Append(std::string_view text, std::size_t characters);
  void EraseLastCharacter();
  // `lastKeyCharacters`: how many characters the swallowed key added; `deadKeyWaited`: that key
  // was combined with a dead key the window still holds.
  bool MatchAndExpand(std::size_t lastKeyCharacters, bool deadKeyWaited);
  // Apart from the functions every key runs through, whose frames stay free of strings.
  bool OnKeyAfterDeadKey(std::string_view characters);
  // `endingBytes`: the bytes of the ending character that completed the match, 0 for one that
  // fired at once.
  bool Expand(const TriggerTable::Match& match, std::size_t endingBytes,
              std::size_t lastKeyCharacters, bool deadKeyWaited, const FocusedProgram& focused);
  // What other threads asked for since the last key.
  void TakeRequests();

  // The table in force: the snapshot's, or a fixed one given at construction.
  std::unique_ptr<Snapshot<TriggerTable>> ownTables_;
  Snapshot<TriggerTable>& tables_;
  ExpanderOutput& output_;
  KeyboardLayout& layout_;
  ModifierState modifiers_;
  // UTF-8 text in a fixed array: bytes[start, end); characters before start have fallen out
  // and are moved out of the way only when the end reaches the array's.
  struct TextBuffer {
    std::array<char, 512> bytes;
    std::size_t start = 0;
    std::size_t end = 0;
    std::string_view View() const { return {bytes.data() + start, end - start}; }
    // Room for `size` more bytes; false when even an emptied array would not hold them.
    bool MakeRoom(std::size_t size);
    void Append(std::string_view text);
    // `text` with every character folded (FoldCase).
    void AppendFolded(std::string_view text);
    void DropFirst();
    void DropLast();
    void Clear() { start = end = 0; }
  };
  TextBuffer typed_;
  TextBuffer folded_;
  std::size_t typedCharacters_ = 0;
  // The character that fell out of the buffer last was a letter or digit: the buffer's start is
  // no word start.
  bool wordBefore_ = false;
  // Ending characters: bits for the ASCII ones, a list for the others.
  std::atomic<std::uint64_t> endingLow_{0};
  std::atomic<std::uint64_t> endingHigh_{0};
  std::atomic<bool> endingOthers_{false};
  Snapshot<std::u32string> endingOtherList_{std::make_shared<const std::u32string>()};
  std::string pendingDeadKey_;
  Snapshot<ExcludedPrograms> excludedPrograms_{std::make_shared<const ExcludedPrograms>()};
  std::atomic<bool> enabled_{true};
  std::atomic<bool> secretField_{false};
  // Modifier bits in the high half, the key in the low half: one store, never half of each.
  std::atomic<std::uint64_t> ignoredShortcut_{0};
  std::atomic<std::uint32_t> forgetRequests_{0};
  std::uint32_t forgetsTaken_ = 0;
  // A modifier state of another thread's waiting to be taken over: ModifierBits of it with
  // PendingSync set, or 0.
  std::atomic<std::uint32_t> modifierSync_{0};
};

}  // namespace tarquel
