#include "RoConfig/General.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "RoConfig/ConfigFile.h"
#include "RoConfig/ConfigValues.h"
#include "RoTypes/RunExit.h"
#include "RoConfig/Language.h"
#include "RoConfig/Config.h"
#include "Utils/Address.h"
#include "Utils/Dates.h"
#include "RoConfig/Passwords.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kNumberedAkas = 49;
// What a key left out of the section stands for.
const Settings kDefaults{};

// Relative paths resolve against the executable's directory: they are checked
// there, and from the first packet on the driver stands in an echomail
// directory, where reports, backups and traffic files would otherwise go astray.
// The empty path is the executable's directory itself.
std::string FromExeDir(const ConfigContext& context, const std::string& path) {
  if (path.starts_with('/')) return path;
  return context.ExeDir + "/" + path;
}

std::string AsDirectory(std::string path) {
  if (!path.ends_with('/')) path += '/';
  return path;
}

// For the settings that an empty value turns off.
std::string OptionalDirectory(const ConfigContext& context, const std::string& value) {
  return value.empty() ? value : AsDirectory(FromExeDir(context, value));
}

[[noreturn]] void FailBadValue(const ConfigContext& context, const ConfigFile& file, std::string_view key) {
  FailConfig(context,
             KeyErrorText(context.Lang, key, context.Lang.LangBadValue) +
                 LineText(context.Lang, std::to_string(file.KeyLine())),
             2);
}

void RequireDirectory(const ConfigContext& context, const ConfigFile& file, const std::string& path,
                      std::string_view key) {
  if (context.Files.DirectoryExists(path)) return;
  const int error = context.Files.Stamp(path) ? ENOTDIR : errno;
  FailConfig(context,
             KeyErrorText(context.Lang, key, context.Lang.LangBadValue) +
                 LineText(context.Lang, std::to_string(file.KeyLine())),
             2, path + ": " + std::strerror(error));
}

void LoadLanguageFile(const ConfigContext& context, ConfigFile& file) {
  context.Config.Language = FileNamePart(file.ReadValue("Language", kDefaults.Language));
  if (!context.Files.FileExists(context.ExeDir + "/" + context.Config.Language)) {
    // The texts are not loaded yet, so LangLine is empty and nothing is logged.
    context.Console.WriteError("ERROR: \"" + context.Config.Language + "\" not found (" +
                               context.Lang.LangLine + " " + std::to_string(file.KeyLine()) + ")");
    context.Console.WriteError(context.ExeDir + "/" + context.Config.Language + ": " +
                               std::strerror(ENOENT));
    throw RunExit{1, true};
  }
  LoadLanguage(context, context.Config.Language);
}

void OpenLogFile(const ConfigContext& context, ConfigFile& file) {
  if (!OpenConfiguredLog(context, file)) throw RunExit{1, true};
}

void ReadMainAddress(const ConfigContext& context, ConfigFile& file) {
  context.Own = OwnAddresses{};
  const std::string value = file.ReadNextValue("Address", "");
  if (value.empty()) {
    FailConfig(context, KeyErrorText(context.Lang, "Address", context.Lang.LangKeyMissing), 2);
  }
  if (!ParseAddress(value, context.Own.Slots[0])) FailBadValue(context, file, "Address");
}

void AddAka(const ConfigContext& context, const std::string& value) {
  TFidoAddr aka;
  if (value.empty() || !ParseAddressDefault(value, aka, context.Own.Main())) return;
  context.Own.Slots[++context.Own.AkaCount] = aka;
}

// AKA1 to AKA49 first, then the plain AKA lines in file order; an empty AKA line
// ends those, and AKAs beyond the table's size are dropped.
void ReadAkas(const ConfigContext& context, ConfigFile& file) {
  for (int n = 1; n <= kNumberedAkas; ++n) {
    AddAka(context, file.ReadValue("AKA" + std::to_string(n), ""));
  }
  while (context.Own.AkaCount < kMaxAkas) {
    const std::string value = file.ReadNextValue("AKA", "");
    if (value.empty()) break;
    AddAka(context, value);
  }
}

void ReadPathsAndAddress(const ConfigContext& context, ConfigFile& file) {
  Settings& config = context.Config;
  config.PktBackupPath = OptionalDirectory(context, file.ReadValue("PktBackupPath", kDefaults.PktBackupPath));
  ReadMainAddress(context, file);
  config.ReportPath = AsDirectory(FromExeDir(context, file.ReadValue("ReportPath", kDefaults.ReportPath)));
  RequireDirectory(context, file, config.ReportPath, "ReportPath");
  config.ReportError = file.ReadYesNo("ReportError", kDefaults.ReportError);
  config.TrfPath = OptionalDirectory(context, file.ReadValue("TrfPath", kDefaults.TrfPath));
  if (!config.TrfPath.empty()) RequireDirectory(context, file, config.TrfPath, "TrfPath");
  context.ExpireRequested = file.ReadYesNo("RemoveOldRo", context.ExpireRequested);
  const std::string passwordFile = file.ReadValue("PasswordFile", kDefaults.PasswordFile);
  config.PasswordFile = passwordFile.empty() ? passwordFile : FromExeDir(context, passwordFile);
  if (!config.PasswordFile.empty() && context.Files.FileExists(config.PasswordFile)) {
    LoadPasswords(context.Files, config.PasswordFile, context.Passwords);
  }
  config.TrfStatName = FromExeDir(context, file.ReadValue("TrfStatName", kDefaults.TrfStatName));
  config.StatName = FromExeDir(context, file.ReadValue("StatName", kDefaults.StatName));
}

