#include "settings/saving_stats.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>

#include "util/text_lines.h"

namespace tarquel {

namespace {

constexpr std::string_view DayKey = "day";
constexpr std::string_view TodayExpansionsKey = "today_expansions";
constexpr std::string_view TodayCharactersKey = "today_characters";
constexpr std::string_view TotalExpansionsKey = "total_expansions";
constexpr std::string_view TotalCharactersKey = "total_characters";

std::string_view Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
  if (text.empty() || text.size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(digit - '0');
  }
  return value;
}

bool IsDay(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != 4 && i != 7 && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

// Counts that stop at the largest number rather than wrap to a small one.
std::uint64_t Add(std::uint64_t a, std::uint64_t b) {
  return a > std::numeric_limits<std::uint64_t>::max() - b
             ? std::numeric_limits<std::uint64_t>::max()
             : a + b;
}

std::string Plural(std::uint64_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

std::uint64_t CharactersSaved(std::size_t sentCharacters, std::size_t triggerCharacters) {
  return sentCharacters > triggerCharacters ? sentCharacters - triggerCharacters : 0;
}

std::string DayText(int year, int month, int day) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year % 10000, month % 100, day % 100);
  return text;
}

void CountExpansion(SavingStats& stats, std::string_view today, std::uint64_t characters) {
  stats = AsOf(std::move(stats), today);
  stats.day = std::string(today);
  stats.todayExpansions = Add(stats.todayExpansions, 1);
  stats.todayCharacters = Add(stats.todayCharacters, characters);
  stats.totalExpansions = Add(stats.totalExpansions, 1);
  stats.totalCharacters = Add(stats.totalCharacters, characters);
}

SavingStats AsOf(SavingStats stats, std::string_view today) {
  if (stats.day != today) {
    stats.todayExpansions = 0;
    stats.todayCharacters = 0;
  }
  return stats;
}

SavingStats AddCounts(SavingStats stored, const SavingStats& added) {
  stored.totalExpansions = Add(stored.totalExpansions, added.totalExpansions);
  stored.totalCharacters = Add(stored.totalCharacters, added.totalCharacters);
  if (!added.day.empty()) {
    if (added.day == stored.day) {
      stored.todayExpansions = Add(stored.todayExpansions, added.todayExpansions);
      stored.todayCharacters = Add(stored.todayCharacters, added.todayCharacters);
    } else if (stored.day.empty() || added.day > stored.day) {
      stored.day = added.day;
      stored.todayExpansions = added.todayExpansions;
      stored.todayCharacters = added.todayCharacters;
    }
  }
  return stored;
}

SavingStats ParseStatsText(std::string_view text) {
  SavingStats stats;
  bool dayValid = true;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::string_view line = TakeLine(rest);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string_view value = Trim(line.substr(equals + 1));
    if (key == DayKey) {
      dayValid = IsDay(value);
      stats.day = dayValid ? std::string(value) : std::string();
      continue;
    }
    std::uint64_t* count = key == TodayExpansionsKey   ? &stats.todayExpansions
                           : key == TodayCharactersKey ? &stats.todayCharacters
                           : key == TotalExpansionsKey ? &stats.totalExpansions
                           : key == TotalCharactersKey ? &stats.totalCharacters
                                                       : nullptr;
    if (count != nullptr) *count = ParseCount(value).value_or(0);
  }
  if (!dayValid || stats.day.empty()) {
    stats.day.clear();
    stats.todayExpansions = 0;
    stats.todayCharacters = 0;
  }
  // The total holds today: a hand edit or a damaged line must not show less in all than today.
  stats.totalExpansions = std::max(stats.totalExpansions, stats.todayExpansions);
  stats.totalCharacters = std::max(stats.totalCharacters, stats.todayCharacters);
  return stats;
}

std::string FormatStatsText(const SavingStats& stats) {
  std::string text;
  const auto line = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += '=';
    text += value;
    text += "\r\n";
  };
  line(DayKey, stats.day);
  line(TodayExpansionsKey, std::to_string(stats.todayExpansions));
  line(TodayCharactersKey, std::to_string(stats.todayCharacters));
  line(TotalExpansionsKey, std::to_string(stats.totalExpansions));
  line(TotalCharactersKey, std::to_string(stats.totalCharacters));
  return text;
}

SavingStats ReadStatsFile(const std::filesystem::path& file, const FileReader& read) {
  FileRead stored = read(file, StatsReadLimit);
  if (stored.status != FileRead::Status::Read) return {};
  return ParseStatsText(stored.bytes);
}

SaveResult AddToStatsFile(const std::filesystem::path& file, const SavingStats& added,
                          const FileReader& read) {
  FileRead stored = read(file, StatsReadLimit);
  SavingStats base;
  switch (stored.status) {
    case FileRead::Status::Read:
      base = ParseStatsText(stored.bytes);
      break;
    case FileRead::Status::Missing:
    case FileRead::Status::TooLarge:
      // Nothing to keep: no counts file is this large.
      break;
    case FileRead::Status::Unopened:
    case FileRead::Status::Failed:
      return SaveResult::Busy("stats.txt cannot be read now");
  }
  return WriteFileAtomically(file, FormatStatsText(AddCounts(std::move(base), added)));
}

int ReadTypingSpeed(const Settings& settings) {
  const std::optional<std::string> value = SettingsValue(settings, TypingSpeedKey);
  if (!value) return DefaultTypingSpeed;
  const std::optional<std::uint64_t> speed = ParseCount(*value);
  if (!speed || *speed < 1 || *speed > static_cast<std::uint64_t>(MaxTypingSpeed)) {
    return DefaultTypingSpeed;
  }
  return static_cast<int>(*speed);
}

std::chrono::seconds TypingTime(std::uint64_t characters, int wordsPerMinute) {
  if (wordsPerMinute <= 0) wordsPerMinute = DefaultTypingSpeed;
  // Characters a minute: five to a word. Rounded to the nearest second.
  const auto perMinute = static_cast<std::uint64_t>(wordsPerMinute) * 5;
  const std::uint64_t capped = std::min<std::uint64_t>(characters, std::uint64_t{1} << 40);
  return std::chrono::seconds((capped * 60 + perMinute / 2) / perMinute);
}

std::string FormatDuration(std::chrono::seconds time) {
  const auto seconds = static_cast<std::uint64_t>(std::max<std::int64_t>(0, time.count()));
  if (seconds < 60) return std::to_string(seconds) + " s";
  const std::uint64_t minutes = (seconds + 30) / 60;
  if (minutes < 60) return std::to_string(minutes) + " min";
  const std::uint64_t hours = minutes / 60;
  const std::uint64_t rest = minutes % 60;
  std::string text = std::to_string(hours);
  text += " h";
  if (rest != 0) {
    text += ' ';
    text += std::to_string(rest);
    text += " min";
  }
  return text;
}

std::string SavingsLine(const SavingStats& stats, std::string_view today, int wordsPerMinute) {
  const SavingStats now = AsOf(stats, today);
  const auto part = [wordsPerMinute](std::uint64_t expansions, std::uint64_t characters) {
    return Plural(expansions, "expansion", "expansions") + ", " +
           Plural(characters, "character", "characters") + " (" +
           FormatDuration(TypingTime(characters, wordsPerMinute)) + ")";
  };
  return "Saved today: " + part(now.todayExpansions, now.todayCharacters) +
         "  \u00B7  in total: " + part(now.totalExpansions, now.totalCharacters);
}

}  // namespace tarquel
