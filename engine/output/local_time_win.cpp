#include "engine/output/local_time_win.h"

#include <windows.h>

#include <string>

#include "util/text_encoding.h"

namespace tarquel {

namespace {

SYSTEMTIME AsSystemTime(const LocalTime& time) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wDayOfWeek = static_cast<WORD>(time.weekday);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  // SYSTEMTIME has no leap second.
  system.wSecond = static_cast<WORD>(time.second > 59 ? 59 : time.second);
  return system;
}

std::string FromWide(const wchar_t* text, int lengthWithNul) {
  if (lengthWithNul <= 1) return {};
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text),
                                         static_cast<std::size_t>(lengthWithNul - 1)));
}

std::string LocaleText(LCTYPE type) {
  wchar_t buffer[128];
  int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 128);
  return FromWide(buffer, length);
}

bool IsLeapYear(int year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

}  // namespace

LocalTime WindowsClock::Now() const {
  SYSTEMTIME system;
  GetLocalTime(&system);
  LocalTime time;
  time.year = system.wYear;
  time.month = system.wMonth;
  time.day = system.wDay;
  time.hour = system.wHour;
  time.minute = system.wMinute;
  time.second = system.wSecond;
  time.weekday = system.wDayOfWeek;
  static constexpr int DaysBefore[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  time.yearDay = DaysBefore[(system.wMonth - 1) % 12] + system.wDay - 1 +
                 (system.wMonth > 2 && IsLeapYear(system.wYear) ? 1 : 0);
  return time;
}

std::string WindowsLocaleNames::DayName(int weekday, bool abbreviated) const {
  if (weekday < 0 || weekday > 6) return {};
  // The locale's first day name is Monday's; LocalTime counts from Sunday.
  int index = (weekday + 6) % 7;
  LCTYPE type = static_cast<LCTYPE>((abbreviated ? LOCALE_SABBREVDAYNAME1 : LOCALE_SDAYNAME1) +
                                    static_cast<LCTYPE>(index));
  std::string name = LocaleText(type);
  return name.empty() ? english_.DayName(weekday, abbreviated) : name;
}

std::string WindowsLocaleNames::MonthName(int month, bool abbreviated) const {
  if (month < 1 || month > 12) return {};
  LCTYPE type = static_cast<LCTYPE>((abbreviated ? LOCALE_SABBREVMONTHNAME1 : LOCALE_SMONTHNAME1) +
                                    static_cast<LCTYPE>(month - 1));
  std::string name = LocaleText(type);
  return name.empty() ? english_.MonthName(month, abbreviated) : name;
}

std::string WindowsLocaleNames::ShortDate(const LocalTime& time) const {
  SYSTEMTIME system = AsSystemTime(time);
  wchar_t buffer[128];
  int length = GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, buffer,
                               128, nullptr);
  std::string text = FromWide(buffer, length);
  return text.empty() ? english_.ShortDate(time) : text;
}

std::string WindowsLocaleNames::ShortTime(const LocalTime& time) const {
  SYSTEMTIME system = AsSystemTime(time);
  wchar_t buffer[128];
  int length =
      GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &system, nullptr, buffer, 128);
  std::string text = FromWide(buffer, length);
  return text.empty() ? english_.ShortTime(time) : text;
}

}  // namespace tarquel
