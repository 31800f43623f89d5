// Placeholder until this module is written.
#include "Pkt/Packet.h"

namespace kestal {
void ScanPacket(Run&, const std::string&, int64_t) {}
}  // namespace kestal
