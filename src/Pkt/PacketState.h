#pragma once

#include <cstdint>

#include "Pkt/PacketOutput.h"
#include "RoTypes/FidoAddr.h"

namespace kestal {

// What becomes of a message once the rules have been tried on it.
enum class MessageResult {
  Keep,
  Remove,
  Moved,  // its moved copy is already in the packet; the message itself goes
};

// The packet being processed: its addresses, the bytes it will be written back
// with (but the end word), and its counts. Lives for one packet.
struct PacketState {
  TFidoAddr Orig;
  TFidoAddr Dest;
  PacketOutput Output;
  int32_t MessagesRead = 0;
  int32_t MessagesRemoved = 0;
  int32_t MessagesWithoutArea = 0;
  int32_t CopiesAndMoves = 0;
};

}  // namespace kestal
