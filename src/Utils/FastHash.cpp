#include "Utils/FastHash.h"

#include <cstring>

namespace kestal {

namespace {

constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;

uint64_t Mix(uint64_t value) {
  value ^= value >> 31;
  value *= 0xBF58476D1CE4E5B9ull;
  value ^= value >> 27;
  value *= 0x94D049BB133111EBull;
  return value ^ (value >> 31);
}

}  // namespace

uint64_t FastHash(std::string_view bytes) {
  uint64_t hash = Mix(bytes.size() * kMultiplier);
  size_t offset = 0;
  for (; offset + sizeof(uint64_t) <= bytes.size(); offset += sizeof(uint64_t)) {
    uint64_t word;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    hash = (hash ^ Mix(word)) * kMultiplier;
  }
  uint64_t last = 0;
  std::memcpy(&last, bytes.data() + offset, bytes.size() - offset);
  return Mix(hash ^ Mix(last + 1));
}

}  // namespace kestal
