#include "ui/settings_model.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "settings/data_folder.h"
#include "settings/ending_characters.h"
#include "settings/output_settings.h"
#include "update/update_schedule.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

Settings Read(std::string_view text) {
  return ParseSettingsText(text);
}

std::string Written(const Settings& settings) {
  return FormatSettingsText(settings.shortcutText, settings.otherLines);
}

TEST(SettingRows, EachHasALabelAnExplanationAndItsOwnKey) {
  std::set<std::string_view> keys;
  for (std::size_t index = 0; index < SettingRowCount; ++index) {
    const SettingText& text = SettingTexts()[index];
    EXPECT_EQ(static_cast<std::size_t>(text.row), index) << text.label;
    EXPECT_EQ(&TextOf(text.row), &text);
    EXPECT_FALSE(text.label.empty());
    // One line, which the window's column shows whole up to about this length.
    EXPECT_FALSE(text.explanation.empty()) << text.label;
    EXPECT_EQ(text.explanation.find('\n'), std::string_view::npos) << text.label;
    EXPECT_LE(text.explanation.size(), 64u) << text.label;
    if (!text.key.empty()) {
      EXPECT_TRUE(keys.insert(text.key).second) << text.key;
    }
  }
  // Every key the program reads from settings.txt has its row, but the update check's times.
  for (std::string_view key :
       {ToggleShortcutKey, std::string_view("search_shortcut"), PasteThresholdKey, UndoBackspaceKey,
        EndingCharactersKey, UpdateCheckKey, ExcludeKey, TypeInKey, PaceKey, DataFolderKey}) {
    EXPECT_TRUE(keys.count(key)) << key;
  }
}

struct ThresholdCase {
  const char* typed;
  std::optional<std::size_t> value;
};

class PasteThresholdTyped : public ::testing::TestWithParam<ThresholdCase> {};

