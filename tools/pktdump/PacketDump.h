#pragma once

#include <ostream>
#include <string_view>

namespace pktdump {

// Prints a packet's header and messages and says where its framing breaks.
// Gives the number of framing problems found; 0 for a sound packet.
int DumpPacket(std::string_view packet, bool verbose, std::ostream& out);

}  // namespace pktdump
