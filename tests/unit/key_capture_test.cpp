// Triggers typed on keyboards other than US English, through fake layouts that answer as the
// real Windows layouts do.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::FakeLayout;
using testing::Keyboard;
using testing::RecordingOutput;
using Swallowed = std::vector<std::size_t>;

constexpr std::uint32_t VkOem1 = 0xBA;
constexpr std::uint32_t VkOem2 = 0xBF;
constexpr std::uint32_t VkOem6 = 0xDD;
constexpr std::uint32_t VkOem7 = 0xDE;
constexpr std::uint32_t VkPeriod = 0xBE;

struct Capture {
  explicit Capture(FakeLayout fake) : layout(std::move(fake)) { AddDefaultTriggers(table); }
  TriggerTable table;
  RecordingOutput output;
  FakeLayout layout;
  Expander expander{table, output, layout};
  Keyboard keys{expander};
};

TEST(GermanLayout, ColonIsShiftPeriodAndDemoExpands) {
  Capture german(testing::GermanLayout());
  EXPECT_EQ(german.keys.Type(german.layout, ":demo"), Swallowed{4});
  EXPECT_EQ(german.output.requests.back().backspaces, 4u);
  // The key itself: Shift with the "." key.
  german.keys.PressWith(VkPeriod, true, false);
  EXPECT_EQ(german.expander.TypedBuffer(), ":");
}

TEST(GermanLayout, ShiftUmlautIsNotAColon) {
  Capture german(testing::GermanLayout());
  german.keys.PressWith(VkOem1, true, false);
  EXPECT_EQ(german.keys.Type(german.layout, "demo"), Swallowed{});
  EXPECT_EQ(german.expander.TypedBuffer(), "\u00DCdemo");
}

TEST(GermanLayout, AcuteDeadKeyComposesWithTheNextLetter) {
  Capture german(testing::GermanLayout());
  german.table.Set(":caf\u00E9", "coffee");
  german.keys.Type(german.layout, ":caf");
  EXPECT_FALSE(german.keys.Press(VkOem6));
  EXPECT_EQ(german.expander.PendingDeadKey(), "\u00B4");
  EXPECT_EQ(german.expander.TypedBuffer(), ":caf");
  EXPECT_TRUE(german.keys.Press('E'));
  // The window still holds the accent: a space settles it, and it is erased with the rest.
  EXPECT_EQ(german.output.requests.back(), (ExpansionRequest{5, true, ":caf\u00E9", "coffee"}));
}

TEST(GermanLayout, AccentThatDoesNotComposeIsTypedBeforeTheLetter) {
  Capture german(testing::GermanLayout());
  german.table.Set("\u00B4x", "pair");
  german.table.Set("qx", "other");
  german.keys.Press(VkOem6);
  EXPECT_TRUE(german.keys.Press('X'));
  // Both characters came from the swallowed key; the settled accent is the only one to erase.
  EXPECT_EQ(german.output.requests.back(), (ExpansionRequest{1, true, "\u00B4x", "pair"}));

  german.keys.Press('Q');
  german.keys.Press(VkOem6);
  german.keys.Press('Q');
  EXPECT_EQ(german.expander.TypedBuffer(), "q\u00B4q");
}

TEST(GermanLayout, TriggerEndingInTheLetterAfterAnAccentLeavesTheAccent) {
  Capture german(testing::GermanLayout());
  german.table.Set("x", "ex");
  german.keys.Press(VkOem6);
  EXPECT_TRUE(german.keys.Press('X'));
  EXPECT_EQ(german.output.requests.back(), (ExpansionRequest{0, true, "x", "ex"}));
}

TEST(GermanLayout, BackspaceDropsAWaitingAccentNotACharacter) {
  Capture german(testing::GermanLayout());
  german.keys.Type(german.layout, "ab");
  german.keys.Press(VkOem6);
  german.keys.Press(vk::Back);
  EXPECT_EQ(german.expander.PendingDeadKey(), "");
  EXPECT_EQ(german.expander.TypedBuffer(), "ab");
  german.keys.Press('E');
  EXPECT_EQ(german.expander.TypedBuffer(), "abe");
}

