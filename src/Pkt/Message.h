#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "Pkt/PacketState.h"
#include "RoTypes/MsgHeader.h"

namespace kestal {

struct ScanContext;
class PktReader;
class PacketRules;

// One packed message as framed from the packet.
struct PackedMessage {
  // The message as the packet will hold it when it stays: the bytes read, from
  // the type word to the 0 byte that ends the text. A message cut short by the
  // end of the packet gets the 0 bytes it lacks.
  std::string Bytes;
  size_t TextBegin = 0;  // the text after the area line
  bool HasAreaLine = false;

  std::string_view Text() const {
    return std::string_view(Bytes).substr(TextBegin, Bytes.size() - 1 - TextBegin);
  }
};

// Reads one packed message whose type word has already been read, and fills the
// header fields that the packet holds (addresses, date, names, subject, area).
// The text ends at its first 0 byte: a last line without a CR is kept as it is,
// instead of running on into the next message.
PackedMessage ReadPackedMessage(PktReader& reader, unsigned char typeLow, unsigned char typeHigh,
                                TPktMsgHeader& message);

// Sorts the text into kludges, body and via lines and works out the author's and
// addressee's addresses. `message.Area` must be set.
void ParseMessageText(std::string_view text, const TFidoAddr& packetOrig, TPktMsgHeader& message);

// A message while the rules are tried on it. Most messages fail on their area or
// names, so the text is parsed only when a test needs it.
class MessageUnderTest {
 public:
  MessageUnderTest(TPktMsgHeader& header, const PackedMessage& message, const TFidoAddr& packetOrig)
      : header_(header), message_(message), packetOrig_(packetOrig) {}

  // The fields that framing filled.
  const TPktMsgHeader& Framed() const { return header_; }
  // Every field, the text parsed.
  TPktMsgHeader& Parsed();
  const std::string& Bytes() const { return message_.Bytes; }
  // The text after the area line, as the packet holds it.
  std::string_view Text() const { return message_.Text(); }

 private:
  TPktMsgHeader& header_;
  const PackedMessage& message_;
  const TFidoAddr& packetOrig_;
  bool parsed_ = false;
};

// Tries the rules on the message in their order and applies the first that
// decides its fate (a Copy rule lets the next ones be tried). Without
// `testRules` (netmail with NetMail off) the message is kept untested.
MessageResult ProcessMessage(const ScanContext& context, PacketRules& rules, PacketState& packet,
                             TPktMsgHeader& header, const PackedMessage& message, bool testRules);

}  // namespace kestal
