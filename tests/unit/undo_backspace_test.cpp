#include "engine/output/undo_backspace.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {

const SentExpansion Demo{11, 0, ":demo", "Hello World", false, false};

TEST(UndoBackspace, BackspaceRightAfterAnExpansionTakesItBack) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 11, ":demo", std::nullopt}));
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
  undo.ExpansionSent({3, 0, ":x", "abc", false, false});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 3, ":x", std::nullopt}));
}

TEST(UndoBackspace, MovesTheCaretBackToTheEndBeforeErasingACursorExpansion) {
  UndoBackspace undo;
  undo.ExpansionSent({20, 6, ":sig", "Dear , best wishes.", false, false});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{6, 20, ":sig", std::nullopt}));
}

TEST(UndoBackspace, AFieldThatCannotBeReadOffersNoTakeBackOfAPasteOrALineBreak) {
  UndoBackspace undo;
  // Pasted: a single-line field may have kept only the first line, a limit less still.
  undo.ExpansionSent({11, 0, ":demo", "Hello World", true, false});
  EXPECT_FALSE(undo.HasChance());
  // Typed with Enter: the line break may have left the field (a form sent, a chat message).
  undo.ExpansionSent({6, 0, ":two", "one\ntwo", false, false});
  EXPECT_FALSE(undo.HasChance());
  // Typed on one line: each character one key, the count holds as it always did.
  undo.ExpansionSent({11, 0, ":demo", "Hello World", false, false});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 11, ":demo", std::nullopt}));
}

TEST(UndoBackspace, AReadableFieldIsCheckedForTheExpansionBeforeAnythingIsErased) {
  UndoBackspace undo;
  undo.ExpansionSent({7, 0, ":two", "one\ntwo", true, true});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 7, ":two", "one\ntwo"}));
}

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

}  // namespace
}  // namespace tarquel
