#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/match/expander.h"
#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"
#include "tests/support/modifier_names.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::FakeLayout;
using testing::Keyboard;
using testing::RecordingOutput;
using testing::Type;

using testing::Alt;
using testing::Ctrl;
using testing::Shift;
using testing::Win;
constexpr std::uint32_t F12 = 0x7B;

class ExpanderToggleShortcutTest : public ::testing::Test {
 protected:
  ExpanderToggleShortcutTest() {
    AddDefaultTriggers(table);
    expander.SetIgnoredShortcut(Ctrl | Shift, F12);
  }

  // The key pressed with exactly the modifiers in `held` (hotkey bits).
  static bool PressWith(Keyboard& keys, std::uint32_t key, std::uint32_t held) {
    const std::uint32_t order[] = {vk::LeftControl, vk::LeftMenu, vk::LeftShift, vk::LeftWin};
    const std::uint32_t bits[] = {Ctrl, Alt, Shift, Win};
    for (int i = 0; i < 4; ++i) {
      if (held & bits[i]) keys.Down(order[i]);
    }
    const bool swallowed = keys.Press(key);
    for (int i = 3; i >= 0; --i) {
      if (held & bits[i]) keys.Up(order[i]);
    }
    return swallowed;
  }

  TriggerTable table;
  RecordingOutput output;
  FakeLayout layout = testing::UsLayout();
  Expander expander{table, output, layout};
  Keyboard keys{expander};
};

TEST_F(ExpanderToggleShortcutTest, ShortcutKeyDownLeavesTheBufferAsItIs) {
  Type(expander, ":de");
  EXPECT_FALSE(PressWith(keys, F12, Ctrl | Shift));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
}

TEST_F(ExpanderToggleShortcutTest, TriggerBegunBeforeAPauseCompletesAfterIt) {
  // The hotkey's key-down reaches the hook on both presses: once while on, once while off.
  Type(expander, ":de");
  PressWith(keys, F12, Ctrl | Shift);
  expander.SetEnabled(false);
  Type(expander, "xyz");
  PressWith(keys, F12, Ctrl | Shift);
  expander.SetEnabled(true);
  EXPECT_EQ(Type(expander, "mo"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(output.expansions.back(), (RecordingOutput::Expansion{4, "Hello World"}));
}

TEST_F(ExpanderToggleShortcutTest, OtherCombinationsAreShortcutsThatEmptyTheBuffer) {
  const std::uint32_t combinations[] = {Ctrl, Ctrl | Alt | Shift, Ctrl | Shift | Win, Alt};
  for (std::uint32_t held : combinations) {
    Type(expander, ":de");
    EXPECT_FALSE(PressWith(keys, F12, held)) << held;
    EXPECT_EQ(expander.TypedBuffer(), "") << held;
  }
  Type(expander, ":de");
  PressWith(keys, 'K', Ctrl | Shift);
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderToggleShortcutTest, ANewShortcutReplacesTheOldOne) {
  expander.SetIgnoredShortcut(Ctrl | Alt, 'E');
  Type(expander, ":de");
  PressWith(keys, 'E', Ctrl | Alt);
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  PressWith(keys, F12, Ctrl | Shift);
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderToggleShortcutTest, KeyZeroIgnoresNothing) {
  // No hotkey registered: the combination is an ordinary key press again.
  expander.SetIgnoredShortcut(0, 0);
  Type(expander, ":de");
  PressWith(keys, F12, Ctrl | Shift);
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderToggleShortcutTest, ShortcutKeyCanStillCompleteATriggerWhenTypedPlainly) {
  expander.SetIgnoredShortcut(Ctrl | Alt, 'E');
  table.Set(":pe", "done");
  Type(expander, ":p");
  EXPECT_TRUE(keys.Press('E'));
  EXPECT_EQ(output.expansions.back().text, "done");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
