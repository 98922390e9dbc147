#include "update/version_file.h"

#include <gtest/gtest.h>

#include <string>

#include "update/program_version.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using namespace std::string_literals;

struct BodyCase {
  const char* name;
  std::string body;
  bool hasLineFeed;
  std::string version;
  std::string link;
  bool isNew;
};

void PrintTo(const BodyCase& row, std::ostream* out) {
  *out << row.name;
}

class ParseVersionFileTest : public ::testing::TestWithParam<BodyCase> {};

TEST_P(ParseVersionFileTest, GivesTheVersionTheLinkAndWhetherItIsNew) {
  const BodyCase& row = GetParam();
  VersionFile file = ParseVersionFile(row.body);
  EXPECT_EQ(file.hasLineFeed, row.hasLineFeed);
  EXPECT_EQ(file.version, row.version);
  EXPECT_EQ(file.link, row.link);
  EXPECT_EQ(file.isNew, row.isNew);
}

const std::string Link = "https://example.org/tarquel/download";
// The program's own version; the published ones in the rows lie far above any it will have,
// so that only what a row is about makes one not new.
const std::string Own(ProgramVersion);

INSTANTIATE_TEST_SUITE_P(
    Bodies, ParseVersionFileTest,
    ::testing::Values(
        BodyCase{"CrLfAfterVersionAndLink", "9.1.0\r\n" + Link + "\r\n", true, "9.1.0", Link, true},
        BodyCase{"LineFeedOnly", "9.0.1\n" + Link, true, "9.0.1", Link, true},
        BodyCase{"OwnVersionIsNotNew", Own + "\r\n" + Link + "\r\n", true, Own, Link, false},
        BodyCase{"OlderVersionIsNotNew", "0.9.0\n" + Link, true, "0.9.0", Link, false},
        BodyCase{"NoLineFeedIsNoVersionFile", "9.0.1", false, "", "", false},
        BodyCase{"EmptyBody", "", false, "", "", false},
        BodyCase{"CarriageReturnsAloneDoNotEndTheLine", "9.0.1\r" + Link + "\r", false, "", "",
                 false},
        BodyCase{"EmptyFirstLineIsNotNew", "\n" + Link, true, "", Link, false},
        BodyCase{"FirstLineOfOnlyCarriageReturnIsNotNew", "\r\n" + Link, true, "", Link, false},
        BodyCase{"OnlyOneCarriageReturnLeavesNoVersionNumber", "9.0.1\r\r\n" + Link, true,
                 "9.0.1\r", Link, false},
        BodyCase{"TrailingSpaceLeavesOwnVersion", Own + " \n" + Link, true, Own + " ", Link, false},
        BodyCase{"ByteOrderMarkMakesNoVersionNumber",
                 "\xEF\xBB\xBF"
                 "1.0.0\r\n" +
                     Link,
                 true,
                 "\xEF\xBB\xBF"
                 "1.0.0",
                 Link, false},
        BodyCase{"LetterInFrontIsNoVersionNumber", "v9.0.1\n" + Link, true, "v9.0.1", Link, false},
        BodyCase{"TenthPatchIsNewerThanNinth", "9.0.10\n" + Link, true, "9.0.10", Link, true},
        BodyCase{"HtmlErrorPageWithStatusOkIsNotNew",
                 "<!DOCTYPE html>\n<html><body>Service unavailable</body></html>\n", true,
                 "<!DOCTYPE html>", "<html><body>Service unavailable</body></html>", false},
        BodyCase{"NothingAfterTheLineFeedGivesAnEmptyLink", "9.2.0\n", true, "9.2.0", "", true},
        BodyCase{"FurtherLinesBelongToTheLink", "9.2.0\n" + Link + "\nmore text\r\n", true, "9.2.0",
                 Link + "\nmore text", true},
        BodyCase{"LinkLosesTrailingSpacesAndLineEndsButKeepsLeadingSpaces",
                 "9.2.0\n  " + Link + " \r\n \r\n", true, "9.2.0", "  " + Link, true},
        BodyCase{"ZeroByteEndsTheLink", "9.0.1\n" + Link + "\0garbage\n"s, true, "9.0.1", Link,
                 true},
        BodyCase{"ZeroByteBeforeTheLineFeedLeavesNoLine", "9.0.1\0\n"s + Link, false, "", "",
                 false},
        BodyCase{"ZeroByteRightAfterTheLineFeedLeavesNoLink", "9.0.1\n\0"s + Link, true, "9.0.1",
                 "", true},
        BodyCase{"LeadingZeroByteLeavesNothing",
                 "\0"
                 "9.0.1\n"s +
                     Link,
                 false, "", "", false},
        BodyCase{"LinkLongerThanOneReadStaysWhole", "9.0.1\n" + std::string(3000, 'a'), true,
                 "9.0.1", std::string(3000, 'a'), true},
        BodyCase{"BodyOfExactlyTheLimitIsRead",
                 "9.0.1\n" + std::string(MaxVersionFileSize - 6, 'a'), true, "9.0.1",
                 std::string(MaxVersionFileSize - 6, 'a'), true},
        BodyCase{"BodyOneByteOverTheLimitIsNoVersionFile",
                 "9.0.1\n" + std::string(MaxVersionFileSize - 5, 'a'), false, "", "", false},
        BodyCase{"MegabyteOfTextIsNoVersionFile", "9.0.1\n" + std::string(1 << 20, 'a'), false, "",
                 "", false}),
    [](const ::testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
