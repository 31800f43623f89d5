#pragma once

#include <string>

#include "FReport/Netmail.h"
#include "Logger/Log.h"
#include "Pkt/ScanContext.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "Platform/RunLock.h"
#include "RoConfig/Config.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Password.h"
#include "RoTypes/Rule.h"
#include "RoTypes/RunCounters.h"
#include "RoTypes/Settings.h"

namespace kestal {

struct Run;

// Mails logged errors to the sysop when ReportError is on.
class ErrorMailer final : public ErrorReporter {
 public:
  explicit ErrorMailer(Run& run) : run_(run) {}
  void ReportError(const std::string& line) override;

 private:
  Run& run_;
};

struct Switches {
  bool ExpireRequested = false;  // -D, or RemoveOldRo=Yes
  bool EchoStatsRequested = false;
  std::string EchoStatsArgument;
  bool NameStatsRequested = false;
  std::string NameStatsArgument;
};

// Everything that lives for one run, owned here and handed to each part of
// the program as the narrow context it needs (ForConfig, ForScan, ...).
//
// Who sets what, and from when it holds:
// - StartDir, ExeDir, ConfigPath, StartTime: start-up, before the switches
//   (-C replaces ConfigPath).
// - Day: start-up from the clock and the system's date format; the
//   configuration reader sets it again for the program's own format.
// - Switch: the command line, then RemoveOldRo.
// - Config, Lang, Own, Passwords, Rules: the configuration reader; read-only
//   from the first packet on.
// - Carried: the configuration reader (KestalName), then every caught message
//   that is reported; expiry reads the sender name.
// - Traffic: set up before the first packet; the day's list grows with every
//   caught message and is saved by the finish sequence.
// - Counters, Progress: the packet pass; the summary reads the counters.
// - PreparedRules: PrepareRules, once the rules are read and before the
//   packet pass; it answers for those rules only.
// - Netmail: state of the report writer, valid for the directories it was
//   made for.
struct Run {
  Run(platform::Clock& clock, platform::Console& console,
      const platform::FileSystem& files = platform::FileSystem());
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  platform::Clock& Clock;
  platform::Console& Console;
  const platform::FileSystem Files;

  std::string StartDir;
  std::string ExeDir;  // without a trailing "/"
  std::string ConfigPath;
  std::string ConfigText;  // the configuration's bytes as read: expiry rewrites only those
  TDateTime StartTime;
  RunDay Day;

  Switches Switch;
  Settings Config;
  OwnAddresses Own;
  PasswordList Passwords;
  RuleList Rules;
  RuleSet PreparedRules;
  LangFile Lang;
  Logger Log;
  TrafficState Traffic;
  NetmailState Netmail;
  ReportCarryOver Carried;

  RunCounters Counters;
  ScanProgress Progress;
  platform::RunLock Lock;  // from the configuration's reading to the end of the run

  // Prepares the rules for the packet pass; a failure to compile their text
  // masks into one search is logged, and the run goes on with the same results.
  void PrepareRules();

  ConfigContext ForConfig();
  ReportContext ForReports();
  TrafficContext ForTraffic();
  ScanContext ForScan();
  StatisticsContext ForStatistics();

 private:
  ErrorMailer mailer_{*this};
};

}  // namespace kestal
