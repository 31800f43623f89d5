#pragma once

#include <optional>
#include <string>

#include "FReport/Macros.h"
#include "FReport/Netmail.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

// A report template: its first line is the report's subject, the rest its body.
struct ReportTemplate {
  std::optional<std::string> Subject;  // none when the template is unreadable or empty
  std::string Body;                    // each line ended by CR LF
};

// The template TemplatePath + name.
ReportTemplate ReadTemplate(const ReportContext& context, const std::string& templateName);

// The reports keep the subject of the last one: a template that cannot be read
// (the start-up checks found it, so it went missing since) still gives a report,
// under that subject and with an empty body.
//
// Each says whether the report was written, and when not, its path and why.

// A report about a caught message, through a template in TemplatePath. Nothing
// is written for the destination 1:0/0, which an uplink address whose macros
// stood for an address the message does not give becomes.
ActionResult SendMessageReport(const ReportContext& context, const ReportingRule& rule,
                             const std::string& templateName, const std::string& toName,
                             const TFidoAddr& destination, const TPktMsgHeader& message);
// A report from `fromName` that `rule` has expired; `sectionText` is its section,
// lines ended by CR.
ActionResult SendRuleEndReport(const ReportContext& context, const std::string& fromName,
                             const std::string& templateName, const std::string& toName,
                             const TFidoAddr& destination, const TRo& rule,
                             const std::string& sectionText);
// Appends the message, written through the template, to `fileName`.
ActionResult SaveMessageToFile(const ReportContext& context, const ReportingRule& rule,
                             const std::string& templateName, const std::string& fileName,
                             const TPktMsgHeader& message);
// Mails a logged error text to the sysop, under the error word without its last
// character (its colon).
ActionResult SendErrorReport(const ReportContext& context, const std::string& errorWord,
                             const std::string& text);

}  // namespace kestal
