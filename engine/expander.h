#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/trigger_table.h"

namespace tarquel {

inline constexpr std::size_t TypedBufferLimit = 50;

inline constexpr std::uint32_t VirtualKeyBack = 0x08;
inline constexpr std::uint32_t VirtualKeyShift = 0x10;

// The fixed, layout-independent mapping from a key to the one character it adds to the
// buffer; Caps Lock, Ctrl, Alt and Win are not consulted.
std::optional<char> KeyToChar(std::uint32_t virtualKey, bool shift);

// The program that owns the window with the keyboard focus.
struct FocusedProgram {
  // A window of this program: its trigger field must take triggers as typed.
  bool ownWindow = false;
  // The executable's file name ("notepad.exe"); empty when it cannot be found out.
  std::string executableName;
};

// Whether `executableName` is one of `excluded`, compared without regard to ASCII case, as
// Windows compares file names.
bool IsExcludedProgram(std::string_view executableName, const std::vector<std::string>& excluded);

// Where the engine's effects go: the Windows adapter sends real input and writes to the
// debugger; tests record them.
class ExpanderOutput {
 public:
  virtual ~ExpanderOutput() = default;
  // Erase `backspaces` characters already typed, then type `expansion`.
  virtual void SendExpansion(std::size_t backspaces, std::string_view expansion) = 0;
  // One diagnostic line, ending in "\n".
  virtual void WriteDiagnostic(std::string_view line) = 0;
  // Asked only when a trigger has matched, so it may cost a system call or two.
  virtual FocusedProgram ProgramWithFocus() { return {}; }
};

class Expander;
// The hook callback gets no user data; it finds the engine through this pointer.
extern Expander* ActiveExpander;

class Expander {
 public:
  Expander(const TriggerTable& table, ExpanderOutput& output);
  ~Expander();
  Expander(const Expander&) = delete;
  Expander& operator=(const Expander&) = delete;

  // Returns true when the key completed a trigger and must be swallowed. `heldModifiers` are
  // the modifier keys down with it, in the hotkey bits (Alt 1, Ctrl 2, Shift 4, Win 8); they
  // only tell the toggle shortcut apart from the same key typed plainly.
  bool OnKeyDown(std::uint32_t virtualKey, bool shift, std::uint32_t heldModifiers = 0);
  bool MatchAndExpand();

  // The hook sees the toggle hotkey's key-down before the system turns it into WM_HOTKEY. Its
  // letter must stay out of the buffer, or a trigger begun before a pause could never be
  // completed after it. The key still passes on. A key of 0 ignores nothing.
  void SetIgnoredShortcut(std::uint32_t modifiers, std::uint32_t key) {
    ignoredModifiers_ = modifiers;
    ignoredKey_ = key;
  }

  // The hook reads the modifiers (several calls into the system) only for this key.
  std::uint32_t IgnoredKey() const { return ignoredKey_; }

  // Programs (executable names, from settings.txt) in whose windows nothing expands.
  void SetExcludedPrograms(std::vector<std::string> programs) {
    excludedPrograms_ = std::move(programs);
  }

  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool IsEnabled() const { return enabled_; }
  std::string_view TypedBuffer() const { return typed_; }

 private:
  const TriggerTable& table_;
  ExpanderOutput& output_;
  std::string typed_;
  std::vector<std::string> excludedPrograms_;
  bool enabled_ = true;
  std::uint32_t ignoredModifiers_ = 0;
  std::uint32_t ignoredKey_ = 0;
};

}  // namespace tarquel
