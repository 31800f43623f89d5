#include "RoSystem/RunDriver.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Logger/Log.h"
#include "Pkt/Bundles.h"
#include "Pkt/CheckedPackets.h"
#include "Pkt/Packet.h"
#include "Pkt/PacketFormat.h"
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
#include "Utils/FastHash.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr std::string_view kUsage[] = {
    "Usage: kestal [-C<config>] [-D] [-S<period>] [-E<period>] [-W]",
    "  -C<config>  read this configuration, not Kestal.Ini beside the program",
    "  -D          retire the rules whose DateTo has passed",
    "  -S<period>  write the echo statistics report (0 today, 7-1 the week to yesterday)",
    "  -E<period>  write the name statistics report",
    "  -W          ignore the arguments after it",
    "  --help      this text (also -h, -?); --version the version line",
};

enum class InfoRequest { None, Usage, Version };

bool IsSwitch(const std::string& arg) {
  return arg.size() >= 2 && (arg[0] == '-' || arg[0] == '/');
}

bool IsHelpSwitch(const std::string& arg) {
  if (arg == "--help") return true;
  return IsSwitch(arg) && arg.size() == 2 && (arg[1] == '?' || arg[1] == 'h' || arg[1] == 'H');
}

// Help and the version are answered before anything is read, so that they work
// where no configuration is yet. -W hides them as it hides every later switch.
InfoRequest FindInfoRequest(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (IsHelpSwitch(arg)) return InfoRequest::Usage;
    if (arg == "--version") return InfoRequest::Version;
    if (IsSwitch(arg) && (arg[1] == 'W' || arg[1] == 'w')) break;
  }
  return InfoRequest::None;
}

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
// Our own temporary files and record are never packets, whatever Ext admits.
std::vector<platform::DirEntry> PacketFiles(const Run& run, const std::string& directory) {
  std::vector<platform::DirEntry> packets;
  for (platform::DirEntry& entry : run.Files.ListFiles(directory)) {
    if (TextInMaskList(entry.Name, run.Config.Ext) && !platform::IsTemporaryName(entry.Name) &&
        entry.Name != CheckedPackets::kFileName) {
      packets.push_back(std::move(entry));
    }
  }
  return packets;
}

// The driver stands in each echomail directory while its packets are visited:
// a relative SaveToFile or Flag name resolves there.
template <typename Visit>
void ForEachPacketFile(const Run& run, Visit visit) {
  for (const std::string& directory : run.Config.EchoMailPath) {
    if (!platform::ChangeDirectory(directory)) continue;
    for (const platform::DirEntry& entry : PacketFiles(run, directory)) {
      visit(directory, entry.Name, static_cast<int64_t>(entry.Size));
    }
  }
}

// Pass 1: the sizes of every packet file, for the percentage in the title. An
// echomail directory that cannot be entered is a packet pass that cannot be done.
void TotalPacketSizes(Run& run) {
  for (const std::string& directory : run.Config.EchoMailPath) {
    if (platform::ChangeDirectory(directory)) continue;
    ++run.Counters.ActionsFailed;
    run.Log.Write(run.Lang.LangError + " packets not checked: " + directory + ": " +
                      std::strerror(errno),
                  true, 1);
  }
  ForEachPacketFile(run, [&run](const std::string&, const std::string&, int64_t size) {
    run.Progress.TotalBytes += size;
  });
}

