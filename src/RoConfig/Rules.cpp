#include "RoConfig/Rules.h"

#include <optional>
#include <string>

#include "Platform/Files.h"
#include "RoConfig/ConfigFile.h"
#include "RoConfig/ConfigValues.h"
#include "RoTypes/Run.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

// " (" + LangLine + " " + section line + ", " + key line + ")"
std::string RuleLineText(const Run& run, const ConfigFile& file) {
  return LineText(run, std::to_string(file.SectionLine()) + ", " + std::to_string(file.KeyLine()));
}

[[noreturn]] void FailRuleKey(Run& run, const ConfigFile& file, std::string_view key,
                              int ruleNumber) {
  FailConfig(run,
             KeyErrorText(run, key, run.Lang.LangInRoSection + std::to_string(ruleNumber)) +
                 RuleLineText(run, file),
             3);
}

std::string ReadAddressList(Run& run, ConfigFile& file, std::string_view key) {
  return ExpandAddressMacros(file.ReadList(key, " ", "*"), run.Own);
}

void ReadRuleDate(Run& run, ConfigFile& file, std::string_view key, int ruleNumber,
                  std::string& text, TDate& date) {
  text = file.ReadValue(key, run.TodayText);
  const std::optional<TDate> parsed = ParseDate(text, run.DateFmt, run.Today.Year);
  if (!parsed) FailRuleKey(run, file, key, ruleNumber);
  date = *parsed;
}

void ReadRuleTemplates(Run& run, ConfigFile& file, TRo& rule) {
  const Settings& config = run.Config;
  rule.ReportToMain = ReadTemplateName(run, file, "ReportToMain", config.ReportToMain);
  rule.ReportToRo = ReadTemplateName(run, file, "ReportToRo", config.ReportToRo);
  rule.ReportToUplink = ReadTemplateName(run, file, "ReportToUplink", config.ReportToUplink);
  rule.ReportToMainEnd = ReadTemplateName(run, file, "ReportToMainEnd", config.ReportToMainEnd);
  rule.ReportToRoEnd = ReadTemplateName(run, file, "ReportToRoEnd", config.ReportToRoEnd);
  rule.ReportToUplinkEnd =
      ReadTemplateName(run, file, "ReportToUplinkEnd", config.ReportToUplinkEnd);
  rule.ReportToPktFrom = ReadTemplateName(run, file, "ReportToPktFrom", config.ReportToPktFrom);
  rule.ReportToPktTo = ReadTemplateName(run, file, "ReportToPktTo", config.ReportToPktTo);
}

// The save template must exist even when the rule saves nothing.
void ReadSaveTemplate(Run& run, ConfigFile& file, TRo& rule) {
  rule.SaveTemplate = FileNamePart(file.ReadValue("SaveTemplate", "save.tpl"));
  if (!platform::FileExists(run.Config.TemplatePath + rule.SaveTemplate)) {
    FailFileNotFound(run, rule.SaveTemplate, RuleLineText(run, file));
  }
}

// The keys are read in a fixed order, which decides the error a faulty section
// reports first.
TRo ReadRule(Run& run, ConfigFile& file, int ruleNumber) {
  TRo rule;
  rule.PktFrom = ExpandAddressMacros(file.ReadValue("PktFrom", "*"), run.Own);
  rule.PktTo = ExpandAddressMacros(file.ReadValue("PktTo", "*"), run.Own);
  rule.Area = file.ReadList("Area", " ", "");
  if (rule.Area.empty()) FailRuleKey(run, file, "Area", ruleNumber);
  rule.Area = CollapseBlankRuns(rule.Area);

  rule.Name = file.ReadValue("Name", "*");
  rule.NameFrom = file.ReadValue("NameFrom", "*");
  rule.NameTo = file.ReadValue("NameTo", "*");
  rule.Addr = ReadAddressList(run, file, "Addr");
  rule.AddrFrom = ReadAddressList(run, file, "AddrFrom");
  rule.AddrTo = ReadAddressList(run, file, "AddrTo");
  // A rule aimed at names also catches messages that give no destination address.
  rule.KillAddrToAll = file.ReadYesNo("KillAddrToAll", rule.Name != "*" || rule.NameTo != "*");

  rule.Subj = file.ReadValue("Subj", "*");
  rule.Chrs = file.ReadValue("Chrs", "*");
  rule.PID = file.ReadValue("PID", "*");
  rule.TID = file.ReadValue("TID", "*");
  ReadRuleDate(run, file, "DateFrom", ruleNumber, rule.DateFromText, rule.DateFrom);
  ReadRuleDate(run, file, "DateTo", ruleNumber, rule.DateToText, rule.DateTo);

  ReadRuleTemplates(run, file, rule);
  rule.UplinkAddress = file.ReadValue("UplinkAddress", "");
  rule.UplinkName = file.ReadValue("UplinkName", "SysOp");
  rule.KestalName = file.ReadValue("KestalName", run.Config.KestalName);
  rule.ReportOnly = file.ReadYesNo("ReportOnly", run.Config.SafeMode);
  rule.Copy = UpperCaseAscii(file.ReadValue("Copy", ""));
  rule.Move = UpperCaseAscii(file.ReadValue("Move", ""));
  rule.MsgSize = file.ReadInteger("MsgSize", 0);
  rule.Flag = file.ReadValue("Flag", "");
  rule.KludgeMask = UpperCaseAscii(file.ReadValue("KludgeMask", ""));
  rule.BodyMask = UpperCaseAscii(file.ReadValue("BodyMask", ""));
  rule.ViaMask = UpperCaseAscii(file.ReadValue("ViaMask", ""));
  rule.SaveToFile = file.ReadValue("SaveToFile", "");
  ReadSaveTemplate(run, file, rule);
  return rule;
}

}  // namespace

void LoadRules(Run& run, ConfigFile& file) {
  int ruleNumber = 0;
  while (file.LoadSection("[Ro]")) {
    ++ruleNumber;
    run.Rules.push_back(ReadRule(run, file, ruleNumber));
  }
}

}  // namespace kestal