TEST(GermanLayout, AltGrCharactersCountAndCompleteTriggers) {
  Capture german(testing::GermanLayout());
  german.table.Set(":eur\u20AC", "euro");
  german.table.Set(":at@", "at");
  german.keys.Type(german.layout, ":eur");
  EXPECT_TRUE(german.keys.PressWith('E', false, true));
  EXPECT_EQ(german.output.requests.back().expansion, "euro");
  EXPECT_EQ(german.output.requests.back().backspaces, 4u);
  EXPECT_EQ(german.keys.Type(german.layout, ":at@"), Swallowed{3});
}

TEST(GermanLayout, CtrlAltWithAKeyThatTypesNothingIsAShortcut) {
  Capture german(testing::GermanLayout());
  german.keys.Type(german.layout, ":de");
  german.keys.PressWith('K', false, true);
  EXPECT_EQ(german.expander.TypedBuffer(), "");
}

TEST(FrenchLayout, ColonIsItsOwnKeyAndDigitsNeedShift) {
  Capture french(testing::FrenchLayout());
  french.table.Set(":n1", "one");
  EXPECT_EQ(french.keys.Type(french.layout, ":demo"), Swallowed{4});
  french.keys.Press(VkOem2);
  EXPECT_EQ(french.expander.TypedBuffer(), ":");
  french.keys.Press('N');
  EXPECT_TRUE(french.keys.PressWith('1', true, false));
  EXPECT_EQ(french.output.requests.back().expansion, "one");
}

TEST(FrenchLayout, UnshiftedDigitKeysTypeTheirLetters) {
  Capture french(testing::FrenchLayout());
  french.table.Set(":\u00E9t\u00E9", "summer");
  french.keys.PressWith(VkOem2, false, false);
  french.keys.Press('2');
  french.keys.Press('T');
  EXPECT_TRUE(french.keys.Press('2'));
  EXPECT_EQ(french.output.requests.back().backspaces, 3u);
}

TEST(FrenchLayout, CircumflexComposes) {
  Capture french(testing::FrenchLayout());
  french.table.Set(":f\u00EAte", "party");
  french.keys.Type(french.layout, ":f");
  french.keys.Press(VkOem6);
  french.keys.Press('E');
  french.keys.Press('T');
  EXPECT_TRUE(french.keys.Press('E'));
  // The accent was composed long before the last key: nothing waits in the window.
  EXPECT_EQ(french.output.requests.back(), (ExpansionRequest{4, false, ":f\u00EAte", "party"}));
}

TEST(UsInternationalLayout, ApostropheIsDeadAndSpaceTypesItAlone) {
  Capture intl(testing::UsInternationalLayout());
  intl.table.Set(":it's", "it is");
  intl.keys.Type(intl.layout, ":it");
  intl.keys.Press(VkOem7);
  intl.keys.Press(vk::Space);
  EXPECT_EQ(intl.expander.TypedBuffer(), ":it'");
  EXPECT_TRUE(intl.keys.Press('S'));
  EXPECT_EQ(intl.output.requests.back().settleDeadKey, false);
}

TEST(UsInternationalLayout, ApostropheThenLetterThatDoesNotComposeGivesBoth) {
  Capture intl(testing::UsInternationalLayout());
  intl.keys.Press(VkOem7);
  intl.keys.Press('T');
  EXPECT_EQ(intl.expander.TypedBuffer(), "'t");
  intl.keys.Press(VkOem7);
  intl.keys.Press('E');
  intl.keys.Press(VkOem7);
  intl.keys.Press('C');
  EXPECT_EQ(intl.expander.TypedBuffer(), "'t\u00E9\u00E7");
}

TEST(UsInternationalLayout, TwoDeadKeysInARowGiveBothAccents) {
  Capture intl(testing::UsInternationalLayout());
  intl.keys.PressWith('6', true, false);
  intl.keys.PressWith(0xC0, true, false);
  EXPECT_EQ(intl.expander.TypedBuffer(), "^~");
  EXPECT_EQ(intl.expander.PendingDeadKey(), "");
}

TEST(UsInternationalLayout, TriggerEndingInAnAccentCompletesOnTheSpaceThatSettlesIt) {
  Capture intl(testing::UsInternationalLayout());
  intl.table.Set(":up^ ", "caret");
  intl.table.Set(":hat^", "hat");
  intl.keys.Type(intl.layout, ":hat");
  intl.keys.PressWith('6', true, false);
  EXPECT_TRUE(intl.output.requests.empty());
  // The space turns "^" into a character, which completes ":hat^"; the window still holds the
  // accent, settles it into "^" and has all five characters erased.
  EXPECT_TRUE(intl.keys.Press(vk::Space));
  EXPECT_EQ(intl.output.requests.back(), (ExpansionRequest{5, true, ":hat^", "hat"}));
}

