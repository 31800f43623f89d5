#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace pktdump {

// Packet bytes made safe for a terminal: control bytes become \xHH, so a hostile
// name cannot move the cursor or clear the screen. Bytes 80-FF stay as they are:
// they are the code page of the messages.
std::string Printable(std::string_view bytes);

// One labelled line of the dump: two blanks, the label padded to a column, the value.
void Field(std::ostream& out, std::string_view label, std::string_view value);

// A line that says where the framing breaks.
void Problem(std::ostream& out, std::string_view text);

std::string Hex16(unsigned value);

}  // namespace pktdump
