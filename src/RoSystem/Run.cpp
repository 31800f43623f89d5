#include "RoSystem/Run.h"

#include "FReport/Reports.h"

namespace kestal {

void ErrorMailer::ReportError(const std::string& line) {
  // The error is in the log already; a report that cannot be written adds nothing to it.
  (void)SendErrorReport(run_.ForReports(), run_.Lang.LangError, line);
}

Run::Run(platform::Clock& clock, platform::Console& console, const platform::FileSystem& files)
    : Clock(clock), Console(console), Files(files), Log(clock, console, Files, Config, Lang) {
  Log.SetErrorReporter(&mailer_);
}

void Run::PrepareRules() {
  std::string error;
  PreparedRules = RuleSet(Rules, Own, Day.Today, Config.RemoveRe, error);
  if (!error.empty()) Log.Write(Lang.LangError + " " + error, true, 1);
}

ConfigContext Run::ForConfig() {
  return ConfigContext{ConfigPath, ExeDir, Clock,     Console,     Files,
                       Log,        Config, Lang,      Own,         Passwords,
                       Rules,      Day,    Switch.ExpireRequested, Carried.FromName,
                       ConfigText};
}

ReportContext Run::ForReports() { return ReportContext{Config, Own, Day.DateFmt, Clock, Files, Netmail}; }

TrafficContext Run::ForTraffic() { return TrafficContext{Config, Files, Day.Today, Traffic}; }

ScanContext Run::ForScan() {
  return ScanContext{Config,    Lang,    Own,   Passwords, PreparedRules, Day.Today,
                     Console,   Files,   Log,   ForReports(), ForTraffic(), Carried,
                     Counters,  Progress};
}

StatisticsContext Run::ForStatistics() {
  return StatisticsContext{Config, Lang, Console, Files, StartTime.Date, Day.Today, Day.DateFmt};
}

}  // namespace kestal
