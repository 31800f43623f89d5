#pragma once

#include <ostream>
#include <string_view>

#include "RoTypes/FidoAddr.h"

namespace pktdump {

// Prints the 58-byte packet header and gives the packet's origin, which message
// parsing falls back on. False, after saying so, when the file cannot hold a header.
bool DumpHeader(std::string_view packet, std::ostream& out, kestal::TFidoAddr& orig);

}  // namespace pktdump