// Directories are kept as written, made absolute only: the driver enters them one
// after another, so a relative one would resolve against the one before it.
void ReadEchoMailPaths(const ConfigContext& context, ConfigFile& file) {
  context.Config.EchoMailPath.clear();
  for (;;) {
    const std::string value = file.ReadNextValue("EchoMailPath", "");
    if (value.empty()) break;
    const std::string directory = FromExeDir(context, value);
    RequireDirectory(context, file, directory, "EchoMailPath");
    context.Config.EchoMailPath.push_back(directory);
  }
  if (context.Config.EchoMailPath.empty()) {
    FailConfig(context, KeyErrorText(context.Lang, "EchoMailPath", context.Lang.LangKeyMissing), 2);
  }
}

void ReadProcessingKeys(const ConfigContext& context, ConfigFile& file) {
  Settings& config = context.Config;
  ReadEchoMailPaths(context, file);
  config.ReportOutPath =
      AsDirectory(FromExeDir(context, file.ReadValue("ReportOutPath", config.ReportPath)));
  RequireDirectory(context, file, config.ReportOutPath, "ReportOutPath");
  config.NetMail = file.ReadYesNo("NetMail", kDefaults.NetMail);
  config.KeepEmpty = file.ReadYesNo("KeepEmpty", kDefaults.KeepEmpty);
  config.RemoveRe = file.ReadYesNo("RemoveRe", kDefaults.RemoveRe);
  config.SafeMode = file.ReadYesNo("SafeMode", kDefaults.SafeMode);
  config.Ext = file.ReadValue("Ext", kDefaults.Ext);
  config.TemplatePath = AsDirectory(FromExeDir(context, file.ReadValue("TemplatePath", kDefaults.TemplatePath)));
  config.Tagline = file.ReadValue("Tagline", kDefaults.Tagline);
  config.Tearline = file.ReadValue("Tearline", kDefaults.Tearline);
  config.Origin = file.ReadValue("Origin", kDefaults.Origin);
  config.KestalName = file.ReadValue("KestalName", kDefaults.KestalName);
  context.ReportFromName = config.KestalName;
  config.SkipPktFrom = file.ReadValue("SkipPktFrom", kDefaults.SkipPktFrom);
  config.SkipPktTo = file.ReadValue("SkipPktTo", kDefaults.SkipPktTo);
  config.DelPktFrom = file.ReadValue("DelPktFrom", kDefaults.DelPktFrom);
  config.DelPktTo = file.ReadValue("DelPktTo", kDefaults.DelPktTo);
}

void ReadTemplates(const ConfigContext& context, ConfigFile& file) {
  Settings& config = context.Config;
  for (const ReportTemplateKey& report : kReportTemplateKeys) {
    config.*report.Member = ReadTemplateName(context, file, report.Key, kDefaults.*report.Member);
  }
  config.TrfTemplate = ReadTemplateName(context, file, "TrfTemplate", kDefaults.TrfTemplate);
  config.StatTemplate = ReadTemplateName(context, file, "StatTemplate", kDefaults.StatTemplate);
}

// The program's own "dd.mm.yyyy" unless the system's format is asked for.
void ReadDateFormat(const ConfigContext& context, ConfigFile& file) {
  context.Config.UseSystemDateFormat = file.ReadYesNo("UseSystemDateFormat", kDefaults.UseSystemDateFormat);
  if (context.Config.UseSystemDateFormat) return;
  context.Day.DateFmt = DateFormat{DateOrder::DayMonthYear, '.'};
  context.Day.Today = context.Clock.Now().Date;
  context.Day.TodayText = FormatDate(context.Day.Today, context.Day.DateFmt);
}

}  // namespace

bool OpenConfiguredLog(const ConfigContext& context, ConfigFile& file) {
  context.Config.Log = FromExeDir(context, file.ReadValue("Log", kDefaults.Log));
  context.Config.LogLevel = file.ReadInteger("LogLevel", kDefaults.LogLevel);
  return context.Log.Open();
}

void LoadGeneral(const ConfigContext& context, ConfigFile& file) {
  LoadLanguageFile(context, file);
  OpenLogFile(context, file);
  ReadPathsAndAddress(context, file);
  ReadAkas(context, file);
  ReadProcessingKeys(context, file);
  ReadTemplates(context, file);
  context.Config.CreateEmptyStat = file.ReadYesNo("CreateEmptyStat", kDefaults.CreateEmptyStat);
  ReadDateFormat(context, file);
  context.Config.SysopName = file.ReadValue("SysopName", kDefaults.SysopName);
  context.Config.UnpackBundles = file.ReadYesNo("UnpackBundles", kDefaults.UnpackBundles);
  context.Config.LockWait = std::max(0, file.ReadInteger("LockWait", kDefaults.LockWait));
}

}  // namespace kestal
