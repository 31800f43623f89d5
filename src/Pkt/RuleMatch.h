#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"
#include "Utils/Address.h"
#include "Utils/TextSearch.h"

namespace kestal {

struct ScanContext;
class MessageUnderTest;

// The rules as the messages of one packet meet them. What depends only on the
// packet (its addresses against PktFrom and PktTo, the packet macros of the
// address lists) is worked out once per packet, what depends only on the area
// once per run, each when a message first needs it; the outcome of every test
// is that of testing it afresh.
class PacketRules {
 public:
  PacketRules(const ScanContext& context, const TFidoAddr& packetOrig, const TFidoAddr& packetDest);

  const TRo& Rule(size_t index) const { return rules_[index]; }
  // The rules whose Area admits the area tag, by index in configuration order:
  // the others fail on a message of that area at their first test.
  const std::vector<size_t>& RulesForArea(const std::string& area);
  // Whether the message passes the 18 tests of the rule. The tests only read, so
  // their order changes nothing but the time: the cheap ones come first, and a
  // test that every message passes is not made.
  bool Matches(size_t index, MessageUnderTest& message);
  // The same for a rule that RulesForArea gave for the message's area: the
  // tests after the area.
  bool MatchesInItsArea(size_t index, MessageUnderTest& message);

 private:
  // A text mask (BodyMask, KludgeMask, ViaMask) ready to be looked for.
  struct PartMask {
    CaselessSearch Search;
    // The part holds the message text's own bytes but for '@' (a kludge's 0x01)
    // and '+' (the escaped SEEN-BY, tearline and origin), and its lines are
    // joined by a lone CR: a mask without those bytes that is not in the raw
    // text cannot be in the part either, and the text need not be parsed.
    bool RawTextFirst;
    std::string TPktMsgHeader::*Part;
  };

  // A rule's values with the packet macros expanded for this packet; the address
  // lists read into masks once, as every message is tested against them.
  struct ForPacket {
    bool CanMatch = false;  // PktFrom and PktTo admit the packet; in force today
    AddressMaskList Addr;
    AddressMaskList AddrFrom;
    AddressMaskList AddrTo;
    std::string Subj;  // without one reply prefix when RemoveRe is on
    std::vector<PartMask> PartMasks;
    // A test that every message passes ("*" or the like) is not made: the
    // masks of most rules are left at that.
    bool TestsNames = false;
    bool TestsAddresses = false;
    bool TestsSubject = false;
    bool TestsKludgeFields = false;
  };

  const RuleList& rules_;
  RuleAreaIndex& areaIndex_;
  const OwnAddresses& own_;
  const TDate today_;
  const bool removeRe_;
  const TFidoAddr packetOrig_;
  const TFidoAddr packetDest_;
  std::vector<std::optional<ForPacket>> forPacket_;

  const ForPacket& PreparedFor(size_t index);
  AddressMaskList PreparedMasks(const std::string& list) const;
  static bool NamesMatch(const TRo& rule, const TPktMsgHeader& framed);
  bool AddressesMatch(const TRo& rule, const ForPacket& prepared, MessageUnderTest& message) const;
  bool TextsMatch(const TRo& rule, const ForPacket& prepared, MessageUnderTest& message) const;
};

// Replaces the packet macros (%PktFrom%, %!PktFrom%, %PktFromNode%, %!PktFromNode%
// and the same with PktTo) in a rule's address list.
std::string ExpandPacketMacros(std::string list, const TFidoAddr& packetOrig,
                               const TFidoAddr& packetDest);

}  // namespace kestal
