#include "settings/capture_rule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "settings/shortcut.h"
#include "tests/support/modifier_names.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::Alt;
using testing::Ctrl;
using testing::Shift;

struct CaptureCase {
  const char* what;
  std::uint32_t modifiers;
  std::uint32_t key;
  CaptureVerdict verdict;
};

const CaptureCase CaptureCases[] = {
    {"Ctrl+Shift+K", Ctrl | Shift, 'K', CaptureVerdict::Accept},
    {"Alt+F4", Alt, 0x73, CaptureVerdict::Accept},
    {"Ctrl+Alt+Shift+9", Ctrl | Alt | Shift, '9', CaptureVerdict::Accept},
    {"Shift+0 would take the digit's other character", Shift, '0', CaptureVerdict::ShiftAlone},
    {"Shift+K would take the capital", Shift, 'K', CaptureVerdict::ShiftAlone},
    {"Shift+F5 types nothing but is refused all the same", Shift, 0x74, CaptureVerdict::ShiftAlone},
    {"Ctrl+A selects all", Ctrl, 'A', CaptureVerdict::ProgramShortcut},
    {"Ctrl+C copies", Ctrl, 'C', CaptureVerdict::ProgramShortcut},
    {"Ctrl+V pastes", Ctrl, 'V', CaptureVerdict::ProgramShortcut},
    {"Ctrl+X cuts", Ctrl, 'X', CaptureVerdict::ProgramShortcut},
    {"Ctrl+Y redoes", Ctrl, 'Y', CaptureVerdict::ProgramShortcut},
    {"Ctrl+Z undoes", Ctrl, 'Z', CaptureVerdict::ProgramShortcut},
    {"Ctrl+S saves", Ctrl, 'S', CaptureVerdict::ProgramShortcut},
    {"Ctrl+Shift+Z is another shortcut", Ctrl | Shift, 'Z', CaptureVerdict::Accept},
    {"Ctrl+B", Ctrl, 'B', CaptureVerdict::Accept},
    {"Ctrl+Shift+F12, the default", Ctrl | Shift, 0x7B, CaptureVerdict::Accept},
    {"Ctrl+F1", Ctrl, 0x70, CaptureVerdict::Accept},
    {"Ctrl+F12", Ctrl, 0x7B, CaptureVerdict::Accept},
    {"K alone", 0, 'K', CaptureVerdict::NeedsModifier},
    {"Escape alone", 0, 0x1B, CaptureVerdict::NeedsModifier},
    {"Enter alone", 0, 0x0D, CaptureVerdict::NeedsModifier},
    {"F5 alone", 0, 0x74, CaptureVerdict::NeedsModifier},
    {"Win bit only counts as no modifier", ModifierWin, 'K', CaptureVerdict::NeedsModifier},
    {"Ctrl+Alt+Space", Ctrl | Alt, 0x20, CaptureVerdict::UnnamedKey},
    {"Ctrl+Escape", Ctrl, 0x1B, CaptureVerdict::UnnamedKey},
    {"Alt+Enter", Alt, 0x0D, CaptureVerdict::UnnamedKey},
    {"Ctrl+F13", Ctrl, 0x7C, CaptureVerdict::UnnamedKey},
    {"Ctrl+numeric keypad 1", Ctrl, 0x61, CaptureVerdict::UnnamedKey},
    {"Ctrl+comma", Ctrl, 0xBC, CaptureVerdict::UnnamedKey},
    {"Ctrl+left arrow", Ctrl, 0x25, CaptureVerdict::UnnamedKey},
    {"Ctrl+the code just below A", Ctrl, 0x40, CaptureVerdict::UnnamedKey},
    {"Ctrl+the code just below 0", Ctrl, 0x2F, CaptureVerdict::UnnamedKey},
    {"Ctrl+the code just above 9", Ctrl, 0x3A, CaptureVerdict::UnnamedKey},
    {"Ctrl+the code just below F1", Ctrl, 0x6F, CaptureVerdict::UnnamedKey},
    {"Ctrl+the application key", Ctrl, 0x5D, CaptureVerdict::UnnamedKey},
};

