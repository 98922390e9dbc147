#include "engine/match/expander.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_layouts.h"
#include "tests/support/fake_output.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::FakeLayout;
using testing::Keyboard;
using testing::RecordingOutput;
using testing::Type;
using Swallowed = std::vector<std::size_t>;
using Expansions = std::vector<RecordingOutput::Expansion>;

constexpr std::uint32_t VkF5 = 0x74;
constexpr std::uint32_t VkComma = 0xBC;
constexpr std::uint32_t VkNumpad1 = 0x61;
constexpr std::uint32_t VkPeriod = 0xBE;

class ExpanderTest : public ::testing::Test {
 protected:
  ExpanderTest() { AddDefaultTriggers(table); }

  TriggerTable table;
  RecordingOutput output;
  FakeLayout layout = testing::UsLayout();
  Expander expander{table, output, layout};
  Keyboard keyboard{expander};
};

TEST_F(ExpanderTest, DemoSwallowsTheLastKeyErasesFourAndAsksForTheExpansion) {
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
  ASSERT_EQ(output.requests.size(), 1u);
  EXPECT_EQ(output.requests[0], (ExpansionRequest{4, false, ":demo", "Hello World"}));
  EXPECT_EQ(output.diagnostics, std::vector<std::string>{"Expander Triggered by: ':demo'\n"});
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderTest, KeyWithoutCharacterLeavesTheBufferAlone) {
  Type(expander, ":de");
  EXPECT_FALSE(keyboard.Press(VkF5));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
}

TEST_F(ExpanderTest, BackspaceRemovesOneCharacterAndIsNeverSwallowed) {
  table.Set(":\u00FCber", "over");
  Type(expander, ":dex");
  EXPECT_FALSE(keyboard.Press(vk::Back));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
  EXPECT_FALSE(keyboard.Press(vk::Back));
  EXPECT_FALSE(keyboard.PressWith(vk::Back, true, false));
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderTest, CaseCountsAndUpperCaseNeedsShift) {
  table.Set(":Sig", "Regards");
  EXPECT_EQ(Type(expander, ":sig"), Swallowed{});
  EXPECT_EQ(Type(expander, ":Sig"), Swallowed{3});
  EXPECT_EQ(output.expansions.back().text, "Regards");
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

TEST_F(ExpanderTest, BufferKeepsTheLastFiftyCharactersNotBytes) {
  Type(expander, std::string(60, 'z') + "abc");
  EXPECT_EQ(expander.TypedBuffer(), std::string(47, 'z') + "abc");

  // Fifty two-byte characters fit; the fifty-first pushes out the first whole.
  FakeLayout german = testing::GermanLayout();
  Expander engine(table, output, german);
  Keyboard keys(engine);
  std::string umlauts;
  for (int i = 0; i < 51; ++i) umlauts += i == 0 ? "\u00E4" : "\u00FC";
  keys.Type(german, umlauts);
  std::string expected;
  for (int i = 0; i < 50; ++i) expected += "\u00FC";
  EXPECT_EQ(engine.TypedBuffer(), expected);
}

TEST_F(ExpanderTest, EveryCharacterTheLayoutTypesCountsPunctuationAndNumpadIncluded) {
  table.Set(":ab", "never");
  table.Set(":1,1", "numbers");
  Type(expander, ":a");
  EXPECT_FALSE(keyboard.Press(VkComma));
  Type(expander, "b");
  EXPECT_EQ(expander.TypedBuffer(), ":a,b");
  EXPECT_TRUE(output.expansions.empty());

  Type(expander, ":");
  keyboard.Press(VkNumpad1);
  keyboard.Press(VkComma);
  EXPECT_TRUE(keyboard.Press(VkNumpad1));
  EXPECT_EQ(output.expansions.back().text, "numbers");
}

TEST_F(ExpanderTest, PausedEngineSwallowsNothingAndKeepsItsBuffer) {
  Type(expander, ":de");
  expander.SetEnabled(false);
  EXPECT_FALSE(expander.IsEnabled());
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
  EXPECT_FALSE(keyboard.Press(vk::Back));
  EXPECT_EQ(expander.TypedBuffer(), ":de");
  expander.SetEnabled(true);
  EXPECT_EQ(Type(expander, "mo"), Swallowed{1});
}

TEST_F(ExpanderTest, ModifiersAreFollowedWhilePaused) {
  expander.SetEnabled(false);
  keyboard.Down(vk::LeftShift);
  expander.SetEnabled(true);
  keyboard.Press(0xBA);  // Shift still down: ":"
  keyboard.Up(vk::LeftShift);
  EXPECT_EQ(expander.TypedBuffer(), ":");
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
  EXPECT_FALSE(keyboard.Down('Z'));
  EXPECT_FALSE(keyboard.Down('Z'));
  EXPECT_TRUE(keyboard.Down('Z'));
}

TEST_F(ExpanderTest, EditsOfTheTableApplyToTheNextKey) {
  Type(expander, ":ne");
  table.Set(":new", "fresh");
  EXPECT_TRUE(keyboard.Press('W'));
  table.Erase(":demo");
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{});
}

