#include "Pkt/RuleActions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FReport/Reports.h"
#include "Logger/Log.h"
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
  // A flag only signals to other programs; the message's fate does not hang on it.
  (void)context.Files.WriteFile(flag, "");
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
    // Not yet seen beyond the missing N.msg itself.
    (void)SendMessageReport(reports, reporting, templateName, toName, destination, message);
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

MessageResult ReportAndRemove(const ScanContext& context, int ruleNumber, const TRo& rule,
                              const PacketState& packet, const TPktMsgHeader& message,
                              std::string_view messageBytes) {
  ReportCarryOver& carried = context.Carried;
  carried.UplinkAddr = UplinkAddress(carried.UplinkAddr, rule, packet, message);
  carried.FromName = rule.KestalName;
  const ReportingRule reporting{rule.KestalName, ruleNumber, rule.UplinkName, carried.UplinkAddr};
  SendReports(context, reporting, rule, packet, message);
  if (!rule.SaveToFile.empty()) {
    // Not yet seen beyond the text missing from the file.
    (void)SaveMessageToFile(context.Reports, reporting, rule.SaveTemplate, rule.SaveToFile,
                            message);
  }
  context.Log.Write(message.FromName + "->" + message.ToName + ", " + message.Subject + " (" +
                        message.Area + ")",
                    true, kMessageLogLevel);
  if (context.Traffic.State.Enabled) {
    CountCaughtMessage(context, message, static_cast<uint32_t>(messageBytes.size()));
  }
  return rule.ReportOnly ? MessageResult::Keep : MessageResult::Remove;
}

}  // namespace

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
