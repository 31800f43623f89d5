#include "Platform/Clock.h"

#include <time.h>

namespace kestal::platform {

TDateTime SystemClock::Now() const {
  timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  // localtime_r need not read the time zone at all: read it once per process.
  // Each tzset looks at /etc/localtime again, and a report asks for the time
  // several times.
  static const bool zoneRead = (tzset(), true);
  (void)zoneRead;
  tm local {};
  localtime_r(&now.tv_sec, &local);

  TDateTime result;
  result.Date = {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
  result.Hour = local.tm_hour;
  result.Minute = local.tm_min;
  // A leap second (60) would give an invalid time of day.
  result.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
  result.Millisecond = static_cast<int>(now.tv_nsec / 1000000);
  return result;
}

}  // namespace kestal::platform
