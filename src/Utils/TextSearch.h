#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestal {

// Finds a pattern given in upper case in text of any a-z letter case, as
// UpperCaseAscii(text).find(pattern) would, without copying the text. Rules
// look for their masks in message after message: sixteen places of the text
// are tried at once on the pattern's first and last byte, and only the places
// where both agree are compared whole. A text made to agree nearly everywhere
// (a periodic pattern in a periodic text) would make that quadratic, so once
// the comparisons have cost as much as the text, the rest of the text is
// scanned by a search that never steps back: time stays linear in the text.
class CaselessSearch {
 public:
  explicit CaselessSearch(std::string_view upperPattern);

  bool FoundIn(std::string_view text) const;

 private:
  bool FoundByBorders(std::string_view text) const;

  std::string pattern_;
  // borders_[i]: the length of the longest proper prefix of the pattern's first
  // i + 1 bytes that is also their suffix; how much of a partial match is kept
  // after a mismatch.
  std::vector<size_t> borders_;
  // A text byte ORed with the case bit (0x20 for a letter, 0 for any other byte)
  // equals the pattern byte ORed with it in either letter case.
  unsigned char firstCaseBit_ = 0;
  unsigned char lastCaseBit_ = 0;
};

}  // namespace kestal
