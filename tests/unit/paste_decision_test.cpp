#include "engine/output/paste_decision.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "settings/output_settings.h"
#include "settings/settings_file.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

const FocusedWindow Notepad{"Edit", "notepad.exe", ""};

struct PathCase {
  const char* name;
  std::size_t characters;
  bool lineBreak;
  FocusedWindow window;
  std::string settingsText;
  OutputPath path;
};

class OutputPathChoice : public ::testing::TestWithParam<PathCase> {};

TEST_P(OutputPathChoice, TypesOrPastes) {
  OutputSettings settings = ReadOutputSettings(ParseSettingsText(GetParam().settingsText));
  EXPECT_EQ(
      ChooseOutputPath(GetParam().characters, GetParam().lineBreak, GetParam().window, settings),
      GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputPathChoice,
    ::testing::Values(
        PathCase{"ShortTextIsTyped", 11, false, Notepad, "", OutputPath::Type},
        PathCase{"HundredCharactersAreTyped", 100, false, Notepad, "", OutputPath::Type},
        PathCase{"OneMoreIsPasted", 101, false, Notepad, "", OutputPath::Paste},
        PathCase{"ALineBreakIsPasted", 3, true, Notepad, "", OutputPath::Paste},
        PathCase{"ThresholdFromSettings", 21, false, Notepad, "paste_threshold=20\r\n",
                 OutputPath::Paste},
        PathCase{"ThresholdFromSettingsTypesBelow", 20, false, Notepad, "paste_threshold=20\r\n",
                 OutputPath::Type},
        PathCase{"ZeroTypesEverything", 5000, true, Notepad, "paste_threshold=0\r\n",
                 OutputPath::Type},
        PathCase{"UnreadableThresholdKeepsTheDefault", 101, false, Notepad,
                 "paste_threshold=many\r\n", OutputPath::Paste},
        PathCase{"NegativeThresholdKeepsTheDefault", 100, false, Notepad, "paste_threshold=-1\r\n",
                 OutputPath::Type},
        PathCase{"WindowsConsoleIsTyped",
                 5000,
                 true,
                 {"ConsoleWindowClass", "cmd.exe", ""},
                 "",
                 OutputPath::Type},
        PathCase{"MinttyIsTyped", 5000, false, {"mintty", "mintty.exe", ""}, "", OutputPath::Type},
        PathCase{"PuttyIsTyped", 5000, false, {"PuTTY", "putty.exe", ""}, "", OutputPath::Type},
        PathCase{"ClassComparesWithoutCase",
                 5000,
                 false,
                 {"consolewindowclass", "x.exe", ""},
                 "",
                 OutputPath::Type},
        PathCase{
            "RenamedPuttyByProgram", 5000, false, {"KiTTY", "PUTTY.EXE", ""}, "", OutputPath::Type},
        PathCase{"TypeInByBareNameMatchesTheProgram",
                 5000,
                 false,
                 {"Window", "alacritty.exe", ""},
                 "type_in=alacritty.exe\r\n",
                 OutputPath::Type},
        PathCase{"TypeInByBareNameMatchesTheClass",
                 5000,
                 false,
                 {"VimMain", "gvim.exe", ""},
                 "type_in=vimmain\r\n",
                 OutputPath::Type},
        PathCase{"TypeInByClassOnly",
                 5000,
                 false,
                 {"Other", "VimMain", ""},
                 "type_in=class:VimMain\r\n",
                 OutputPath::Paste},
        PathCase{"TypeInByProgramOnly",
                 5000,
                 false,
                 {"wezterm.exe", "other.exe", ""},
                 "type_in=program:wezterm.exe\r\n",
                 OutputPath::Paste},
        PathCase{"AnyNumberOfTypeInLines",
                 5000,
                 false,
                 {"B", "b.exe", ""},
                 "type_in=a.exe\r\ntype_in=program: b.exe \r\n",
                 OutputPath::Type},
        PathCase{"EmptyTypeInMatchesNothing",
                 5000,
                 false,
                 {"", "", ""},
                 "type_in=\r\n",
                 OutputPath::Paste}),
    [](const auto& info) { return info.param.name; });

TEST(TypeInRule, SaysWhereItCompares) {
  EXPECT_EQ(ParseTypeInRule("mintty"), (TypeInRule{TypeInMatch::ClassOrProgram, "mintty"}));
  EXPECT_EQ(ParseTypeInRule(" class: X "), (TypeInRule{TypeInMatch::WindowClass, "X"}));
  EXPECT_EQ(ParseTypeInRule("program:a.exe"), (TypeInRule{TypeInMatch::Program, "a.exe"}));
  EXPECT_EQ(ParseTypeInRule("classic.exe"),
            (TypeInRule{TypeInMatch::ClassOrProgram, "classic.exe"}));
}

struct UndoSettingCase {
  const char* text;
  bool on;
};

class UndoSetting : public ::testing::TestWithParam<UndoSettingCase> {};

TEST_P(UndoSetting, IsOnUnlessTurnedOff) {
  EXPECT_EQ(ReadOutputSettings(ParseSettingsText(GetParam().text)).undoBackspace, GetParam().on);
}

INSTANTIATE_TEST_SUITE_P(
    Values, UndoSetting,
    ::testing::Values(UndoSettingCase{"", true}, UndoSettingCase{"undo_backspace=off\r\n", false},
                      UndoSettingCase{"undo_backspace= off\n", false},
                      UndoSettingCase{"undo_backspace=0\n", false},
                      UndoSettingCase{"undo_backspace=on\n", true},
                      UndoSettingCase{"undo_backspace=off\nundo_backspace=on\n", true}));

TEST(OutputSettings, SurviveASaveOfTheShortcut) {
  Settings settings = ParseSettingsText(
      "paste_threshold=40\r\ntype_in=a.exe\r\ntoggle_shortcut=Alt+F2\r\nundo_backspace=off\r\n");
  Settings again = ParseSettingsText(FormatSettingsText("Ctrl+Alt+K", settings.otherLines));
  OutputSettings output = ReadOutputSettings(again);
  EXPECT_EQ(output.pasteThreshold, 40u);
  ASSERT_EQ(output.typeIn.size(), 1u);
  EXPECT_EQ(output.typeIn[0].name, "a.exe");
  EXPECT_FALSE(output.undoBackspace);
}

TEST(SettingsValues, GivesEveryLineOfTheKeyInOrder) {
  Settings settings = ParseSettingsText("type_in=a\r\nother=x\r\ntype_in=b\r\ntype_inx=c\r\n");
  EXPECT_EQ(SettingsValues(settings, "type_in"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(SettingsValues(settings, "missing").empty());
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(MustPressKeys, RemoteAndVirtualMachineClientsTakeKeyPresses) {
  const OutputSettings none;
  EXPECT_TRUE(MustPressKeys({"", "MSTSC.EXE", ""}, none));
  EXPECT_TRUE(MustPressKeys({"", "other.exe", "TscShellContainerClass"}, none));
  EXPECT_TRUE(MustPressKeys({"", "VirtualBoxVM.exe", ""}, none));
  EXPECT_FALSE(MustPressKeys({"Edit", "notepad.exe", "Notepad"}, none));
}

TEST(MustPressKeys, SettingsAddClientsByProgramOrClass) {
  Settings settings;
  SetSettingsValue(settings, "press_keys_in", "rdpclient.exe");
  settings.otherLines.push_back(" press_keys_in = class:VNCMDI_Window ");
  const OutputSettings output = ReadOutputSettings(settings);
  EXPECT_TRUE(MustPressKeys({"", "RdpClient.exe", ""}, output));
  EXPECT_TRUE(MustPressKeys({"", "viewer.exe", "VNCMDI_Window"}, output));
  EXPECT_FALSE(MustPressKeys({"", "notepad.exe", "Notepad"}, output));
  // type_in= is another list: a terminal typed into is no remote client.
  EXPECT_FALSE(MustPressKeys({"", "putty.exe", "PuTTY"}, output));
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct PaceLineCase {
  const char* name;
  const char* value;
  std::optional<PaceRule> rule;
};

class PaceLines : public ::testing::TestWithParam<PaceLineCase> {};

TEST_P(PaceLines, NameAWindowThenTheirWaits) {
  EXPECT_EQ(ParsePaceRule(GetParam().value), GetParam().rule);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PaceLines,
    ::testing::Values(
        PaceLineCase{"BothWaits", "outlook.exe 10 200",
                     PaceRule{{TypeInMatch::ClassOrProgram, "outlook.exe"}, {10, 200}}},
        PaceLineCase{"KeyDelayOnly", " class:Chrome_WidgetWin_1  25 ",
                     PaceRule{{TypeInMatch::WindowClass, "Chrome_WidgetWin_1"}, {25, 0}}},
        PaceLineCase{"ANameWithBlanks", "program:My Mail.exe 5 50",
                     PaceRule{{TypeInMatch::Program, "My Mail.exe"}, {5, 50}}},
        PaceLineCase{"TabsBetween", "slow.exe\t0\t300",
                     PaceRule{{TypeInMatch::ClassOrProgram, "slow.exe"}, {0, 300}}},
        PaceLineCase{"LongWaitsAreCappedAtTheLimits", "slow.exe 5000 99999",
                     PaceRule{{TypeInMatch::ClassOrProgram, "slow.exe"},
                              {KeyDelayLimitMs, PasteDelayLimitMs}}},
        PaceLineCase{"NoNumbers", "outlook.exe", std::nullopt},
        PaceLineCase{"ANumberNotWritten", "outlook.exe ten", std::nullopt},
        PaceLineCase{"ANegativeNumber", "outlook.exe -10", std::nullopt},
        PaceLineCase{"NoName", "  10 200", std::nullopt}, PaceLineCase{"Empty", "", std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

const FocusedWindow Outlook{"_WwG", "OUTLOOK.EXE", "rctrl_renwnd32"};

TEST(PaceFor, OutlookIsPacedUnlessTheSettingsSayOtherwise) {
  EXPECT_EQ(PaceFor(Outlook, {}), (Pace{10, 200}));
  EXPECT_EQ(PaceFor(Notepad, {}), Pace{});
  const OutputSettings unpaced = ReadOutputSettings(ParseSettingsText("pace=outlook.exe 0 0\r\n"));
  EXPECT_FALSE(PaceFor(Outlook, unpaced).Paced());
}

TEST(PaceFor, TheFirstLineNamingTheWindowWinsAndBadLinesAreLeftOut) {
  const OutputSettings settings = ReadOutputSettings(ParseSettingsText(
      "pace=notepad.exe\r\npace=class:Edit 30\r\npace=notepad.exe 1 2\r\npace=other.exe 7 7\r\n"));
  ASSERT_EQ(settings.pace.size(), 3u);
  // Compared with the focused control's class as type_in= is.
  EXPECT_EQ(PaceFor(Notepad, settings), (Pace{30, 0}));
  EXPECT_EQ(PaceFor({"", "Other.exe", ""}, settings), (Pace{7, 7}));
  EXPECT_EQ(PaceFor({"", "calc.exe", ""}, settings), Pace{});
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
