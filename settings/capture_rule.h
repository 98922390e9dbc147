#pragma once

#include <cstdint>
#include <string_view>

namespace tarquel {

inline constexpr std::string_view CapturePromptText = "Press Ctrl, Alt, Shift + Key...";
inline constexpr std::string_view CaptureNeedsModifierText = "Please use Ctrl, Alt, or Shift + Key";
inline constexpr std::string_view CaptureUnnamedKeyText =
    "Please use A-Z, 0-9 or F1-F12 as the Key";
inline constexpr std::string_view CaptureShiftAloneText =
    "Shift alone would take capitals: add Ctrl or Alt";
inline constexpr std::string_view CaptureTypesWithAltGrText =
    "Ctrl+Alt+this key types a character here (AltGr)";
inline constexpr std::string_view CaptureProgramShortcutText =
    "Every program uses this one: please choose another";

// What the capture dialog does with one key-down.
enum class CaptureVerdict {
  StillWaiting,     // a modifier key itself: the user is still building the combination
  Accept,           // becomes the new shortcut
  NeedsModifier,    // a key without Ctrl, Alt or Shift
  UnnamedKey,       // a key the shortcut's text form cannot name
  ShiftAlone,       // Shift is the only modifier: that would take a capital letter from the user
  TypesWithAltGr,   // Ctrl+Alt is AltGr, and with this key the layout types a character
  ProgramShortcut,  // Ctrl+A, C, V, X, Y, Z or S: select all, copy, paste... in every program
};

// The modifier bits the dialog records, from the keys held at the key-down. The Windows keys
// are not read: a captured shortcut never has the Win bit.
std::uint32_t CaptureModifiers(bool ctrl, bool alt, bool shift);

// `modifiers` in the hotkey bits (Alt 1, Ctrl 2, Shift 4), `key` a virtual-key code. Only keys
// that FormatShortcut can name are accepted, so that the registered hotkey, the header and
// settings.txt always agree and the next start reads back the same shortcut. `typesWithAltGr`:
// the current layout types a character for AltGr with `key`. A hotkey is taken from every
// program, so none is accepted that users type with or that programs all rely on.
CaptureVerdict JudgeCapturedKey(std::uint32_t modifiers, std::uint32_t key,
                                bool typesWithAltGr = false);

// The label's text after a verdict, or an empty view when the label keeps its text.
std::string_view CaptureLabelFor(CaptureVerdict verdict);

}  // namespace tarquel
