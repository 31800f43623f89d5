#include "RoConfig/General.h"

#include <string>

#include "Logger/Log.h"
#include "Platform/Files.h"
#include "RoConfig/ConfigFile.h"
#include "RoConfig/ConfigValues.h"
#include "RoSystem/Exit.h"
#include "RoSystem/Language.h"
#include "RoTypes/Run.h"
#include "Utils/Address.h"
#include "Utils/Dates.h"
#include "Utils/Passwords.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kNumberedAkas = 49;

// Relative paths resolve against the executable's directory: they are checked
// there, and from the first packet on the driver stands in an echomail
// directory, where reports, backups and traffic files would otherwise go astray.
// The empty path is the executable's directory itself.
std::string FromExeDir(const Run& run, const std::string& path) {
  if (path.starts_with('/')) return path;
  return run.ExeDir + "/" + path;
}

std::string AsDirectory(std::string path) {
  if (!path.ends_with('/')) path += '/';
  return path;
}

// For the settings that an empty value turns off.
std::string OptionalDirectory(const Run& run, const std::string& value) {
  return value.empty() ? value : AsDirectory(FromExeDir(run, value));
}

[[noreturn]] void FailBadValue(Run& run, const ConfigFile& file, std::string_view key) {
  FailConfig(run,
             KeyErrorText(run, key, run.Lang.LangBadValue) +
                 LineText(run, std::to_string(file.KeyLine())),
             2);
}

void RequireDirectory(Run& run, const ConfigFile& file, const std::string& path,
                      std::string_view key) {
  if (!platform::DirectoryExists(path)) FailBadValue(run, file, key);
}

void LoadLanguageFile(Run& run, ConfigFile& file) {
  run.Config.Language = FileNamePart(file.ReadValue("Language", "english.lng"));
  if (!platform::FileExists(run.ExeDir + "/" + run.Config.Language)) {
    // The texts are not loaded yet, so LangLine is empty and nothing is logged.
    run.Console.WriteLine("ERROR: \"" + run.Config.Language + "\" not found (" +
                          run.Lang.LangLine + " " + std::to_string(file.KeyLine()) + ")");
    FinishRun(run, 1);
  }
  LoadLanguage(run, run.Config.Language);
}

void OpenLogFile(Run& run, ConfigFile& file) {
  run.Config.Log = FromExeDir(run, file.ReadValue("Log", "Kestal.Log"));
  run.Config.LogLevel = file.ReadInteger("LogLevel", 2);
  OpenLog(run);
}

void ReadMainAddress(Run& run, ConfigFile& file) {
  run.Own = OwnAddresses{};
  const std::string value = file.ReadNextValue("Address", "");
  if (value.empty()) {
    FailConfig(run, KeyErrorText(run, "Address", run.Lang.LangKeyMissing), 2);
  }
  if (!ParseAddress(value, run.Own.Slots[0])) FailBadValue(run, file, "Address");
}

void AddAka(Run& run, const std::string& value) {
  TFidoAddr aka;
  if (value.empty() || !ParseAddressDefault(value, aka, run.Own.Main())) return;
  run.Own.Slots[++run.Own.AkaCount] = aka;
}

// AKA1 to AKA49 first, then the plain AKA lines in file order; an empty AKA line
// ends those, and AKAs beyond the table's size are dropped.
void ReadAkas(Run& run, ConfigFile& file) {
  for (int n = 1; n <= kNumberedAkas; ++n) {
    AddAka(run, file.ReadValue("AKA" + std::to_string(n), ""));
  }
  while (run.Own.AkaCount < kMaxAkas) {
    const std::string value = file.ReadNextValue("AKA", "");
    if (value.empty()) break;
    AddAka(run, value);
  }
}

void ReadPathsAndAddress(Run& run, ConfigFile& file) {
  Settings& config = run.Config;
  config.PktBackupPath = OptionalDirectory(run, file.ReadValue("PktBackupPath", ""));
  ReadMainAddress(run, file);
  config.ReportPath = AsDirectory(FromExeDir(run, file.ReadValue("ReportPath", "")));
  RequireDirectory(run, file, config.ReportPath, "ReportPath");
  config.ReportError = file.ReadYesNo("ReportError", false);
  config.TrfPath = OptionalDirectory(run, file.ReadValue("TrfPath", ""));
  if (!config.TrfPath.empty()) RequireDirectory(run, file, config.TrfPath, "TrfPath");
  run.Switch.ExpireRequested = file.ReadYesNo("RemoveOldRo", run.Switch.ExpireRequested);
  const std::string passwordFile = file.ReadValue("PasswordFile", "");
  config.PasswordFile = passwordFile.empty() ? passwordFile : FromExeDir(run, passwordFile);
  if (!config.PasswordFile.empty() && platform::FileExists(config.PasswordFile)) {
    LoadPasswords(config.PasswordFile, run.Passwords);
  }
  config.TrfStatName = FromExeDir(run, file.ReadValue("TrfStatName", "trf.txt"));
  config.StatName = FromExeDir(run, file.ReadValue("StatName", "stat.txt"));
}

