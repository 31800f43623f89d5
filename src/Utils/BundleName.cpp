#include "Utils/BundleName.h"

#include <algorithm>
#include <array>

#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr size_t kHexDigits = 8;
constexpr size_t kNameLength = kHexDigits + 4;  // the dot, the day pair, the sequence character
constexpr std::array<std::string_view, 7> kDays = {"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDigitOrLetter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool IsBundleName(std::string_view name) {
  if (name.size() != kNameLength) return false;
  const std::string_view digits = name.substr(0, kHexDigits);
  if (!std::all_of(digits.begin(), digits.end(), IsHexDigit)) return false;
  if (name[kHexDigits] != '.') return false;
  const std::string day = UpperCaseAscii(name.substr(kHexDigits + 1, 2));
  if (std::find(kDays.begin(), kDays.end(), day) == kDays.end()) return false;
  return IsDigitOrLetter(name.back());
}

}  // namespace kestal
