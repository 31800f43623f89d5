#include "Pkt/RuleActions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FReport/Reports.h"
#include "Logger/Log.h"
#include "Platform/Files.h"
#include "RoTrf/Traffic.h"
#include "RoTypes/Run.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kMessageLogLevel = 2;
constexpr char kPacketSysopName[] = "Sysop";

// The address without its point part, followed by `pointText`.
std::string NodeText(const TFidoAddr& address, std::string_view pointText) {
  return FormatAddress(address.Zone, address.Net, address.Node, 0) + std::string(pointText);
}

void CreateFlag(Run& run, const std::string& flag) {
  WriteLog(run, run.Lang.LangFlagCreated + " \"" + flag + "\"", true, kMessageLogLevel);
  platform::WriteFile(flag, "");
}

// Adds the message to the packet under another area tag; false when the message
// has no area line to replace (netmail).
bool AddUnderArea(PacketState& packet, const std::string& messageBytes, const std::string& tag) {
  std::string copy = messageBytes;
  if (!ReplaceAreaLine(copy, tag)) return false;
  packet.Output.Append(copy);
  ++packet.CopiesAndMoves;
  return true;
}

void ReplaceAddressMacros(std::string& text, std::string_view name, const TFidoAddr& address) {
  ReplaceAll(text, Concat({"%", name, "%"}), FormatAddress(address));
  ReplaceAll(text, Concat({"%", name, "Node%"}), NodeText(address, ".0"));
}

void SetUplinkAddress(Run& run, const TRo& rule, const PacketState& packet,
                      const TPktMsgHeader& message) {
  std::string text = rule.UplinkAddress;
  ReplaceAddressMacros(text, "PktFrom", packet.Orig);
  ReplaceAddressMacros(text, "PktTo", packet.Dest);
  ReplaceAddressMacros(text, "AddrFrom", message.FromAddr);
  ReplaceAddressMacros(text, "AddrTo", message.ToAddr);
  ParseAddress(text, run.Report.UplinkAddr);
}

void SendReports(Run& run, const TRo& rule, const PacketState& packet,
                 const TPktMsgHeader& message) {
  if (!rule.ReportToMain.empty()) {
    SendMessageReport(run, rule.ReportToMain, run.Config.SysopName,
                      OwnAddressFor(message.FromAddr, run.Own), message);
  }
  if (!rule.ReportToRo.empty()) {
    SendMessageReport(run, rule.ReportToRo, message.FromName, message.FromAddr, message);
  }
  if (!rule.ReportToUplink.empty()) {
    SendMessageReport(run, rule.ReportToUplink, run.Report.UplinkNameText, run.Report.UplinkAddr,
                      message);
  }
  if (!rule.ReportToPktFrom.empty()) {
    SendMessageReport(run, rule.ReportToPktFrom, kPacketSysopName, packet.Orig, message);
  }
  if (!rule.ReportToPktTo.empty()) {
    SendMessageReport(run, rule.ReportToPktTo, kPacketSysopName, packet.Dest, message);
  }
}

void CountCaughtMessage(Run& run, const TPktMsgHeader& message, uint32_t size) {
  const TrafficState& traffic = run.Traffic;
  CountTraffic(run, message.Area, traffic.RunDate, size);
  AppendNameRecord(run, message.Area, traffic.RunDate, traffic.RunTime, message.DateTime,
                   message.FromName, message.ToName, message.Subject, size,
                   FormatAddress(message.FromAddr));
}

MessageResult ReportAndRemove(Run& run, const TRo& rule, const PacketState& packet,
                              const TPktMsgHeader& message, const std::string& messageBytes) {
  run.Report.UplinkNameText = rule.UplinkName;
  SetUplinkAddress(run, rule, packet, message);
  run.Report.ReportFromName = rule.KestalName;
  SendReports(run, rule, packet, message);
  if (!rule.SaveToFile.empty()) {
    SaveMessageToFile(run, rule.SaveTemplate, rule.SaveToFile, message);
  }
  WriteLog(run,
           message.FromName + "->" + message.ToName + ", " + message.Subject + " (" +
               message.Area + ")",
           true, kMessageLogLevel);
  if (run.Traffic.Enabled) {
    CountCaughtMessage(run, message, static_cast<uint32_t>(messageBytes.size()));
  }
  return rule.ReportOnly ? MessageResult::Keep : MessageResult::Remove;
}

}  // namespace

std::optional<MessageResult> ApplyRuleActions(Run& run, const TRo& rule, PacketState& packet,
                                              const TPktMsgHeader& message,
                                              const std::string& messageBytes) {
  if (!rule.Flag.empty()) CreateFlag(run, rule.Flag);
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
  return ReportAndRemove(run, rule, packet, message, messageBytes);
}

}  // namespace kestal
