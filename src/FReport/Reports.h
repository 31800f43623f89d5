#pragma once

#include <string>

#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

struct Run;

// A report about a caught message, through a template in TemplatePath.
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
