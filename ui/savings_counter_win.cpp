#include "ui/savings_counter_win.h"

#include <utility>

#include "util/wide_text_win.h"

namespace tarquel {

namespace {

std::string Today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return DayText(now.wYear, now.wMonth, now.wDay);
}

}  // namespace

SavingsCounter::SavingsCounter(std::filesystem::path file, BackgroundSaves& saves)
    : file_(std::move(file)), saves_(saves) {
  // A few short lines, read on the window's thread as settings.txt is.
  shown_ = ReadStatsFile(file_);
}

void SavingsCounter::Count(std::size_t sent, std::size_t typed) {
  const std::string today = Today();
  const std::uint64_t characters = CharactersSaved(sent, typed);
  CountExpansion(shown_, today, characters);
  {
    const std::lock_guard lock(added_->mutex);
    CountExpansion(added_->counts, today, characters);
  }
  SaveAdded();
  Show(wordsPerMinute_);
}

void SavingsCounter::Show(int wordsPerMinute) {
  wordsPerMinute_ = wordsPerMinute;
  if (line_ != nullptr) {
    SetWindowTextW(line_, Wide(SavingsLine(shown_, Today(), wordsPerMinute_)).c_str());
  }
}

void SavingsCounter::SaveAdded() {
  saves_.Submit(StatsFileName, [file = file_, added = added_]() -> std::string {
    SavingStats counts;
    {
      const std::lock_guard lock(added->mutex);
      counts = std::exchange(added->counts, {});
    }
    if (counts.totalExpansions == 0) return {};
    if (!AddToStatsFile(file, counts)) {
      // Only counts: no need to trouble the user. They go with the next save, ahead of what
      // was counted meanwhile.
      const std::lock_guard lock(added->mutex);
      added->counts = AddCounts(std::move(counts), added->counts);
    }
    return {};
  });
}

}  // namespace tarquel
