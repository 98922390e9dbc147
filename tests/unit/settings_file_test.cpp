#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

struct SettingsCase {
  const char* name;
  std::string text;
  std::string shortcutText;
  Shortcut shortcut;
};

class SettingsParsing : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(SettingsParsing, GivesTheTextAndTheNumbers) {
  Settings settings = ParseSettingsText(GetParam().text);
  EXPECT_EQ(settings.shortcutText, GetParam().shortcutText);
  EXPECT_EQ(settings.shortcut, GetParam().shortcut);
}

constexpr Shortcut Default = DefaultShortcut;
constexpr const char* DefaultText = "Ctrl+Shift+F12";

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsParsing,
    ::testing::Values(
        SettingsCase{"EmptyTextGivesDefaults", "", DefaultText, Default},
        SettingsCase{"ShortcutLine", "toggle_shortcut=Ctrl+Shift+K\r\n", "Ctrl+Shift+K", {6, 0x4B}},
        SettingsCase{"MissingLineEnd", "toggle_shortcut=Alt+F2", "Alt+F2", {1, 0x71}},
        SettingsCase{"LoneLineFeeds", "x=y\ntoggle_shortcut=Alt+F2\n", "Alt+F2", {1, 0x71}},
        SettingsCase{
            "BlanksAroundEqualsDoNotCount", "toggle_shortcut = Ctrl+K\r\n", "Ctrl+K", {2, 0x4B}},
        SettingsCase{"KeyIsCaseSensitive", "Toggle_Shortcut=Ctrl+K\r\n", DefaultText, Default},
        SettingsCase{"ByteOrderMarkIsNotPartOfTheKey",
                     "\xEF\xBB\xBFtoggle_shortcut=Ctrl+K\r\n",
                     "Ctrl+K",
                     {2, 0x4B}},
        SettingsCase{"LastLineWinsAfterAByteOrderMark",
                     "\xEF\xBB\xBFtoggle_shortcut=Ctrl+K\r\ntoggle_shortcut=Alt+J\r\n",
                     "Alt+J",
                     {1, 0x4A}},
        SettingsCase{"EmptyValueKeepsEmptyTextAndDefaultNumbers", "toggle_shortcut=\r\n", "",
                     Default},
        SettingsCase{"UnnamedKeyKeepsTextWithDefaultNumbers", "toggle_shortcut=Ctrl+Space\r\n",
                     "Ctrl+Space", Default},
        SettingsCase{"LastLineWins",
                     "toggle_shortcut=Alt+F2\r\ntoggle_shortcut=Ctrl+F3\r\n",
                     "Ctrl+F3",
                     {2, 0x72}},
        SettingsCase{"OtherKeysAreIgnored",
                     "theme=dark\r\ntoggle_shortcut=Win+1\r\nx\r\n",
                     "Win+1",
                     {8, 0x31}},
        SettingsCase{
            "FurtherEqualsBelongToTheValue", "toggle_shortcut=Ctrl+=+Q\r\n", "Ctrl+=+Q", {2, 0x51}},
        SettingsCase{"ValueIsTrimmed", "toggle_shortcut= Ctrl+Q \t\r\n", "Ctrl+Q", {2, 0x51}},
        SettingsCase{"LoneCarriageReturnStaysInTheValue",
                     "toggle_shortcut=Alt+Q\r\r\n",
                     "Alt+Q\r",
                     {1, 0x51}},
        SettingsCase{"NulBytesAreOrdinaryBytes",
                     std::string("toggle_shortcut=Ctrl\0+Q\r\n", 26),
                     std::string("Ctrl\0+Q", 7),
                     {2, 0x51}},
        SettingsCase{"NulInsideTheKeyMakesAnotherKey",
                     std::string("toggle\0shortcut=Alt+Q\r\n", 24), DefaultText, Default},
        SettingsCase{"NothingAfterCtrlZIsRead",
                     "toggle_shortcut=Alt+Q\r\n\x1Atoggle_shortcut=Ctrl+W\r\n",
                     "Alt+Q",
                     {1, 0x51}},
        SettingsCase{"CtrlZInsideTheValueEndsIt",
                     "toggle_shortcut=Alt+Q\x1A"
                     "Z\r\n",
                     "Alt+Q",
                     {1, 0x51}}),
    [](const auto& info) { return info.param.name; });

