#pragma once

#include <string>

#include "FReport/Netmail.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

// The rule that caught a message, as the reports about the message show it.
struct ReportingRule {
  std::string FromName;  // the rule's KestalName, the reports' sender
  int Number = 0;        // from 1, in configuration order
  std::string UplinkName;
  TFidoAddr UplinkAddr;  // its UplinkAddress with the message's and packet's addresses filled in
};

// The macros of reports about a caught message, replaced in one pass: what the
// message brings in (names, subject, text) is never searched for macros.
// `now` is the time the report is written.
void ExpandMessageMacros(std::string& text, const TPktMsgHeader& message,
                         const ReportingRule& rule, const TDateTime& now);

// The macros of a report that `rule` has expired, sent to `toName` at `destination`.
// `sectionText` is the rule's section, each line ended by CR.
void ExpandRuleEndMacros(const ReportContext& context, std::string& text, const std::string& toName,
                         const TFidoAddr& destination, const TRo& rule,
                         const std::string& sectionText);

}  // namespace kestal
