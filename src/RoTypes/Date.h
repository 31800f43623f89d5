#pragma once

#include <compare>

namespace kestal {

// A calendar day without a time part.
struct TDate {
  int Year = 0;
  int Month = 0;  // 1..12
  int Day = 0;    // 1..31

  auto operator<=>(const TDate&) const = default;
};

// A local date and time, as the platform clock gives it.
struct TDateTime {
  TDate Date;
  int Hour = 0;
  int Minute = 0;
  int Second = 0;
  int Millisecond = 0;

  auto operator<=>(const TDateTime&) const = default;
};

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

// The short date format in force: the order of the three numbers and their
// separator. The program's own format is "dd.mm.yyyy".
struct DateFormat {
  DateOrder Order = DateOrder::DayMonthYear;
  char Separator = '.';

  bool operator==(const DateFormat&) const = default;
};

}  // namespace kestal
