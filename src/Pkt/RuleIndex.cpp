#include "Pkt/RuleIndex.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "Utils/Text.h"

namespace kestal {
namespace {

// The literal start of a name mask ("text" or "text*"), folded; none for a mask
// that starts with "*" or has no text.
std::optional<std::string> NameStart(const std::string& mask) {
  if (mask.empty() || mask.front() == '*') return std::nullopt;
  std::string start = mask.back() == '*' ? mask.substr(0, mask.size() - 1) : mask;
  if (start.empty()) return std::nullopt;
  UpperCaseCp866(start);
  return start;
}

// The text a Subj mask asks the subject to hold, when it is ASCII.
std::optional<std::string> SubjectLiteral(const std::string& mask) {
  if (mask.empty() || mask == "*") return std::nullopt;
  const size_t from = mask.front() == '*' ? 1 : 0;
  const size_t to = mask.size() > from && mask.back() == '*' ? mask.size() - 1 : mask.size();
  if (to <= from) return std::nullopt;
  std::string literal = mask.substr(from, to - from);
  const bool ascii = std::all_of(literal.begin(), literal.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii) return std::nullopt;
  return literal;
}

// The nodes a list admits, when every mask that admits names one; none else.
std::optional<std::vector<std::array<int32_t, 3>>> AdmittedNodes(const AddressMaskList& masks) {
  constexpr int32_t kAnyValue = -1;
  std::vector<std::array<int32_t, 3>> nodes;
  for (const AddressMask& entry : masks) {
    if (entry.Mask.Exclude) continue;
    const TFidoAddr& mask = entry.Mask;
    if (entry.AnyAddress || mask.Zone == kAnyValue || mask.Net == kAnyValue ||
        mask.Node == kAnyValue) {
      return std::nullopt;
    }
    nodes.push_back({mask.Zone, mask.Net, mask.Node});
  }
  if (nodes.empty()) return std::nullopt;
  return nodes;
}

}  // namespace

void RuleIndex::NameKeys::Add(std::string start, size_t index) {
  if (std::find(Lengths.begin(), Lengths.end(), start.size()) == Lengths.end()) {
    Lengths.push_back(start.size());
  }
  RulesByStart[std::move(start)].push_back(index);
}

void RuleIndex::NameKeys::AddHits(const std::string& foldedName, std::vector<size_t>& hits) const {
  for (const size_t length : Lengths) {
    if (length > foldedName.size()) continue;
    const auto entry = RulesByStart.find(foldedName.substr(0, length));
    if (entry != RulesByStart.end()) hits.insert(hits.end(), entry->second.begin(), entry->second.end());
  }
}

RuleIndex::RuleIndex(const RuleList& rules, const std::vector<std::string>& subjects,
                     const std::vector<const AddressMaskList*>& writers, std::string& error)
    : keyed_(rules.size(), false), keyedByWriter_(rules.size(), false) {
  std::vector<std::string> subjectLiterals;
  for (size_t index = 0; index < rules.size(); ++index) {
    const TRo& rule = rules[index];
    keyed_[index] = true;
    if (std::optional<std::string> start = NameStart(rule.NameFrom)) {
      fromName_.Add(std::move(*start), index);
    } else if (std::optional<std::string> start = NameStart(rule.NameTo)) {
      toName_.Add(std::move(*start), index);
    } else if (std::optional<std::string> start = NameStart(rule.Name)) {
      eitherName_.Add(std::move(*start), index);
    } else if (std::optional<std::string> literal = SubjectLiteral(subjects[index])) {
      subjectLiterals.push_back(std::move(*literal));
      subjectRules_.push_back(index);
    } else if (const auto nodes = writers[index] ? AdmittedNodes(*writers[index]) : std::nullopt) {
      keyedByWriter_[index] = true;
      for (const Node& node : *nodes) {
        std::vector<size_t>& keyed = rulesByWriterNode_[node];
        if (keyed.empty() || keyed.back() != index) keyed.push_back(index);
      }
    } else {
      keyed_[index] = false;
    }
  }
  if (subjectLiterals.empty()) return;
  subjects_ = MultiSearch::Compile(subjectLiterals, error);
  if (subjects_) return;
  for (const size_t index : subjectRules_) keyed_[index] = false;
  subjectRules_.clear();
}

void RuleIndex::AddWriterHits(const TFidoAddr& writer, std::vector<size_t>& hits) const {
  const auto entry = rulesByWriterNode_.find(Node{writer.Zone, writer.Net, writer.Node});
  if (entry != rulesByWriterNode_.end()) {
    hits.insert(hits.end(), entry->second.begin(), entry->second.end());
  }
}

bool RuleIndex::AddHits(const FramedHeader& framed, std::vector<size_t>& hits, std::string& error) {
  std::string from = framed.FromName;
  UpperCaseCp866(from);
  std::string to = framed.ToName;
  UpperCaseCp866(to);
  fromName_.AddHits(from, hits);
  toName_.AddHits(to, hits);
  eitherName_.AddHits(from, hits);
  eitherName_.AddHits(to, hits);
  if (!subjects_) return true;
  const bool scanned = subjects_->FoundIn(framed.Subject, subjectFound_, error);
  for (size_t id = 0; id < subjectRules_.size(); ++id) {
    if (!scanned || subjectFound_[id]) hits.push_back(subjectRules_[id]);
  }
  return scanned;
}

}  // namespace kestal
