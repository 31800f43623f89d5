#pragma once

#include <string>
#include <string_view>

namespace kestal {

// Finds a pattern given in upper case in text of any a-z letter case, as
// UpperCaseAscii(text).find(pattern) would, without copying the text. Rules
// look for their masks in message after message: sixteen places of the text
// are tried at once on the pattern's first and last byte, and only the places
// where both agree are compared whole.
class CaselessSearch {
 public:
  explicit CaselessSearch(std::string_view upperPattern);

  bool FoundIn(std::string_view text) const;

 private:
  std::string pattern_;
  // A text byte ORed with the case bit (0x20 for a letter, 0 for any other byte)
  // equals the pattern byte ORed with it in either letter case.
  unsigned char firstCaseBit_ = 0;
  unsigned char lastCaseBit_ = 0;
};

}  // namespace kestal