TEST(KeyRoles, ModifiersShortcutsNavigationAndTyping) {
  ModifierState none;
  ModifierState ctrl;
  ctrl.leftCtrl = true;
  ModifierState altGr;
  altGr.leftCtrl = true;
  altGr.rightAlt = true;
  ModifierState win;
  win.rightWin = true;
  ModifierState shiftCaps;
  shiftCaps.rightShift = true;
  shiftCaps.capsLock = true;

  EXPECT_EQ(RoleOfKey(vk::LeftShift, ctrl), KeyRole::Modifier);
  EXPECT_EQ(RoleOfKey(vk::Capital, none), KeyRole::Modifier);
  EXPECT_EQ(RoleOfKey('A', none), KeyRole::Type);
  EXPECT_EQ(RoleOfKey('A', shiftCaps), KeyRole::Type);
  EXPECT_EQ(RoleOfKey('A', ctrl), KeyRole::Forget);
  EXPECT_EQ(RoleOfKey('A', win), KeyRole::Forget);
  EXPECT_EQ(RoleOfKey('E', altGr), KeyRole::Type);
  EXPECT_EQ(RoleOfKey(vk::Back, none), KeyRole::Erase);
  EXPECT_EQ(RoleOfKey(vk::Back, shiftCaps), KeyRole::Erase);
  EXPECT_EQ(RoleOfKey(vk::Back, ctrl), KeyRole::Forget);
  EXPECT_EQ(RoleOfKey(vk::Back, altGr), KeyRole::Forget);
  EXPECT_EQ(RoleOfKey(vk::Delete, none), KeyRole::Forget);
  EXPECT_EQ(RoleOfKey(0x74, none), KeyRole::Type);  // F5: the layout says it types nothing
}

TEST(ComposeDeadKey, ComposesWhatWindowsLayoutsCompose) {
  EXPECT_EQ(ComposeDeadKey("\u00B4", "e"), "\u00E9");
  EXPECT_EQ(ComposeDeadKey("'", "E"), "\u00C9");
  EXPECT_EQ(ComposeDeadKey("`", "a"), "\u00E0");
  EXPECT_EQ(ComposeDeadKey("^", "o"), "\u00F4");
  EXPECT_EQ(ComposeDeadKey("~", "n"), "\u00F1");
  EXPECT_EQ(ComposeDeadKey("\u00A8", "u"), "\u00FC");
  EXPECT_EQ(ComposeDeadKey("\"", "y"), "\u00FF");
  EXPECT_EQ(ComposeDeadKey("'", "c"), "\u00E7");
  EXPECT_EQ(ComposeDeadKey("\u02C7", "s"), "\u0161");
  EXPECT_EQ(ComposeDeadKey("^", " "), "^");
  EXPECT_EQ(ComposeDeadKey("^", "x"), "");
  EXPECT_EQ(ComposeDeadKey("?", "e"), "");
  EXPECT_EQ(ComposeDeadKey("\u00B4", "\u00E9"), "");
}

TEST(ModifierTracking, LeftAndRightAreKeptApartAndLocksTurnOnPress) {
  ModifierState state;
  EXPECT_TRUE(TrackModifier(state, vk::LeftShift, false));
  EXPECT_TRUE(TrackModifier(state, vk::RightShift, false));
  EXPECT_TRUE(TrackModifier(state, vk::LeftShift, true));
  EXPECT_TRUE(state.Shift());
  EXPECT_TRUE(TrackModifier(state, vk::RightShift, true));
  EXPECT_FALSE(state.Shift());

  EXPECT_TRUE(TrackModifier(state, vk::Capital, false));
  EXPECT_TRUE(TrackModifier(state, vk::Capital, true));
  EXPECT_TRUE(state.capsLock);
  TrackModifier(state, vk::Capital, false);
  EXPECT_FALSE(state.capsLock);

  EXPECT_FALSE(TrackModifier(state, 'A', false));
  TrackModifier(state, vk::LeftControl, false);
  TrackModifier(state, vk::RightMenu, false);
  TrackModifier(state, vk::RightWin, false);
  EXPECT_EQ(state.HotkeyBits(), 1u | 2u | 8u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
