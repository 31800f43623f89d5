#pragma once

#include <cstdint>
#include <vector>

#include "FReport/Macros.h"
#include "Pkt/PacketOutput.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"

namespace kestal {

// What becomes of a message once the rules have been tried on it.
enum class MessageResult {
  Keep,
  Remove,
  Moved,  // its moved copy is already in the packet; the message itself goes
};

// A caught message whose reports and traffic count wait until its packet has
// been written back: nobody is told of a removal that did not land, and a packet
// that could not be written is caught again, whole, by the next run.
struct CaughtMessage {
  const TRo* Rule;
  ReportingRule Reporting;
  TPktMsgHeader Message;
  uint32_t Size = 0;  // the packed message's bytes, for the traffic counts
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
  std::vector<CaughtMessage> Caught;
};

}  // namespace kestal