// Pass 2, directory by directory, each with its record of the packets checked
// before. A packet that cannot be held in memory is skipped with an error line,
// and the run goes on to the next one and to its finish.
void ScanPackets(Run& run) {
  run.PrepareRules();
  ScanContext context = run.ForScan();
  const uint64_t configHash = FastHash(run.ConfigText);
  for (const std::string& directory : run.Config.EchoMailPath) {
    if (!platform::ChangeDirectory(directory)) continue;
    CheckedPackets checked = CheckedPackets::Load(run.Files, directory, configHash);
    for (const platform::DirEntry& entry : PacketFiles(run, directory)) {
      const auto size = static_cast<int64_t>(entry.Size);
      try {
        ScanPacket(context, directory, entry.Name, size, &checked);
      } catch (const std::bad_alloc&) {
        ReportFailure(context, "packet not checked", directory + "/" + entry.Name + ": out of memory");
      }
      run.Progress.ScannedBytes += size;
    }
    std::vector<std::string> present;
    for (const platform::DirEntry& entry : run.Files.ListFiles(directory)) present.push_back(entry.Name);
    const ActionResult saved = checked.Save(run.Files, present);
    if (!saved) ReportFailure(context, "record of checked packets not written", saved.Failure());
  }
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

// Another run over the same configuration or inbound (cron and the mailer's hook
// both start kestal) is waited for, up to LockWait: overlapping runs would lose
// each other's traffic counts and expire each other's rules. The directory of
// the configuration is locked, not the file, which expiry replaces.
void LockRun(Run& run) {
  std::vector<std::string> paths = run.Config.EchoMailPath;
  const size_t slash = run.ConfigPath.rfind('/');
  paths.push_back(slash == std::string::npos ? "." : run.ConfigPath.substr(0, slash + 1));
  std::string error;
  if (run.Lock.Acquire(run.Files, paths, run.Config.LockWait, error)) return;
  run.Log.Write(run.Lang.LangError + " run not started: " + error, true, 1);
  throw RunExit{kExitLocked, true};
}

// Bundles are unpacked before the packets are counted, so that their packets are
// checked in the same run. With UnpackBundles off they are only counted: the
// sysop learns that mail passes unchecked.
void UnpackBundles(Run& run) {
  const BundleLimits limits{pkt::kMaxPacketBytes, pkt::kMaxPacketBytes};
  ScanContext context = run.ForScan();
  size_t unchecked = 0;
  for (const std::string& directory : run.Config.EchoMailPath) {
    for (const std::string& bundle : ListBundles(run.Files, directory)) {
      if (!run.Config.UnpackBundles) {
        ++unchecked;
        continue;
      }
      const BundleOutcome outcome = UnpackBundle(run.Files, directory, bundle, limits);
      if (outcome.Status == BundleStatus::Unpacked) {
        run.Log.Write("Bundle " + bundle + " unpacked: " + std::to_string(outcome.Packets.size()) +
                          " packets",
                      true, 2);
      } else {
        ReportFailure(context, "bundle not unpacked", outcome.Error);
      }
    }
  }
  if (unchecked > 0) {
    run.Log.Write("Bundles not checked (UnpackBundles is off): " + std::to_string(unchecked), true,
                  1);
  }
}

// A run killed between naming a replacement and renaming it leaves that file
// behind; the lock says no other run is writing one now. One older than a
// minute is no other program's either.
void RemoveLeftoverTemporaryFiles(Run& run) {
  constexpr int64_t kLeftoverSeconds = 60;
  for (const std::string& directory : run.Config.EchoMailPath) {
    for (const platform::DirEntry& entry : run.Files.ListFiles(directory)) {
      if (!platform::IsTemporaryName(entry.Name)) continue;
      const std::string path = directory + "/" + entry.Name;
      const std::optional<int64_t> age = run.Files.SecondsSinceModified(path);
      if (!age || *age < kLeftoverSeconds) continue;
      if (run.Files.DeleteFile(path)) run.Log.Write("Leftover removed: " + path, false, 2);
    }
  }
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

  RemoveLeftoverTemporaryFiles(run);
  UnpackBundles(run);
  TotalPacketSizes(run);
  ScanPackets(run);

  LogSummary(run);
  if (run.Config.SafeMode) {
    run.Console.WriteLine("");
    run.Log.Write(run.Lang.LangSafeModeEnd, true, 1);
  }
  if (run.Switch.ExpireRequested) ExpireRules(run);
}

// A run in which a decided action did not happen ends with a code of its own,
// so that a script holds the mail back instead of tossing it.
int ExitCodeOf(const Run& run) { return run.Counters.ActionsFailed > 0 ? kExitActionFailed : 0; }

}  // namespace

void ReadSwitches(Run& run, const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (!IsSwitch(arg)) continue;
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
  switch (FindInfoRequest(args)) {
    case InfoRequest::Usage:
      for (std::string_view line : kUsage) run.Console.WriteLine(line);
      return 0;
    case InfoRequest::Version:
      run.Console.WriteLine(kProgramVersion);
      return 0;
    case InfoRequest::None:
      break;
  }
  try {
    StartUp(run);
    PrintBanner(run);
    ReadSwitches(run, args);
    LoadConfig(run.ForConfig());
    LockRun(run);
    RunPasses(run);
  } catch (const RunExit& exit) {
    return EndRun(run, exit);
  }
  return FinishRun(run, ExitCodeOf(run));
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
