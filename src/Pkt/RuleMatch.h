#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "Pkt/RuleSet.h"
#include "RoTypes/Rule.h"
#include "Utils/Address.h"

namespace kestal {

struct ScanContext;
class MessageUnderTest;

// The rules as the messages of one packet meet them. What depends on the rules
// alone was worked out for the run (RuleSet); what depends on the packet (its
// addresses against PktFrom and PktTo, the packet macros of the address lists)
// is worked out once per packet, when a message first needs it. The outcome of
// every test is that of testing it afresh.
class PacketRules {
 public:
  PacketRules(const ScanContext& context, const TFidoAddr& packetOrig, const TFidoAddr& packetDest);

  const TRo& Rule(size_t index) const { return rules_.Rule(index); }
  // The rules whose Area admits the area tag, by index in configuration order.
  const std::vector<size_t>& RulesForArea(const std::string& area) {
    return rules_.RulesForArea(area);
  }
  // The rules that can match the message, in configuration order: those of its
  // area that its names and subject leave in the running. Valid until the next call.
  const std::vector<size_t>& CandidatesFor(MessageUnderTest& message);
  // Whether the message passes the 18 tests of the rule. The tests only read, so
  // their order changes nothing but the time: the cheap ones come first, and a
  // test that every message passes is not made.
  bool Matches(size_t index, MessageUnderTest& message);
  // The same for a rule that RulesForArea gave for the message's area: the
  // tests after the area.
  bool MatchesInItsArea(size_t index, MessageUnderTest& message);

 private:
  // The address lists of a rule with packet macros, expanded for this packet.
  struct ExpandedAddresses {
    AddressMaskList Addr;
    AddressMaskList AddrFrom;
    AddressMaskList AddrTo;
    bool Tests = false;
  };

  const ScanContext& context_;
  RuleSet& rules_;
  const TFidoAddr packetOrig_;
  const TFidoAddr packetDest_;
  // By rule: whether PktFrom, PktTo and the dates admit the packet; -1 until asked.
  std::vector<signed char> canMatch_;
  std::unordered_map<size_t, ExpandedAddresses> expanded_;
  std::vector<size_t> candidates_;

  bool CanMatch(size_t index);
  const ExpandedAddresses& Expanded(size_t index);
  AddressMaskList PreparedMasks(const std::string& list) const;
  static bool NamesMatch(const TRo& rule, const FramedHeader& framed);
  static bool AddressesMatch(const TRo& rule, const AddressMaskList& addr,
                             const AddressMaskList& addrFrom, const AddressMaskList& addrTo,
                             MessageUnderTest& message);
  bool MaskFound(size_t id, MessageUnderTest& message);
  void LogScanError(const std::string& error) const;
};

// Replaces the packet macros (%PktFrom%, %!PktFrom%, %PktFromNode%, %!PktFromNode%
// and the same with PktTo) in a rule's address list.
std::string ExpandPacketMacros(std::string list, const TFidoAddr& packetOrig,
                               const TFidoAddr& packetDest);

}  // namespace kestal
