#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestal {

// Finds a pattern given in upper case in text of any a-z letter case, as
// UpperCaseAscii(text).find(pattern) would, without copying the text. The
// pattern is read once and then looked for in message after message, so the
// search skips ahead by a table of the pattern's bytes (Horspool).
class CaselessSearch {
 public:
  explicit CaselessSearch(std::string_view upperPattern);

  bool FoundIn(std::string_view text) const;
  const std::string& Pattern() const { return pattern_; }

 private:
  std::string pattern_;
  // How far the pattern may move on when the text byte under its last byte is
  // the index (folded); at most 255, which is always safe.
  std::array<uint8_t, 256> shift_;
};

}  // namespace kestal
