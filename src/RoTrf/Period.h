#pragma once

#include <string>
#include <string_view>

#include "RoTypes/Date.h"

namespace kestal {

// Days counted back from the run's start day: 0 is that day, 1 the day before.
// First >= Last always.
struct TPeriod {
  int First = 0;
  int Last = 0;
  std::string Text;  // the first day, then "-" and the last when they differ
};

// "a-b" or "a" (an empty or malformed number counts as 0); a period that would
// run backwards is cut to its first day.
TPeriod ParsePeriod(std::string_view text, const TDate& startDay, const DateFormat& format);
// The calendar day `daysBack` days before the run's start day.
TDate PeriodDay(const TDate& startDay, int daysBack);

}  // namespace kestal
