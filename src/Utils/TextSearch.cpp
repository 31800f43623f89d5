#include "Utils/TextSearch.h"

#include <algorithm>

namespace kestal {
namespace {

unsigned char FoldAscii(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte;
}

}  // namespace

CaselessSearch::CaselessSearch(std::string_view upperPattern) : pattern_(upperPattern) {
  constexpr size_t kLongestShift = 255;
  const size_t length = pattern_.size();
  shift_.fill(static_cast<uint8_t>(std::min(length, kLongestShift)));
  for (size_t i = 0; i + 1 < length; ++i) {
    shift_[static_cast<unsigned char>(pattern_[i])] =
        static_cast<uint8_t>(std::min(length - 1 - i, kLongestShift));
  }
}

bool CaselessSearch::FoundIn(std::string_view text) const {
  const size_t length = pattern_.size();
  if (length == 0) return true;
  for (size_t at = 0; at + length <= text.size();) {
    const unsigned char last = FoldAscii(text[at + length - 1]);
    if (last == static_cast<unsigned char>(pattern_[length - 1])) {
      size_t i = 0;
      while (i + 1 < length && FoldAscii(text[at + i]) == static_cast<unsigned char>(pattern_[i])) {
        ++i;
      }
      if (i + 1 == length) return true;
    }
    at += shift_[last];
  }
  return false;
}

}  // namespace kestal
