#include "RoSystem/Exit.h"

#include "Logger/Log.h"
#include "Platform/Files.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/Run.h"

namespace kestal {

void ExitProgram(Run& run, int exitCode) {
  if (!run.StartDir.empty()) platform::ChangeDirectory(run.StartDir);
  run.Console.SetTitle("");
  throw RunExit{exitCode};
}

void FinishRun(Run& run, int exitCode) {
  CloseLog(run, exitCode);
  run.Rules.clear();
  run.Passwords.clear();
  run.Console.SetTitle("Kestal - Creating Statistic");
  // Statistics come from the traffic files, so without traffic counting there is
  // nothing to build them from, whatever the switches asked for.
  if (run.Traffic.Enabled) {
    SaveTrafficFile(run, run.Traffic.TodayTrafficFile);
    if (run.Switch.EchoStatsRequested) BuildEchoStatistics(run, run.Switch.EchoStatsArgument);
    if (run.Switch.NameStatsRequested) BuildNameStatistics(run, run.Switch.NameStatsArgument);
  }
  run.Console.SetTitle("Kestal - Finishing");
  run.Traffic.List.clear();
  run.Config.EchoMailPath.clear();
  ExitProgram(run, exitCode);
}

}  // namespace kestal
