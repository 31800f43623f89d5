#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/Rule.h"
#include "Utils/Address.h"

namespace kestal {

struct Run;
class MessageUnderTest;

// The rules as the messages of one packet meet them. What depends only on the
// packet (its addresses against PktFrom and PktTo, the packet macros of the
// address lists) or only on the area is worked out once per packet, when a
// message first needs it; the outcome of every test is that of testing it afresh.
class PacketRules {
 public:
  PacketRules(const Run& run, const TFidoAddr& packetOrig, const TFidoAddr& packetDest);

  const TRo& Rule(size_t index) const { return rules_[index]; }
  // The rules whose Area admits the area tag, by index in configuration order:
  // the others fail on a message of that area at their first test.
  const std::vector<size_t>& RulesForArea(const std::string& area);
  // The 18 tests of the rule, in their order; the first that fails ends them.
  bool Matches(size_t index, MessageUnderTest& message);

 private:
  // A rule's values with the packet macros expanded for this packet; the address
  // lists read into masks once, as every message is tested against them.
  struct ForPacket {
    bool PacketMatches = false;  // PktFrom and PktTo
    AddressMaskList Addr;
    AddressMaskList AddrFrom;
    AddressMaskList AddrTo;
    std::string Subj;  // without one reply prefix when RemoveRe is on
  };

  const RuleList& rules_;
  const OwnAddresses& own_;
  const TDate today_;
  const bool removeRe_;
  const TFidoAddr packetOrig_;
  const TFidoAddr packetDest_;
  std::vector<std::optional<ForPacket>> forPacket_;
  std::unordered_map<std::string, std::vector<size_t>> rulesForArea_;

  const ForPacket& PreparedFor(size_t index);
  AddressMaskList PreparedMasks(const std::string& list) const;
  bool AddressesMatch(const TRo& rule, const ForPacket& prepared, MessageUnderTest& message) const;
  bool TextsMatch(const TRo& rule, const ForPacket& prepared, MessageUnderTest& message) const;
};

// Replaces the packet macros (%PktFrom%, %!PktFrom%, %PktFromNode%, %!PktFromNode%
// and the same with PktTo) in a rule's address list.
std::string ExpandPacketMacros(std::string list, const TFidoAddr& packetOrig,
                               const TFidoAddr& packetDest);

}  // namespace kestal
