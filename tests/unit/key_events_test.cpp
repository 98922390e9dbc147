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
