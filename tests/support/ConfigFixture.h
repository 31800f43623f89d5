#pragma once

// Shared by the configuration and rule tests: a scratch executable directory with
// a language file, an inbound directory "in" and the default templates, and a
// run that reads a Kestal.Ini written there.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoConfig/Config.h"
#include "RoConfig/Language.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"
#include "Utils/Dates.h"

namespace kestal::test {

// 10 Dec 2026 12:00:00
inline constexpr TDateTime kConfigNow{{2026, 12, 10}, 12, 0, 0, 0};

// The language texts the expected messages are built from.
inline LangFile ConfigTestTexts() {
  LangFile lang;
  lang.LangError = "ERROR:";
  lang.LangKeyword = "Keyword";
  lang.LangKeyMissing = "is missing";
  lang.LangBadValue = "is wrong";
  lang.LangInRoSection = "in rule #";
  lang.LangFileNotFound = "not found";
  lang.LangLine = "line";
  lang.LangLogStarted = "started";
  lang.LangLogStopped = "stopped";
  lang.LangElapsed = "Time";
  lang.LangExitCode = "Exit code";
  return lang;
}

// The configuration keywords, written out apart from the reader's own table, so
// that a name dropped from it or misspelt there shows.
inline const std::vector<std::string_view> kConfigKeywords = {
    // [General]
    "Address", "AKA", "CreateEmptyStat", "DelPktFrom", "DelPktTo", "EchoMailPath", "Ext",
    "KeepEmpty", "Language", "Log", "LogLevel", "NetMail", "Origin", "PasswordFile",
    "PktBackupPath", "RemoveRe", "RemoveOldRo", "ReportError", "ReportOutPath", "ReportPath",
    "ReportToMain", "ReportToMainEnd", "ReportToPktFrom", "ReportToPktTo", "ReportToRo",
    "ReportToRoEnd", "ReportToUplink", "ReportToUplinkEnd", "KestalName", "SafeMode",
    "SkipPktFrom", "SkipPktTo", "StatName", "StatTemplate", "SysopName", "Tagline", "Tearline",
    "TemplatePath", "TrfPath", "TrfStatName", "TrfTemplate", "UseSystemDateFormat",
    "UnpackBundles", "LockWait",
    // [Ro]
    "Addr", "AddrFrom", "AddrTo", "Area", "BodyMask", "Chrs", "Copy", "DateFrom", "DateTo",
    "Flag", "KillAddrToAll", "KludgeMask", "Move", "MsgSize", "Name", "NameFrom", "NameTo",
    "PktFrom", "PktTo", "PID", "ReportOnly", "SaveTemplate", "SaveToFile", "Subj", "TID",
    "UplinkAddress", "UplinkName", "ViaMask"};

// The minimal [General] section that loads: the main address and one inbound.
inline constexpr const char* kMinimalGeneral = "[General]\nAddress=2:5020/1\nEchoMailPath=in\n";

// A scratch executable directory and a run whose ExeDir it is. Its clock stands
// at kConfigNow, and the system date format is month/day/year with "/", so that a
// switch to the program's own format shows.
class ConfigHome {
 public:
  ConfigHome() : clock(kConfigNow), run(clock, console) {
    run.ExeDir = dir.path();
    run.ConfigPath = dir / "Kestal.Ini";
    run.StartTime = kConfigNow;
    run.Day.Today = kConfigNow.Date;
    run.Day.DateFmt = DateFormat{DateOrder::MonthDayYear, '/'};
    run.Day.TodayText = FormatDate(run.Day.Today, run.Day.DateFmt);
    WriteBytes(dir / "english.lng", EncodeLanguage(ConfigTestTexts()));
    std::filesystem::create_directories(dir / "in");
    for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl"}) WriteBytes(dir / name, "x");
  }

  std::string operator/(const std::string& name) const { return dir / name; }

  // Writes Kestal.Ini and reads it: the exit code, or -1 when the reading went through.
  int Load(const std::string& ini) {
    WriteBytes(run.ConfigPath, ini);
    return LoadWritten();
  }
  int LoadWritten() { return EndCodeOf(run, [this] { LoadConfig(run.ForConfig()); }); }

  // The console lines, without the empty line and the run time ("<LangElapsed>
  // 00:01") that the end of a run adds, and without the detail lines.
  std::string ConsoleLines() const {
    std::string lines;
    for (const std::string& line : OutputLines()) {
      if (!line.empty() && !line.ends_with("00:01") && !IsDetailLine(line)) lines += line + "\n";
    }
    return lines;
  }
  // The lines after an error that give the path and the system's reason.
  std::string DetailLines() const {
    std::string lines;
    for (const std::string& line : OutputLines()) {
      if (IsDetailLine(line)) lines += line + "\n";
    }
    return lines;
  }

  ScratchDir dir;
  platform::FixedClock clock;
  platform::CapturingConsole console;
  kestal::Run run;

 private:
  std::vector<std::string> OutputLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    const std::string& out = console.output;
    while (start < out.size()) {
      size_t end = out.find('\n', start);
      if (end == std::string::npos) end = out.size();
      lines.push_back(out.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
  bool IsDetailLine(const std::string& line) const {
    return line.starts_with(dir.path() + "/") && line.find(": ") != std::string::npos;
  }
};

}  // namespace kestal::test
