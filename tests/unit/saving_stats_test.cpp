#include "settings/saving_stats.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using std::chrono::seconds;

TEST(SavingCount, CountsWhatWentOutLessWhatTheUserTypedOfTheTrigger) {
  // ":demo" typed, "Hello World" sent: six characters the user did not type.
  EXPECT_EQ(CharactersSaved(11, 5), 6u);
  // A trigger longer than its expansion saved nothing, and costs nothing either.
  EXPECT_EQ(CharactersSaved(2, 5), 0u);
  EXPECT_EQ(CharactersSaved(5, 5), 0u);
}

TEST(SavingCount, AddsToTodayAndToTheTotal) {
  SavingStats stats;
  CountExpansion(stats, "2026-12-10", 6);
  CountExpansion(stats, "2026-12-10", 20);
  EXPECT_EQ(stats, (SavingStats{"2026-12-10", 2, 26, 2, 26}));
}

TEST(SavingCount, StartsTodayAgainOnANewDayAndKeepsTheTotal) {
  SavingStats stats{"2026-12-09", 4, 100, 9, 300};
  CountExpansion(stats, "2026-12-10", 6);
  EXPECT_EQ(stats, (SavingStats{"2026-12-10", 1, 6, 10, 306}));
  // Seen the next day without an expansion: nothing today, the total as it was.
  EXPECT_EQ(AsOf(stats, "2026-12-11"), (SavingStats{"2026-12-10", 0, 0, 10, 306}));
  EXPECT_EQ(AsOf(stats, "2026-12-10"), stats);
}

TEST(SavingCount, PutsCountsGatheredSinceTheLastSaveOnTopOfTheFile) {
  const SavingStats stored{"2026-12-10", 3, 30, 50, 900};
  // The same day: both add.
  EXPECT_EQ(AddCounts(stored, {"2026-12-10", 1, 6, 1, 6}),
            (SavingStats{"2026-12-10", 4, 36, 51, 906}));
  // A later day: today's counts are the new day's alone.
  EXPECT_EQ(AddCounts(stored, {"2026-12-11", 2, 8, 3, 14}),
            (SavingStats{"2026-12-11", 2, 8, 53, 914}));
  // An older day (the clock went back): its today counts do not replace the newer ones.
  EXPECT_EQ(AddCounts(stored, {"2026-12-01", 1, 6, 1, 6}),
            (SavingStats{"2026-12-10", 3, 30, 51, 906}));
  // A file without counts yet.
  EXPECT_EQ(AddCounts({}, {"2026-12-10", 1, 6, 1, 6}), (SavingStats{"2026-12-10", 1, 6, 1, 6}));
}

TEST(StatsFile, ReadsBackWhatItWrote) {
  const SavingStats stats{"2026-12-10", 3, 30, 50, 900};
  const std::string text = FormatStatsText(stats);
  EXPECT_EQ(ParseStatsText(text), stats);
  // Counts only: nothing but the five keys.
  EXPECT_EQ(text,
            "day=2026-12-10\r\ntoday_expansions=3\r\ntoday_characters=30\r\n"
            "total_expansions=50\r\ntotal_characters=900\r\n");
}

