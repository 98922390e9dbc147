#include "settings/shortcut.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/modifier_names.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::Alt;
using testing::Ctrl;
using testing::Shift;
using testing::Win;

struct ParseCase {
  const char* name;
  std::string text;
  Shortcut expected;
};

class ParseShortcutCases : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseShortcutCases, GivesTheExpectedNumbers) {
  EXPECT_EQ(ParseShortcut(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Notation, ParseShortcutCases,
    ::testing::Values(
        ParseCase{"DefaultText", "Ctrl+Shift+F12", {Ctrl | Shift, 0x7B}},
        ParseCase{"FirstDefaultText", "Ctrl+Alt+E", {Ctrl | Alt, 0x45}},
        ParseCase{"LowerCaseFunctionKey", "ctrl+shift+f5", {Ctrl | Shift, 0x74}},
        ParseCase{"AltF4", "Alt+F4", {Alt, 0x73}},
        ParseCase{"WinShiftDigit", "Win+Shift+1", {Win | Shift, 0x31}},
        ParseCase{"SpacesAroundTheKey", "Ctrl + e ", {Ctrl, 0x45}},
        ParseCase{"TabsAndLineEndsAroundTheKey", "Ctrl+\t\r\ne\v\f", {Ctrl, 0x45}},
        ParseCase{"LoneFIsTheLetter", "Shift+F", {Shift, 0x46}},
        ParseCase{"FunctionNumberStopsAtNonDigit", "Ctrl+F7x", {Ctrl, 0x76}},
        ParseCase{"BlanksBetweenFAndNumber", "Ctrl+F 5", {Ctrl, 0x74}},
        ParseCase{"LeadingZeroInFunctionNumber", "Ctrl+F012", {Ctrl, 0x7B}},
        ParseCase{"F1IsTheFirst", "Alt+F1", {Alt, 0x70}},
        ParseCase{"KeyWithoutModifierWord", "+E", {0, 0x45}},
        ParseCase{"AllFourInAnyOrder", "Shift+Alt+Ctrl+Win+Z", {Ctrl | Alt | Shift | Win, 0x5A}},
        ParseCase{"ModifierWordsWithoutSeparators", "CtrlAlt+E", {Ctrl | Alt, 0x45}},
        ParseCase{"ModifierWordsSeparatedBySpace", "ctrl alt+E", {Ctrl | Alt, 0x45}},
        ParseCase{"ControlIsNotCtrl", "Control+K", {0, 0x4B}},
        ParseCase{"WordInsideALongerWordCounts", "Window+K", {Win, 0x4B}},
        ParseCase{"RepeatedWordsSetTheBitOnce", "Ctrl+Ctrl+K", {Ctrl, 0x4B}},
        ParseCase{"NonAsciiBytesAreNotLetters", "Ctrl+\xE9", {Ctrl | Shift, 0x7B}},
        ParseCase{"NulBytesAreOrdinaryBytes", std::string("Ctrl\0+K", 7), {Ctrl, 0x4B}}),
    [](const auto& info) { return info.param.name; });

// Every one of these names no key the notation knows: the numbers fall back to the default,
// whatever modifier words the text holds.
class ParseShortcutFallback : public ::testing::TestWithParam<std::string> {};

TEST_P(ParseShortcutFallback, FallsBackToDefaultWhenKeyIsUnnamed) {
  EXPECT_EQ(ParseShortcut(GetParam()), DefaultShortcut) << '"' << GetParam() << '"';
}

INSTANTIATE_TEST_SUITE_P(Notation, ParseShortcutFallback,
                         ::testing::Values("Ctrl+F13", "Ctrl+F0", "Ctrl+Fx", "Ctrl+Space",
                                           "Ctrl+10", "Ctrl+", "Ctrl+   ", "E", "", "Shift+F-1",
                                           "Win+F99999999999999999999999", "Shift+Tab", "Win+;",
                                           "+",
                                           "Ctrl+F"
                                           " \t"
                                           "x"));

struct FormatCase {
  std::uint32_t modifiers;
  std::uint32_t key;
  std::string expected;
};

class FormatShortcutCases : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatShortcutCases, WritesTheCanonicalText) {
  EXPECT_EQ(FormatShortcut(GetParam().modifiers, GetParam().key), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Notation, FormatShortcutCases,
    ::testing::Values(FormatCase{Ctrl | Alt, 0x45, "Ctrl+Alt+E"},
                      FormatCase{15, 0x5A, "Ctrl+Alt+Shift+Win+Z"},
                      FormatCase{15, 0x7B, "Ctrl+Alt+Shift+Win+F12"},
                      FormatCase{Alt, 0x70, "Alt+F1"}, FormatCase{Shift, 0x30, "Shift+0"},
                      FormatCase{Ctrl, 0x20, "Ctrl+"}, FormatCase{Ctrl, 0x6F, "Ctrl+"},
                      FormatCase{Ctrl, 0x7C, "Ctrl+"}, FormatCase{0, 0x41, "A"},
                      FormatCase{0, 0, ""}, FormatCase{0x4000 | Win, 0x4B, "Win+K"}));

TEST(ShortcutNotation, ParsingAFormattedShortcutGivesItBack) {
  for (std::uint32_t modifiers = 1; modifiers <= 15; ++modifiers) {
    for (std::uint32_t key = 0; key <= 0xFF; ++key) {
      bool known =
          (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9') || (key >= 0x70 && key <= 0x7B);
      if (!known) continue;
      std::string text = FormatShortcut(modifiers, key);
      EXPECT_EQ(ParseShortcut(text), (Shortcut{modifiers, key})) << text;
    }
  }
}

TEST(ShortcutNotation, FormattedTextWithoutModifiersParsesToTheDefault) {
  EXPECT_EQ(ParseShortcut(FormatShortcut(0, 0x41)), DefaultShortcut);
  EXPECT_EQ(ParseShortcut(FormatShortcut(Ctrl, 0x20)), DefaultShortcut);
}

TEST(ShortcutNotation, DefaultTextMatchesDefaultNumbers) {
  EXPECT_EQ(FormatShortcut(DefaultShortcut.modifiers, DefaultShortcut.key), DefaultShortcutText);
  EXPECT_EQ(ParseShortcut(DefaultShortcutText), DefaultShortcut);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
