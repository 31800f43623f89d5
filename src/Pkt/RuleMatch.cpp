#include "Pkt/RuleMatch.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "Pkt/Message.h"
#include "Pkt/MessageText.h"
#include "Logger/Log.h"
#include "Pkt/ScanContext.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kScanErrorLogLevel = 2;

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

PacketRules::PacketRules(const ScanContext& context, const TFidoAddr& packetOrig,
                         const TFidoAddr& packetDest)
    : context_(context),
      rules_(context.PreparedRules),
      packetOrig_(packetOrig),
      packetDest_(packetDest),
      canMatch_(rules_.Size(), -1) {}

AddressMaskList PacketRules::PreparedMasks(const std::string& list) const {
  return ParseAddressMaskList(ExpandPacketMacros(list, packetOrig_, packetDest_), rules_.Own());
}

bool PacketRules::CanMatch(size_t index) {
  signed char& known = canMatch_[index];
  if (known < 0) {
    const PreparedRule& prepared = rules_.Prepared(index);
    known = prepared.InDate && (!prepared.PktFrom || AddressInMasks(packetOrig_, *prepared.PktFrom)) &&
            (!prepared.PktTo || AddressInMasks(packetDest_, *prepared.PktTo));
  }
  return known != 0;
}

const PacketRules::ExpandedAddresses& PacketRules::Expanded(size_t index) {
  auto [entry, added] = expanded_.try_emplace(index);
  if (added) {
    const TRo& rule = rules_.Rule(index);
    ExpandedAddresses& lists = entry->second;
    lists.Addr = PreparedMasks(rule.Addr);
    lists.AddrFrom = PreparedMasks(rule.AddrFrom);
    lists.AddrTo = PreparedMasks(rule.AddrTo);
    lists.Tests = !AdmitsEveryAddress(lists.Addr) || !AdmitsEveryAddress(lists.AddrFrom) ||
                  !AdmitsEveryAddress(lists.AddrTo);
  }
  return entry->second;
}

const std::vector<size_t>& PacketRules::CandidatesFor(MessageUnderTest& message) {
  std::string error;
  if (!rules_.CandidatesFor(message, candidates_, error)) LogScanError(error);
  size_t& wanted = message.MaskHits().MasksWanted;
  for (const size_t index : candidates_) wanted += rules_.Prepared(index).TextMasks.size();
  return candidates_;
}

// A failed scan costs time, never a result: the rules are then tried without it.
void PacketRules::LogScanError(const std::string& error) const {
  context_.Log.Write(context_.Lang.LangError + " " + error, true, kScanErrorLogLevel);
}

bool PacketRules::Matches(size_t index, MessageUnderTest& message) {
  const std::vector<size_t>& admitting = RulesForArea(message.Framed().Area);
  return std::binary_search(admitting.begin(), admitting.end(), index) &&
         MatchesInItsArea(index, message);
}

bool PacketRules::MatchesInItsArea(size_t index, MessageUnderTest& message) {
  const TRo& rule = rules_.Rule(index);
  const PreparedRule& prepared = rules_.Prepared(index);
  if (!CanMatch(index)) return false;
  // The names, subject and size are framed from the packet; the rest needs the text read.
  const FramedHeader& framed = message.Framed();
  if (prepared.TestsNames && !NamesMatch(rule, framed)) return false;
  if (prepared.TestsSubject && !TextMatchesMask(framed.Subject, prepared.Subj)) return false;
  if (static_cast<int64_t>(message.Bytes().size()) <= rule.MsgSize) return false;
  if (prepared.AddressesNeedPacket) {
    const ExpandedAddresses& lists = Expanded(index);
    if (lists.Tests && !AddressesMatch(rule, lists.Addr, lists.AddrFrom, lists.AddrTo, message)) {
      return false;
    }
  } else if (prepared.TestsAddresses &&
             !AddressesMatch(rule, prepared.Addr, prepared.AddrFrom, prepared.AddrTo, message)) {
    return false;
  }
  if (prepared.TestsKludgeFields) {
    const ParsedText& parsed = message.KludgeFields();
    if (!TextMatchesMask(parsed.Chrs, rule.Chrs)) return false;
    if (!TextMatchesMask(parsed.Pid, rule.PID)) return false;
    if (!TextMatchesMask(parsed.Tid, rule.TID)) return false;
  }
  for (const size_t id : prepared.TextMasks) {
    if (!MaskFound(id, message)) return false;
  }
  return true;
}

bool PacketRules::NamesMatch(const TRo& rule, const FramedHeader& framed) {
  if (!TextMatchesMask(framed.FromName, rule.Name) && !TextMatchesMask(framed.ToName, rule.Name)) {
    return false;
  }
  return TextMatchesMask(framed.FromName, rule.NameFrom) &&
         TextMatchesMask(framed.ToName, rule.NameTo);
}

bool PacketRules::AddressesMatch(const TRo& rule, const AddressMaskList& addr,
                                 const AddressMaskList& addrFrom, const AddressMaskList& addrTo,
                                 MessageUnderTest& message) {
  const ParsedText& parsed = message.KludgeFields();
  const bool writtenToAll = parsed.ToAddrUnknown && rule.KillAddrToAll;
  if (!AddressInMasks(parsed.FromAddr, addr) && !AddressInMasks(parsed.ToAddr, addr) &&
      !writtenToAll) {
    return false;
  }
  if (!AddressInMasks(parsed.FromAddr, addrFrom)) return false;
  return writtenToAll || AddressInMasks(parsed.ToAddr, addrTo);
}

// A mask is looked for in the text as the packet holds it, for the masks of
// many rules by one scan, and then, when found there, in its part of the parsed
// text.
bool PacketRules::MaskFound(size_t id, MessageUnderTest& message) {
  TextMaskHits& hits = message.MaskHits();
  if (hits.InPart.empty()) {
    hits.InPart.assign(rules_.MaskCount(), -1);
    if (rules_.OneScanPays(hits.MasksWanted)) {
      std::string error;
      hits.ScannedAll = rules_.ScanRawText(message.Text(), hits.InRawText, error);
      // Each mask is then looked for on its own.
      if (!hits.ScannedAll) LogScanError(error);
    }
  }
  signed char& inPart = hits.InPart[id];
  if (inPart < 0) {
    const TextMask& mask = rules_.Mask(id);
    const bool inRawText = hits.ScannedAll ? hits.InRawText[id]
                                           : !mask.RawTextFirst || mask.Search.FoundIn(message.Text());
    inPart = inRawText && mask.Search.FoundIn(message.Parsed().*mask.Part);
  }
  return inPart != 0;
}

}  // namespace kestal
