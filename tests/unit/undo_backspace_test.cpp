#include "engine/output/undo_backspace.h"

#include <gtest/gtest.h>

namespace tarquel {
namespace {

const SentExpansion Demo{11, 0, ":demo"};

TEST(UndoBackspace, BackspaceRightAfterAnExpansionTakesItBack) {
  UndoBackspace undo;
  undo.ExpansionSent(Demo);
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 11, ":demo"}));
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
  undo.ExpansionSent({3, 0, ":x"});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{0, 3, ":x"}));
}

TEST(UndoBackspace, MovesTheCaretBackToTheEndBeforeErasingACursorExpansion) {
  UndoBackspace undo;
  undo.ExpansionSent({20, 6, ":sig"});
  EXPECT_EQ(undo.OnKeyDown(UserKey::Backspace), (UndoAction{6, 20, ":sig"}));
}

}  // namespace
}  // namespace tarquel
