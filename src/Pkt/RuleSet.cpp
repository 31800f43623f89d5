#include "Pkt/RuleSet.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "Pkt/Message.h"
#include "Pkt/MessageText.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

bool AnyText(const std::string& mask) { return mask == "*"; }

std::optional<AddressMaskList> PacketAddressMasks(const std::string& list,
                                                  const OwnAddresses& own) {
  AddressMaskList masks = ParseAddressMaskList(list, own);
  if (AdmitsEveryAddress(masks)) return std::nullopt;
  return masks;
}

bool CanBeRuledOutByRawText(const std::string& mask) {
  return mask.find_first_of("@+\r\n") == std::string::npos;
}

}  // namespace

RuleSet::RuleSet(const RuleList& rules, const OwnAddresses& own, const TDate& today,
                 bool removeRe, std::string& error)
    : rules_(&rules), own_(&own), removeRe_(removeRe) {
  // The patterns of the raw text scan, by mask id: empty (found in every text)
  // for a mask the raw text cannot rule out.
  MaskIds ids;
  std::vector<std::string> rawPatterns;
  prepared_.reserve(rules.size());
  std::vector<std::string> subjects;
  for (const TRo& rule : rules) {
    prepared_.push_back(Prepare(rule, today, ids, rawPatterns));
    subjects.push_back(prepared_.back().Subj);
  }
  std::vector<const AddressMaskList*> writers;
  for (const PreparedRule& prepared : prepared_) {
    writers.push_back(prepared.TestsAddresses ? &prepared.AddrFrom : nullptr);
  }
  index_ = RuleIndex(rules, subjects, writers, error);
  if (masks_.empty()) return;
  std::string masksError;
  rawTextSearch_ = MultiSearch::Compile(rawPatterns, masksError);
  if (!rawTextSearch_) error = masksError;
}

PreparedRule RuleSet::Prepare(const TRo& rule, const TDate& today, MaskIds& ids,
                              std::vector<std::string>& rawPatterns) {
  PreparedRule prepared;
  prepared.InDate = !(today < rule.DateFrom || rule.DateTo < today);
  prepared.PktFrom = PacketAddressMasks(rule.PktFrom, *own_);
  prepared.PktTo = PacketAddressMasks(rule.PktTo, *own_);
  // Most rules leave the address lists at "*": nothing to read for them.
  if (!AnyText(rule.Addr) || !AnyText(rule.AddrFrom) || !AnyText(rule.AddrTo)) {
    prepared.AddressesNeedPacket = (rule.Addr + rule.AddrFrom + rule.AddrTo).find('%') !=
                                   std::string::npos;
    if (!prepared.AddressesNeedPacket) {
      prepared.Addr = ParseAddressMaskList(rule.Addr, *own_);
      prepared.AddrFrom = ParseAddressMaskList(rule.AddrFrom, *own_);
      prepared.AddrTo = ParseAddressMaskList(rule.AddrTo, *own_);
      prepared.TestsAddresses = !AdmitsEveryAddress(prepared.Addr) ||
                                !AdmitsEveryAddress(prepared.AddrFrom) ||
                                !AdmitsEveryAddress(prepared.AddrTo);
    }
  }
  prepared.Subj = StripReplyPrefix(rule.Subj, removeRe_);
  prepared.TestsNames = !AnyText(rule.Name) || !AnyText(rule.NameFrom) || !AnyText(rule.NameTo);
  prepared.TestsSubject = !AnyText(prepared.Subj);
  prepared.TestsKludgeFields = !AnyText(rule.Chrs) || !AnyText(rule.PID) || !AnyText(rule.TID);
  std::string ParsedText::*const parts[] = {&ParsedText::Body, &ParsedText::Kludges,
                                            &ParsedText::Vias};
  const std::string* masks[] = {&rule.BodyMask, &rule.KludgeMask, &rule.ViaMask};
  for (int part = 0; part < 3; ++part) {
    const std::string& mask = *masks[part];
    if (mask.empty()) continue;
    // Rules that share a mask share its search.
    const auto [entry, added] = ids.try_emplace({part, mask}, masks_.size());
    if (added) {
      // The masks were upper-cased when the rules were read.
      const bool rawTextFirst = CanBeRuledOutByRawText(mask);
      masks_.push_back(TextMask{parts[part], CaselessSearch(mask), rawTextFirst});
      rawPatterns.push_back(rawTextFirst ? mask : std::string());
    }
    prepared.TextMasks.push_back(entry->second);
  }
  return prepared;
}

const RuleSet::AreaRules& RuleSet::ForArea(const std::string& area) {
  auto [entry, added] = rulesForArea_.try_emplace(area);
  AreaRules& rules = entry->second;
  if (added) {
    rules.Admits.assign(Size(), false);
    for (size_t index = 0; index < Size(); ++index) {
      if (!TextInMaskList(area, Rule(index).Area)) continue;
      rules.Admitting.push_back(index);
      rules.Admits[index] = true;
      if (!index_.Keyed(index)) rules.Unkeyed.push_back(index);
      if (index_.KeyedByWriter(index)) rules.HasKeyedByWriter = true;
    }
  }
  return rules;
}

bool RuleSet::CandidatesFor(MessageUnderTest& message, std::vector<size_t>& candidates,
                            std::string& error) {
  const AreaRules& area = ForArea(message.Framed().Area);
  hits_.clear();
  const bool indexed = index_.AddHits(message.Framed(), hits_, error);
  if (area.HasKeyedByWriter) index_.AddWriterHits(message.KludgeFields().FromAddr, hits_);
  const auto outside = [&area](size_t index) { return !area.Admits[index]; };
  hits_.erase(std::remove_if(hits_.begin(), hits_.end(), outside), hits_.end());
  std::sort(hits_.begin(), hits_.end());
  hits_.erase(std::unique(hits_.begin(), hits_.end()), hits_.end());
  candidates.clear();
  std::merge(area.Unkeyed.begin(), area.Unkeyed.end(), hits_.begin(), hits_.end(),
             std::back_inserter(candidates));
  return indexed;
}

}  // namespace kestal
