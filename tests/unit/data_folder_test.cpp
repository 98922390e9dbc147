#include "settings/data_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

std::filesystem::path Program() {
#ifdef _WIN32
  return std::filesystem::path(L"C:\\Users\\jane\\AppData\\Local\\Programs\\Tarquel");
#else
  return "/home/jane/tarquel";
#endif
}

std::filesystem::path Synced() {
#ifdef _WIN32
  return std::filesystem::path(L"C:\\Users\\jane\\OneDrive\\Tarquel");
#else
  return "/home/jane/OneDrive/Tarquel";
#endif
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(DataFolder, IsTheProgramsOwnWithoutALineOrWithAnEmptyOne) {
  EXPECT_EQ(DataFolderOf(ParseSettingsText("toggle_shortcut=Ctrl+Shift+F12\r\n"), Program()),
            Program());
  EXPECT_EQ(DataFolderOf(ParseSettingsText("data_folder=\r\n"), Program()), Program());
  EXPECT_EQ(DataFolderOf(ParseSettingsText("data_folder=   \r\n"), Program()), Program());
}

TEST(DataFolder, IsTheFolderTheLineNames) {
  const Settings settings = ParseSettingsText("data_folder=" + Utf8(Synced()) + " \r\n");
  EXPECT_EQ(DataFolderOf(settings, Program()), Synced());
}

TEST(DataFolder, ARelativeFolderIsTakenFromTheProgramsFolder) {
  const Settings settings = ParseSettingsText("data_folder=shared\r\n");
  EXPECT_EQ(DataFolderOf(settings, Program()), Program() / "shared");
}

TEST(DataFolder, KeepsANameOutsideTheAsciiRange) {
  // "Données" in UTF-8, as settings.txt holds it.
  const std::string name =
      "Donn\xC3\xA9"
      "es";
  const Settings settings =
      ParseSettingsText("data_folder=" + Utf8(Synced()) + "/" + name + "\r\n");
  EXPECT_EQ(Utf8(DataFolderOf(settings, Program()).filename()), name);
}

TEST(DataFolder, TheValueWrittenReadsBackAsTheFolderChosen) {
  for (const std::filesystem::path& chosen : {Synced(), Program() / "shared"}) {
    Settings settings = ParseSettingsText("");
    SetSettingsValue(settings, DataFolderKey, DataFolderValue(chosen, Program()));
    EXPECT_EQ(DataFolderOf(
                  ParseSettingsText(FormatSettingsText(settings.shortcutText, settings.otherLines)),
                  Program()),
              chosen);
  }
  // The program's own folder is written as no folder, so that it follows the program.
  EXPECT_EQ(DataFolderValue(Program(), Program()), "");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
