#pragma once

#include <string>

#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

struct Run;

// The macros of reports about a caught message, replaced in one pass: what the
// message brings in (names, subject, text) is never searched for macros.
void ExpandMessageMacros(const Run& run, std::string& text, const TPktMsgHeader& message);

// The macros of a report that `rule` has expired, sent to `toName` at `destination`.
// `sectionText` is the rule's section, each line ended by CR.
void ExpandRuleEndMacros(const Run& run, std::string& text, const std::string& toName,
                         const TFidoAddr& destination, const TRo& rule,
                         const std::string& sectionText);

}  // namespace kestal
