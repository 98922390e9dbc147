#include "settings/ending_characters.h"

#include <gtest/gtest.h>

#include "engine/match/expander.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(EndingCharacters, NoLineGivesAutoHotkeysSet) {
  EXPECT_EQ(ReadEndingCharacters(ParseSettingsText("toggle_shortcut=Ctrl+Shift+F12\r\n")),
            DefaultEndingCharacters);
  EXPECT_EQ(ReadEndingCharacters(ParseSettingsText("ending_characters=  \r\n")),
            DefaultEndingCharacters);
  EXPECT_EQ(EndingCharactersFromText(DefaultEndingCharactersText), DefaultEndingCharacters);
}

TEST(EndingCharacters, NamesStandForTheKeysALineCannotShow) {
  EXPECT_EQ(ReadEndingCharacters(ParseSettingsText("ending_characters={space}{Enter}.,\r\n")),
            " \n.,");
  EXPECT_EQ(EndingCharactersFromText("{TAB}a b"), "\ta b");
  // Braces that name nothing are characters like any other.
  EXPECT_EQ(EndingCharactersFromText("{}{spac}"), "{}{spac}");
  EXPECT_EQ(EndingCharactersFromText("\u00AB\u00BB\u00BF"), "\u00AB\u00BB\u00BF");
}

TEST(EndingCharacters, TheLastLineWins) {
  EXPECT_EQ(ReadEndingCharacters(ParseSettingsText("ending_characters=.\r\n"
                                                   "ending_characters=!\r\n")),
            "!");
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