TEST(SettingsFile, MissingFileGivesDefaultsAndCreatesNone) {
  TempDir dir;
  Settings settings = LoadSettings(dir / SettingsFileName);
  EXPECT_EQ(settings.shortcutText, "Ctrl+Shift+F12");
  EXPECT_EQ(settings.shortcut, DefaultShortcut);
  EXPECT_FALSE(std::filesystem::exists(dir / SettingsFileName));
}

TEST(SettingsFile, SaveWritesOneCrLfLineAndLoadsBack) {
  TempDir dir;
  ASSERT_TRUE(SaveSettings(dir / SettingsFileName, "Ctrl+Alt+E"));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName), "toggle_shortcut=Ctrl+Alt+E\r\n");
  Settings settings = LoadSettings(dir / SettingsFileName);
  EXPECT_EQ(settings.shortcutText, "Ctrl+Alt+E");
  EXPECT_EQ(settings.shortcut, (Shortcut{ModifierCtrl | ModifierAlt, 0x45}));
}

TEST(SettingsFile, NewShortcutSavedOverLoadedSettingsKeepsEveryOtherLine) {
  TempDir dir;
  WriteBytes(dir / SettingsFileName,
             "theme=dark\r\ntoggle_shortcut=Alt+Q\r\nexclude=keepass.exe\nmore\r\n");
  Settings settings = LoadSettings(dir / SettingsFileName);
  settings.shortcutText = "Win+F12";
  ASSERT_TRUE(SaveSettings(dir / SettingsFileName, settings));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName),
            "toggle_shortcut=Win+F12\r\ntheme=dark\r\nexclude=keepass.exe\r\nmore\r\n");
  EXPECT_EQ(LoadSettings(dir / SettingsFileName).excludedPrograms,
            std::vector<std::string>{"keepass.exe"});
}

TEST(SettingsFile, ShortcutTextAloneMakesTheOneLineFile) {
  TempDir dir;
  WriteBytes(dir / SettingsFileName, "theme=dark\r\ntoggle_shortcut=Alt+Q\r\nmore\r\n");
  ASSERT_TRUE(SaveSettings(dir / SettingsFileName, "Win+F12"));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName), "toggle_shortcut=Win+F12\r\n");
}

TEST(SettingsExclude, EveryExcludeLineNamesOneProgramWithoutTheBlanksAround) {
  Settings settings = ParseSettingsText(
      "exclude=keepass.exe \r\nexclude=\r\nexclude=  \r\nExclude=x.exe\r\n"
      "exclude=My App.EXE\r\nexclude = y.exe\t\r\n");
  EXPECT_EQ(settings.excludedPrograms,
            (std::vector<std::string>{"keepass.exe", "My App.EXE", "y.exe"}));
}

struct EncodedSettings {
  const char* name;
  std::string bytes;
};

class SettingsEncodings : public ::testing::TestWithParam<EncodedSettings> {};

// Notepad saves "UTF-8 with BOM" or "Unicode" as readily as plain UTF-8: each excludes alike.
TEST_P(SettingsEncodings, ExcludeAndShortcutReadAlike) {
  Settings settings = ParseSettingsText(GetParam().bytes);
  EXPECT_EQ(settings.excludedPrograms,
            (std::vector<std::string>{"keepass.exe", "caf\xC3\xA9.exe"}));
  EXPECT_EQ(settings.shortcutText, "Alt+Q");
}

std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

constexpr std::u16string_view Utf16Text =
    u"exclude=keepass.exe\r\ntoggle_shortcut=Alt+Q\r\nexclude=caf\u00e9.exe\r\n";

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsEncodings,
    ::testing::Values(
        EncodedSettings{
            "Utf8", "exclude=keepass.exe\r\ntoggle_shortcut=Alt+Q\r\nexclude=caf\xC3\xA9.exe\r\n"},
        EncodedSettings{"Utf8WithByteOrderMark",
                        "\xEF\xBB\xBF"
                        "exclude=keepass.exe\r\ntoggle_shortcut=Alt+Q\r\n"
                        "exclude=caf\xC3\xA9.exe\r\n"},
        EncodedSettings{"Utf16LittleEndian", Utf16(Utf16Text, false)},
        EncodedSettings{"Utf16BigEndian", Utf16(Utf16Text, true)},
        // Windows-1252 on the host, the code page Wine uses.
        EncodedSettings{"Ansi",
                        "exclude=keepass.exe\ntoggle_shortcut=Alt+Q \nexclude=caf\xE9.exe\n"}),
    [](const ::testing::TestParamInfo<EncodedSettings>& info) { return info.param.name; });

