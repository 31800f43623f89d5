#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Password.h"
#include "RoTypes/Rule.h"
#include "RoTypes/Settings.h"
#include "RoTypes/Traffic.h"

namespace kestal {

// Thrown by ExitProgram and FinishRun and caught in main, which returns the code.
struct RunExit {
  int Code;
};

struct RunCounters {
  int32_t PacketsScanned = 0;
  int32_t PacketsBad = 0;
  int32_t PacketsDeleted = 0;
  int32_t NetMailPackets = 0;
  int32_t PacketsPassword = 0;
  int32_t MessagesScanned = 0;
  int32_t MessagesRemoved = 0;
  int32_t NetMailMessages = 0;
  int32_t MessagesCopied = 0;
};

struct Switches {
  bool ExpireRequested = false;
  bool EchoStatsRequested = false;
  std::string EchoStatsArgument;
  bool NameStatsRequested = false;
  std::string NameStatsArgument;
};

struct LogState {
  platform::AppendStream File;  // open from OpenLog to CloseLog when LogLevel > 0
  bool SendingErrorReport = false;  // an error report is being written; no second one
};

struct TrafficState {
  bool Enabled = false;  // TrfPath is set
  std::string TodayTrafficFile;
  std::string RunDate;   // "dd.mm.yyyy" of the start time
  std::string RunTime;   // "hh:nn:ss" of the start time
  TrafficList List;
  // Daily files that exist but could not be read: a save never replaces them.
  std::set<std::string> UnreadableFiles;
};

// Values set while a rule is applied and read by the report macros, and the
// state of the netmail writer.
struct ReportState {
  int RuleNumber = 0;
  std::string UplinkNameText;
  TFidoAddr UplinkAddr;
  std::string ReportFromName;  // starts as the [General] KestalName
  std::string ReportSubject;
  int32_t LastMsgIdSerial = 0;
  // The next free N.msg per directory, found by one listing and kept up to date.
  std::map<std::string, int> NextMsgNumber;
};

// Everything that lives for one run. Passed by reference to whatever needs it.
struct Run {
  Run(platform::Clock& clock, platform::Console& console) : Clock(clock), Console(console) {}

  platform::Clock& Clock;
  platform::Console& Console;

  std::string StartDir;
  std::string ExeDir;      // without a trailing "/"
  std::string ConfigPath;
  TDateTime StartTime;
  TDate Today;
  std::string TodayText;   // Today in the date format in force
  DateFormat DateFmt;      // the date format in force

  Switches Switch;
  Settings Config;
  OwnAddresses Own;
  PasswordList Passwords;
  RuleList Rules;
  RuleAreaIndex RulesByArea;
  LangFile Lang;
  LogState Log;
  TrafficState Traffic;
  ReportState Report;

  RunCounters Counters;
  // Byte sums for the progress percentage; 64-bit so that an inbound of more
  // than 2 GB cannot overflow them.
  int64_t TotalBytes = 0;    // all packet files found by the first pass
  int64_t ScannedBytes = 0;  // packet files already processed by the second pass
  int ProgressPercent = -1;  // the percentage last computed for the title
};

}  // namespace kestal