TEST_P(PasteThresholdTyped, IsTakenOnlyAsAWholeNumberInRange) {
  const PasteThresholdInput input = ReadPasteThresholdInput(GetParam().typed);
  EXPECT_EQ(input.value, GetParam().value);
  EXPECT_EQ(input.refusal.empty(), GetParam().value.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PasteThresholdTyped,
    ::testing::Values(ThresholdCase{"300", 300}, ThresholdCase{"0", 0}, ThresholdCase{"  42\t", 42},
                      ThresholdCase{"1000000", 1000000}, ThresholdCase{"1000001", std::nullopt},
                      ThresholdCase{"", std::nullopt}, ThresholdCase{"  ", std::nullopt},
                      ThresholdCase{"-5", std::nullopt}, ThresholdCase{"+5", std::nullopt},
                      ThresholdCase{"12a", std::nullopt}, ThresholdCase{"1 000", std::nullopt},
                      ThresholdCase{"3.5", std::nullopt},
                      ThresholdCase{"99999999999999999999999", std::nullopt},
                      ThresholdCase{"\xd9\xa3", std::nullopt}));

TEST(PasteThreshold, SetValueIsWhatTheOutputReadsAndARefusalChangesNothing) {
  Settings settings = Read("paste_threshold=20\r\nexclude=a.exe\r\n");
  EXPECT_EQ(PasteThresholdText(settings), "20");
  EXPECT_TRUE(SetPasteThreshold(settings, " 300 ").empty());
  EXPECT_EQ(ReadOutputSettings(settings).pasteThreshold, 300u);
  EXPECT_EQ(Written(settings),
            "toggle_shortcut=Ctrl+Shift+F12\r\npaste_threshold=300\r\n"
            "exclude=a.exe\r\n");
  EXPECT_FALSE(SetPasteThreshold(settings, "lots").empty());
  EXPECT_EQ(PasteThresholdText(settings), "300");
}

TEST(PasteThreshold, ShowsTheDefaultWithoutALineOrForADamagedOne) {
  EXPECT_EQ(PasteThresholdText(Read("")), "100");
  EXPECT_EQ(PasteThresholdText(Read("paste_threshold=many\r\n")), "100");
}

TEST(UndoBackspace, FollowsTheSwitchAndReadsBackAsTheOutputReadsIt) {
  Settings settings = Read("undo_backspace=no\r\n");
  EXPECT_FALSE(UndoBackspaceOn(settings));
  SetUndoBackspace(settings, true);
  EXPECT_TRUE(UndoBackspaceOn(Read(Written(settings))));
  SetUndoBackspace(settings, false);
  EXPECT_FALSE(ReadOutputSettings(Read(Written(settings))).undoBackspace);
  EXPECT_TRUE(UndoBackspaceOn(Read("")));
}

TEST(UpdateCheck, OffOnlyWhenTheLineSaysSoAndTheSwitchWritesIt) {
  EXPECT_TRUE(IsUpdateCheckOn(Read("")));
  EXPECT_TRUE(IsUpdateCheckOn(Read("update_check=yes please\r\n")));
  EXPECT_FALSE(IsUpdateCheckOn(Read("update_check= false \r\n")));
  Settings settings = Read("update_last_check=5\r\n");
  SetUpdateCheck(settings, false);
  EXPECT_FALSE(IsUpdateCheckOn(Read(Written(settings))));
  SetUpdateCheck(settings, true);
  EXPECT_TRUE(IsUpdateCheckOn(Read(Written(settings))));
  EXPECT_EQ(SettingsValue(settings, LastUpdateCheckKey), "5");
}

TEST(EndingCharacters, FieldShowsTheLineOrTheDefaultAndAnEmptyFieldPutsTheDefaultBack) {
  Settings settings = Read("");
  EXPECT_EQ(EndingCharactersText(settings), DefaultEndingCharactersText);
  EXPECT_TRUE(SetEndingCharactersText(settings, " {space}., ").empty());
  EXPECT_EQ(EndingCharactersText(settings), "{space}.,");
  EXPECT_EQ(ReadEndingCharacters(Read(Written(settings))), " .,");
  EXPECT_TRUE(SetEndingCharactersText(settings, "").empty());
  EXPECT_EQ(ReadEndingCharacters(settings), EndingCharactersFromText(DefaultEndingCharactersText));
  EXPECT_FALSE(SetEndingCharactersText(settings, ".\r\nexclude=x.exe").empty());
  EXPECT_TRUE(settings.excludedPrograms.empty());
}

TEST(ProgramLists, AddedExclusionIsInForceAtOnceAndWrittenAfterTheOthers) {
  Settings settings = Read("exclude=keepass.exe\r\npaste_threshold=5\r\n# mine\r\n");
  EXPECT_EQ(AddProgram(settings, ProgramList::Excluded, "  notepad.exe "), ProgramAdd::Added);
  EXPECT_EQ(settings.excludedPrograms, (std::vector<std::string>{"keepass.exe", "notepad.exe"}));
  EXPECT_EQ(Written(settings),
            "toggle_shortcut=Ctrl+Shift+F12\r\nexclude=keepass.exe\r\nexclude=notepad.exe\r\n"
            "paste_threshold=5\r\n# mine\r\n");
  EXPECT_EQ(Read(Written(settings)).excludedPrograms, settings.excludedPrograms);
}

TEST(ProgramLists, TypedInProgramsAreTheOutputsAndDoNotTouchTheExclusions) {
  Settings settings = Read("exclude=keepass.exe\r\n");
  EXPECT_EQ(AddProgram(settings, ProgramList::TypeIn, "class:VimMain"), ProgramAdd::Added);
  EXPECT_EQ(AddProgram(settings, ProgramList::TypeIn, "alacritty.exe"), ProgramAdd::Added);
  EXPECT_EQ(ProgramsIn(settings, ProgramList::TypeIn),
            (std::vector<std::string>{"class:VimMain", "alacritty.exe"}));
  EXPECT_EQ(ReadOutputSettings(settings).typeIn.size(), 2u);
  EXPECT_EQ(settings.excludedPrograms, std::vector<std::string>{"keepass.exe"});
}

TEST(ProgramLists, RefusesEmptyRepeatedInAnyCaseAndMultiLineNames) {
  Settings settings = Read("exclude=KeePass.exe\r\n");
  const std::string before = Written(settings);
  EXPECT_EQ(AddProgram(settings, ProgramList::Excluded, " \t"), ProgramAdd::Empty);
  EXPECT_EQ(AddProgram(settings, ProgramList::Excluded, "keepass.EXE"), ProgramAdd::AlreadyListed);
  EXPECT_EQ(AddProgram(settings, ProgramList::Excluded, "a.exe\nexclude=b.exe"),
            ProgramAdd::NotOneLine);
  EXPECT_EQ(Written(settings), before);
  for (ProgramAdd refused :
       {ProgramAdd::Empty, ProgramAdd::AlreadyListed, ProgramAdd::NotOneLine}) {
    EXPECT_FALSE(ProgramAddRefusal(refused).empty());
  }
  EXPECT_TRUE(ProgramAddRefusal(ProgramAdd::Added).empty());
  // The same name in the other list is no repeat.
  EXPECT_EQ(AddProgram(settings, ProgramList::TypeIn, "keepass.exe"), ProgramAdd::Added);
}

TEST(ProgramLists, RemovingTakesEveryLineOfThatNameAndNoOther) {
  Settings settings =
      Read("exclude=a.exe\r\ntype_in=a.exe\r\nexclude= b.exe\r\nexclude=a.exe\r\nexclude=\r\n");
  EXPECT_EQ(ProgramsIn(settings, ProgramList::Excluded),
            (std::vector<std::string>{"a.exe", "b.exe", "a.exe"}));
  EXPECT_TRUE(RemoveProgram(settings, ProgramList::Excluded, "a.exe"));
  EXPECT_EQ(settings.excludedPrograms, std::vector<std::string>{"b.exe"});
  EXPECT_EQ(ProgramsIn(settings, ProgramList::TypeIn), std::vector<std::string>{"a.exe"});
  EXPECT_FALSE(RemoveProgram(settings, ProgramList::Excluded, "a.exe"));
  EXPECT_TRUE(RemoveProgram(settings, ProgramList::Excluded, "b.exe"));
  EXPECT_TRUE(Read(Written(settings)).excludedPrograms.empty());
}

TEST(ProgramLists, RemovalIsSavedOverAFileEditedByHandMeanwhile) {
  const Settings base = Read("exclude=a.exe\r\nexclude=b.exe\r\n");
  Settings ours = base;
  ASSERT_TRUE(RemoveProgram(ours, ProgramList::Excluded, "a.exe"));
  // The user added a line of another key by hand while the window was open.
  const Settings merged = OverlaySettings(Read("exclude=a.exe\r\nexclude=b.exe\r\nfoo=1\r\n"), ours,
                                          ChangedSettingsKeys(base, ours));
  EXPECT_EQ(Written(merged), "toggle_shortcut=Ctrl+Shift+F12\r\nexclude=b.exe\r\nfoo=1\r\n");
  EXPECT_EQ(merged.excludedPrograms, std::vector<std::string>{"b.exe"});
}

TEST(ProgramChoicesList, EachRunningProgramOnceSortedWithoutThoseListed) {
  const std::vector<std::string> running{
      "svchost.exe", "Notepad.exe", "explorer.exe", "SVCHOST.EXE", "",
      "keepass.exe", "notepad.exe", "Zed.exe",      "alpha.exe"};
  EXPECT_EQ(ProgramChoices(running, {"KeePass.exe"}),
            (std::vector<std::string>{"alpha.exe", "explorer.exe", "Notepad.exe", "svchost.exe",
                                      "Zed.exe"}));
}

TEST(Pacing, LinesAreListedAndOneIsTakenOutWhileOthersStay) {
  Settings settings = Read("pace=outlook.exe 10 200\r\nfoo=1\r\npace=class:X 20\r\n");
  EXPECT_EQ(PaceLines(settings), (std::vector<std::string>{"outlook.exe 10 200", "class:X 20"}));
  EXPECT_TRUE(RemovePace(settings, "outlook.exe 10 200"));
  EXPECT_EQ(Written(settings), "toggle_shortcut=Ctrl+Shift+F12\r\nfoo=1\r\npace=class:X 20\r\n");
  EXPECT_EQ(ReadOutputSettings(settings).pace.size(), 1u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
