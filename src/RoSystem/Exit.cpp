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

// The traffic and the statistics are saved before the log is closed, so that
// what fails there is in the log and in the exit code the log shows.
int FinishRun(Run& run, int exitCode) {
  run.Rules.clear();
  run.Passwords.clear();
  run.Console.SetTitle("Kestal - Creating Statistic");
  // Statistics come from the traffic files, so without traffic counting there is
  // nothing to build them from, whatever the switches asked for.
  bool statisticsWritten = true;
  if (run.Traffic.Enabled) {
    const ActionResult saved = SaveTrafficFile(run.ForTraffic());
    if (!saved) {
      run.Log.Write(run.Lang.LangError + " traffic not saved: " + saved.Failure(), true, 1);
      statisticsWritten = false;
    }
    const Switches& asked = run.Switch;
    if (asked.EchoStatsRequested) {
      statisticsWritten &= BuildEchoStatistics(run.ForStatistics(), asked.EchoStatsArgument);
    }
    if (asked.NameStatsRequested) {
      statisticsWritten &= BuildNameStatistics(run.ForStatistics(), asked.NameStatsArgument);
    }
  }
  if (exitCode == 0 && !statisticsWritten) exitCode = kExitActionFailed;
  run.Log.Close(run.StartTime, exitCode);
  run.Console.SetTitle("Kestal - Finishing");
  run.Traffic.List.clear();
  run.Config.EchoMailPath.clear();
  return ExitProgram(run, exitCode);
}

int EndRun(Run& run, const RunExit& exit) {
  return exit.Finish ? FinishRun(run, exit.Code) : ExitProgram(run, exit.Code);
}

}  // namespace kestal
