#include "RoSystem/RunDriver.h"

#include <cstdint>
#include <string>
#include <vector>

#include "Logger/Log.h"
#include "Pkt/Packet.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "Platform/Locale.h"
#include "Platform/Memory.h"
#include "Platform/Process.h"
#include "RoConfig/Config.h"
#include "RoSystem/Exit.h"
#include "RoSystem/Expiry.h"
#include "RoSystem/Run.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/RunExit.h"
#include "RoTypes/Version.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

void StartUp(Run& run) {
  run.Console.SetTitle("Kestal - Starting");
  run.StartDir = platform::CurrentDirectory();
  run.ExeDir = platform::ExecutableDirectory();
  run.ConfigPath = run.ExeDir + "/Kestal.Ini";
  // Without the executable's directory the run goes on where it stands: every
  // path it reads is made absolute against ExeDir anyway.
  (void)platform::ChangeDirectory(run.ExeDir);
  run.StartTime = run.Clock.Now();
  run.Day.Today = run.StartTime.Date;
  run.Day.DateFmt = platform::SystemShortDateFormat();
  run.Day.TodayText = FormatDate(run.Day.Today, run.Day.DateFmt);
}

void PrintBanner(Run& run) {
  run.Console.WriteLine(std::string(kProgramVersion) + " \xF9 keeper of read-only echomail areas");
  run.Console.WriteLine("For FidoNet sysops, by the Kestal developers");
  run.Console.WriteLine("");
}

void StartTraffic(Run& run) {
  run.Traffic.Enabled = !run.Config.TrfPath.empty();
  if (!run.Traffic.Enabled) return;
  run.Traffic.TodayTrafficFile =
      run.Config.TrfPath + FormatCompactDate(run.StartTime.Date) + ".trf";
  run.Traffic.RunDate = FormatDotDate(run.StartTime.Date);
  run.Traffic.RunTime = FormatClockTime(run.StartTime);
  run.Console.WriteLine(run.Lang.LangTrafficFile + " TRF: " + run.Traffic.TodayTrafficFile);
  run.Console.WriteLine("");
  LoadRunTraffic(run.ForTraffic(), run.Traffic.TodayTrafficFile);
}

// Enters each echomail directory in turn and visits its packet files. Both passes
// select them through here, so that a file the sysop excluded from Ext ("*.pkt !b*")
// is neither counted nor touched. The listing is taken before a directory's packets
// are visited, so a packet renamed to PSW or BAD on the way is not met again.
template <typename Visit>
void ForEachPacketFile(const Run& run, Visit visit) {
  for (const std::string& directory : run.Config.EchoMailPath) {
    if (!platform::ChangeDirectory(directory)) continue;
    for (const platform::DirEntry& entry : run.Files.ListFiles(".")) {
      if (TextInMaskList(entry.Name, run.Config.Ext)) {
        visit(entry.Name, static_cast<int64_t>(entry.Size));
      }
    }
  }
}

// Pass 1: the sizes of every packet file, for the percentage in the title.
void TotalPacketSizes(Run& run) {
  ForEachPacketFile(run, [&run](const std::string&, int64_t size) {
    run.Progress.TotalBytes += size;
  });
}

// Pass 2.
void ScanPackets(Run& run) {
  run.PrepareRules();
  ScanContext context = run.ForScan();
  ForEachPacketFile(run, [&](const std::string& name, int64_t size) {
    ScanPacket(context, name, size);
    run.Progress.ScannedBytes += size;
  });
}

void LogSummary(Run& run) {
  const RunCounters& c = run.Counters;
  const LangFile& lang = run.Lang;
  std::string packets = lang.LangPackets + ": " + std::to_string(c.PacketsScanned);
  if (c.PacketsBad > 0) packets += ", " + lang.LangBad + ": " + std::to_string(c.PacketsBad);
  if (c.NetMailPackets > 0) {
    packets += ", " + lang.LangNetMail + ": " + std::to_string(c.NetMailPackets);
  }
  packets += ", " + lang.LangRemoved + ": " + std::to_string(c.PacketsDeleted);
  run.Log.Write(packets, true, 1);

  std::string messages = lang.LangMessages + ": " + std::to_string(c.MessagesScanned);
  if (c.NetMailMessages > 0) {
    messages += ", " + lang.LangNetMail + ": " + std::to_string(c.NetMailMessages);
  }
  messages += ", " + lang.LangRemoved + ": " + std::to_string(c.MessagesRemoved);
  run.Log.Write(messages, true, 1);
}

void RunPasses(Run& run) {
  StartTraffic(run);
  if (run.Config.SafeMode) {
    run.Log.Write(run.Lang.LangSafeModeStart, true, 1);
    run.Console.WriteLine("");
  }
  run.Counters = RunCounters{};
  run.Progress.TotalBytes = 0;
  run.Progress.ScannedBytes = 0;

  TotalPacketSizes(run);
  ScanPackets(run);

  LogSummary(run);
  if (run.Config.SafeMode) {
    run.Console.WriteLine("");
    run.Log.Write(run.Lang.LangSafeModeEnd, true, 1);
  }
  if (run.Switch.ExpireRequested) ExpireRules(run);
}

}  // namespace

void ReadSwitches(Run& run, const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg.size() < 2 || (arg[0] != '-' && arg[0] != '/')) continue;
    // Only the switch letter ignores case: a configuration path keeps its own.
    const char letter = UpperCaseAscii(arg.substr(1, 1))[0];
    const std::string value = arg.substr(2);
    if (letter == 'W') break;
    switch (letter) {
      case 'C':
        run.ConfigPath = value;
        break;
      case 'D':
        run.Switch.ExpireRequested = true;
        break;
      case 'S':
        run.Switch.EchoStatsRequested = true;
        run.Switch.EchoStatsArgument = UpperCaseAscii(value);
        break;
      case 'E':
        run.Switch.NameStatsRequested = true;
        run.Switch.NameStatsArgument = UpperCaseAscii(value);
        break;
      default:
        break;
    }
  }
}

int RunWithArguments(Run& run, const std::vector<std::string>& args) {
  try {
    StartUp(run);
    PrintBanner(run);
    ReadSwitches(run, args);
    LoadConfig(run.ForConfig());
    RunPasses(run);
  } catch (const RunExit& exit) {
    return EndRun(run, exit);
  }
  return FinishRun(run, 0);
}

int RunKestal(int argc, char** argv) {
  platform::InitLocale();
  platform::KeepFreedMemory();
  platform::SystemClock clock;
  platform::StdoutConsole console;
  Run run(clock, console);
  std::vector<std::string> args(argv + 1, argv + argc);
  return RunWithArguments(run, args);
}

}  // namespace kestal
