#pragma once

#include <cstddef>
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

enum class OutputPath { Type, Paste };

// `characters` and `holdsLineBreak` describe the rendered text (see RenderedExpansion).
OutputPath ChooseOutputPath(std::size_t characters, bool holdsLineBreak,
                            const FocusedWindow& window, const OutputSettings& settings);

}  // namespace tarquel
