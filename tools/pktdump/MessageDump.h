#pragma once

#include <cstddef>
#include <ostream>
#include <string_view>

#include "RoTypes/FidoAddr.h"

namespace pktdump {

struct MessageDumpResult {
  size_t End = 0;         // offset after the message's 0 byte, or the packet's size
  bool CutShort = false;  // the packet ends inside the message
};

// Frames the packed message whose type word stands at `offset` and prints it:
// area, names, the addresses kestal's rules see, subject, date, size, kludges, and
// with `verbose` every line of the text. Says where the packet cuts it short.
MessageDumpResult DumpMessage(std::string_view packet, size_t offset, int number,
                              const kestal::TFidoAddr& packetOrig, bool verbose, std::ostream& out);

}  // namespace pktdump
