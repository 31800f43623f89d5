#include "Pkt/RuleMatch.h"

#include <string>
#include <string_view>

#include "Pkt/Message.h"
#include "RoTypes/Run.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int8_t kNotTried = -1;

void ReplaceWithExclusion(std::string& list, std::string_view name, const std::string& value) {
  ReplaceAll(list, "%" + std::string(name) + "%", value);
  ReplaceAll(list, "%!" + std::string(name) + "%", "!" + value);
}

void ReplacePacketAddress(std::string& list, std::string_view name, const TFidoAddr& address) {
  ReplaceWithExclusion(list, name, FormatAddress(address));
  // The node and all its points.
  ReplaceWithExclusion(list, std::string(name) + "Node",
                       FormatAddress(address.Zone, address.Net, address.Node, 0) + ".*");
}

}  // namespace

std::string ExpandPacketMacros(std::string list, const TFidoAddr& packetOrig,
                               const TFidoAddr& packetDest) {
  if (list.find('%') == std::string::npos) return list;
  ReplacePacketAddress(list, "PktFrom", packetOrig);
  ReplacePacketAddress(list, "PktTo", packetDest);
  return list;
}

PacketRules::PacketRules(const Run& run, const TFidoAddr& packetOrig, const TFidoAddr& packetDest)
    : rules_(run.Rules),
      own_(run.Own),
      today_(run.Today),
      removeRe_(run.Config.RemoveRe),
      packetOrig_(packetOrig),
      packetDest_(packetDest),
      forPacket_(run.Rules.size()) {}

bool PacketRules::AreaMatches(size_t index, const std::string& area) {
  if (lastAreaResults_ == nullptr || area != lastArea_) {
    auto [entry, added] = areaResults_.try_emplace(area);
    if (added) entry->second.assign(rules_.size(), kNotTried);
    lastArea_ = area;
    lastAreaResults_ = &entry->second;  // map values stay where they are
  }
  int8_t& result = (*lastAreaResults_)[index];
  if (result == kNotTried) result = TextInMaskList(area, rules_[index].Area) ? 1 : 0;
  return result == 1;
}

AddressMaskList PacketRules::PreparedMasks(const std::string& list) const {
  return ParseAddressMaskList(ExpandPacketMacros(list, packetOrig_, packetDest_), own_);
}

const PacketRules::ForPacket& PacketRules::PreparedFor(size_t index) {
  std::optional<ForPacket>& prepared = forPacket_[index];
  if (!prepared) {
    const TRo& rule = rules_[index];
    prepared.emplace();
    prepared->PacketMatches = AddressInMaskList(packetOrig_, rule.PktFrom, own_) &&
                              AddressInMaskList(packetDest_, rule.PktTo, own_);
    prepared->AddrFrom = PreparedMasks(rule.AddrFrom);
    prepared->AddrTo = PreparedMasks(rule.AddrTo);
    prepared->Addr = PreparedMasks(rule.Addr);
    prepared->Subj = StripReplyPrefix(rule.Subj, removeRe_);
  }
  return *prepared;
}

bool PacketRules::Matches(size_t index, MessageUnderTest& message) {
  const TRo& rule = rules_[index];
  const TPktMsgHeader& framed = message.Framed();
  if (!AreaMatches(index, framed.Area)) return false;
  const ForPacket& prepared = PreparedFor(index);
  if (!prepared.PacketMatches) return false;
  if (!TextMatchesMask(framed.FromName, rule.Name) && !TextMatchesMask(framed.ToName, rule.Name)) {
    return false;
  }
  if (!TextMatchesMask(framed.FromName, rule.NameFrom)) return false;
  if (!TextMatchesMask(framed.ToName, rule.NameTo)) return false;
  return AddressesMatch(rule, prepared, message) && TextsMatch(rule, prepared, message);
}

bool PacketRules::AddressesMatch(const TRo& rule, const ForPacket& prepared,
                                 MessageUnderTest& message) const {
  const TPktMsgHeader& parsed = message.Parsed();
  const bool writtenToAll = parsed.ToAddrUnknown && rule.KillAddrToAll;
  if (!AddressInMasks(parsed.FromAddr, prepared.Addr) &&
      !AddressInMasks(parsed.ToAddr, prepared.Addr) && !writtenToAll) {
    return false;
  }
  if (!AddressInMasks(parsed.FromAddr, prepared.AddrFrom)) return false;
  return writtenToAll || AddressInMasks(parsed.ToAddr, prepared.AddrTo);
}

bool PacketRules::TextsMatch(const TRo& rule, const ForPacket& prepared,
                             MessageUnderTest& message) const {
  const TPktMsgHeader& parsed = message.Parsed();
  if (!TextMatchesMask(parsed.Subject, prepared.Subj)) return false;
  if (!TextMatchesMask(parsed.Chrs, rule.Chrs)) return false;
  if (!TextMatchesMask(parsed.Pid, rule.PID)) return false;
  if (!TextMatchesMask(parsed.Tid, rule.TID)) return false;
  if (today_ < rule.DateFrom || rule.DateTo < today_) return false;
  // The masks were upper-cased when the rules were read.
  if (!rule.BodyMask.empty() && message.UpperBody().find(rule.BodyMask) == std::string::npos) {
    return false;
  }
  if (!rule.KludgeMask.empty() &&
      message.UpperKludges().find(rule.KludgeMask) == std::string::npos) {
    return false;
  }
  if (!rule.ViaMask.empty() && message.UpperVias().find(rule.ViaMask) == std::string::npos) {
    return false;
  }
  return static_cast<int64_t>(message.Bytes().size()) > rule.MsgSize;
}

}  // namespace kestal
