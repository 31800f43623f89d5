#include "Utils/TextSearch.h"

#include <cstdint>
#include <cstring>

namespace kestal {
namespace {

// Sixteen bytes side by side: GCC and Clang turn operations on them into vector
// instructions on any target.
using Block = unsigned char __attribute__((vector_size(16)));
constexpr size_t kBlockSize = sizeof(Block);

unsigned char CaseBit(char c) { return c >= 'A' && c <= 'Z' ? 0x20 : 0; }

unsigned char FoldAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte;
}

// How many leading bytes of the text equal the pattern's once folded; the text
// holds at least as many bytes as the pattern.
size_t FoldedPrefixLength(const char* text, std::string_view upper) {
  size_t i = 0;
  while (i < upper.size() && FoldAscii(text[i]) == static_cast<unsigned char>(upper[i])) ++i;
  return i;
}

std::vector<size_t> Borders(std::string_view pattern) {
  std::vector<size_t> borders(pattern.size(), 0);
  size_t border = 0;
  for (size_t i = 1; i < pattern.size(); ++i) {
    while (border > 0 && pattern[i] != pattern[border]) border = borders[border - 1];
    if (pattern[i] == pattern[border]) ++border;
    borders[i] = border;
  }
  return borders;
}

Block LoadBlock(const char* bytes) {
  Block block;
  std::memcpy(&block, bytes, kBlockSize);
  return block;
}

Block Splat(unsigned char byte) { return Block{} + byte; }

bool AnySet(Block block) {
  uint64_t halves[2];
  std::memcpy(halves, &block, sizeof halves);
  return (halves[0] | halves[1]) != 0;
}

}  // namespace

CaselessSearch::CaselessSearch(std::string_view upperPattern)
    : pattern_(upperPattern), borders_(Borders(upperPattern)) {
  if (pattern_.empty()) return;
  firstCaseBit_ = CaseBit(pattern_.front());
  lastCaseBit_ = CaseBit(pattern_.back());
}

bool CaselessSearch::FoundIn(std::string_view text) const {
  const size_t length = pattern_.size();
  if (length == 0) return true;
  if (text.size() < length) return false;
  const size_t starts = text.size() - length + 1;
  size_t at = 0;
  if (starts >= kBlockSize) {
    size_t compared = 0;
    const Block firstCase = Splat(firstCaseBit_);
    const Block lastCase = Splat(lastCaseBit_);
    const Block first = Splat(static_cast<unsigned char>(pattern_.front())) | firstCase;
    const Block last = Splat(static_cast<unsigned char>(pattern_.back())) | lastCase;
    for (; at + kBlockSize <= starts; at += kBlockSize) {
      const Block hits = (Block)((LoadBlock(text.data() + at) | firstCase) == first) &
                         (Block)((LoadBlock(text.data() + at + length - 1) | lastCase) == last);
      if (!AnySet(hits)) continue;
      for (size_t k = 0; k < kBlockSize; ++k) {
        if (hits[k] == 0) continue;
        const size_t equal = FoldedPrefixLength(text.data() + at + k, pattern_);
        if (equal == length) return true;
        compared += equal + 1;
      }
      // Every place before the next block has been ruled out.
      if (compared > text.size()) return FoundByBorders(text.substr(at + kBlockSize));
    }
  }
  // Fewer than sixteen places are left, each at most as long as the text.
  for (; at < starts; ++at) {
    if (FoldedPrefixLength(text.data() + at, pattern_) == length) return true;
  }
  return false;
}

bool CaselessSearch::FoundByBorders(std::string_view text) const {
  size_t matched = 0;
  for (const char c : text) {
    const unsigned char byte = FoldAscii(c);
    while (matched > 0 && byte != static_cast<unsigned char>(pattern_[matched])) {
      matched = borders_[matched - 1];
    }
    if (byte == static_cast<unsigned char>(pattern_[matched]) && ++matched == pattern_.size()) {
      return true;
    }
  }
  return false;
}

}  // namespace kestal
