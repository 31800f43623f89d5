#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "RoTypes/MsgHeader.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/Rule.h"
#include "Utils/Address.h"
#include "Utils/MultiSearch.h"

namespace kestal {

// Finds the rules that can still match a message from its names, subject and
// writer's node, instead of trying every rule of its area. A rule is keyed by
// one thing that every message it matches holds: the start of the writer's or
// addressee's name (NameFrom, NameTo, Name given as "text" or "text*"), else a
// text its Subj mask asks for, when that text is ASCII (letter case then folds
// alike in CP866 and ASCII), else the nodes its AddrFrom admits, when each mask
// that admits names a node (points may be wildcards). A rule without such a key
// is tried on every message of its areas.
class RuleIndex {
 public:
  RuleIndex() = default;
  // `subjects` are the rules' Subj masks as they are tested, `writers` their
  // AddrFrom lists when read once for the run (else null). When the subject
  // literals do not compile into one search, `error` tells why and the rules
  // keyed by them are left unkeyed.
  RuleIndex(const RuleList& rules, const std::vector<std::string>& subjects,
            const std::vector<const AddressMaskList*>& writers, std::string& error);

  bool Keyed(size_t index) const { return keyed_[index]; }
  bool KeyedByWriter(size_t index) const { return keyedByWriter_[index]; }
  // Adds the keyed rules whose literal the message holds: in no order, some
  // more than once. False, with the reason in `error`, when the subject could
  // not be scanned: every rule keyed by its subject is added then.
  bool AddHits(const FramedHeader& framed, std::vector<size_t>& hits, std::string& error);
  // Adds the rules keyed by the writer's node.
  void AddWriterHits(const TFidoAddr& writer, std::vector<size_t>& hits) const;

 private:
  // Rules by the folded start of a name, with the lengths of those starts.
  struct NameKeys {
    std::unordered_map<std::string, std::vector<size_t>> RulesByStart;
    std::vector<size_t> Lengths;

    void Add(std::string start, size_t index);
    void AddHits(const std::string& foldedName, std::vector<size_t>& hits) const;
  };

  using Node = std::array<int32_t, 3>;  // zone, net, node

  std::vector<bool> keyed_;
  std::vector<bool> keyedByWriter_;
  std::map<Node, std::vector<size_t>> rulesByWriterNode_;
  NameKeys fromName_;
  NameKeys toName_;
  NameKeys eitherName_;
  // The subject literals, one per keyed rule, by pattern id.
  std::optional<MultiSearch> subjects_;
  std::vector<size_t> subjectRules_;
  std::vector<bool> subjectFound_;
};

}  // namespace kestal
