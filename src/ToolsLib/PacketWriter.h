#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "RoTypes/Date.h"
#include "RoTypes/FidoAddr.h"

namespace kestal {

// Builds packets byte for byte, for the tests, pktgen, the demo and the benchmark.

struct PacketHeaderDraft {
  TFidoAddr Orig{2, 5020, 1, 0, 0};
  TFidoAddr Dest{2, 5020, 2, 0, 0};
  std::string Password;  // the first 8 bytes are used, zero-padded
  TDateTime Created{{2026, 12, 10}, 12, 0, 0, 0};
  uint16_t ProductCode = 0x00FE;
  uint8_t RevisionMajor = 0;
  uint8_t RevisionMinor = 0;
};

struct MessageDraft {
  TFidoAddr From{2, 5020, 1, 0, 0};  // net and node go to the message header
  TFidoAddr To{2, 5020, 2, 0, 0};
  uint16_t Attribute = 0;
  uint16_t Cost = 0;
  std::string DateTime = "10 Dec 26  12:00:00";  // cut or zero-padded to 20 bytes
  std::string ToName = "All";
  std::string FromName = "Sysop";
  std::string Subject;
  std::string Area;  // empty: netmail, no AREA: line
  // The text, each line ended by CR: the kludges (without their byte 1), the
  // lines, the tearline ("---" + " " + text), the origin line (" * Origin: " +
  // text), the SEEN-BY lines and the PATH kludges.
  std::vector<std::string> Kludges;
  std::vector<std::string> Lines;
  std::optional<std::string> Tearline;
  std::optional<std::string> Origin;
  std::vector<std::string> SeenBy;
  std::vector<std::string> Path;
  // When set, the whole text after the subject (area line included) as it
  // stands, in place of the fields above; the ending 0 byte is still added.
  std::optional<std::string> RawText;
};

// The 58-byte header, type 2 with the type 2+ fields (capability word 1).
std::string PacketHeaderBytes(const PacketHeaderDraft& draft);
// One packed message, from its type word to the 0 byte that ends its text.
std::string PackedMessageBytes(const MessageDraft& draft);
// Header, messages and the end word.
std::string PacketBytes(const PacketHeaderDraft& header, const std::vector<MessageDraft>& messages);

}  // namespace kestal
