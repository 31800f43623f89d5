#include "FReport/Reports.h"

#include <vector>

#include "FReport/Macros.h"
#include "FReport/Netmail.h"
#include "Platform/Files.h"
#include "RoTypes/Run.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr std::string_view kErrorReportFrom = "Kestal";
constexpr std::string_view kErrorReportTo = "SysOp";

// Header, expanded body and tail of a report from ReportFromName, written as N.msg.
void SendReport(Run& run, const std::string& toName, const TFidoAddr& destination,
                const std::string& body) {
  const TFidoAddr origin = OwnAddressFor(destination, run.Own);
  std::string text = BuildMsgHead(run, run.Report.ReportFromName, origin, toName, destination,
                                  run.Report.ReportSubject);
  text += body;
  AppendTail(run, origin, text);
  WriteNetmail(run, destination, text);
}

}  // namespace

std::string ReadTemplate(Run& run, const std::string& templateName) {
  const std::vector<std::string> lines =
      SplitTextLines(platform::ReadWholeFile(run.Config.TemplatePath + templateName));
  if (lines.empty()) return {};
  run.Report.ReportSubject = lines.front();
  std::string body;
  for (size_t i = 1; i < lines.size(); ++i) body += lines[i] + "\r\n";
  return body;
}

void SendMessageReport(Run& run, const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TPktMsgHeader& message) {
  if (FormatAddress(destination) == "1:0/0") return;
  std::string body = ReadTemplate(run, templateName);
  ExpandMessageMacros(run, body, message);
  SendReport(run, toName, destination, body);
}

void SendRuleEndReport(Run& run, const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TRo& rule,
                       const std::string& sectionText) {
  if (FormatAddress(destination) == "1:0/0") return;
  std::string body = ReadTemplate(run, templateName);
  ExpandRuleEndMacros(run, body, toName, destination, rule, sectionText);
  SendReport(run, toName, destination, body);
}

void SaveMessageToFile(Run& run, const std::string& templateName, const std::string& fileName,
                       const TPktMsgHeader& message) {
  std::string body = ReadTemplate(run, templateName);
  ExpandMessageMacros(run, body, message);
  platform::AppendFile(fileName, body);
}

void SendErrorReport(Run& run, const std::string& text) {
  const std::string& errorWord = run.Lang.LangError;
  run.Report.ReportSubject = errorWord.substr(0, errorWord.empty() ? 0 : errorWord.size() - 1);
  const TFidoAddr& main = run.Own.Main();
  std::string message = BuildMsgHead(run, std::string(kErrorReportFrom), main,
                                     std::string(kErrorReportTo), main, run.Report.ReportSubject);
  message += text;
  AppendTail(run, main, message);
  WriteNetmail(run, main, message);
}

}  // namespace kestal