TEST(JudgeCapturedKey, RefusesCtrlAltWithAKeyTheLayoutTypesWithAltGr) {
  EXPECT_EQ(JudgeCapturedKey(Ctrl | Alt, 'E', true), CaptureVerdict::TypesWithAltGr);
  EXPECT_EQ(JudgeCapturedKey(Ctrl | Alt | Shift, 'E', true), CaptureVerdict::TypesWithAltGr);
  EXPECT_EQ(JudgeCapturedKey(Ctrl | Alt, 'E', false), CaptureVerdict::Accept);
  // Without both, AltGr is not involved, whatever the layout types with it.
  EXPECT_EQ(JudgeCapturedKey(Ctrl | Shift, 'E', true), CaptureVerdict::Accept);
  EXPECT_EQ(JudgeCapturedKey(Alt, 'E', true), CaptureVerdict::Accept);
}

TEST(JudgeCapturedKey, AcceptsOnlyNamedKeysWithCtrlAltOrShift) {
  for (const CaptureCase& row : CaptureCases) {
    EXPECT_EQ(JudgeCapturedKey(row.modifiers, row.key), row.verdict) << row.what;
  }
}

TEST(JudgeCapturedKey, ModifierKeysAloneKeepWaitingWhateverIsHeld) {
  const std::uint32_t modifierKeys[] = {0x10, 0x11, 0x12, 0x5B, 0x5C, 0xA0,
                                        0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
  for (std::uint32_t key : modifierKeys) {
    EXPECT_EQ(JudgeCapturedKey(0, key), CaptureVerdict::StillWaiting) << key;
    EXPECT_EQ(JudgeCapturedKey(Ctrl | Alt | Shift, key), CaptureVerdict::StillWaiting) << key;
  }
}

TEST(JudgeCapturedKey, EveryAcceptedShortcutSurvivesTheTextForm) {
  // What is accepted is formatted into settings.txt and parsed at the next start; it must come
  // back as the very shortcut that was registered.
  for (std::uint32_t modifiers = 1; modifiers <= (Ctrl | Alt | Shift); ++modifiers) {
    for (std::uint32_t key = 0; key < 0x100; ++key) {
      if (JudgeCapturedKey(modifiers, key) != CaptureVerdict::Accept) continue;
      Shortcut back = ParseShortcut(FormatShortcut(modifiers, key));
      EXPECT_EQ(back, (Shortcut{modifiers, key})) << modifiers << " " << key;
    }
  }
}

TEST(JudgeCapturedKey, AcceptsExactlyTheFortyEightNamedKeys) {
  int accepted = 0;
  for (std::uint32_t key = 0; key < 0x100; ++key) {
    if (JudgeCapturedKey(Ctrl | Shift, key) == CaptureVerdict::Accept) ++accepted;
  }
  EXPECT_EQ(accepted, 26 + 10 + 12);
}

TEST(CaptureModifiers, SetsTheHotkeyBitsOfTheHeldKeys) {
  EXPECT_EQ(CaptureModifiers(false, false, false), 0u);
  EXPECT_EQ(CaptureModifiers(true, false, false), Ctrl);
  EXPECT_EQ(CaptureModifiers(false, true, false), Alt);
  EXPECT_EQ(CaptureModifiers(false, false, true), Shift);
  EXPECT_EQ(CaptureModifiers(true, true, true), Ctrl | Alt | Shift);
}

TEST(CaptureLabelFor, TellsWhyAKeyWasRefusedAndKeepsTheTextOtherwise) {
  EXPECT_EQ(CaptureLabelFor(CaptureVerdict::NeedsModifier), "Please use Ctrl, Alt, or Shift + Key");
  EXPECT_EQ(CaptureLabelFor(CaptureVerdict::UnnamedKey), CaptureUnnamedKeyText);
  EXPECT_NE(CaptureLabelFor(CaptureVerdict::UnnamedKey), CaptureNeedsModifierText);
  EXPECT_EQ(CaptureLabelFor(CaptureVerdict::ShiftAlone), CaptureShiftAloneText);
  EXPECT_EQ(CaptureLabelFor(CaptureVerdict::TypesWithAltGr), CaptureTypesWithAltGrText);
  EXPECT_EQ(CaptureLabelFor(CaptureVerdict::ProgramShortcut), CaptureProgramShortcutText);
  EXPECT_TRUE(CaptureLabelFor(CaptureVerdict::StillWaiting).empty());
  EXPECT_TRUE(CaptureLabelFor(CaptureVerdict::Accept).empty());
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
