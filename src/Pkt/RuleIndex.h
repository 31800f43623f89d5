#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"
#include "Utils/MultiSearch.h"

namespace kestal {

// Finds the rules that can still match a message from its names and subject,
// instead of trying every rule of its area. A rule is keyed by one literal that
// every message it matches holds: the start of the writer's or addressee's name
// (NameFrom, NameTo, Name given as "text" or "text*"), else a text its Subj
// mask asks for, when that text is ASCII (letter case then folds alike in CP866
// and ASCII). A rule without such a literal is not keyed and is tried on every
// message of its areas.
class RuleIndex {
 public:
  RuleIndex() = default;
  // `subjects` are the rules' Subj masks as they are tested. When the subject
  // literals do not compile into one search, `error` tells why and the rules
  // keyed by them are left unkeyed.
  RuleIndex(const RuleList& rules, const std::vector<std::string>& subjects, std::string& error);

  bool Keyed(size_t index) const { return keyed_[index]; }
  // Adds the keyed rules whose literal the message holds: in no order, some
  // more than once. False, with the reason in `error`, when the subject could
  // not be scanned: every rule keyed by its subject is added then.
  bool AddHits(const FramedHeader& framed, std::vector<size_t>& hits, std::string& error);

 private:
  // Rules by the folded start of a name, with the lengths of those starts.
  struct NameKeys {
    std::unordered_map<std::string, std::vector<size_t>> RulesByStart;
    std::vector<size_t> Lengths;

    void Add(std::string start, size_t index);
    void AddHits(const std::string& foldedName, std::vector<size_t>& hits) const;
  };

  std::vector<bool> keyed_;
  NameKeys fromName_;
  NameKeys toName_;
  NameKeys eitherName_;
  // The subject literals, one per keyed rule, by pattern id.
  std::optional<MultiSearch> subjects_;
  std::vector<size_t> subjectRules_;
  std::vector<bool> subjectFound_;
};

}  // namespace kestal
