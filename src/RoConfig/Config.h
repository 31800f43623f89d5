#pragma once

#include <string>

#include "Logger/Log.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Password.h"
#include "RoTypes/Rule.h"
#include "RoTypes/Settings.h"

namespace kestal {

// The run's day as rules and reports write it: the date format can change with
// UseSystemDateFormat, and with it the day's text.
struct RunDay {
  TDate Today;
  std::string TodayText;  // Today in the date format in force
  DateFormat DateFmt;     // the date format in force
};

// What reading the configuration reads, and what it fills in.
struct ConfigContext {
  const std::string& ConfigPath;
  const std::string& ExeDir;  // relative paths resolve against it
  const platform::Clock& Clock;
  platform::Console& Console;
  const platform::FileSystem& Files;
  Logger& Log;  // opened by the reader as soon as the settings name it

  Settings& Config;
  LangFile& Lang;
  OwnAddresses& Own;
  PasswordList& Passwords;
  RuleList& Rules;
  RunDay& Day;
  bool& ExpireRequested;        // RemoveOldRo, or the -D switch
  std::string& ReportFromName;  // starts as KestalName
  std::string& Text;            // the file's bytes as read
};

// Reads ConfigPath: settings, language, log, own addresses, passwords and rules.
// Every error ends the run (RunExit) with its exit code.
void LoadConfig(const ConfigContext& context);

}  // namespace kestal
