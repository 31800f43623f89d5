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

bool EqualFolded(const char* text, std::string_view upper) {
  for (size_t i = 0; i < upper.size(); ++i) {
    if (FoldAscii(text[i]) != static_cast<unsigned char>(upper[i])) return false;
  }
  return true;
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

CaselessSearch::CaselessSearch(std::string_view upperPattern) : pattern_(upperPattern) {
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
    const Block firstCase = Splat(firstCaseBit_);
    const Block lastCase = Splat(lastCaseBit_);
    const Block first = Splat(static_cast<unsigned char>(pattern_.front())) | firstCase;
    const Block last = Splat(static_cast<unsigned char>(pattern_.back())) | lastCase;
    for (; at + kBlockSize <= starts; at += kBlockSize) {
      const Block hits = (Block)((LoadBlock(text.data() + at) | firstCase) == first) &
                         (Block)((LoadBlock(text.data() + at + length - 1) | lastCase) == last);
      if (!AnySet(hits)) continue;
      for (size_t k = 0; k < kBlockSize; ++k) {
        if (hits[k] != 0 && EqualFolded(text.data() + at + k, pattern_)) return true;
      }
    }
  }
  for (; at < starts; ++at) {
    if (EqualFolded(text.data() + at, pattern_)) return true;
  }
  return false;
}

}  // namespace kestal
