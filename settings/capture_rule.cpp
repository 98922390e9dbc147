#include "settings/capture_rule.h"

#include "settings/shortcut.h"

namespace tarquel {
namespace {

bool IsModifierKey(std::uint32_t key) {
  switch (key) {
    case 0x10:  // VK_SHIFT
    case 0x11:  // VK_CONTROL
    case 0x12:  // VK_MENU
    case 0x5B:  // VK_LWIN
    case 0x5C:  // VK_RWIN
    case 0xA0:  // VK_LSHIFT
    case 0xA1:  // VK_RSHIFT
    case 0xA2:  // VK_LCONTROL
    case 0xA3:  // VK_RCONTROL
    case 0xA4:  // VK_LMENU
    case 0xA5:  // VK_RMENU
      return true;
    default:
      return false;
  }
}

}  // namespace

std::uint32_t CaptureModifiers(bool ctrl, bool alt, bool shift) {
  return (ctrl ? ModifierCtrl : 0u) | (alt ? ModifierAlt : 0u) | (shift ? ModifierShift : 0u);
}

CaptureVerdict JudgeCapturedKey(std::uint32_t modifiers, std::uint32_t key, bool typesWithAltGr) {
  if (IsModifierKey(key)) return CaptureVerdict::StillWaiting;
  modifiers &= ModifierCtrl | ModifierAlt | ModifierShift;
  if (modifiers == 0) return CaptureVerdict::NeedsModifier;
  // The formatter is the judge of what the text form can name, so the two cannot drift apart.
  if (FormatShortcut(0, key).empty()) return CaptureVerdict::UnnamedKey;
  if (modifiers == ModifierShift) return CaptureVerdict::ShiftAlone;
  const bool ctrlAlt = (modifiers & (ModifierCtrl | ModifierAlt)) == (ModifierCtrl | ModifierAlt);
  if (ctrlAlt && typesWithAltGr) return CaptureVerdict::TypesWithAltGr;
  if (modifiers == ModifierCtrl) {
    switch (key) {
      case 'A':
      case 'C':
      case 'V':
      case 'X':
      case 'Y':
      case 'Z':
      case 'S':
        return CaptureVerdict::ProgramShortcut;
      default:
        break;
    }
  }
  return CaptureVerdict::Accept;
}

std::string_view CaptureLabelFor(CaptureVerdict verdict) {
  switch (verdict) {
    case CaptureVerdict::NeedsModifier:
      return CaptureNeedsModifierText;
    case CaptureVerdict::UnnamedKey:
      return CaptureUnnamedKeyText;
    case CaptureVerdict::ShiftAlone:
      return CaptureShiftAloneText;
    case CaptureVerdict::TypesWithAltGr:
      return CaptureTypesWithAltGrText;
    case CaptureVerdict::ProgramShortcut:
      return CaptureProgramShortcutText;
    case CaptureVerdict::StillWaiting:
    case CaptureVerdict::Accept:
      return {};
  }
  return {};
}

}  // namespace tarquel
