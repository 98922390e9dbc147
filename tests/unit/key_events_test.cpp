#include "engine/output/key_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarquel {
namespace {

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

}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {

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

}  // namespace
}  // namespace tarquel
