#include "util/window_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

struct FitCase {
  const char* what;
  std::string utf8;
  std::size_t capacity;
  std::u16string expected;
};

class FitUtf16Cases : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitUtf16Cases, LeavesRoomForTheNulAndNeverSplitsASurrogatePair) {
  const FitCase& c = GetParam();
  const std::u16string fitted = FitUtf16(c.utf8, c.capacity);
  EXPECT_EQ(fitted, c.expected) << c.what;
  if (c.capacity > 0) {
    EXPECT_LT(fitted.size(), c.capacity) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    TrayTips, FitUtf16Cases,
    ::testing::Values(FitCase{"a tip that fits", "Tarquel Active", 128, u"Tarquel Active"},
                      FitCase{"exactly one unit too long", "abcd", 4, u"abc"},
                      FitCase{"Cyrillic counts one unit a letter", "Привет", 5, u"Прив"},
                      FitCase{"an emoji that fits whole", "ab\xF0\x9F\x98\x80", 5, u"ab\U0001F600"},
                      FitCase{"an emoji across the end is dropped whole", "abc\xF0\x9F\x98\x80", 5,
                              u"abc"},
                      FitCase{"no room but for the NUL", "abc", 1, u""},
                      FitCase{"no room at all", "abc", 0, u""}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
