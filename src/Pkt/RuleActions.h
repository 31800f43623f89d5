#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Pkt/PacketState.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

struct ScanContext;

// What a matching rule does to the message whose rebuilt bytes are
// `messageBytes`: a flag file; a Copy or Move under another area tag, added to
// the packet; or reports, a saved copy, the violation line, traffic counting
// and removal. Empty when the next rule is to be tried (a Copy rule), else the
// message's fate. `ruleNumber` counts from 1 in configuration order.
std::optional<MessageResult> ApplyRuleActions(const ScanContext& context, int ruleNumber,
                                              const TRo& rule, PacketState& packet,
                                              const TPktMsgHeader& message,
                                              std::string_view messageBytes);

// The reports and traffic counts of the packet's caught messages, once the
// packet has been written back (or needed no writing).
void ReportCaughtMessages(const ScanContext& context, const PacketState& packet);

}  // namespace kestal
