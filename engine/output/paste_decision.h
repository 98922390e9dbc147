#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarquel {

// Where a `type_in=` value is compared. A bare value names either; "class:" and "program:"
// in front of it say which.
enum class TypeInMatch { ClassOrProgram, WindowClass, Program };

struct TypeInRule {
  TypeInMatch match = TypeInMatch::ClassOrProgram;
  std::string name;

  friend bool operator==(const TypeInRule&, const TypeInRule&) = default;
};

inline constexpr std::size_t DefaultPasteThreshold = 100;

// How slowly a program wants its keys: a wait after every key press of an expansion, and one
// before its Ctrl+V (after the text is on the clipboard). Outlook and some web forms drop keys
// that come too fast, or paste before the Backspaces have landed.
struct Pace {
  std::uint32_t keyDelayMs = 0;
  std::uint32_t pasteDelayMs = 0;

  bool Paced() const { return keyDelayMs != 0 || pasteDelayMs != 0; }
  friend bool operator==(const Pace&, const Pace&) = default;
};

// Above these a pace= value is taken as the limit: every wait holds the keys the user types
// meanwhile, and the output counts as stuck after 5 s without a step forward.
inline constexpr std::uint32_t KeyDelayLimitMs = 1000;
inline constexpr std::uint32_t PasteDelayLimitMs = 3000;

struct PaceRule {
  TypeInRule window;
  Pace pace;

  friend bool operator==(const PaceRule&, const PaceRule&) = default;
};

// The output's part of settings.txt, read by ReadOutputSettings (settings/output_settings.h).
struct OutputSettings {
  // Longer expansions (in characters) are pasted; 0: every expansion is typed.
  std::size_t pasteThreshold = DefaultPasteThreshold;
  // Windows where Ctrl+V does not paste, beyond the built-in consoles and terminals.
  std::vector<TypeInRule> typeIn;
  // Windows that take key presses, not characters, beyond the built-in remote desktop and
  // virtual machine clients.
  std::vector<TypeInRule> pressKeysIn;
  bool undoBackspace = true;
  // pace= lines, in file order; the first that names the window wins over the built-in ones.
  std::vector<PaceRule> pace;
};

// "class:Foo", "program:foo.exe" or "foo"; blanks around the name do not count. An empty
// name gives a rule that matches nothing.
TypeInRule ParseTypeInRule(std::string_view value);

// The window that will receive the expansion, as the Windows side finds it.
struct FocusedWindow {
  std::string windowClass;    // of the focused control
  std::string program;        // the executable's file name, "notepad.exe"
  std::string topLevelClass;  // of the foreground window that holds it
};

// The Windows console, mintty (Git Bash, Cygwin, MSYS2) and PuTTY: Ctrl+V there is a control
// character or nothing, not a paste.
const std::vector<TypeInRule>& BuiltInTypeInRules();

bool MustType(const FocusedWindow& window, const OutputSettings& settings);

// Remote desktop (mstsc, the Remote Desktop app), Citrix, Hyper-V, VirtualBox and VNC clients:
// they pass on the keys pressed and drop Unicode character events.
const std::vector<TypeInRule>& BuiltInKeyPressRules();

// Whether the text must go to `window` as the key presses of its layout.
bool MustPressKeys(const FocusedWindow& window, const OutputSettings& settings);

// "outlook.exe 10 200": the window as type_in= names it, then the wait after each key and the
// wait before a paste, in milliseconds (the second may be left out: no wait). Nothing when
// the numbers or the name are missing.
std::optional<PaceRule> ParsePaceRule(std::string_view value);

// Outlook: 10 ms after each key, 200 ms before a paste.
const std::vector<PaceRule>& BuiltInPaceRules();

// The pace of `window`: the first pace= line that names it, else a built-in one, else none.
Pace PaceFor(const FocusedWindow& window, const OutputSettings& settings);

enum class OutputPath { Type, Paste };

// `characters` and `holdsLineBreak` describe the rendered text (see RenderedExpansion).
OutputPath ChooseOutputPath(std::size_t characters, bool holdsLineBreak,
                            const FocusedWindow& window, const OutputSettings& settings);

}  // namespace tarquel
