#pragma once

#include <array>
#include <cstdint>

namespace kestal {

// A FidoNet address, or an address mask. In a mask a part may hold -1 ("*": any
// value) or -2 ("&": any point other than 0, meaningful in the point part only).
// A plain address holds no wildcards, except a message's unknown destination,
// whose four parts are all -1.
struct TFidoAddr {
  int32_t Zone = 0;
  int32_t Net = 0;
  int32_t Node = 0;
  int32_t Point = 0;  // 0: the node itself
  uint8_t Exclude = 0;  // masks only: written with a leading "!"

  bool operator==(const TFidoAddr&) const = default;
};

inline constexpr int kMaxAkas = 100;

// The node's own addresses: slot 0 is the main address, slots 1..AkaCount the AKAs.
struct OwnAddresses {
  std::array<TFidoAddr, kMaxAkas + 1> Slots{};
  uint8_t AkaCount = 0;

  const TFidoAddr& Main() const { return Slots[0]; }
};

}  // namespace kestal
