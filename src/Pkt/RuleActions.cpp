#include "Pkt/RuleActions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FReport/Reports.h"
#include "Logger/Log.h"
#include "Pkt/MessageText.h"
#include "Pkt/ScanContext.h"
#include "RoTrf/Traffic.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kMessageLogLevel = 2;
constexpr char kPacketSysopName[] = "Sysop";

void CreateFlag(const ScanContext& context, const std::string& flag) {
  context.Log.Write(context.Lang.LangFlagCreated + " \"" + flag + "\"", true, kMessageLogLevel);
  const platform::FileStatus created = context.Files.WriteFile(flag, "");
  if (!created) ReportFailure(context, "flag not created", flag + ": " + created.Reason());
}

// Adds the message to the packet under another area tag; false when the message
// has no area line to replace (netmail).
bool AddUnderArea(PacketState& packet, std::string_view messageBytes, const std::string& tag) {
  std::string copy(messageBytes);
  if (!ReplaceAreaLine(copy, tag)) return false;
  packet.Output.Append(copy);
  ++packet.CopiesAndMoves;
  return true;
}

void ReplaceAddressMacros(std::string& text, std::string_view name, const TFidoAddr& address) {
  ReplaceAll(text, Concat({"%", name, "%"}), FormatAddress(address));
  ReplaceAll(text, Concat({"%", name, "Node%"}), FormatNodeAddress(address) + ".0");
}

TFidoAddr UplinkAddress(TFidoAddr last, const TRo& rule, const PacketState& packet,
                        const TPktMsgHeader& message) {
  std::string text = rule.UplinkAddress;
  ReplaceAddressMacros(text, "PktFrom", packet.Orig);
  ReplaceAddressMacros(text, "PktTo", packet.Dest);
  ReplaceAddressMacros(text, "AddrFrom", message.FromAddr);
  ReplaceAddressMacros(text, "AddrTo", message.ToAddr);
  // Parts the text leaves out, or a text that is no address, keep the last ones.
  (void)ParseAddress(text, last);
  return last;
}

void SendReports(const ScanContext& context, const ReportingRule& reporting, const TRo& rule,
                 const PacketState& packet, const TPktMsgHeader& message) {
  const ReportContext& reports = context.Reports;
  auto send = [&](const std::string& templateName, const std::string& toName,
                  const TFidoAddr& destination) {
    if (templateName.empty()) return;
    const ActionResult sent =
        SendMessageReport(reports, reporting, templateName, toName, destination, message);
    if (!sent) ReportFailure(context, "report not written", sent.Failure());
  };
  send(rule.ReportToMain, context.Config.SysopName, OwnAddressFor(message.FromAddr, context.Own));
  send(rule.ReportToRo, message.FromName, message.FromAddr);
  send(rule.ReportToUplink, reporting.UplinkName, reporting.UplinkAddr);
  send(rule.ReportToPktFrom, kPacketSysopName, packet.Orig);
  send(rule.ReportToPktTo, kPacketSysopName, packet.Dest);
}

void CountCaughtMessage(const ScanContext& context, const TPktMsgHeader& message, uint32_t size) {
  TrafficState& traffic = context.Traffic.State;
  CountTraffic(traffic.List, message.Area, traffic.RunDate, size);
  AppendNameRecord(context.Traffic, message.Area, traffic.RunDate, traffic.RunTime, message.DateTime,
                   message.FromName, message.ToName, message.Subject, size,
                   FormatAddress(message.FromAddr));
}

// The saved copy is written before anything else: when it cannot be, the message
// stays in its packet, since the copy may be the only one the sysop keeps.
MessageResult ReportAndRemove(const ScanContext& context, int ruleNumber, const TRo& rule,
                              PacketState& packet, const TPktMsgHeader& message,
                              std::string_view messageBytes) {
  ReportCarryOver& carried = context.Carried;
  const TFidoAddr uplink = UplinkAddress(carried.UplinkAddr, rule, packet, message);
  const ReportingRule reporting{rule.KestalName, ruleNumber, rule.UplinkName, uplink};
  if (!rule.SaveToFile.empty()) {
    const ActionResult saved =
        SaveMessageToFile(context.Reports, reporting, rule.SaveTemplate, rule.SaveToFile, message);
    if (!saved) {
      ReportFailure(context, "message not saved, so kept", saved.Failure());
      return MessageResult::Keep;
    }
  }
  carried.UplinkAddr = uplink;
  carried.FromName = rule.KestalName;
  context.Log.Write(message.FromName + "->" + message.ToName + ", " + message.Subject + " (" +
                        message.Area + ")",
                    true, kMessageLogLevel);
  packet.Caught.push_back(
      CaughtMessage{&rule, reporting, message, static_cast<uint32_t>(messageBytes.size())});
  return rule.ReportOnly ? MessageResult::Keep : MessageResult::Remove;
}

}  // namespace

void ReportCaughtMessages(const ScanContext& context, const PacketState& packet) {
  for (const CaughtMessage& caught : packet.Caught) {
    SendReports(context, caught.Reporting, *caught.Rule, packet, caught.Message);
    if (context.Traffic.State.Enabled) CountCaughtMessage(context, caught.Message, caught.Size);
  }
}

std::optional<MessageResult> ApplyRuleActions(const ScanContext& context, int ruleNumber,
                                              const TRo& rule, PacketState& packet,
                                              const TPktMsgHeader& message,
                                              std::string_view messageBytes) {
  if (!rule.Flag.empty()) CreateFlag(context, rule.Flag);
  if (!rule.Copy.empty()) {
    AddUnderArea(packet, messageBytes, rule.Copy);
    return std::nullopt;
  }
  if (!rule.Move.empty()) {
    // Without an area line there is nothing to move: the message stays where it
    // is rather than vanish uncounted, and nobody is told about a move that did
    // not happen.
    return AddUnderArea(packet, messageBytes, rule.Move) ? MessageResult::Moved
                                                         : MessageResult::Keep;
  }
  return ReportAndRemove(context, ruleNumber, rule, packet, message, messageBytes);
}

}  // namespace kestal
