#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Pkt/RuleIndex.h"
#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"
#include "Utils/Address.h"
#include "Utils/MultiSearch.h"
#include "Utils/TextSearch.h"

namespace kestal {

class MessageUnderTest;

// A text mask (BodyMask, KludgeMask, ViaMask) of one or more rules, looked for
// in one part of the parsed text.
struct TextMask {
  std::string ParsedText::*Part;
  CaselessSearch Search;
  // The part holds the message text's own bytes but for '@' (a kludge's 0x01)
  // and '+' (the escaped SEEN-BY, tearline and origin), and its lines are
  // joined by a lone CR: a mask without those bytes that is not in the raw text
  // cannot be in the part either, and the text need not be parsed.
  bool RawTextFirst;
};

// What a rule's tests need that depends on the rules and the day alone.
struct PreparedRule {
  bool InDate = false;
  // PktFrom and PktTo, unless they admit every packet.
  std::optional<AddressMaskList> PktFrom;
  std::optional<AddressMaskList> PktTo;
  // A packet macro in Addr, AddrFrom or AddrTo: the lists are read per packet.
  bool AddressesNeedPacket = false;
  // Otherwise the lists read once.
  AddressMaskList Addr;
  AddressMaskList AddrFrom;
  AddressMaskList AddrTo;
  // A test that every message passes ("*" or the like) is not made: the masks
  // of most rules are left at that.
  bool TestsAddresses = false;
  bool TestsNames = false;
  bool TestsSubject = false;
  bool TestsKludgeFields = false;
  std::string Subj;  // without one reply prefix when RemoveRe is on
  std::vector<size_t> TextMasks;  // ids in the rule set's masks
};

// The rules as every packet of a run meets them: what depends on the rules
// alone is worked out once, after the configuration is read. The text masks of
// all rules are compiled into one search, so that a message's text is scanned
// once whatever the number of rules that look into it.
class RuleSet {
 public:
  RuleSet() = default;
  // REQUIRES: `rules` and `own` outlive the set. When the masks or the subject
  // literals do not compile into one search, `error` tells why: the rules are
  // then tried without it, with the same results.
  RuleSet(const RuleList& rules, const OwnAddresses& own, const TDate& today, bool removeRe,
          std::string& error);

  size_t Size() const { return prepared_.size(); }
  const TRo& Rule(size_t index) const { return (*rules_)[index]; }
  const PreparedRule& Prepared(size_t index) const { return prepared_[index]; }
  const OwnAddresses& Own() const { return *own_; }

  // The rules whose Area admits the area tag, by index in configuration order:
  // the others fail on a message of that area at their first test. Worked out
  // once per area: a hub's inbound meets the same few hundred areas in packet
  // after packet.
  const std::vector<size_t>& RulesForArea(const std::string& area) {
    return ForArea(area).Admitting;
  }
  // The rules of the message's area that its names, subject and writer's node
  // leave in the running, in configuration order: the others fail on it. False, with the
  // reason in `error`, when the index could not look at the subject; the
  // candidates are complete all the same.
  bool CandidatesFor(MessageUnderTest& message, std::vector<size_t>& candidates,
                     std::string& error);

  size_t MaskCount() const { return masks_.size(); }
  const TextMask& Mask(size_t id) const { return masks_[id]; }
  // Whether one scan for every mask at once costs less than looking for
  // `masks` masks one by one: a search for one mask reads the text several
  // times faster than the scan for many, which stops wherever a piece of any
  // of them may end.
  bool OneScanPays(size_t masks) const { return rawTextSearch_ && masks >= kOneScanFrom; }
  // Scans a message's text as the packet holds it for every mask at once.
  // found[id] false: the mask is in no part of the parsed text; a mask that is
  // not RawTextFirst is always found. False, with the reason in `error`, when
  // the scan failed. REQUIRES: OneScanPays.
  bool ScanRawText(std::string_view text, std::vector<bool>& found, std::string& error) {
    return rawTextSearch_->FoundIn(text, found, error);
  }

 private:
  static constexpr size_t kOneScanFrom = 8;

  const RuleList* rules_ = nullptr;
  const OwnAddresses* own_ = nullptr;
  bool removeRe_ = false;
  std::vector<PreparedRule> prepared_;
  std::vector<TextMask> masks_;
  // Null when there is no mask or they did not compile.
  std::optional<MultiSearch> rawTextSearch_;
  struct AreaRules {
    std::vector<size_t> Admitting;
    std::vector<size_t> Unkeyed;  // those the index does not key
    std::vector<bool> Admits;     // by rule
    bool HasKeyedByWriter = false;  // the writer's address is worth reading
  };
  std::unordered_map<std::string, AreaRules> rulesForArea_;
  RuleIndex index_;
  std::vector<size_t> hits_;

  const AreaRules& ForArea(const std::string& area);

  // Mask ids by part (body, kludges, vias) and text.
  using MaskIds = std::map<std::pair<int, std::string>, size_t>;
  PreparedRule Prepare(const TRo& rule, const TDate& today, MaskIds& ids,
                       std::vector<std::string>& rawPatterns);
};

}  // namespace kestal
