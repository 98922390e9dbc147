#include "util/text_case.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

TEST(FoldCase, FoldsLatinGreekAndCyrillicCapitalsToTheirSmallLetters) {
  EXPECT_EQ(FoldText("BTW Stra\u1E9EE \u00C4\u00D6\u00DC \u0152\u0178\u017D"),
            "btw stra\u00DFe \u00E4\u00F6\u00FC \u0153\u00FF\u017E");
  EXPECT_EQ(FoldText("\u039F\u0394\u039F\u03A3 \u0386\u0388\u038F \u03C2"),
            "\u03BF\u03B4\u03BF\u03C3 \u03AC\u03AD\u03CE \u03C3");
  EXPECT_EQ(FoldText("\u041F\u0420\u0418\u0412\u0415\u0422 \u0401\u0404\u0406 \u0490"),
            "\u043F\u0440\u0438\u0432\u0435\u0442 \u0451\u0454\u0456 \u0491");
  // No case: digits, punctuation, CJK, emoji, and a multiplication sign among Latin capitals.
  EXPECT_EQ(FoldText("12 \u00D7 ?! \u4E2D \U0001F600"), "12 \u00D7 ?! \u4E2D \U0001F600");
}

TEST(FoldCase, EveryCapitalWithAOneLetterSmallFormComesBackFromUpperCase) {
  for (char32_t c = 0; c < 0x530; ++c) {
    const char32_t small = FoldCase(c);
    if (small == c || c == 0x130 || c == 0x17F || c == 0x3C2) continue;
    EXPECT_EQ(UpperCase(small), c) << std::hex << static_cast<unsigned>(c);
    EXPECT_TRUE(IsUpperLetter(c)) << std::hex << static_cast<unsigned>(c);
    EXPECT_TRUE(IsLowerLetter(small)) << std::hex << static_cast<unsigned>(c);
  }
}

TEST(CaseShape, CountsCapitalsAndSmallLettersOfEveryScript) {
  const std::pair<std::string_view, CaseShape> rows[] = {
      {"btw", CaseShape::AsWritten},
      {"Btw", CaseShape::Capitalized},
      {"bTw", CaseShape::Capitalized},
      {"BTW", CaseShape::AllCaps},
      {"BTw", CaseShape::AsWritten},
      {":B", CaseShape::Capitalized},
      {"1-2", CaseShape::AsWritten},
      {"\u041F\u0440\u0438\u0432\u0435\u0442", CaseShape::Capitalized},
      {"\u041F\u0420\u0418", CaseShape::AllCaps},
      {"\u039B\u039F\u0393\u039F\u03A3", CaseShape::AllCaps},
      {"\u039B\u03BF\u03B3\u03BF\u03C2", CaseShape::Capitalized},
      // ß is a small letter: capitals around it are not all capitals.
      {"STRA\u00DFE", CaseShape::AsWritten},
      {"STRA\u1E9EE", CaseShape::AllCaps},
  };
  for (const auto& [typed, shape] : rows) EXPECT_EQ(ShapeOf(typed), shape) << typed;
}

TEST(ConformCase, CapitalizesTheFirstLetterOrMakesAllCapitals) {
  EXPECT_EQ(ConformCase("by the way", CaseShape::Capitalized), "By the way");
  EXPECT_EQ(ConformCase("by the way", CaseShape::AllCaps), "BY THE WAY");
  EXPECT_EQ(ConformCase("by the way", CaseShape::AsWritten), "by the way");
  EXPECT_EQ(ConformCase("(see below)", CaseShape::Capitalized), "(See below)");
  // A digit first is the first character of the word: nothing to capitalize.
  EXPECT_EQ(ConformCase("2nd floor", CaseShape::Capitalized), "2nd floor");
  EXPECT_EQ(ConformCase("\u043F\u0440\u0438\u0432\u0435\u0442 \u0451\u0436", CaseShape::AllCaps),
            "\u041F\u0420\u0418\u0412\u0415\u0422 \u0401\u0416");
  EXPECT_EQ(ConformCase("\u03BB\u03CC\u03B3\u03BF\u03C2", CaseShape::AllCaps),
            "\u039B\u038C\u0393\u039F\u03A3");
  EXPECT_EQ(ConformCase("\u03BB\u03CC\u03B3\u03BF\u03C2", CaseShape::Capitalized),
            "\u039B\u03CC\u03B3\u03BF\u03C2");
}

TEST(ConformCase, SharpSBecomesTwoCapitals) {
  EXPECT_EQ(ConformCase("stra\u00DFe", CaseShape::AllCaps), "STRASSE");
  EXPECT_EQ(ConformCase("\u00DF", CaseShape::Capitalized), "Ss");
  EXPECT_EQ(ConformCase("gro\u00DF", CaseShape::Capitalized), "Gro\u00DF");
}

TEST(ConformCase, LeavesBrokenAndWideTextWhole) {
  EXPECT_EQ(ConformCase("ok \U0001F600 \u4E2D", CaseShape::AllCaps), "OK \U0001F600 \u4E2D");
  EXPECT_EQ(ConformCase("a\xFF", CaseShape::AllCaps), "A\uFFFD");
}

TEST(IsLetterOrDigit, LettersOfEveryScriptButNotPunctuationSpacesOrSymbols) {
  for (char32_t c : {U'a', U'Z', U'7', U'\u00E9', U'\u00DF', U'\u044F', U'\u03C9', U'\u05D0',
                     U'\u0627', U'\u4E2D', U'\u3042'}) {
    EXPECT_TRUE(IsLetterOrDigit(c)) << std::hex << static_cast<unsigned>(c);
  }
  for (char32_t c : {U' ', U'-', U'.', U'\u00A0', U'\u00AB', U'\u00D7', U'\u2014', U'\u201C',
                     U'\u20AC', U'\u3001', U'\uFF0C', U'\U0001F600', U'\n'}) {
    EXPECT_FALSE(IsLetterOrDigit(c)) << std::hex << static_cast<unsigned>(c);
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
