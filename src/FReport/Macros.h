#pragma once

#include <string>
#include <string_view>

#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

struct Run;

// Replaces every occurrence of `macro` by `value`, as ReplaceAll does. A macro
// directly followed by "(" letter "," width ")" gets the value aligned in that
// width: L left, R right, anything else centred; a longer value is cut to it.
void ReplaceAligned(std::string& text, std::string_view macro, std::string_view value);

// The macros of reports about a caught message, in their fixed order.
void ExpandMessageMacros(const Run& run, std::string& text, const TPktMsgHeader& message);

// The macros of a report that `rule` has expired, sent to `toName` at `destination`.
// `sectionText` is the rule's section, each line ended by CR.
void ExpandRuleEndMacros(const Run& run, std::string& text, const std::string& toName,
                         const TFidoAddr& destination, const TRo& rule,
                         const std::string& sectionText);

}  // namespace kestal