TEST_F(ExpanderTest, NonAsciiTriggersMatchAndEraseByCharacters) {
  table.Set("\u00DF\u00DF", "sharp");
  table.Set("\u00E9\u00E9", "acute");
  table.Set(":\u043F\u0440\u0438", "privet");
  FakeLayout german = testing::GermanLayout();
  Expander engine(table, output, german);
  Keyboard keys(engine);
  EXPECT_EQ(keys.Type(german, "x\u00DF\u00DF"), Swallowed{2});
  EXPECT_EQ(output.requests.back().backspaces, 1u);
  EXPECT_EQ(output.requests.back().expansion, "sharp");
}

TEST(ActiveExpanderPointer, FollowsTheEngineLifetime) {
  TriggerTable table;
  RecordingOutput output;
  FakeLayout layout = testing::UsLayout();
  {
    Expander expander(table, output, layout);
    EXPECT_EQ(ActiveExpander, &expander);
  }
  EXPECT_EQ(ActiveExpander, nullptr);
}

// The buffer forgets whenever the caret may no longer stand right after what it holds.
class ForgettingKey : public ExpanderTest, public ::testing::WithParamInterface<std::uint32_t> {};

TEST_P(ForgettingKey, EmptiesTheBufferSoTheTriggerCannotCompleteAcrossIt) {
  Type(expander, ":de");
  EXPECT_FALSE(keyboard.Press(GetParam()));
  EXPECT_EQ(expander.TypedBuffer(), "");
  EXPECT_EQ(Type(expander, "mo"), Swallowed{});
  EXPECT_TRUE(output.expansions.empty());
}

INSTANTIATE_TEST_SUITE_P(NavigationAndEditing, ForgettingKey,
                         ::testing::Values(vk::Left, vk::Right, vk::Up, vk::Down, vk::Home, vk::End,
                                           vk::Prior, vk::Next, vk::Return, vk::Tab, vk::Escape,
                                           vk::Delete, vk::Insert));

TEST_F(ExpanderTest, KeysWithCtrlAltOrWinAreShortcutsThatForget) {
  const std::uint32_t modifiers[] = {vk::LeftControl, vk::RightControl, vk::LeftMenu, vk::LeftWin};
  for (std::uint32_t modifier : modifiers) {
    Type(expander, ":de");
    keyboard.Down(modifier);
    EXPECT_FALSE(keyboard.Press('L')) << modifier;
    keyboard.Up(modifier);
    EXPECT_EQ(expander.TypedBuffer(), "") << modifier;
  }
  // Ctrl+Backspace deletes a word, not a character.
  Type(expander, ":dem");
  keyboard.Down(vk::LeftControl);
  keyboard.Press(vk::Back);
  keyboard.Up(vk::LeftControl);
  EXPECT_EQ(Type(expander, "o"), Swallowed{});
  EXPECT_TRUE(output.expansions.empty());
}

TEST_F(ExpanderTest, TriggerCannotCompleteOnCtrlOfItsLastLetter) {
  table.Set(":l", "never");
  Type(expander, ":");
  keyboard.Down(vk::LeftControl);
  EXPECT_FALSE(keyboard.Press('L'));
  keyboard.Up(vk::LeftControl);
  EXPECT_TRUE(output.expansions.empty());
}

TEST_F(ExpanderTest, ForgetTypedIsWhatAClickOrFocusChangeDoes) {
  Type(expander, ":de");
  expander.ForgetTyped();
  EXPECT_EQ(Type(expander, "mo"), Swallowed{});
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
}

TEST_F(ExpanderTest, CapsLockGivesCapitalsAndShiftUndoesIt) {
  table.Set(":CAPS", "caps");
  keyboard.Press(vk::Capital);
  EXPECT_TRUE(expander.Modifiers().capsLock);
  keyboard.PressWith(0xBA, true, false);
  for (std::uint32_t key : {'C', 'A', 'P'}) keyboard.Press(key);
  EXPECT_TRUE(keyboard.Press('S'));
  EXPECT_EQ(output.requests.back().expansion, "caps");
  keyboard.PressWith('X', true, false);
  EXPECT_EQ(expander.TypedBuffer(), "x");
  keyboard.Press(vk::Capital);
  EXPECT_FALSE(expander.Modifiers().capsLock);
}

