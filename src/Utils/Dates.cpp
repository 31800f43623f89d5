#include "Utils/Dates.h"

#include <array>
#include <cstdio>
#include <vector>

namespace kestal {

namespace {

constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
constexpr int kCenturyWindow = 50;
constexpr size_t kMaxNumberDigits = 4;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::string TwoDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%02d", value);
  return buffer;
}

std::string FourDigits(int value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d", value);
  return buffer;
}

// The last two digits of the year, also for years before 0 (never from a clock).
std::string ShortYear(int year) { return TwoDigits((year % 100 + 100) % 100); }

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

struct DateNumber {
  int value = 0;
  size_t digits = 0;
};

// One to four decimal digits, blanks around them allowed.
std::optional<DateNumber> ParseDateNumber(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty() || text.size() > kMaxNumberDigits) return std::nullopt;
  DateNumber number;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number.value = number.value * 10 + (c - '0');
  }
  number.digits = text.size();
  return number;
}

std::optional<std::vector<DateNumber>> SplitDateNumbers(std::string_view text, char separator) {
  std::vector<DateNumber> numbers;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    const std::optional<DateNumber> number = ParseDateNumber(text.substr(start, end - start));
    if (!number || numbers.size() == 3) return std::nullopt;
    numbers.push_back(*number);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  if (numbers.size() < 2) return std::nullopt;
  return numbers;
}

// A year of one or two digits lies in the 100 years that begin 50 years ago.
int WindowedYear(const DateNumber& year, int currentYear) {
  if (year.digits > 2) return year.value;
  const int windowStart = currentYear - kCenturyWindow;
  int full = windowStart / 100 * 100 + year.value;
  if (full < windowStart) full += 100;
  return full;
}

}  // namespace

bool IsValidDate(const TDate& date) {
  return date.Year >= kMinYear && date.Year <= kMaxYear && date.Month >= 1 && date.Month <= 12 &&
         date.Day >= 1 && date.Day <= DaysInMonth(date.Year, date.Month);
}

// Civil-calendar day counting after Howard Hinnant's public-domain algorithms.
int64_t DaysFromCivil(const TDate& date) {
  const int64_t year = date.Year - (date.Month <= 2 ? 1 : 0);
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (date.Month + (date.Month > 2 ? -3 : 9)) + 2) / 5 + date.Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

TDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  TDate date;
  date.Day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  date.Month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  date.Year = static_cast<int>(yearOfEra + era * 400 + (date.Month <= 2 ? 1 : 0));
  return date;
}

TDate AddDays(const TDate& date, int days) { return CivilFromDays(DaysFromCivil(date) + days); }

std::string FormatDate(const TDate& date, const DateFormat& format) {
  const std::string day = TwoDigits(date.Day);
  const std::string month = TwoDigits(date.Month);
  const std::string year = FourDigits(date.Year);
  const std::string separator(1, format.Separator);
  switch (format.Order) {
    case DateOrder::MonthDayYear: return month + separator + day + separator + year;
    case DateOrder::YearMonthDay: return year + separator + month + separator + day;
    case DateOrder::DayMonthYear: break;
  }
  return day + separator + month + separator + year;
}

std::optional<TDate> ParseDate(std::string_view text, const DateFormat& format, int currentYear) {
  const std::optional<std::vector<DateNumber>> numbers = SplitDateNumbers(text, format.Separator);
  if (!numbers) return std::nullopt;
  const std::vector<DateNumber>& n = *numbers;
  const bool withYear = n.size() == 3;
  TDate date;
  switch (format.Order) {
    case DateOrder::DayMonthYear:
      date = {withYear ? WindowedYear(n[2], currentYear) : currentYear, n[1].value, n[0].value};
      break;
    case DateOrder::MonthDayYear:
      date = {withYear ? WindowedYear(n[2], currentYear) : currentYear, n[0].value, n[1].value};
      break;
    case DateOrder::YearMonthDay:
      date = withYear ? TDate{WindowedYear(n[0], currentYear), n[1].value, n[2].value}
                      : TDate{currentYear, n[0].value, n[1].value};
      break;
  }
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::string FormatDotDate(const TDate& date) {
  return FormatDate(date, DateFormat{DateOrder::DayMonthYear, '.'});
}

std::string FormatClockTime(const TDateTime& time) {
  return TwoDigits(time.Hour) + ":" + TwoDigits(time.Minute) + ":" + TwoDigits(time.Second);
}

std::string FormatCompactDate(const TDate& date) {
  return FourDigits(date.Year) + TwoDigits(date.Month) + TwoDigits(date.Day);
}

std::string_view MonthAbbreviation(int month) {
  static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
  // Keeps the fixed widths of the date-time forms even for a month no clock gives.
  if (month < 1 || month > 12) return "???";
  return kMonths.substr(static_cast<size_t>(month - 1) * 3, 3);
}

std::string FormatMessageDateTime(const TDateTime& time) {
  return TwoDigits(time.Date.Day) + " " + std::string(MonthAbbreviation(time.Date.Month)) + " " +
         ShortYear(time.Date.Year) + "  " + FormatClockTime(time);
}

std::string FormatLogDateTime(const TDateTime& time) {
  return TwoDigits(time.Date.Day) + " " + std::string(MonthAbbreviation(time.Date.Month)) + " " +
         FourDigits(time.Date.Year) + " " + FormatClockTime(time);
}

}  // namespace kestal
