#pragma once

#include <string_view>

#include "RoTypes/Date.h"

namespace kestal::platform {

// Takes the locale from the environment (setlocale(LC_ALL, "")); call once at start.
void InitLocale();
// The LC_TIME locale's short date format, reduced to its order and separator.
DateFormat SystemShortDateFormat();
// A strftime date format such as D_FMT reduced to the order of its day, month
// and year and the separator after its first field ("%d.%m.%Y" gives
// DayMonthYear and "."). A format without the three fields, or with no usable
// separator, gives what the C locale has: MonthDayYear and "/".
DateFormat ReduceDateFormat(std::string_view format);
// The LC_NUMERIC locale's decimal point.
char SystemDecimalSeparator();

}  // namespace kestal::platform
