#pragma once

#include <string_view>

#include "RoTypes/FidoAddr.h"

namespace kestal::pkt {

// The packet's sender and receiver as kestal reads them: the zones at offsets
// 34/36 (the type 2+ copies at 46/48 are not used), then net, node and point.
// REQUIRES: header.size() >= header::kSize
TFidoAddr HeaderOrigAddress(std::string_view header);
TFidoAddr HeaderDestAddress(std::string_view header);

}  // namespace kestal::pkt
