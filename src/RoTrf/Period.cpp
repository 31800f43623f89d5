#include "RoTrf/Period.h"

#include <algorithm>

#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

// A hundred years back is more than any traffic directory holds; larger numbers
// would make the echo statistics try a file for every day of millions of years.
// Days ahead of the start day hold no traffic, so negative numbers count as 0.
constexpr int kMaxDaysBack = 36525;

int DaysBack(std::string_view text) { return std::clamp(ToIntOrZero(text), 0, kMaxDaysBack); }

}  // namespace

TPeriod ParsePeriod(std::string_view text, const TDate& startDay, const DateFormat& format) {
  TPeriod period;
  size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    period.First = period.Last = DaysBack(text);
  } else {
    period.First = DaysBack(text.substr(0, dash));
    period.Last = std::min(DaysBack(text.substr(dash + 1)), period.First);
  }
  period.Text = FormatDate(PeriodDay(startDay, period.First), format);
  if (period.Last != period.First) {
    period.Text += '-';
    period.Text += FormatDate(PeriodDay(startDay, period.Last), format);
  }
  return period;
}

TDate PeriodDay(const TDate& startDay, int daysBack) { return AddDays(startDay, -daysBack); }

}  // namespace kestal
