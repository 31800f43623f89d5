#include "FReport/Reports.h"

#include <vector>

#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr std::string_view kErrorReportFrom = "Kestal";
constexpr std::string_view kErrorReportTo = "SysOp";

// Header, expanded body and tail of a report, written as N.msg.
ActionResult SendReport(const ReportContext& context, const std::string& fromName,
                const std::string& subject, const std::string& toName,
                const TFidoAddr& destination, const std::string& body) {
  const TFidoAddr origin = OwnAddressFor(destination, context.Own);
  std::string text = BuildMsgHead(context, fromName, origin, toName, destination, subject);
  text += body;
  AppendTail(context.Config, origin, text);
  return WriteNetmail(context, destination, text);
}

const std::string& SubjectOf(const ReportContext& context, const ReportTemplate& report) {
  if (report.Subject) context.Netmail.LastSubject = *report.Subject;
  return context.Netmail.LastSubject;
}

}  // namespace

ReportTemplate ReadTemplate(const ReportContext& context, const std::string& templateName) {
  const std::optional<std::string> bytes =
      context.Files.ReadFile(context.Config.TemplatePath + templateName);
  const std::vector<std::string> lines = SplitTextLines(bytes.value_or(std::string()));
  ReportTemplate report;
  if (lines.empty()) return report;
  report.Subject = lines.front();
  for (size_t i = 1; i < lines.size(); ++i) report.Body += lines[i] + "\r\n";
  return report;
}

ActionResult SendMessageReport(const ReportContext& context, const ReportingRule& rule,
                       const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TPktMsgHeader& message) {
  if (FormatAddress(destination) == "1:0/0") return ActionResult::Done();
  ReportTemplate report = ReadTemplate(context, templateName);
  ExpandMessageMacros(report.Body, message, rule, context.Clock.Now());
  return SendReport(context, rule.FromName, SubjectOf(context, report), toName, destination,
                    report.Body);
}

ActionResult SendRuleEndReport(const ReportContext& context, const std::string& fromName,
                       const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TRo& rule,
                       const std::string& sectionText) {
  if (FormatAddress(destination) == "1:0/0") return ActionResult::Done();
  ReportTemplate report = ReadTemplate(context, templateName);
  ExpandRuleEndMacros(context, report.Body, toName, destination, rule, sectionText);
  return SendReport(context, fromName, SubjectOf(context, report), toName, destination,
                    report.Body);
}

ActionResult SaveMessageToFile(const ReportContext& context, const ReportingRule& rule,
                       const std::string& templateName, const std::string& fileName,
                       const TPktMsgHeader& message) {
  ReportTemplate report = ReadTemplate(context, templateName);
  (void)SubjectOf(context, report);  // the saved text has no subject, but it is the last one read
  ExpandMessageMacros(report.Body, message, rule, context.Clock.Now());
  const platform::FileStatus appended = context.Files.AppendFile(fileName, report.Body);
  if (!appended) return ActionResult::Failed(fileName + ": " + appended.Reason());
  return ActionResult::Done();
}

ActionResult SendErrorReport(const ReportContext& context, const std::string& errorWord,
                     const std::string& text) {
  context.Netmail.LastSubject = errorWord.substr(0, errorWord.empty() ? 0 : errorWord.size() - 1);
  const TFidoAddr& main = context.Own.Main();
  std::string message =
      BuildMsgHead(context, std::string(kErrorReportFrom), main, std::string(kErrorReportTo),
                   main, context.Netmail.LastSubject);
  message += text;
  AppendTail(context.Config, main, message);
  return WriteNetmail(context, main, message);
}

}  // namespace kestal
