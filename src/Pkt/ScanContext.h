#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "FReport/Netmail.h"
#include "Logger/Log.h"
#include "Platform/Console.h"
#include "Pkt/RuleSet.h"
#include "Platform/Files.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Password.h"
#include "RoTypes/RunCounters.h"
#include "RoTypes/Settings.h"

namespace kestal {

// The percentage of the packet bytes scanned, shown in the title.
struct ScanProgress {
  // 64-bit so that an inbound of more than 2 GB cannot overflow them.
  int64_t TotalBytes = 0;    // all packet files found by the first pass
  int64_t ScannedBytes = 0;  // packet files already processed by the second pass
  int Percent = -1;          // the percentage last computed for the title
};

// What one caught message's reports leave for the next ones.
struct ReportCarryOver {
  // The reports' sender: the [General] KestalName until a rule reports a
  // message, then that rule's KestalName, also for the rule-end reports.
  std::string FromName;
  // A rule's UplinkAddress fills in only the parts it gives; the others stay
  // those of the last uplink address.
  TFidoAddr UplinkAddr;
};

// Everything the packet pass reads and changes.
struct ScanContext {
  const Settings& Config;
  const LangFile& Lang;
  const OwnAddresses& Own;
  const PasswordList& Passwords;
  // The rules as read from the configuration, prepared for the run.
  RuleSet& PreparedRules;
  const TDate& Today;
  platform::Console& Console;
  const platform::FileSystem& Files;
  Logger& Log;
  ReportContext Reports;
  TrafficContext Traffic;
  ReportCarryOver& Carried;
  RunCounters& Counters;
  ScanProgress& Progress;
};

// An action that was decided on but did not happen: an error line naming what
// failed and why, counted so that the run ends with its failure code.
void ReportFailure(const ScanContext& context, std::string_view action, const std::string& failure);

}  // namespace kestal
