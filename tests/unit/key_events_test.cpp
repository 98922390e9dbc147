#include "engine/output/key_events.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

KeyEvent Down(std::uint16_t key, bool extended = false) {
  return {key, false, 0, extended};
}
KeyEvent Up(std::uint16_t key, bool extended = false) {
  return {key, true, 0, extended};
}
std::vector<KeyEvent> Chars(std::u16string_view units) {
  std::vector<KeyEvent> events;
  for (char16_t unit : units) {
    events.push_back({0, false, unit, false});
    events.push_back({0, true, unit, false});
  }
  return events;
}
std::vector<KeyEvent> Join(std::vector<std::vector<KeyEvent>> parts) {
  std::vector<KeyEvent> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

constexpr auto Back = static_cast<std::uint16_t>(vk::Back);

TEST(BuildKeyEvents, NothingToDoGivesNoEvents) {
  EXPECT_TRUE(BuildKeyEvents(0, false, "").empty());
}

TEST(BuildKeyEvents, BackspacesComeFirstThenEveryCharacterAsUnicode) {
  // Unicode events arrive as written whatever Caps Lock, Shift or the layout would make of keys.
  EXPECT_EQ(BuildKeyEvents(2, false, "Hi"),
            Join({{Down(Back), Up(Back), Down(Back), Up(Back)}, Chars(u"Hi")}));
}

TEST(BuildKeyEvents, EmojiGoesAsItsSurrogatePair) {
  EXPECT_EQ(BuildKeyEvents(0, false, "a\xF0\x9F\x98\x80"), Chars(u"a\xD83D\xDE00"));
}

TEST(BuildKeyEvents, CombiningMarksAndRightToLeftTextKeepTheirOrder) {
  // "e" + combining acute, then Hebrew shalom: each unit in storage order.
  EXPECT_EQ(BuildKeyEvents(0, false, "e\xCC\x81 \xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"),
            Chars(u"e\u0301 \u05E9\u05DC\u05D5\u05DD"));
}

TEST(BuildKeyEvents, LineBreaksBecomeEnterOnceAndTabsTab) {
  EXPECT_EQ(BuildKeyEvents(0, false, "a\r\nb\nc\rd\te"), Join({Chars(u"a"),
                                                               {Down(0x0D), Up(0x0D)},
                                                               Chars(u"b"),
                                                               {Down(0x0D), Up(0x0D)},
                                                               Chars(u"c"),
                                                               {Down(0x0D), Up(0x0D)},
                                                               Chars(u"d"),
                                                               {Down(0x09), Up(0x09)},
                                                               Chars(u"e")}));
}

TEST(BuildKeyEvents, OtherControlCharactersAreLeftOut) {
  EXPECT_EQ(BuildKeyEvents(0, false, std::string("a\x01\x1B\x7F", 4) + std::string(1, '\0') + "b"),
            Chars(u"ab"));
}

TEST(BuildKeyEvents, IllFormedUtf8BecomesReplacementCharacters) {
  EXPECT_EQ(BuildKeyEvents(0, false, "a\xC3"), Chars(u"a\uFFFD"));
  EXPECT_EQ(BuildKeyEvents(0, false, "\xED\xA0\x80z"), Chars(u"\uFFFD\uFFFD\uFFFDz"));
  EXPECT_EQ(BuildKeyEvents(0, false, "\xC0\xAF"), Chars(u"\uFFFD\uFFFD"));
}

TEST(BuildKeyEvents, WaitingDeadKeyIsSettledWithASpaceBeforeTheBackspaces) {
  EXPECT_EQ(BuildKeyEvents(1, true, "x"),
            Join({{Down(0x20), Up(0x20), Down(Back), Up(Back)}, Chars(u"x")}));
}

TEST(BuildKeyEvents, HeldShiftIsLetGoAndPressedAgainAroundEverything) {
  ModifierState held;
  held.leftShift = true;
  EXPECT_EQ(BuildKeyEvents(1, false, "a\t", held),
            Join({{Up(vk::LeftShift), Down(Back), Up(Back)},
                  Chars(u"a"),
                  {Down(0x09), Up(0x09), Down(vk::LeftShift)}}));
}

TEST(BuildKeyEvents, HeldAltGrIsMaskedSoItsReleaseOpensNoMenu) {
  ModifierState held;
  held.leftCtrl = true;
  held.rightAlt = true;
  std::vector<KeyEvent> events = BuildKeyEvents(1, false, "", held);
  EXPECT_EQ(events, (std::vector<KeyEvent>{Up(vk::LeftControl), Down(MaskKey), Up(MaskKey),
                                           Up(vk::RightMenu, true), Down(Back), Up(Back),
                                           Down(vk::RightMenu, true), Down(vk::LeftControl)}));
}

TEST(BuildKeyEvents, LocksAreNotTouched) {
  ModifierState locks;
  locks.capsLock = true;
  locks.numLock = true;
  EXPECT_EQ(BuildKeyEvents(0, false, "A", locks), Chars(u"A"));
}

TEST(BuildKeyEvents, TrailingKeysGoAfterTheTextWhileNoModifierIsHeld) {
  ModifierState held;
  held.leftShift = true;
  const std::vector<KeyEvent> left{Down(vk::Left, true), Up(vk::Left, true)};
  // Shift still down would make the Left press a selection.
  EXPECT_EQ(
      BuildKeyEvents(1, false, "ab", held, left),
      Join({{Up(vk::LeftShift), Down(Back), Up(Back)}, Chars(u"ab"), left, {Down(vk::LeftShift)}}));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

// A German layout's keys for the few characters these cases type: z and y swapped, '@' on
// AltGr+Q, ':' on Shift+Period; no key at all for 'é' or an emoji.
std::optional<LayoutKey> GermanKey(char32_t c) {
  if (c >= U'a' && c <= U'x') return LayoutKey{static_cast<std::uint16_t>('A' + (c - U'a'))};
  if (c == U'y') return LayoutKey{'Z'};
  if (c == U'z') return LayoutKey{'Y'};
  if (c == U'Z') return LayoutKey{'Y', true};
  if (c == U'@') return LayoutKey{'Q', false, true};
  if (c == U':') return LayoutKey{0xBE, true};
  if (c == U' ') return LayoutKey{static_cast<std::uint16_t>(vk::Space)};
  return std::nullopt;
}

constexpr auto Shift = static_cast<std::uint16_t>(vk::LeftShift);
constexpr auto Ctrl = static_cast<std::uint16_t>(vk::LeftControl);
constexpr auto AltGr = static_cast<std::uint16_t>(vk::RightMenu);
constexpr auto BackKey = static_cast<std::uint16_t>(vk::Back);

KeyEvent Press(std::uint16_t key, bool release) {
  return {key, release, 0, false};
}

TEST(BuildKeyPresses, EveryCharacterIsTheKeyOfTheTargetsLayoutNeverAUnicodeEvent) {
  const auto events = BuildKeyPresses(1, false, "zy", GermanKey);
  ASSERT_TRUE(events);
  EXPECT_EQ(*events,
            (std::vector<KeyEvent>{Press(BackKey, false), Press(BackKey, true), Press('Y', false),
                                   Press('Y', true), Press('Z', false), Press('Z', true)}));
}

TEST(BuildKeyPresses, ShiftAndAltGrAreHeldAroundTheirCharacterOnly) {
  const auto events = BuildKeyPresses(0, false, "Z@a", GermanKey);
  ASSERT_TRUE(events);
  const std::vector<KeyEvent> altGrDown{Press(Ctrl, false), {AltGr, false, 0, true}};
  const std::vector<KeyEvent> altGrUp{{AltGr, true, 0, true}, Press(Ctrl, true)};
  std::vector<KeyEvent> expected{Press(Shift, false), Press('Y', false), Press('Y', true),
                                 Press(Shift, true)};
  expected.insert(expected.end(), altGrDown.begin(), altGrDown.end());
  expected.push_back(Press('Q', false));
  expected.push_back(Press('Q', true));
  expected.insert(expected.end(), altGrUp.begin(), altGrUp.end());
  expected.push_back(Press('A', false));
  expected.push_back(Press('A', true));
  EXPECT_EQ(*events, expected);
  for (const KeyEvent& event : *events) EXPECT_EQ(event.unicode, 0) << "a Unicode event";
}

TEST(BuildKeyPresses, LineBreaksAndTabsAreEnterAndTabAsEverywhere) {
  const auto events = BuildKeyPresses(0, false, "a\r\nb\tc", GermanKey);
  ASSERT_TRUE(events);
  EXPECT_EQ(events->size(), 10u);
  EXPECT_EQ((*events)[2].virtualKey, vk::Return);
  EXPECT_EQ((*events)[6].virtualKey, vk::Tab);
}

TEST(BuildKeyPresses, ACharacterWithoutAKeyGivesNothingSoThatTheTextIsPasted) {
  EXPECT_FALSE(BuildKeyPresses(0, false, "caf\xC3\xA9", GermanKey));
  EXPECT_FALSE(BuildKeyPresses(0, false, "hi \xF0\x9F\x98\x80", GermanKey));
}

TEST(BuildKeyPresses, HeldModifiersAndTrailingKeysAreHandledAsForTypedText) {
  ModifierState held;
  held.leftShift = true;
  const std::vector<KeyEvent> left{Press(static_cast<std::uint16_t>(vk::Left), false)};
  const auto presses = BuildKeyPresses(0, false, "a", GermanKey, held, left);
  const auto unicode = BuildKeyEvents(0, false, "a", held, left);
  ASSERT_TRUE(presses);
  // Shift let go first and pressed again last, the Left press before that: as with Unicode.
  EXPECT_EQ(presses->front(), unicode.front());
  EXPECT_EQ(presses->back(), unicode.back());
  EXPECT_EQ((*presses)[presses->size() - 2], unicode[unicode.size() - 2]);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct ChordCase {
  const char* name;
  const char* text;
  std::optional<KeyChord> chord;
};

KeyChord Key(std::uint16_t virtualKey, bool extended, std::uint16_t scanCode) {
  KeyChord chord;
  chord.virtualKey = virtualKey;
  chord.extended = extended;
  chord.scanCode = scanCode;
  return chord;
}

KeyChord With(KeyChord chord, bool ctrl, bool alt, bool shift, bool win) {
  chord.ctrl = ctrl;
  chord.alt = alt;
  chord.shift = shift;
  chord.win = win;
  return chord;
}

class KeyChordNames : public ::testing::TestWithParam<ChordCase> {};

TEST_P(KeyChordNames, ReadAsTheShortcutNotation) {
  EXPECT_EQ(ParseKeyChord(GetParam().text), GetParam().chord);
}

const KeyChord TabKey = Key(0x09, false, 0x0F);
const KeyChord EndKey = Key(0x23, true, 0x4F);

INSTANTIATE_TEST_SUITE_P(
    Names, KeyChordNames,
    ::testing::Values(
        ChordCase{"Tab", "Tab", TabKey}, ChordCase{"AnyCase", "tAB", TabKey},
        ChordCase{"EnterAndReturn", "Return", Key(0x0D, false, 0x1C)},
        ChordCase{"Escape", "Esc", Key(0x1B, false, 0x01)},
        ChordCase{"Backspace", "Backspace", Key(0x08, false, 0x0E)},
        ChordCase{"DeleteIsExtended", "Del", Key(0x2E, true, 0x53)},
        ChordCase{"InsertIsExtended", "Insert", Key(0x2D, true, 0x52)},
        ChordCase{"PageUpWithABlank", "Page Up", Key(0x21, true, 0x49)},
        ChordCase{"PageDownShort", "PgDn", Key(0x22, true, 0x51)},
        ChordCase{"ArrowsAreExtended", "Left", Key(0x25, true, 0x4B)},
        ChordCase{"Home", "home", Key(0x24, true, 0x47)},
        ChordCase{"Space", "Space", Key(0x20, false, 0x39)},
        ChordCase{"LetterAsItsUpperCaseKey", "a", Key('A', false, 0)},
        ChordCase{"Digit", "7", Key('7', false, 0)}, ChordCase{"F1", "F1", Key(0x70, false, 0x3B)},
        ChordCase{"F10", "f10", Key(0x79, false, 0x44)},
        ChordCase{"F11", "F11", Key(0x7A, false, 0x57)},
        ChordCase{"F12", "F12", Key(0x7B, false, 0x58)},
        ChordCase{"F13", "F13", Key(0x7C, false, 0x64)},
        ChordCase{"F23", "F23", Key(0x86, false, 0x6E)},
        ChordCase{"F24", "F24", Key(0x87, false, 0x76)},
        ChordCase{"ShiftTab", "Shift+Tab", With(TabKey, false, false, true, false)},
        ChordCase{"CtrlEnd", "Ctrl+End", With(EndKey, true, false, false, false)},
        ChordCase{"EveryModifierWithBlanks", " control + alt+ SHIFT +win+ End ",
                  With(EndKey, true, true, true, true)},
        ChordCase{"F25IsNoKey", "F25", std::nullopt}, ChordCase{"F0IsNoKey", "F0", std::nullopt},
        ChordCase{"LeadingZeroIsNoKey", "F01", std::nullopt},
        ChordCase{"UnknownName", "Enterr", std::nullopt}, ChordCase{"Empty", "", std::nullopt},
        ChordCase{"ModifierAloneIsNoKey", "Ctrl", std::nullopt},
        ChordCase{"NothingAfterThePlus", "Ctrl+", std::nullopt},
        ChordCase{"PlusKeyIsNotNamed", "Ctrl++", std::nullopt},
        ChordCase{"UnknownModifier", "Hyper+Tab", std::nullopt},
        ChordCase{"KeyBeforeAModifier", "Tab+Shift", std::nullopt},
        ChordCase{"PunctuationIsNotNamed", ";", std::nullopt},
        ChordCase{"LongNameIsNoKey", "Backspaceeeeeeeeeeeeeeeeeee", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

KeyEvent Scanned(std::uint16_t key, bool release, bool extended, std::uint16_t scanCode) {
  return {key, release, 0, extended, scanCode};
}

TEST(AppendChord, ModifiersGoDownFirstAndUpLastAroundEachPress) {
  std::vector<KeyEvent> events;
  AppendChord(events, With(EndKey, true, false, true, false), 2);
  const std::vector<KeyEvent> once{
      Scanned(Ctrl, false, false, 0x1D), Scanned(Shift, false, false, 0x2A),
      Scanned(0x23, false, true, 0x4F),  Scanned(0x23, true, true, 0x4F),
      Scanned(Shift, true, false, 0x2A), Scanned(Ctrl, true, false, 0x1D)};
  EXPECT_EQ(events, Join({once, once}));
}

TEST(AppendChord, AltAndWinAreTheLeftKeysWinExtended) {
  std::vector<KeyEvent> events;
  AppendChord(events, With(TabKey, false, true, false, true), 1);
  ASSERT_EQ(events.size(), 6u);
  EXPECT_EQ(events[0], Scanned(static_cast<std::uint16_t>(vk::LeftMenu), false, false, 0x38));
  EXPECT_EQ(events[1], Scanned(static_cast<std::uint16_t>(vk::LeftWin), false, true, 0x5B));
  EXPECT_EQ(events[4], Scanned(static_cast<std::uint16_t>(vk::LeftWin), true, true, 0x5B));
  EXPECT_EQ(events[5], Scanned(static_cast<std::uint16_t>(vk::LeftMenu), true, false, 0x38));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
