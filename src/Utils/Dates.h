#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "RoTypes/Date.h"

namespace kestal {

bool IsValidDate(const TDate& date);
// Days since 1 January 1970; negative before it.
int64_t DaysFromCivil(const TDate& date);
TDate CivilFromDays(int64_t days);
TDate AddDays(const TDate& date, int days);

// The date in the given format, with two-digit day and month and four-digit year.
std::string FormatDate(const TDate& date, const DateFormat& format);
// Two or three numbers of one to four digits separated by the format's separator,
// blanks around each allowed; two numbers take the current year; a year of one or
// two digits lies in the 100 years that begin 50 years before the current year.
// Anything else (an empty number, other characters, a day the month lacks) fails.
std::optional<TDate> ParseDate(std::string_view text, const DateFormat& format, int currentYear);

// "dd.mm.yyyy", "hh:nn:ss", "yyyymmdd": the fixed forms of the traffic files.
std::string FormatDotDate(const TDate& date);
std::string FormatClockTime(const TDateTime& time);
std::string FormatCompactDate(const TDate& date);

// English month abbreviation of month 1..12, whatever the locale; "???" for
// any other number, so the date-time forms keep their widths.
std::string_view MonthAbbreviation(int month);
// "dd mmm yy  hh:mm:ss" of stored-message headers (19 characters).
std::string FormatMessageDateTime(const TDateTime& time);
// "dd mmm yyyy hh:mm:ss" of the log (20 characters).
std::string FormatLogDateTime(const TDateTime& time);

}  // namespace kestal