// Another program holding settings.txt: there, but it cannot be opened.
FileRead HeldSettings(const std::filesystem::path&, std::size_t) {
  return FileRead{FileRead::Status::Unopened, {}};
}

TEST(SettingsFile, FileThatIsThereButCannotBeReadIsToldFromAMissingOne) {
  TempDir dir;
  EXPECT_EQ(ReadSettingsFile(dir / SettingsFileName).status, SettingsRead::Status::Missing);
  WriteBytes(dir / SettingsFileName, "exclude=keepass.exe\r\n");
  const SettingsRead held = ReadSettingsFile(dir / SettingsFileName, HeldSettings);
  EXPECT_EQ(held.status, SettingsRead::Status::Unreadable);
  EXPECT_TRUE(held.settings.excludedPrograms.empty());
  const SettingsRead read = ReadSettingsFile(dir / SettingsFileName);
  EXPECT_EQ(read.status, SettingsRead::Status::Read);
  EXPECT_EQ(read.settings.excludedPrograms, std::vector<std::string>{"keepass.exe"});
}

TEST(SettingsMerge, ChangesMadeOnTheDefaultsGoOnTopOfTheFileOnceItIsRead) {
  // Started while settings.txt was held: the defaults stood in, and the user set a shortcut and
  // the update check wrote its time.
  const Settings base;
  Settings changed = base;
  changed.shortcutText = "Alt+Q";
  changed.shortcut = ParseShortcut("Alt+Q");
  SetSettingsValue(changed, "last_update_check", "1700000000");

  const Settings onDisk = ParseSettingsText(
      "toggle_shortcut=Ctrl+Shift+K\r\nexclude=keepass.exe\r\nlast_update_check=1\r\n"
      "paste_threshold=20\r\n# a note\r\n");
  const Settings merged = MergeSettingsChanges(base, changed, onDisk);
  EXPECT_EQ(merged.shortcutText, "Alt+Q");
  EXPECT_EQ(merged.excludedPrograms, std::vector<std::string>{"keepass.exe"});
  EXPECT_EQ(FormatSettingsText(merged.shortcutText, merged.otherLines),
            "toggle_shortcut=Alt+Q\r\nexclude=keepass.exe\r\nlast_update_check=1700000000\r\n"
            "paste_threshold=20\r\n# a note\r\n");
}

TEST(SettingsMerge, NothingChangedGivesTheFileAsItIs) {
  const Settings onDisk = ParseSettingsText("toggle_shortcut=Alt+Q\r\nexclude=a.exe\r\nz\r\n");
  const Settings merged = MergeSettingsChanges(Settings(), Settings(), onDisk);
  EXPECT_EQ(FormatSettingsText(merged.shortcutText, merged.otherLines),
            FormatSettingsText(onDisk.shortcutText, onDisk.otherLines));
}

TEST(SettingsMerge, OverlayTakesOnlyTheGivenKeysAndKeepsTheirPlaceInTheFile) {
  const Settings onDisk = ParseSettingsText(
      "# mine\r\nexclude=a.exe\r\npaste_threshold=20\r\nexclude=b.exe\r\nz=1\r\n");
  Settings ours = ParseSettingsText("toggle_shortcut=Alt+Q\r\nexclude=c.exe\r\nz=2\r\n");
  const Settings merged = OverlaySettings(onDisk, ours, {"exclude", "toggle_shortcut"});
  EXPECT_EQ(FormatSettingsText(merged.shortcutText, merged.otherLines),
            "toggle_shortcut=Alt+Q\r\n# mine\r\nexclude=c.exe\r\npaste_threshold=20\r\nz=1\r\n");
  EXPECT_EQ(merged.excludedPrograms, std::vector<std::string>{"c.exe"});
  EXPECT_EQ(ChangedSettingsKeys(onDisk, ours),
            (std::vector<std::string>{"toggle_shortcut", "exclude", "paste_threshold", "z"}));
}

