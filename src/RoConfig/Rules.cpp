#include "RoConfig/Rules.h"

#include <optional>
#include <string>

#include "RoConfig/ConfigFile.h"
#include "RoConfig/ConfigValues.h"
#include "RoConfig/Config.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

// " (" + LangLine + " " + section line + ", " + key line + ")"
std::string RuleLineText(const LangFile& lang, const ConfigFile& file) {
  return LineText(lang, std::to_string(file.SectionLine()) + ", " + std::to_string(file.KeyLine()));
}

[[noreturn]] void FailRuleKey(const ConfigContext& context, const ConfigFile& file, std::string_view key,
                              int ruleNumber) {
  FailConfig(context,
             KeyErrorText(context.Lang, key, context.Lang.LangInRoSection + std::to_string(ruleNumber)) +
                 RuleLineText(context.Lang, file),
             3);
}

std::string ReadAddressList(const ConfigContext& context, ConfigFile& file, std::string_view key) {
  return ExpandAddressMacros(file.ReadList(key, " ", "*"), context.Own);
}

void ReadRuleDate(const ConfigContext& context, ConfigFile& file, std::string_view key, int ruleNumber,
                  std::string& text, TDate& date) {
  text = file.ReadValue(key, context.Day.TodayText);
  const std::optional<TDate> parsed = ParseDate(text, context.Day.DateFmt, context.Day.Today.Year);
  if (!parsed) FailRuleKey(context, file, key, ruleNumber);
  date = *parsed;
}

void ReadRuleTemplates(const ConfigContext& context, ConfigFile& file, TRo& rule) {
  const Settings& config = context.Config;
  rule.ReportToMain = ReadTemplateName(context, file, "ReportToMain", config.ReportToMain);
  rule.ReportToRo = ReadTemplateName(context, file, "ReportToRo", config.ReportToRo);
  rule.ReportToUplink = ReadTemplateName(context, file, "ReportToUplink", config.ReportToUplink);
  rule.ReportToMainEnd = ReadTemplateName(context, file, "ReportToMainEnd", config.ReportToMainEnd);
  rule.ReportToRoEnd = ReadTemplateName(context, file, "ReportToRoEnd", config.ReportToRoEnd);
  rule.ReportToUplinkEnd =
      ReadTemplateName(context, file, "ReportToUplinkEnd", config.ReportToUplinkEnd);
  rule.ReportToPktFrom = ReadTemplateName(context, file, "ReportToPktFrom", config.ReportToPktFrom);
  rule.ReportToPktTo = ReadTemplateName(context, file, "ReportToPktTo", config.ReportToPktTo);
}

// The save template must exist even when the rule saves nothing.
void ReadSaveTemplate(const ConfigContext& context, ConfigFile& file, TRo& rule) {
  rule.SaveTemplate = FileNamePart(file.ReadValue("SaveTemplate", "save.tpl"));
  if (!context.Files.FileExists(context.Config.TemplatePath + rule.SaveTemplate)) {
    FailFileNotFound(context, rule.SaveTemplate, RuleLineText(context.Lang, file));
  }
}

// The keys are read in a fixed order, which decides the error a faulty section
// reports first.
TRo ReadRule(const ConfigContext& context, ConfigFile& file, int ruleNumber) {
  TRo rule;
  rule.PktFrom = ExpandAddressMacros(file.ReadValue("PktFrom", "*"), context.Own);
  rule.PktTo = ExpandAddressMacros(file.ReadValue("PktTo", "*"), context.Own);
  rule.Area = file.ReadList("Area", " ", "");
  if (rule.Area.empty()) FailRuleKey(context, file, "Area", ruleNumber);
  rule.Area = CollapseBlankRuns(rule.Area);

  rule.Name = file.ReadValue("Name", "*");
  rule.NameFrom = file.ReadValue("NameFrom", "*");
  rule.NameTo = file.ReadValue("NameTo", "*");
  rule.Addr = ReadAddressList(context, file, "Addr");
  rule.AddrFrom = ReadAddressList(context, file, "AddrFrom");
  rule.AddrTo = ReadAddressList(context, file, "AddrTo");
  // A rule aimed at names also catches messages that give no destination address.
  rule.KillAddrToAll = file.ReadYesNo("KillAddrToAll", rule.Name != "*" || rule.NameTo != "*");

  rule.Subj = file.ReadValue("Subj", "*");
  rule.Chrs = file.ReadValue("Chrs", "*");
  rule.PID = file.ReadValue("PID", "*");
  rule.TID = file.ReadValue("TID", "*");
  ReadRuleDate(context, file, "DateFrom", ruleNumber, rule.DateFromText, rule.DateFrom);
  ReadRuleDate(context, file, "DateTo", ruleNumber, rule.DateToText, rule.DateTo);

  ReadRuleTemplates(context, file, rule);
  rule.UplinkAddress = file.ReadValue("UplinkAddress", "");
  rule.UplinkName = file.ReadValue("UplinkName", "SysOp");
  rule.KestalName = file.ReadValue("KestalName", context.Config.KestalName);
  rule.ReportOnly = file.ReadYesNo("ReportOnly", context.Config.SafeMode);
  rule.Copy = UpperCaseAscii(file.ReadValue("Copy", ""));
  rule.Move = UpperCaseAscii(file.ReadValue("Move", ""));
  rule.MsgSize = file.ReadInteger("MsgSize", 0);
  rule.Flag = file.ReadValue("Flag", "");
  rule.KludgeMask = UpperCaseAscii(file.ReadValue("KludgeMask", ""));
  rule.BodyMask = UpperCaseAscii(file.ReadValue("BodyMask", ""));
  rule.ViaMask = UpperCaseAscii(file.ReadValue("ViaMask", ""));
  rule.SaveToFile = file.ReadValue("SaveToFile", "");
  ReadSaveTemplate(context, file, rule);
  return rule;
}

}  // namespace

void LoadRules(const ConfigContext& context, ConfigFile& file) {
  int ruleNumber = 0;
  while (file.LoadSection("[Ro]")) {
    ++ruleNumber;
    context.Rules.push_back(ReadRule(context, file, ruleNumber));
  }
}

}  // namespace kestal
