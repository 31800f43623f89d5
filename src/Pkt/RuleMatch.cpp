#include "Pkt/RuleMatch.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "Pkt/Message.h"
#include "Pkt/MessageText.h"
#include "Pkt/ScanContext.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

void ReplaceWithExclusion(std::string& list, std::string_view name, const std::string& value) {
  ReplaceAll(list, Concat({"%", name, "%"}), value);
  ReplaceAll(list, Concat({"%!", name, "%"}), Concat({"!", value}));
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

namespace {

// The index answers for the rules it was worked out for; for others it starts afresh.
void KeepIndexFor(const RuleList& rules, RuleAreaIndex& index) {
  const auto sameArea = [](const TRo& rule, const std::string& area) { return rule.Area == area; };
  const bool same = std::equal(rules.begin(), rules.end(), index.AreaLists.begin(),
                               index.AreaLists.end(), sameArea);
  if (same) return;
  index.AreaLists.clear();
  for (const TRo& rule : rules) index.AreaLists.push_back(rule.Area);
  index.RulesForArea.clear();
}

bool AnyText(const std::string& mask) { return mask == "*"; }

}  // namespace

PacketRules::PacketRules(const ScanContext& context, const TFidoAddr& packetOrig, const TFidoAddr& packetDest)
    : rules_(context.Rules),
      areaIndex_(context.RulesByArea),
      own_(context.Own),
      today_(context.Today),
      removeRe_(context.Config.RemoveRe),
      packetOrig_(packetOrig),
      packetDest_(packetDest),
      forPacket_(context.Rules.size()) {
  KeepIndexFor(rules_, areaIndex_);
}

const std::vector<size_t>& PacketRules::RulesForArea(const std::string& area) {
  auto [entry, added] = areaIndex_.RulesForArea.try_emplace(area);
  if (added) {
    for (size_t index = 0; index < rules_.size(); ++index) {
      if (TextInMaskList(area, rules_[index].Area)) entry->second.push_back(index);
    }
  }
  return entry->second;
}

AddressMaskList PacketRules::PreparedMasks(const std::string& list) const {
  if (list.find('%') == std::string::npos) return ParseAddressMaskList(list, own_);
  return ParseAddressMaskList(ExpandPacketMacros(list, packetOrig_, packetDest_), own_);
}

const PacketRules::ForPacket& PacketRules::PreparedFor(size_t index) {
  std::optional<ForPacket>& prepared = forPacket_[index];
  if (!prepared) {
    const TRo& rule = rules_[index];
    prepared.emplace();
    prepared->CanMatch = AddressInMaskList(packetOrig_, rule.PktFrom, own_) &&
                         AddressInMaskList(packetDest_, rule.PktTo, own_) &&
                         !(today_ < rule.DateFrom || rule.DateTo < today_);
    // Most rules leave the address lists at "*": nothing to read for them.
    if (!AnyText(rule.Addr) || !AnyText(rule.AddrFrom) || !AnyText(rule.AddrTo)) {
      prepared->AddrFrom = PreparedMasks(rule.AddrFrom);
      prepared->AddrTo = PreparedMasks(rule.AddrTo);
      prepared->Addr = PreparedMasks(rule.Addr);
      prepared->TestsAddresses = !AdmitsEveryAddress(prepared->Addr) ||
                                 !AdmitsEveryAddress(prepared->AddrFrom) ||
                                 !AdmitsEveryAddress(prepared->AddrTo);
    }
    prepared->Subj = StripReplyPrefix(rule.Subj, removeRe_);
    prepared->TestsNames = !AnyText(rule.Name) || !AnyText(rule.NameFrom) || !AnyText(rule.NameTo);
    prepared->TestsSubject = !AnyText(prepared->Subj);
    prepared->TestsKludgeFields = !AnyText(rule.Chrs) || !AnyText(rule.PID) || !AnyText(rule.TID);
    const std::pair<const std::string*, std::string TPktMsgHeader::*> masks[] = {
        {&rule.BodyMask, &TPktMsgHeader::Body},
        {&rule.KludgeMask, &TPktMsgHeader::Kludges},
        {&rule.ViaMask, &TPktMsgHeader::Vias}};
    for (const auto& [mask, part] : masks) {
      if (mask->empty()) continue;
      const bool rawTextFirst = mask->find_first_of("@+\r\n") == std::string::npos;
      prepared->PartMasks.push_back(PartMask{CaselessSearch(*mask), rawTextFirst, part});
    }
  }
  return *prepared;
}

bool PacketRules::Matches(size_t index, MessageUnderTest& message) {
  const std::vector<size_t>& admitting = RulesForArea(message.Framed().Area);
  return std::binary_search(admitting.begin(), admitting.end(), index) &&
         MatchesInItsArea(index, message);
}

bool PacketRules::MatchesInItsArea(size_t index, MessageUnderTest& message) {
  const TRo& rule = rules_[index];
  const ForPacket& prepared = PreparedFor(index);
  if (!prepared.CanMatch) return false;
  if (prepared.TestsNames && !NamesMatch(rule, message.Framed())) return false;
  if (prepared.TestsAddresses && !AddressesMatch(rule, prepared, message)) return false;
  return TextsMatch(rule, prepared, message);
}

bool PacketRules::NamesMatch(const TRo& rule, const TPktMsgHeader& framed) {
  if (!TextMatchesMask(framed.FromName, rule.Name) && !TextMatchesMask(framed.ToName, rule.Name)) {
    return false;
  }
  return TextMatchesMask(framed.FromName, rule.NameFrom) &&
         TextMatchesMask(framed.ToName, rule.NameTo);
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
  // The subject is framed from the packet header; the kludge fields need the text parsed.
  if (prepared.TestsSubject && !TextMatchesMask(message.Framed().Subject, prepared.Subj)) {
    return false;
  }
  if (prepared.TestsKludgeFields) {
    const TPktMsgHeader& parsed = message.Parsed();
    if (!TextMatchesMask(parsed.Chrs, rule.Chrs)) return false;
    if (!TextMatchesMask(parsed.Pid, rule.PID)) return false;
    if (!TextMatchesMask(parsed.Tid, rule.TID)) return false;
  }
  // The masks were upper-cased when the rules were read.
  for (const PartMask& mask : prepared.PartMasks) {
    if (mask.RawTextFirst && !mask.Search.FoundIn(message.Text())) return false;
    if (!mask.Search.FoundIn(message.Parsed().*mask.Part)) return false;
  }
  return static_cast<int64_t>(message.Bytes().size()) > rule.MsgSize;
}

}  // namespace kestal