TEST_F(ExpanderTest, ShiftHeldThroughTheLastKeyIsReportedForTheSender) {
  table.Set(":X", "Hello World");
  keyboard.Down(vk::LeftShift);
  keyboard.Press(0xBA);
  EXPECT_TRUE(keyboard.Down('X'));
  EXPECT_TRUE(expander.Modifiers().leftShift);
  keyboard.Up('X');
  keyboard.Up(vk::LeftShift);
  EXPECT_FALSE(expander.Modifiers().Shift());
}

TEST_F(ExpanderTest, TextInjectedByAnotherProgramCountsAsTyped) {
  table.Set(":\u00E9", "injected");
  Type(expander, ":");
  EXPECT_TRUE(expander.OnKeyEvent(vk::Packet, 0x00E9, false, false));
  EXPECT_EQ(output.expansions.back().text, "injected");
  // A surrogate half cannot start a trigger; it breaks a match instead of vanishing.
  Type(expander, ":de");
  expander.OnKeyEvent(vk::Packet, 0xD83D, false, false);
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderTest, ModifierStateCanBeSetFromTheSystem) {
  ModifierState stuck;
  stuck.leftWin = true;  // Win+L: its release went to the lock screen
  expander.SyncModifiers(stuck);
  Type(expander, ":demo");
  EXPECT_TRUE(output.expansions.empty());
  expander.SyncModifiers({});
  EXPECT_EQ(Type(expander, ":demo"), Swallowed{4});
}

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

TEST_F(ExpanderTest, FramedAppIsExcludedByItsProgramClassOrPackage) {
  // Calculator in its frame: the foreground belongs to ApplicationFrameHost.exe, the focus to
  // the app's own process.
  output.focused.executableName = "ApplicationFrameHost.exe";
  output.focused.framedExecutableName = "CalculatorApp.exe";
  output.focused.topLevelClass = "ApplicationFrameWindow";
  output.focused.windowClass = "Windows.UI.Core.CoreWindow";
  output.focused.packageFamily = "Microsoft.WindowsCalculator_8wekyb3d8bbwe";
  for (const char* rule :
       {"calculatorapp.exe", "program:CalculatorApp.exe", "class:windows.ui.core.corewindow",
        "class: ApplicationFrameWindow", "package:Microsoft.WindowsCalculator",
        "PACKAGE:microsoft.windowscalculator_8wekyb3d8bbwe"}) {
    expander.SetExcludedPrograms({rule});
    EXPECT_EQ(Type(expander, ":demo"), Swallowed{}) << rule;
  }
  output.expansions.clear();
  for (const char* rule :
       {"class:CalculatorApp.exe", "package:Microsoft", "program:Microsoft.WindowsCalculator",
        "8wekyb3d8bbwe", "class:", "package:"}) {
    expander.SetExcludedPrograms({rule});
    EXPECT_EQ(Type(expander, ":demo"), Swallowed{4}) << rule;
  }
  EXPECT_EQ(output.expansions.size(), 6u);
}

TEST(ExcludeRule, NamesWhatItComparesWithBareNamesBeingPrograms) {
  EXPECT_EQ(ParseExcludeRule(" keepass.exe "),
            (ExcludeRule{ExcludeRule::Kind::Program, "keepass.exe"}));
  EXPECT_EQ(ParseExcludeRule("program: keepass.exe"),
            (ExcludeRule{ExcludeRule::Kind::Program, "keepass.exe"}));
  EXPECT_EQ(ParseExcludeRule("Class:Notepad"),
            (ExcludeRule{ExcludeRule::Kind::WindowClass, "Notepad"}));
  EXPECT_EQ(ParseExcludeRule("package:Microsoft.WindowsCalculator"),
            (ExcludeRule{ExcludeRule::Kind::Package, "Microsoft.WindowsCalculator"}));
  // Not one of the three: a program whose name holds a colon can never match, as none can.
  EXPECT_EQ(ParseExcludeRule("window:Notepad"),
            (ExcludeRule{ExcludeRule::Kind::Program, "window:Notepad"}));
}

TEST_F(ExpanderTest, FocusIsAskedOnlyWhenATriggerMatched) {
  Type(expander, "hello :de");
  EXPECT_EQ(output.focusQueries, 0);
  Type(expander, "mo");
  EXPECT_EQ(output.focusQueries, 1);
}

