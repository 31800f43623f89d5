#pragma once

#include <array>
#include <string>
#include <vector>

namespace kestal {

inline constexpr int kPasswordSize = 8;
using PasswordBytes = std::array<unsigned char, kPasswordSize>;

// One line of the packet password file.
struct TPassword {
  std::string Address;     // exactly as written in the file
  PasswordBytes Password{};  // upper-cased, zero-padded
};

using PasswordList = std::vector<TPassword>;

}  // namespace kestal
