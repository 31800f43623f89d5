#pragma once

#include <string>

#include "Platform/Console.h"
#include "Platform/Files.h"
#include "RoTypes/Date.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Settings.h"

namespace kestal {

// What building the statistics reports needs. They read the traffic files
// afresh, whatever the run counted.
struct StatisticsContext {
  const Settings& Config;
  const LangFile& Lang;
  platform::Console& Console;
  const platform::FileSystem& Files;
  const TDate& StartDay;  // periods count back from it
  const TDate& Today;     // traffic dates without a year take its year
  const DateFormat& DateFmt;
};

// The echo statistics report (-S) over the period text; false when it was due
// but could not be written (the console tells why).
bool BuildEchoStatistics(const StatisticsContext& context, const std::string& period);
// The name statistics report (-E) over the period text; false as above.
bool BuildNameStatistics(const StatisticsContext& context, const std::string& period);

}  // namespace kestal