TEST(SettingsValues, LastLineOfAKeyCountsAndSettingOneLeavesOthersInPlace) {
  Settings settings = ParseSettingsText("a=1\r\nb=2\r\na=3\r\nc\r\n");
  EXPECT_EQ(SettingsValue(settings, "a"), "3");
  EXPECT_EQ(SettingsValue(settings, "c"), std::nullopt);
  EXPECT_EQ(SettingsValue(settings, "z"), std::nullopt);

  SetSettingsValue(settings, "a", "9");
  SetSettingsValue(settings, "z", "new");
  EXPECT_EQ(settings.otherLines, (std::vector<std::string>{"a=9", "b=2", "c", "z=new"}));
}

TEST(SettingsValues, ValueWithLineEndIsRefusedOnSave) {
  TempDir dir;
  WriteBytes(dir / SettingsFileName, "toggle_shortcut=Alt+Q\r\n");
  Settings settings = LoadSettings(dir / SettingsFileName);
  SetSettingsValue(settings, "note", "two\nlines");
  EXPECT_FALSE(SaveSettings(dir / SettingsFileName, settings));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName), "toggle_shortcut=Alt+Q\r\n");
}

TEST(SettingsFile, MegabyteLineLoadsWithItsTextKept) {
  TempDir dir;
  std::string value = "Ctrl+" + std::string(1024 * 1024, 'x') + "+K";
  WriteBytes(dir / SettingsFileName, "toggle_shortcut=" + value);
  Settings settings = LoadSettings(dir / SettingsFileName);
  EXPECT_EQ(settings.shortcutText, value);
  EXPECT_EQ(settings.shortcut, (Shortcut{ModifierCtrl, 0x4B}));
}

TEST(SettingsFile, FileBeyondTheReadLimitIsNotReadAndCountsAsUnreadable) {
  TempDir dir;
  std::string text = "toggle_shortcut=Alt+Q\r\n" + std::string(SettingsReadLimit, '#') +
                     "\r\ntoggle_shortcut=Ctrl+W\r\n";
  WriteBytes(dir / SettingsFileName, text);
  // A part of it saved back would drop the rest: it is not read at all, nor written over.
  const SettingsRead read = ReadSettingsFile(dir / SettingsFileName);
  EXPECT_EQ(read.status, SettingsRead::Status::Unreadable);
  EXPECT_EQ(read.settings.shortcutText, "Ctrl+Shift+F12");
}

TEST(SettingsFile, FolderInPlaceOfTheFileGivesDefaults) {
  TempDir dir;
  std::filesystem::create_directory(dir / SettingsFileName);
  EXPECT_EQ(LoadSettings(dir / SettingsFileName).shortcutText, "Ctrl+Shift+F12");
}

TEST(SettingsFile, SaveIntoMissingFolderReportsFailure) {
  TempDir dir;
  SaveResult result = SaveSettings(dir / "no-such-folder" / SettingsFileName, "Alt+Q");
  EXPECT_FALSE(result);
  EXPECT_FALSE(result.error.empty());
}

TEST(SettingsFile, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
  TempDir dir;
  // A non-empty folder where the file should go: the final replacement step must fail.
  std::filesystem::create_directory(dir / SettingsFileName);
  WriteBytes(dir / SettingsFileName / "inside", "old");
  EXPECT_FALSE(SaveSettings(dir / SettingsFileName, "Alt+Q"));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName / "inside"), "old");
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_EQ(entry.path().filename(), SettingsFileName);
  }
}

TEST(SettingsFile, TextThatWouldNotReadBackIsRefused) {
  TempDir dir;
  WriteBytes(dir / SettingsFileName, "toggle_shortcut=Alt+Q\r\n");
  EXPECT_FALSE(SaveSettings(dir / SettingsFileName, "Alt+Q\ntoggle_shortcut=Ctrl+W"));
  EXPECT_FALSE(SaveSettings(dir / SettingsFileName, "Alt+\x1AQ"));
  EXPECT_EQ(ReadBytes(dir / SettingsFileName), "toggle_shortcut=Alt+Q\r\n");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
