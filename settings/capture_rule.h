#pragma once

#include <cstdint>
#include <string_view>

namespace tarquel {

inline constexpr std::string_view CapturePromptText = "Press Ctrl, Alt, Shift + Key...";
inline constexpr std::string_view CaptureNeedsModifierText = "Please use Ctrl, Alt, or Shift + Key";
inline constexpr std::string_view CaptureUnnamedKeyText =
    "Please use A-Z, 0-9 or F1-F12 as the Key";

// What the capture dialog does with one key-down.
enum class CaptureVerdict {
  StillWaiting,   // a modifier key itself: the user is still building the combination
  Accept,         // becomes the new shortcut
  NeedsModifier,  // a key without Ctrl, Alt or Shift
  UnnamedKey,     // a key the shortcut's text form cannot name
};

// The modifier bits the dialog records, from the keys held at the key-down. The Windows keys
// are not read: a captured shortcut never has the Win bit.
std::uint32_t CaptureModifiers(bool ctrl, bool alt, bool shift);

// `modifiers` in the hotkey bits (Alt 1, Ctrl 2, Shift 4), `key` a virtual-key code. Only keys
// that FormatShortcut can name are accepted, so that the registered hotkey, the header and
// settings.txt always agree and the next start reads back the same shortcut.
CaptureVerdict JudgeCapturedKey(std::uint32_t modifiers, std::uint32_t key);

// The label's text after a verdict, or an empty view when the label keeps its text.
std::string_view CaptureLabelFor(CaptureVerdict verdict);

}  // namespace tarquel
