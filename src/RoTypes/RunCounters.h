#pragma once

#include <cstdint>

namespace kestal {

// What the packet pass did, for the summary lines.
struct RunCounters {
  int32_t PacketsScanned = 0;
  int32_t PacketsBad = 0;
  int32_t PacketsDeleted = 0;
  int32_t NetMailPackets = 0;
  int32_t PacketsPassword = 0;
  int32_t MessagesScanned = 0;
  int32_t MessagesRemoved = 0;
  int32_t NetMailMessages = 0;
  int32_t MessagesCopied = 0;
  // Decided actions that did not happen (a packet not rewritten, a report not
  // written, ...): any makes the run end with its failure code.
  int32_t ActionsFailed = 0;
};

}  // namespace kestal
