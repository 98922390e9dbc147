#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/expander.h"
#include "tests/unit/fake_output.h"

namespace tarquel {
namespace {

using testing::RecordingOutput;
using testing::Type;

constexpr std::uint32_t Alt = 1;
constexpr std::uint32_t Ctrl = 2;
constexpr std::uint32_t Shift = 4;
constexpr std::uint32_t Win = 8;

class ExpanderToggleShortcutTest : public ::testing::Test {
 protected:
  ExpanderToggleShortcutTest() {
    AddDefaultTriggers(table);
    expander.SetIgnoredShortcut(Ctrl | Alt, 'E');
  }

  TriggerTable table;
  RecordingOutput output;
  Expander expander{table, output};
};

TEST_F(ExpanderToggleShortcutTest, ShortcutKeyDownStaysOutOfTheBufferAndPassesOn) {
  Type(expander, ":de");
  EXPECT_FALSE(expander.OnKeyDown('E', false, Ctrl | Alt));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
}

TEST_F(ExpanderToggleShortcutTest, TriggerBegunBeforeAPauseCompletesAfterIt) {
  // The hotkey's key-down reaches the hook on both presses: once while on, once while off.
  Type(expander, ":de");
  expander.OnKeyDown('E', false, Ctrl | Alt);
  expander.SetEnabled(false);
  Type(expander, "xyz");
  expander.OnKeyDown('E', false, Ctrl | Alt);
  expander.SetEnabled(true);
  EXPECT_EQ(Type(expander, "mo"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(output.expansions.back(), (RecordingOutput::Expansion{4, "Hello World"}));
}

struct HeldCase {
  const char* what;
  std::uint32_t key;
  bool shift;
  std::uint32_t held;
  const char* buffer;
};

TEST_F(ExpanderToggleShortcutTest, OnlyTheExactCombinationIsLeftOut) {
  const HeldCase cases[] = {
      {"the shortcut", 'E', false, Ctrl | Alt, ""},
      {"plain e", 'E', false, 0, "e"},
      {"Ctrl+E", 'E', false, Ctrl, "e"},
      {"Alt+E", 'E', false, Alt, "e"},
      {"Ctrl+Alt+Shift+E", 'E', true, Ctrl | Alt | Shift, "E"},
      {"Ctrl+Alt+Win+E", 'E', false, Ctrl | Alt | Win, "e"},
      {"another key with the same modifiers", 'D', false, Ctrl | Alt, "d"},
  };
  for (const HeldCase& row : cases) {
    Expander fresh(table, output);
    fresh.SetIgnoredShortcut(Ctrl | Alt, 'E');
    EXPECT_FALSE(fresh.OnKeyDown(row.key, row.shift, row.held)) << row.what;
    EXPECT_EQ(fresh.TypedBuffer(), row.buffer) << row.what;
  }
}

TEST_F(ExpanderToggleShortcutTest, ANewShortcutReplacesTheOldOne) {
  expander.SetIgnoredShortcut(Ctrl | Shift, 'K');
  expander.OnKeyDown('E', false, Ctrl | Alt);
  expander.OnKeyDown('K', true, Ctrl | Shift);
  EXPECT_EQ(expander.TypedBuffer(), "e");
}

TEST_F(ExpanderToggleShortcutTest, KeyZeroIgnoresNothing) {
  // No hotkey registered: the combination is an ordinary key press again.
  expander.SetIgnoredShortcut(0, 0);
  expander.OnKeyDown('E', false, Ctrl | Alt);
  EXPECT_EQ(expander.TypedBuffer(), "e");
}

TEST_F(ExpanderToggleShortcutTest, ShortcutKeyCanStillCompleteATriggerWhenTypedPlainly) {
  table.Set(":pe", "done");
  Type(expander, ":p");
  EXPECT_TRUE(expander.OnKeyDown('E', false, 0));
  EXPECT_EQ(output.expansions.back().text, "done");
}

}  // namespace
}  // namespace tarquel
