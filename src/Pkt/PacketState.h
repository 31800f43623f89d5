#pragma once

#include <cstdint>
#include <string>

#include "RoTypes/FidoAddr.h"

namespace kestal {

// What becomes of a message once the rules have been tried on it.
enum class MessageResult {
  Keep,
  Remove,
  Moved,  // its moved copy is already in the packet; the message itself goes
};

// The packet being processed: its addresses, the bytes it will be written back
// with, and its counts. Lives for one packet.
struct PacketState {
  TFidoAddr Orig;
  TFidoAddr Dest;
  std::string Output;  // header, kept messages and added copies, end word
  int32_t MessagesRead = 0;
  int32_t MessagesRemoved = 0;
  int32_t MessagesWithoutArea = 0;
  int32_t CopiesAndMoves = 0;
};

}  // namespace kestal
