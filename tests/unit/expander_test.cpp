#include "engine/expander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/fake_output.h"

namespace tarquel {
namespace {

using testing::RecordingOutput;
using testing::Type;
using Swallowed = std::vector<std::size_t>;

constexpr std::uint32_t VkLeft = 0x25;
constexpr std::uint32_t VkComma = 0xBC;
constexpr std::uint32_t VkNumpad1 = 0x61;

class ExpanderTest : public ::testing::Test {
 protected:
  ExpanderTest() { AddDefaultTriggers(table); }

  TriggerTable table;
  RecordingOutput output;
  Expander expander{table, output};
};

TEST_F(ExpanderTest, DemoSwallowsTheLastKeyErasesFourAndTypesTheExpansion) {
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
  EXPECT_EQ(output.expansions, (std::vector<RecordingOutput::Expansion>{{4, "Hello World"}}));
  EXPECT_EQ(output.diagnostics, std::vector<std::string>{"Expander Triggered by: ':demo'\n"});
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderTest, KeyWithoutCharacterLeavesTheBufferAlone) {
  Type(expander, ":de");
  EXPECT_FALSE(expander.OnKeyDown(VkLeft, false));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
}

TEST_F(ExpanderTest, BackspaceRemovesOneCharacterAndIsNeverSwallowed) {
  Type(expander, ":dex");
  EXPECT_FALSE(expander.OnKeyDown(VirtualKeyBack, false));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
  EXPECT_FALSE(expander.OnKeyDown(VirtualKeyBack, false));
  EXPECT_FALSE(expander.OnKeyDown(VirtualKeyBack, true));
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderTest, CaseCountsAndUpperCaseNeedsShift) {
  table.Set(":Sig", "Regards");
  EXPECT_EQ(Type(expander, ":sig"), Swallowed{});
  EXPECT_EQ(Type(expander, ":Sig"), Swallowed{3});
  EXPECT_EQ(output.expansions.back().text, "Regards");
}

TEST_F(ExpanderTest, AtSignIsShiftTwoAndOtherDigitsIgnoreShift) {
  table.Set("a@3", "x");
  EXPECT_TRUE(expander.OnKeyDown('A', false) == false);
  EXPECT_FALSE(expander.OnKeyDown('2', true));
  EXPECT_TRUE(expander.OnKeyDown('3', true));
}

TEST_F(ExpanderTest, FirstTriggerInByteOrderWinsOverTheLongerOne) {
  table.Set("b:x", "long");
  table.Set(":x", "short");
  table.Set("a:x", "first");
  Type(expander, "a:x");
  // ":x" sorts before "a:x", so it is the one expanded, erasing one character.
  EXPECT_EQ(output.expansions.back(), (RecordingOutput::Expansion{1, "short"}));
}

TEST_F(ExpanderTest, TriggerLongerThanTheBufferNeverMatches) {
  std::string longTrigger(TypedBufferLimit + 1, 'q');
  table.Set(longTrigger, "never");
  EXPECT_EQ(Type(expander, longTrigger + longTrigger), Swallowed{});
  EXPECT_EQ(expander.TypedBuffer().size(), TypedBufferLimit);

  std::string fits(TypedBufferLimit, 'w');
  table.Set(fits, "fits");
  EXPECT_EQ(Type(expander, fits), Swallowed{TypedBufferLimit - 1});
}

TEST_F(ExpanderTest, BufferKeepsOnlyTheLastFiftyCharacters) {
  Type(expander, std::string(60, 'z') + "abc");
  EXPECT_EQ(expander.TypedBuffer(), std::string(47, 'z') + "abc");
}

TEST_F(ExpanderTest, CharactersOutsideTheKeySetNeverReachTheBuffer) {
  table.Set(":a,b", "comma");
  Type(expander, ":a");
  EXPECT_FALSE(expander.OnKeyDown(VkComma, false));
  EXPECT_FALSE(expander.OnKeyDown(VkNumpad1, false));
  Type(expander, "b");
  EXPECT_EQ(expander.TypedBuffer(), ":ab");
  EXPECT_TRUE(output.expansions.empty());
}

TEST_F(ExpanderTest, PausedEngineSwallowsNothingAndKeepsItsBuffer) {
  Type(expander, ":de");
  expander.SetEnabled(false);
  EXPECT_FALSE(expander.IsEnabled());
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
  EXPECT_FALSE(expander.OnKeyDown(VirtualKeyBack, false));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  expander.SetEnabled(true);
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
}

TEST_F(ExpanderTest, TriggerStartingWithAnotherTriggerCannotBeCompleted) {
  table.Set(":demo2", "never");
  EXPECT_EQ(Type(expander, ":demo2"), Swallowed{4});
  EXPECT_EQ(output.expansions.size(), 1u);
  EXPECT_EQ(expander.TypedBuffer(), "2");
}

TEST_F(ExpanderTest, RepeatedKeyDownsAppendOnceEach) {
  table.Set(":zzz", "sleep");
  Type(expander, ":");
  EXPECT_FALSE(expander.OnKeyDown('Z', false));
  EXPECT_FALSE(expander.OnKeyDown('Z', false));
  EXPECT_TRUE(expander.OnKeyDown('Z', false));
}

TEST_F(ExpanderTest, EditsOfTheTableApplyToTheNextKey) {
  Type(expander, ":ne");
  table.Set(":new", "fresh");
  EXPECT_TRUE(expander.OnKeyDown('W', false));
  table.Erase(":demo");
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
}

TEST(ActiveExpanderPointer, FollowsTheEngineLifetime) {
  TriggerTable table;
  RecordingOutput output;
  {
    Expander expander(table, output);
    EXPECT_EQ(ActiveExpander, &expander);
  }
  EXPECT_EQ(ActiveExpander, nullptr);
}

struct KeyCase {
  std::uint32_t key;
  bool shift;
  int expected;  // -1: no character
};

class KeyToCharTable : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyToCharTable, GivesTheDesignedCharacter) {
  std::optional<char> c = KeyToChar(GetParam().key, GetParam().shift);
  if (GetParam().expected < 0) {
    EXPECT_FALSE(c.has_value());
  } else {
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(*c, static_cast<char>(GetParam().expected));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyToCharTable,
    ::testing::Values(KeyCase{'A', false, 'a'}, KeyCase{'Z', true, 'Z'}, KeyCase{'2', false, '2'},
                      KeyCase{'2', true, '@'}, KeyCase{'0', true, '0'}, KeyCase{'9', true, '9'},
                      KeyCase{0x20, true, ' '}, KeyCase{0xBA, false, ';'}, KeyCase{0xBA, true, ':'},
                      KeyCase{0xBD, false, '-'}, KeyCase{0xBD, true, '_'}, KeyCase{0xBE, true, '.'},
                      KeyCase{0xBF, false, '/'}, KeyCase{0xBF, true, '?'}, KeyCase{0xBC, false, -1},
                      KeyCase{0xDE, true, -1}, KeyCase{0xBB, true, -1}, KeyCase{0x60, false, -1},
                      KeyCase{0x0D, false, -1}, KeyCase{0x09, false, -1}, KeyCase{0x10, false, -1},
                      KeyCase{0x41 + 0x100, false, -1}, KeyCase{0x5B, false, -1},
                      KeyCase{'@', false, -1}, KeyCase{0x61, false, -1}));

TEST_F(ExpanderTest, NothingExpandsInTheProgramsOwnWindowsAndTheTriggerStaysTyped) {
  output.focused.ownWindow = true;
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
  EXPECT_TRUE(output.expansions.empty());
  EXPECT_TRUE(output.diagnostics.empty());

  output.focused.ownWindow = false;
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
}

TEST_F(ExpanderTest, ExcludedProgramIsComparedWithoutCase) {
  expander.SetExcludedPrograms({"KeePass.exe"});
  output.focused.executableName = "keepass.EXE";
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
  EXPECT_TRUE(output.expansions.empty());

  output.focused.executableName = "keepass.exe.bak";
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
  output.focused.executableName = "";
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
}

TEST_F(ExpanderTest, FocusIsAskedOnlyWhenATriggerMatched) {
  Type(expander, "hello :de");
  EXPECT_EQ(output.focusQueries, 0);
  Type(expander, "mo");
  EXPECT_EQ(output.focusQueries, 1);
}

}  // namespace
}  // namespace tarquel
