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
                     std::string& error)
    : keyed_(rules.size(), false) {
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
