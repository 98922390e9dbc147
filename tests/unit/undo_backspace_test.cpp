#include "engine/output/undo_backspace.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

const SentExpansion Demo{11, 0, ":demo", "Hello World", true};

TEST(UndoBackspace, BackspaceRightAfterAnExpansionTakesItBack) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 11, ":demo", "Hello World"}));
}

TEST(UndoBackspace, TakesBackOnlyOnce) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  ASSERT_TRUE(undo.OnKeyDown(UserKey::Backspace));
  EXPECT_FALSE(undo.HasChance());
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, AnyOtherKeyFirstEndsTheChance) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Other), std::nullopt);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, AClickOrFocusChangeEndsTheChance) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  undo.OnCaretMayHaveMoved();
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, BackspaceWithoutAnExpansionIsJustABackspace) {
  UndoBackspace undo;
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, TurnedOffOpensNoChance) {
  UndoBackspace undo(false);
  undo.ExpansionSent(Demo);
  EXPECT_FALSE(undo.HasChance());
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, TurningOffForgetsAnOpenChance) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  undo.SetEnabled(false);
  undo.SetEnabled(true);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, ALaterExpansionReplacesTheEarlierChance) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  undo.ExpansionSent({3, 0, ":x", "abc", true});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 3, ":x", "abc"}));
}

TEST(UndoBackspace, MovesTheCaretBackToTheEndBeforeErasingACursorExpansion) {
  UndoBackspace undo;
  undo.ExpansionSent({20, 6, ":sig", "Dear , best wishes.", true});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{6, 20, ":sig", "Dear , best wishes."}));
}

TEST(UndoBackspace, AFieldThatCannotBeReadOffersNoTakeBack) {
  UndoBackspace undo;
  // What it kept (a paste cut short, a limit, AutoCorrect) cannot be checked there.
  undo.ExpansionSent({11, 0, ":demo", "Hello World", false});
  EXPECT_FALSE(undo.HasChance());
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), std::nullopt);
}

TEST(UndoBackspace, ATakeBackCarriesWhatTheFieldMustShowFirst) {
  UndoBackspace undo;
  undo.ExpansionSent({7, 0, ":two", "one\ntwo", true});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 7, ":two", "one\ntwo"}));
}

struct JoinCase {
  const char* name;
  const char* text;
  bool oneEach;
};

class ErasedOneBackspaceEachTest : public ::testing::TestWithParam<JoinCase> {};

TEST_P(ErasedOneBackspaceEachTest, NoTakeBackOfCharactersAFieldMayEraseTogether) {
  EXPECT_EQ(ErasedOneBackspaceEach(GetParam().text), GetParam().oneEach);
  UndoBackspace undo;
  undo.ExpansionSent({1, 0, ":x", GetParam().text, true});
  EXPECT_EQ(undo.HasChance(), GetParam().oneEach);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ErasedOneBackspaceEachTest,
    ::testing::Values(JoinCase{"PlainText", "Hello World", true},
                      JoinCase{"AccentedLetters", "caf\xC3\xA9 na\xC3\xAFve", true},
                      JoinCase{"OneEmoji", "\xF0\x9F\x98\x80", true},
                      JoinCase{"ASkinTone", "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", false},
                      JoinCase{"AZeroWidthJoiner", "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB",
                               false},
                      JoinCase{"AFlag", "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", false},
                      JoinCase{"AnEmojiPresentation", "\xE2\x9D\xA4\xEF\xB8\x8F", false},
                      JoinCase{"ACombiningAccent", "cafe\xCC\x81", false}),
    [](const auto& info) { return info.param.name; });

struct FieldCase {
  const char* name;
  std::u16string text;
  std::size_t selectionStart;
  std::size_t selectionEnd;
  std::size_t rightPresses;
  const char* expected;
  bool shows;
};

class FieldShowsExpansionTest : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldShowsExpansionTest, ErasesOnlyWhenTheFieldShowsExactlyWhatWasSent) {
  const FieldCase& row = GetParam();
  EXPECT_EQ(FieldShowsExpansion({row.text, row.selectionStart, row.selectionEnd}, row.rightPresses,
                                row.expected),
            row.shows);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FieldShowsExpansionTest,
    ::testing::Values(
        FieldCase{"AllOfItBeforeTheCaret", u"before Hello World", 18, 18, 0, "Hello World", true},
        FieldCase{"ASingleLineEditKeptTheFirstLineOnly", u"before line one", 15, 15, 0,
                  "line one\nline two", false},
        FieldCase{"ALengthLimitKeptLess", u"before Hello Wor", 16, 16, 0, "Hello World", false},
        FieldCase{"AutoCorrectChangedIt", u"so the", 6, 6, 0, "teh", false},
        FieldCase{"AnEditHoldsCrLf", u"x first\r\nsecond", 15, 15, 0, "first\nsecond", true},
        FieldCase{"ARichEditHoldsCr", u"x first\rsecond", 14, 14, 0, "first\r\nsecond", true},
        FieldCase{"TheCaretLeftAtACursorPlaceholder", u"Dear , bye", 5, 5, 5, "Dear , bye", true},
        FieldCase{"ALineBreakIsOneStepRight", u"a\r\nb", 1, 1, 2, "a\nb", true},
        FieldCase{"ASurrogatePairIsOneStepRight", u"x\xD83D\xDE00", 1, 1, 1, "x\xF0\x9F\x98\x80",
                  true},
        FieldCase{"TheCaretElsewhere", u"Hello World and more", 20, 20, 0, "Hello World", false},
        FieldCase{"RightPressesPastTheEnd", u"Hello", 5, 5, 1, "Hello", false},
        FieldCase{"ASelection", u"Hello World", 0, 11, 0, "Hello World", false},
        FieldCase{"ACaretBeyondTheText", u"Hi", 9, 9, 0, "Hi", false},
        FieldCase{"ShorterThanTheExpansion", u"World", 5, 5, 0, "Hello World", false}),
    [](const auto& info) { return info.param.name; });

struct ClassCase {
  const char* windowClass;
  bool readable;
};

class ReadableFieldTest : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ReadableFieldTest, OnlyEditAndRichEditControlsAreRead) {
  EXPECT_EQ(IsReadableField(GetParam().windowClass), GetParam().readable) << GetParam().windowClass;
}

INSTANTIATE_TEST_SUITE_P(
    Classes, ReadableFieldTest,
    ::testing::Values(ClassCase{"Edit", true}, ClassCase{"EDIT", true},
                      ClassCase{"RichEdit20W", true}, ClassCase{"RICHEDIT50W", true},
                      ClassCase{"WindowsForms10.EDIT.app.0.141b42a_r6_ad1", true},
                      ClassCase{"Chrome_RenderWidgetHostHWND", false}, ClassCase{"_WwG", false},
                      ClassCase{"TEdit", false}, ClassCase{"Editor", false}, ClassCase{"", false}));

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
