#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "Pkt/PacketState.h"
#include "RoTypes/MsgHeader.h"

namespace kestal {

struct ScanContext;
class PktReader;
class PacketRules;

// One packed message as framed from the packet.
struct PackedMessage {
  // The bytes read when the packet holds all of them: a view into the
  // packet's bytes, which must outlive the message.
  std::string_view InPacket;
  // A message cut short by the end of the packet: the bytes read and the 0
  // bytes it lacks.
  bool CutShort = false;
  std::string Completed;
  size_t TextBegin = 0;  // the text after the area line
  bool HasAreaLine = false;

  // The message as the packet will hold it when it stays, from the type word
  // to the 0 byte that ends the text.
  std::string_view Bytes() const { return CutShort ? std::string_view(Completed) : InPacket; }
  std::string_view Text() const {
    const std::string_view bytes = Bytes();
    return bytes.substr(TextBegin, bytes.size() - 1 - TextBegin);
  }
};

// Reads one packed message whose type word has already been read, and fills the
// header fields that the packet holds (addresses, date, names, subject, area).
// The text ends at its first 0 byte: a last line without a CR is kept as it is,
// instead of running on into the next message.
PackedMessage ReadPackedMessage(PktReader& reader, unsigned char typeLow, unsigned char typeHigh,
                                FramedHeader& message);

// Sorts the text of a message of the area into kludges, body and via lines and
// works out the author's and addressee's addresses.
ParsedText ParseMessageText(std::string_view text, const TFidoAddr& packetOrig,
                            std::string_view area);
// The same addresses and kludge fields (CHRS, PID, TID) from the kludges and the
// origin line alone; Kludges, Body and Vias stay empty.
ParsedText ParseKludgeFields(std::string_view text, const TFidoAddr& packetOrig,
                             std::string_view area);

// What the rules' text masks found in one message, by mask id.
struct TextMaskHits {
  // The masks of the rules that can match the message, as many times as rules
  // have them: what one scan of the text for all masks would spare.
  size_t MasksWanted = 0;
  bool ScannedAll = false;
  std::vector<bool> InRawText;  // when ScannedAll
  std::vector<signed char> InPart;  // -1 until looked for; empty until a rule first looks
};

// A message while the rules are tried on it. Most messages fail on their area or
// names, so the text is parsed only when a test needs it, and only as far as the
// test reads.
class MessageUnderTest {
 public:
  // `header` holds the framed fields; parsing fills the rest of it.
  MessageUnderTest(TPktMsgHeader& header, const PackedMessage& message, const TFidoAddr& packetOrig)
      : header_(header), message_(message), packetOrig_(packetOrig) {}

  const FramedHeader& Framed() const { return header_; }
  // The addresses and kludge fields; the text parts may still be empty.
  const ParsedText& KludgeFields();
  // Every field, the text parsed.
  const ParsedText& Parsed();
  // The message for the actions of a rule that caught it.
  const TPktMsgHeader& Whole();
  std::string_view Bytes() const { return message_.Bytes(); }
  // The text after the area line, as the packet holds it.
  std::string_view Text() const { return message_.Text(); }
  TextMaskHits& MaskHits() { return maskHits_; }

 private:
  enum class Depth { None, KludgeFields, WholeText };

  TPktMsgHeader& header_;
  const PackedMessage& message_;
  const TFidoAddr& packetOrig_;
  Depth parsed_ = Depth::None;
  TextMaskHits maskHits_;

  ParsedText& Fields() { return header_; }
};

// Tries the rules on the message in their order and applies the first that
// decides its fate (a Copy rule lets the next ones be tried). Without
// `testRules` (netmail with NetMail off) the message is kept untested.
MessageResult ProcessMessage(const ScanContext& context, PacketRules& rules, PacketState& packet,
                             TPktMsgHeader& header, const PackedMessage& message, bool testRules);

}  // namespace kestal
