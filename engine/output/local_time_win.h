#pragma once

#include "engine/output/placeholders.h"

namespace tarquel {

// Local time from the system clock.
class WindowsClock final : public Clock {
 public:
  LocalTime Now() const override;
};

// Names and date forms of the user's locale (GetLocaleInfoEx, GetDateFormatEx); English where
// the system gives none.
class WindowsLocaleNames final : public LocaleNames {
 public:
  std::string DayName(int weekday, bool abbreviated) const override;
  std::string MonthName(int month, bool abbreviated) const override;
  std::string ShortDate(const LocalTime& time) const override;
  std::string ShortTime(const LocalTime& time) const override;

 private:
  EnglishNames english_;
};

}  // namespace tarquel