TEST_F(ExpanderTest, LayoutIsNotAskedForModifiersNavigationOrShortcuts) {
  keyboard.Press(vk::LeftShift);
  keyboard.Press(vk::Left);
  keyboard.Down(vk::LeftControl);
  keyboard.Press('C');
  keyboard.Up(vk::LeftControl);
  EXPECT_EQ(layout.translations, 0);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::RecordingOutput;
using testing::Type;

// What another thread asks of the engine: taken over before the input thread's next key, never
// in the middle of one.
class ExpanderRequestsTest : public ::testing::Test {
 protected:
  Snapshot<TriggerTable> tables{std::make_shared<const TriggerTable>(Demo())};
  RecordingOutput output;
  testing::FakeLayout layout = testing::UsLayout();
  Expander expander{tables, output, layout};

  static TriggerTable Demo() {
    TriggerTable table;
    table.Set(":demo", "Hello World");
    return table;
  }
};

TEST_F(ExpanderRequestsTest, AForgetAskedElsewhereDropsWhatWasTypedBeforeIt) {
  Type(expander, ":de");
  expander.RequestForget();
  Type(expander, "mo");
  EXPECT_TRUE(output.expansions.empty());
  Type(expander, " :demo");
  EXPECT_EQ(output.expansions.size(), 1u);
}

TEST_F(ExpanderRequestsTest, ATablePublishedElsewhereIsMatchedFromTheNextKey) {
  Type(expander, ":ne");
  TriggerTable next = Demo();
  next.Set(":new", "fresh");
  tables.Publish(std::make_shared<const TriggerTable>(std::move(next)));
  Type(expander, "w");
  ASSERT_EQ(output.expansions.size(), 1u);
  EXPECT_EQ(output.expansions.back().text, "fresh");
}

TEST_F(ExpanderRequestsTest, ModifiersSyncedElsewhereKeepTheLockKeysUnlessAskedTo) {
  Type(expander, "a");
  ModifierState system;
  system.leftWin = true;
  system.capsLock = true;
  expander.RequestModifierSync(system, false);
  Type(expander, "b");
  EXPECT_TRUE(expander.Modifiers().leftWin);
  EXPECT_FALSE(expander.Modifiers().capsLock) << "the lock keys of another thread's view";

  expander.RequestModifierSync(system, true);
  Type(expander, "c");
  EXPECT_TRUE(expander.Modifiers().capsLock);
}

TEST_F(ExpanderRequestsTest, NothingTypedInAPasswordFieldIsKeptOrExpands) {
  expander.SetSecretField(true);
  EXPECT_TRUE(expander.InSecretField());
  Type(expander, "hunter2:demo");
  EXPECT_TRUE(output.expansions.empty());
  EXPECT_EQ(expander.TypedBuffer(), "");
}

TEST_F(ExpanderRequestsTest, EnteringAPasswordFieldForgetsWhatWasTypedBefore) {
  Type(expander, ":de");
  expander.SetSecretField(true);
  expander.SetSecretField(false);
  Type(expander, "mo");
  EXPECT_TRUE(output.expansions.empty()) << "the trigger's first half was typed before";
}

TEST_F(ExpanderRequestsTest, ATriggerBegunInAPasswordFieldDoesNotFireAfterLeavingIt) {
  expander.SetSecretField(true);
  Type(expander, ":de");
  expander.SetSecretField(false);
  Type(expander, "mo");
  EXPECT_TRUE(output.expansions.empty());
  Type(expander, " :demo");
  EXPECT_EQ(output.expansions.size(), 1u) << "after leaving it, triggers work again";
}

TEST_F(ExpanderRequestsTest, ModifiersAreFollowedInAPasswordField) {
  expander.SetSecretField(true);
  testing::Keyboard keyboard{expander};
  keyboard.Down(vk::LeftShift);
  expander.SetSecretField(false);
  keyboard.Press(0xBA);  // Shift still down: ":"
  keyboard.Up(vk::LeftShift);
  EXPECT_EQ(expander.TypedBuffer(), ":");
}

TEST_F(ExpanderRequestsTest, ExcludedProgramsSetElsewhereApplyToTheNextTrigger) {
  output.focused.executableName = "keepass.exe";
  expander.SetExcludedPrograms({"KEEPASS.EXE"});
  Type(expander, ":demo");
  EXPECT_TRUE(output.expansions.empty());
  expander.SetExcludedPrograms({});
  Type(expander, ":demo");
  EXPECT_EQ(output.expansions.size(), 1u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
