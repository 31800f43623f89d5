#include "RoSystem/Exit.h"

#include "Platform/Process.h"
#include "RoSystem/Run.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/RunExit.h"

namespace kestal {

int ExitProgram(Run& run, int exitCode) {
  // The run is over: a start directory that went away changes nothing for it.
  if (!run.StartDir.empty()) (void)platform::ChangeDirectory(run.StartDir);
  run.Console.SetTitle("");
  return exitCode;
}

int FinishRun(Run& run, int exitCode) {
  run.Log.Close(run.StartTime, exitCode);
  run.Rules.clear();
  run.Passwords.clear();
  run.Console.SetTitle("Kestal - Creating Statistic");
  // Statistics come from the traffic files, so without traffic counting there is
  // nothing to build them from, whatever the switches asked for.
  bool statisticsWritten = true;
  if (run.Traffic.Enabled) {
    SaveTrafficFile(run.ForTraffic());
    const Switches& asked = run.Switch;
    if (asked.EchoStatsRequested) {
      statisticsWritten &= BuildEchoStatistics(run.ForStatistics(), asked.EchoStatsArgument);
    }
    if (asked.NameStatsRequested) {
      statisticsWritten &= BuildNameStatistics(run.ForStatistics(), asked.NameStatsArgument);
    }
  }
  // The log is closed already and shows the run's own code; a statistics report
  // not written is a failed action all the same, which the caller must see.
  if (exitCode == 0 && !statisticsWritten) exitCode = kExitActionFailed;
  run.Console.SetTitle("Kestal - Finishing");
  run.Traffic.List.clear();
  run.Config.EchoMailPath.clear();
  return ExitProgram(run, exitCode);
}

int EndRun(Run& run, const RunExit& exit) {
  return exit.Finish ? FinishRun(run, exit.Code) : ExitProgram(run, exit.Code);
}

}  // namespace kestal