// Directories are kept as written, made absolute only: the driver enters them one
// after another, so a relative one would resolve against the one before it.
void ReadEchoMailPaths(Run& run, ConfigFile& file) {
  run.Config.EchoMailPath.clear();
  for (;;) {
    const std::string value = file.ReadNextValue("EchoMailPath", "");
    if (value.empty()) break;
    const std::string directory = FromExeDir(run, value);
    RequireDirectory(run, file, directory, "EchoMailPath");
    run.Config.EchoMailPath.push_back(directory);
  }
  if (run.Config.EchoMailPath.empty()) {
    FailConfig(run, KeyErrorText(run, "EchoMailPath", run.Lang.LangKeyMissing), 2);
  }
}

void ReadProcessingKeys(Run& run, ConfigFile& file) {
  Settings& config = run.Config;
  ReadEchoMailPaths(run, file);
  config.ReportOutPath =
      AsDirectory(FromExeDir(run, file.ReadValue("ReportOutPath", config.ReportPath)));
  RequireDirectory(run, file, config.ReportOutPath, "ReportOutPath");
  config.NetMail = file.ReadYesNo("NetMail", false);
  config.KeepEmpty = file.ReadYesNo("KeepEmpty", false);
  config.RemoveRe = file.ReadYesNo("RemoveRe", true);
  config.SafeMode = file.ReadYesNo("SafeMode", false);
  config.Ext = file.ReadValue("Ext", "*.pkt");
  config.TemplatePath = AsDirectory(FromExeDir(run, file.ReadValue("TemplatePath", "")));
  config.Tagline = file.ReadValue("Tagline", "");
  config.Tearline = file.ReadValue("Tearline", "Kestal 2.15/W32");
  config.Origin = file.ReadValue("Origin", "");
  config.KestalName = file.ReadValue("KestalName", "Kestal");
  run.Report.ReportFromName = config.KestalName;
  config.SkipPktFrom = file.ReadValue("SkipPktFrom", "");
  config.SkipPktTo = file.ReadValue("SkipPktTo", "");
  config.DelPktFrom = file.ReadValue("DelPktFrom", "");
  config.DelPktTo = file.ReadValue("DelPktTo", "");
}

void ReadTemplates(Run& run, ConfigFile& file) {
  Settings& config = run.Config;
  config.ReportToMain = ReadTemplateName(run, file, "ReportToMain", "");
  config.ReportToRo = ReadTemplateName(run, file, "ReportToRo", "");
  config.ReportToUplink = ReadTemplateName(run, file, "ReportToUplink", "");
  config.ReportToMainEnd = ReadTemplateName(run, file, "ReportToMainEnd", "");
  config.ReportToRoEnd = ReadTemplateName(run, file, "ReportToRoEnd", "");
  config.ReportToUplinkEnd = ReadTemplateName(run, file, "ReportToUplinkEnd", "");
  config.ReportToPktFrom = ReadTemplateName(run, file, "ReportToPktFrom", "");
  config.ReportToPktTo = ReadTemplateName(run, file, "ReportToPktTo", "");
  config.TrfTemplate = ReadTemplateName(run, file, "TrfTemplate", "trf.tpl");
  config.StatTemplate = ReadTemplateName(run, file, "StatTemplate", "stat.tpl");
}

// The program's own "dd.mm.yyyy" unless the system's format is asked for.
void ReadDateFormat(Run& run, ConfigFile& file) {
  run.Config.UseSystemDateFormat = file.ReadYesNo("UseSystemDateFormat", false);
  if (run.Config.UseSystemDateFormat) return;
  run.DateFmt = DateFormat{DateOrder::DayMonthYear, '.'};
  run.Today = run.Clock.Now().Date;
  run.TodayText = FormatDate(run.Today, run.DateFmt);
}

}  // namespace

void LoadGeneral(Run& run, ConfigFile& file) {
  LoadLanguageFile(run, file);
  OpenLogFile(run, file);
  ReadPathsAndAddress(run, file);
  ReadAkas(run, file);
  ReadProcessingKeys(run, file);
  ReadTemplates(run, file);
  run.Config.CreateEmptyStat = file.ReadYesNo("CreateEmptyStat", false);
  ReadDateFormat(run, file);
  run.Config.SysopName = file.ReadValue("SysopName", "Sysop");
}

}  // namespace kestal
