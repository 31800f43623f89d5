#pragma once

#include <string>

#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

struct Run;

// The body of the template TemplatePath + name, each line after the first ended
// by CR LF. The first line becomes run.Report.ReportSubject; an unreadable or
// empty template gives an empty body and leaves the subject as it was.
std::string ReadTemplate(Run& run, const std::string& templateName);

// A report about a caught message, through a template in TemplatePath. Nothing
// is written for the destination 1:0/0, which an uplink address whose macros
// stood for an address the message does not give becomes.
void SendMessageReport(Run& run, const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TPktMsgHeader& message);
// A report that a rule has expired; `sectionText` is its section, lines ended by CR.
void SendRuleEndReport(Run& run, const std::string& templateName, const std::string& toName,
                       const TFidoAddr& destination, const TRo& rule,
                       const std::string& sectionText);
// Appends the message, written through the template, to `fileName`.
void SaveMessageToFile(Run& run, const std::string& templateName, const std::string& fileName,
                       const TPktMsgHeader& message);
// Mails a logged error text to the sysop.
void SendErrorReport(Run& run, const std::string& text);

}  // namespace kestal
