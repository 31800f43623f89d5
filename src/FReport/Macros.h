#pragma once

#include <string>
#include <string_view>

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

// Replaces every occurrence of `macro` by `value`, as ReplaceAll does. A macro
// directly followed by "(" letter "," width ")" gets the value aligned in that
// width: L left, R right, anything else centred; a longer value is cut to it.
void ReplaceAligned(std::string& text, std::string_view macro, std::string_view value);

// The macros of reports about a caught message, in their fixed order.
// `now` is the time the report is written.
void ExpandMessageMacros(std::string& text, const TPktMsgHeader& message,
                         const ReportingRule& rule, const TDateTime& now);

// The macros of a report that `rule` has expired, sent to `toName` at `destination`.
// `sectionText` is the rule's section, each line ended by CR.
void ExpandRuleEndMacros(const ReportContext& context, std::string& text, const std::string& toName,
                         const TFidoAddr& destination, const TRo& rule,
                         const std::string& sectionText);

}  // namespace kestal
