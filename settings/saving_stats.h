#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "settings/settings_file.h"
#include "util/file_io.h"

namespace tarquel {

// What Tarquel saved the user: how many expansions went out and how many characters it typed
// instead of the user, today and since counting began. Only counts: never a trigger or a text.
// Kept in stats.txt beside settings.txt as key=value lines.
inline constexpr const char* StatsFileName = "stats.txt";
inline constexpr std::size_t StatsReadLimit = 64 * 1024;

struct SavingStats {
  // The day the `today` counts belong to, "YYYY-MM-DD" in local time; empty: none yet.
  std::string day;
  std::uint64_t todayExpansions = 0;
  std::uint64_t todayCharacters = 0;
  std::uint64_t totalExpansions = 0;
  std::uint64_t totalCharacters = 0;
  friend bool operator==(const SavingStats&, const SavingStats&) = default;
};

// The characters Tarquel typed instead of the user for one expansion: what went out, less
// what the user typed of the trigger (the trigger's characters and the ending it swallowed);
// nothing when the trigger was the longer.
std::uint64_t CharactersSaved(std::size_t sentCharacters, std::size_t triggerCharacters);

// "YYYY-MM-DD".
std::string DayText(int year, int month, int day);

// One expansion of `characters` saved on `today`: today's counts start again on a new day.
void CountExpansion(SavingStats& stats, std::string_view today, std::uint64_t characters);
// `stats` as seen on `today`: its today counts are zero when they belong to another day.
SavingStats AsOf(SavingStats stats, std::string_view today);
// `added` (counts gathered since the last save, with the day their today counts belong to)
// on top of `stored`: totals add; today's counts add on the same day, replace those of an
// older day, and are dropped when they are older than the stored ones (the clock went back).
SavingStats AddCounts(SavingStats stored, const SavingStats& added);

// stats.txt's text. A value that is not a whole number counts as nothing, a day that is not a
// date takes today's counts with it, and unknown lines are ignored: a damaged file costs at most
// the counts it damaged.
SavingStats ParseStatsText(std::string_view text);
std::string FormatStatsText(const SavingStats& stats);

// Reads stats.txt, puts `added` on top and writes it back. A missing, damaged or oversized
// file starts from nothing; one that cannot be opened now is left alone (the result says so,
// busy) so that its counts are not written over.
SaveResult AddToStatsFile(const std::filesystem::path& file, const SavingStats& added,
                          const FileReader& read = ReadFileUpTo);
SavingStats ReadStatsFile(const std::filesystem::path& file, const FileReader& read = ReadFileUpTo);

// `typing_speed=` in settings.txt: the user's typing speed in words a minute, a word being
// five characters.
inline constexpr std::string_view TypingSpeedKey = "typing_speed";
inline constexpr int DefaultTypingSpeed = 40;
inline constexpr int MaxTypingSpeed = 1000;
// The speed settings.txt gives, or the default when it gives none, or a number out of 1 to
// MaxTypingSpeed, or no number.
int ReadTypingSpeed(const Settings& settings);
// How long typing `characters` takes at `wordsPerMinute`, to the nearest second.
std::chrono::seconds TypingTime(std::uint64_t characters, int wordsPerMinute);
// "45 s", "12 min", "3 h 5 min".
std::string FormatDuration(std::chrono::seconds time);

// The main window's line: "Saved today: 3 expansions, 120 characters (36 s) · in total: ...".
std::string SavingsLine(const SavingStats& stats, std::string_view today, int wordsPerMinute);

}  // namespace tarquel
