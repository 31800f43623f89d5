#pragma once

#include <string>

namespace pktgen {

// Writes the demo inbound: a few packets from 2:5020/1 to 2:5020/100 that show
// what kestal does (see the descriptions in DemoInbound.cpp).
bool WriteDemoInbound(const std::string& directory, std::string& error);

}  // namespace pktgen