TEST(StatsFile, ADamagedFileCostsOnlyTheCountsItDamaged) {
  struct Case {
    std::string text;
    SavingStats expected;
  };
  const Case cases[] = {
      {"", {}},
      {"\x00\xFF garbage\n", {}},
      // A count that is no number is nothing; the others stand.
      {"day=2026-12-10\ntoday_expansions=x\ntoday_characters=30\ntotal_expansions=50\n"
       "total_characters=-4\n",
       {"2026-12-10", 0, 30, 50, 30}},
      // A day that is no date takes today's counts with it.
      {"day=yesterday\ntoday_expansions=3\ntoday_characters=30\ntotal_expansions=50\n"
       "total_characters=900\n",
       {"", 0, 0, 50, 900}},
      // No day at all: the same.
      {"today_expansions=3\ntotal_expansions=50\n", {"", 0, 0, 50, 0}},
      // A total below today is raised to it.
      {"day=2026-12-10\ntoday_expansions=7\ntotal_expansions=2\n", {"2026-12-10", 7, 0, 7, 0}},
      // Blanks around, unknown keys, no final line end, a number beyond any count.
      {" total_expansions = 12 \nwho=me\ntotal_characters=99999999999999999999999",
       {"", 0, 0, 12, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseStatsText(c.text), c.expected) << c.text;
}

class StatsFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() /
        ("tarquel_stats_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    file_ = folder_ / StatsFileName;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Contents() const {
    std::ifstream in(file_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Write(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }

  std::filesystem::path folder_;
  std::filesystem::path file_;
};

TEST_F(StatsFileOnDisk, AMissingFileStartsFromNothing) {
  EXPECT_EQ(ReadStatsFile(file_), SavingStats{});
  ASSERT_TRUE(AddToStatsFile(file_, {"2026-12-10", 1, 6, 1, 6}));
  EXPECT_EQ(ReadStatsFile(file_), (SavingStats{"2026-12-10", 1, 6, 1, 6}));
}

TEST_F(StatsFileOnDisk, AddsToWhatTheFileHoldsNowNotToWhatItHeldAtStart) {
  ASSERT_TRUE(AddToStatsFile(file_, {"2026-12-10", 1, 6, 1, 6}));
  // Another save (or a hand edit) meanwhile: its counts stay.
  Write(FormatStatsText({"2026-12-10", 5, 50, 40, 400}));
  ASSERT_TRUE(AddToStatsFile(file_, {"2026-12-10", 1, 6, 1, 6}));
  EXPECT_EQ(ReadStatsFile(file_), (SavingStats{"2026-12-10", 6, 56, 41, 406}));
}

TEST_F(StatsFileOnDisk, ADamagedFileIsWrittenOverWithWhatCouldBeRead) {
  Write("total_expansions=10\ntotal_characters=oops\n");
  ASSERT_TRUE(AddToStatsFile(file_, {"2026-12-10", 1, 6, 1, 6}));
  EXPECT_EQ(Contents(), FormatStatsText({"2026-12-10", 1, 6, 11, 6}));
}

TEST_F(StatsFileOnDisk, AFileThatCannotBeOpenedIsLeftAloneAndSaysItIsBusy) {
  Write(FormatStatsText({"2026-12-10", 5, 50, 40, 400}));
  const FileReader held = [](const std::filesystem::path&, std::size_t) {
    return FileRead{FileRead::Status::Unopened, {}};
  };
  const SaveResult result = AddToStatsFile(file_, {"2026-12-10", 1, 6, 1, 6}, held);
  EXPECT_FALSE(result);
  EXPECT_TRUE(result.busy);
  EXPECT_EQ(ReadStatsFile(file_), (SavingStats{"2026-12-10", 5, 50, 40, 400}));
}

TEST(TypingSpeed, IsFortyWordsAMinuteUnlessSettingsSayAnotherUsableNumber) {
  Settings settings;
  EXPECT_EQ(ReadTypingSpeed(settings), 40);
  for (const auto& [value, expected] :
       std::initializer_list<std::pair<const char*, int>>{{"60", 60},
                                                          {" 25 ", 25},
                                                          {"1", 1},
                                                          {"1000", 1000},
                                                          {"0", 40},
                                                          {"1001", 40},
                                                          {"fast", 40},
                                                          {"-5", 40},
                                                          {"", 40}}) {
    SetSettingsValue(settings, TypingSpeedKey, value);
    EXPECT_EQ(ReadTypingSpeed(settings), expected) << value;
  }
}

TEST(TypingSpeed, TimeIsTheCharactersAtFiveToAWord) {
  // 40 words a minute are 200 characters a minute: 200 characters take a minute.
  EXPECT_EQ(TypingTime(200, 40), seconds(60));
  EXPECT_EQ(TypingTime(6, 40), seconds(2));  // 1.8 s
  EXPECT_EQ(TypingTime(0, 40), seconds(0));
  EXPECT_EQ(TypingTime(200, 80), seconds(30));
  EXPECT_EQ(TypingTime(12000, 40), seconds(3600));
}

TEST(TypingSpeed, DurationsReadAsSecondsMinutesOrHours) {
  EXPECT_EQ(FormatDuration(seconds(0)), "0 s");
  EXPECT_EQ(FormatDuration(seconds(59)), "59 s");
  EXPECT_EQ(FormatDuration(seconds(90)), "2 min");
  EXPECT_EQ(FormatDuration(seconds(3599)), "1 h");
  EXPECT_EQ(FormatDuration(seconds(3600 * 3 + 5 * 60)), "3 h 5 min");
}

TEST(SavingsLineText, ShowsTodayAndTheTotalWithTheirTimes) {
  const SavingStats stats{"2026-12-10", 1, 6, 12, 2400};
  EXPECT_EQ(SavingsLine(stats, "2026-12-10", 40),
            "Saved today: 1 expansion, 6 characters (2 s)  \u00B7  in total: 12 expansions, "
            "2400 characters (12 min)");
  // The next day, before any expansion: nothing today.
  EXPECT_EQ(SavingsLine(stats, "2026-12-11", 40)
                .rfind("Saved today: 0 expansions, 0 characters (0 s)", 0),
            0u);
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
