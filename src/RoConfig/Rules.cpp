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

// What a key left out of the section stands for, where [General] does not set it.
const TRo kDefaults{};

// " (" + LangLine + " " + section line + ", " + key line + ")"
std::string RuleLineText(const LangFile& lang, const ConfigFile& file) {
  return LineText(lang, std::to_string(file.SectionLine()) + ", " + std::to_string(file.KeyLine()));
}

// `detail`: what more there is to say after the lines.
[[noreturn]] void FailRuleKey(const ConfigContext& context, const ConfigFile& file, std::string_view key,
                              int ruleNumber, const std::string& detail = "") {
  FailConfig(context,
             KeyErrorText(context.Lang, key, context.Lang.LangInRoSection + std::to_string(ruleNumber)) +
                 RuleLineText(context.Lang, file) + detail,
             3);
}

// A list file that cannot be taken is a wrong value of its key.
std::string ReadRuleList(const ConfigContext& context, ConfigFile& file, std::string_view key,
                         int ruleNumber, std::string_view defaultValue) {
  std::string list = file.ReadList(key, " ", defaultValue);
  if (const std::optional<ListFault>& fault = file.LastListFault()) {
    FailRuleKey(context, file, key, ruleNumber, ": " + fault->Path + ": " + fault->Reason);
  }
  return list;
}

std::string ReadAddressList(const ConfigContext& context, ConfigFile& file, std::string_view key,
                            int ruleNumber, std::string_view defaultValue) {
  return ExpandAddressMacros(ReadRuleList(context, file, key, ruleNumber, defaultValue), context.Own);
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
  for (const ReportTemplateKey& report : kReportTemplateKeys) {
    rule.*report.Member = ReadTemplateName(context, file, report.Key, config.*report.Member);
  }
}

// The save template must exist even when the rule saves nothing.
void ReadSaveTemplate(const ConfigContext& context, ConfigFile& file, TRo& rule) {
  rule.SaveTemplate = FileNamePart(file.ReadValue("SaveTemplate", kDefaults.SaveTemplate));
  if (!context.Files.FileExists(context.Config.TemplatePath + rule.SaveTemplate)) {
    FailFileNotFound(context, rule.SaveTemplate, RuleLineText(context.Lang, file),
                     context.Config.TemplatePath);
  }
}

// The keys are read in a fixed order, which decides the error a faulty section
// reports first.
TRo ReadRule(const ConfigContext& context, ConfigFile& file, int ruleNumber) {
  TRo rule;
  rule.PktFrom = ExpandAddressMacros(file.ReadValue("PktFrom", kDefaults.PktFrom), context.Own);
  rule.PktTo = ExpandAddressMacros(file.ReadValue("PktTo", kDefaults.PktTo), context.Own);
  rule.Area = ReadRuleList(context, file, "Area", ruleNumber, kDefaults.Area);
  if (rule.Area.empty()) FailRuleKey(context, file, "Area", ruleNumber);
  rule.Area = CollapseBlankRuns(rule.Area);

  rule.Name = file.ReadValue("Name", kDefaults.Name);
  rule.NameFrom = file.ReadValue("NameFrom", kDefaults.NameFrom);
  rule.NameTo = file.ReadValue("NameTo", kDefaults.NameTo);
  rule.Addr = ReadAddressList(context, file, "Addr", ruleNumber, kDefaults.Addr);
  rule.AddrFrom = ReadAddressList(context, file, "AddrFrom", ruleNumber, kDefaults.AddrFrom);
  rule.AddrTo = ReadAddressList(context, file, "AddrTo", ruleNumber, kDefaults.AddrTo);
  // A rule aimed at names also catches messages that give no destination address.
  rule.KillAddrToAll = file.ReadYesNo("KillAddrToAll", rule.Name != kDefaults.Name || rule.NameTo != kDefaults.NameTo);

  rule.Subj = file.ReadValue("Subj", kDefaults.Subj);
  rule.Chrs = file.ReadValue("Chrs", kDefaults.Chrs);
  rule.PID = file.ReadValue("PID", kDefaults.PID);
  rule.TID = file.ReadValue("TID", kDefaults.TID);
  ReadRuleDate(context, file, "DateFrom", ruleNumber, rule.DateFromText, rule.DateFrom);
  ReadRuleDate(context, file, "DateTo", ruleNumber, rule.DateToText, rule.DateTo);

  ReadRuleTemplates(context, file, rule);
  rule.UplinkAddress = file.ReadValue("UplinkAddress", kDefaults.UplinkAddress);
  rule.UplinkName = file.ReadValue("UplinkName", kDefaults.UplinkName);
  rule.KestalName = file.ReadValue("KestalName", context.Config.KestalName);
  rule.ReportOnly = file.ReadYesNo("ReportOnly", context.Config.SafeMode);
  rule.Copy = UpperCaseAscii(file.ReadValue("Copy", kDefaults.Copy));
  rule.Move = UpperCaseAscii(file.ReadValue("Move", kDefaults.Move));
  rule.MsgSize = file.ReadInteger("MsgSize", kDefaults.MsgSize);
  rule.Flag = file.ReadValue("Flag", kDefaults.Flag);
  rule.KludgeMask = UpperCaseAscii(file.ReadValue("KludgeMask", kDefaults.KludgeMask));
  rule.BodyMask = UpperCaseAscii(file.ReadValue("BodyMask", kDefaults.BodyMask));
  rule.ViaMask = UpperCaseAscii(file.ReadValue("ViaMask", kDefaults.ViaMask));
  rule.SaveToFile = file.ReadValue("SaveToFile", kDefaults.SaveToFile);
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
