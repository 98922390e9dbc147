#include "update/version_number.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct ParseCase {
  const char* name;
  std::string text;
  std::optional<VersionNumber> number;
};

void PrintTo(const ParseCase& row, std::ostream* out) {
  *out << row.name;
}

class ParseVersionNumberTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseVersionNumberTest, ReadsDotSeparatedNumbersOnly) {
  EXPECT_EQ(ParseVersionNumber(GetParam().text), GetParam().number);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseVersionNumberTest,
    ::testing::Values(
        ParseCase{"ThreeParts", "1.0.10", VersionNumber{1, 0, 10}},
        ParseCase{"OnePart", "2", VersionNumber{2}},
        ParseCase{"LeadingZerosSayNothing", "01.000.09", VersionNumber{1, 0, 9}},
        ParseCase{"BlanksAroundAreAllowed", " \t1.2.3 ", VersionNumber{1, 2, 3}},
        ParseCase{"EighteenDigitsAfterZeros", "0000" + std::string(18, '9'),
                  VersionNumber{999999999999999999u}},
        ParseCase{"NineteenDigitsAreTooMany", std::string(19, '9'), std::nullopt},
        ParseCase{"Empty", "", std::nullopt}, ParseCase{"OnlyBlanks", "  ", std::nullopt},
        ParseCase{"SuffixAfterAPart", "1.0.1-beta", std::nullopt},
        ParseCase{"LetterSuffix", "1.0.1rc1", std::nullopt},
        ParseCase{"LetterInFront", "v1.0.1", std::nullopt},
        ParseCase{"EmptyPartInside", "1..0", std::nullopt},
        ParseCase{"DotAtTheEnd", "1.0.", std::nullopt}, ParseCase{"DotInFront", ".1", std::nullopt},
        ParseCase{"SignIsNoDigit", "+1.0", std::nullopt},
        ParseCase{"CarriageReturnIsNoBlank", "1.0.1\r", std::nullopt},
        ParseCase{"ByteOrderMark",
                  "\xEF\xBB\xBF"
                  "1.0.1",
                  std::nullopt},
        ParseCase{"HtmlPage", "<!DOCTYPE html><html><body>Not found</body></html>", std::nullopt},
        ParseCase{"LongerThanAnyVersion", std::string(40, '1') + "." + std::string(40, '1'),
                  std::nullopt}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

struct NewerCase {
  const char* name;
  std::string published;
  std::string ours;
  bool newer;
};

void PrintTo(const NewerCase& row, std::ostream* out) {
  *out << row.name;
}

class IsNewerVersionTest : public ::testing::TestWithParam<NewerCase> {};

TEST_P(IsNewerVersionTest, ComparesPartByPartAsNumbers) {
  EXPECT_EQ(IsNewerVersion(GetParam().published, GetParam().ours), GetParam().newer);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, IsNewerVersionTest,
    ::testing::Values(NewerCase{"TenIsAfterNine", "1.0.10", "1.0.9", true},
                      NewerCase{"NineIsBeforeTen", "1.0.9", "1.0.10", false},
                      NewerCase{"PatchRelease", "1.0.1", "1.0.0", true},
                      NewerCase{"SameVersion", "1.0.0", "1.0.0", false},
                      NewerCase{"OlderVersion", "0.9.0", "1.0.0", false},
                      NewerCase{"MinorBeatsPatch", "1.1.0", "1.0.99", true},
                      NewerCase{"MissingPartsCountAsZero", "1.0", "1.0.0", false},
                      NewerCase{"ExtraNonZeroPart", "1.0.0.1", "1.0.0", true},
                      NewerCase{"ExtraZeroPart", "1.0.0.0", "1.0.0", false},
                      NewerCase{"ShorterButGreater", "2", "1.9.9", true},
                      NewerCase{"LeadingZerosAreTheSameNumber", "1.0.01", "1.0.1", false},
                      NewerCase{"LeadingZerosDoNotMakeItSmaller", "1.0.010", "1.0.9", true},
                      NewerCase{"SuffixIsNoVersion", "1.0.1-beta", "1.0.0", false},
                      NewerCase{"GarbageIsNoVersion", "<html>", "1.0.0", false},
                      NewerCase{"EmptyIsNoVersion", "", "1.0.0", false},
                      NewerCase{"OursUnreadableOffersNothing", "9.9.9", "dev", false}),
    [](const ::testing::TestParamInfo<NewerCase>& info) { return std::string(info.param.name); });

TEST(CompareVersionNumbers, OrdersBothWays) {
  EXPECT_LT(CompareVersionNumbers({1, 0, 9}, {1, 0, 10}), 0);
  EXPECT_GT(CompareVersionNumbers({1, 0, 10}, {1, 0, 9}), 0);
  EXPECT_EQ(CompareVersionNumbers({1, 2}, {1, 2, 0, 0}), 0);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
