#include "ToolsLib/PacketWriter.h"

#include <algorithm>
#include <string>

#include "Pkt/PacketFormat.h"
#include "Utils/LittleEndian.h"

namespace kestal {
namespace {

constexpr uint16_t kCapabilityType2Plus = 0x0001;

uint16_t Word(int32_t value) { return static_cast<uint16_t>(value); }

void AppendLine(std::string& text, const std::string& line) {
  text += line;
  text += pkt::kCr;
}

std::string MessageText(const MessageDraft& draft) {
  if (draft.RawText) return *draft.RawText;
  std::string text;
  if (!draft.Area.empty()) AppendLine(text, pkt::kAreaTag + draft.Area);
  for (const std::string& kludge : draft.Kludges) AppendLine(text, "\x01" + kludge);
  for (const std::string& line : draft.Lines) AppendLine(text, line);
  if (draft.Tearline) AppendLine(text, draft.Tearline->empty() ? "---" : "--- " + *draft.Tearline);
  if (draft.Origin) AppendLine(text, " * Origin: " + *draft.Origin);
  for (const std::string& seenBy : draft.SeenBy) AppendLine(text, "SEEN-BY: " + seenBy);
  for (const std::string& path : draft.Path) AppendLine(text, "\x01PATH: " + path);
  return text;
}

}  // namespace

std::string PacketHeaderBytes(const PacketHeaderDraft& draft) {
  using namespace pkt::header;
  std::string bytes(kSize, '\0');
  EncodeFixed16(bytes, kOrigNode, Word(draft.Orig.Node));
  EncodeFixed16(bytes, kDestNode, Word(draft.Dest.Node));
  EncodeFixed16(bytes, kYear, Word(draft.Created.Date.Year));
  EncodeFixed16(bytes, kMonth, Word(draft.Created.Date.Month - 1));
  EncodeFixed16(bytes, kDay, Word(draft.Created.Date.Day));
  EncodeFixed16(bytes, kHour, Word(draft.Created.Hour));
  EncodeFixed16(bytes, kMinute, Word(draft.Created.Minute));
  EncodeFixed16(bytes, kSecond, Word(draft.Created.Second));
  EncodeFixed16(bytes, kPacketType, pkt::kPacketType);
  EncodeFixed16(bytes, kOrigNet, Word(draft.Orig.Net));
  EncodeFixed16(bytes, kDestNet, Word(draft.Dest.Net));
  bytes[kProductCodeLow] = static_cast<char>(draft.ProductCode & 0xFF);
  bytes[kRevisionMajor] = static_cast<char>(draft.RevisionMajor);
  bytes.replace(kPassword, std::min(draft.Password.size(), kPasswordSize), draft.Password, 0,
                kPasswordSize);
  EncodeFixed16(bytes, kOrigZone, Word(draft.Orig.Zone));
  EncodeFixed16(bytes, kDestZone, Word(draft.Dest.Zone));
  EncodeFixed16(bytes, kCapabilityCopy, static_cast<uint16_t>(kCapabilityType2Plus << 8));
  bytes[kProductCodeHigh] = static_cast<char>(draft.ProductCode >> 8);
  bytes[kRevisionMinor] = static_cast<char>(draft.RevisionMinor);
  EncodeFixed16(bytes, kCapabilityWord, kCapabilityType2Plus);
  EncodeFixed16(bytes, kOrigZone2, Word(draft.Orig.Zone));
  EncodeFixed16(bytes, kDestZone2, Word(draft.Dest.Zone));
  EncodeFixed16(bytes, kOrigPoint, Word(draft.Orig.Point));
  EncodeFixed16(bytes, kDestPoint, Word(draft.Dest.Point));
  return bytes;
}

std::string PackedMessageBytes(const MessageDraft& draft) {
  using namespace pkt::message;
  std::string bytes(kPrefixSize, '\0');
  EncodeFixed16(bytes, kType, pkt::kMessageType);
  EncodeFixed16(bytes, kOrigNode, Word(draft.From.Node));
  EncodeFixed16(bytes, kDestNode, Word(draft.To.Node));
  EncodeFixed16(bytes, kOrigNet, Word(draft.From.Net));
  EncodeFixed16(bytes, kDestNet, Word(draft.To.Net));
  EncodeFixed16(bytes, kAttribute, draft.Attribute);
  EncodeFixed16(bytes, kCost, draft.Cost);
  bytes.replace(kDateTime, std::min(draft.DateTime.size(), kDateTimeSize), draft.DateTime, 0,
                kDateTimeSize);
  for (const std::string* field : {&draft.ToName, &draft.FromName, &draft.Subject}) {
    bytes += *field;
    bytes.push_back('\0');
  }
  bytes += MessageText(draft);
  bytes.push_back('\0');
  return bytes;
}

std::string PacketBytes(const PacketHeaderDraft& header, const std::vector<MessageDraft>& messages) {
  std::string bytes = PacketHeaderBytes(header);
  for (const MessageDraft& message : messages) bytes += PackedMessageBytes(message);
  bytes.append(pkt::kEndSize, '\0');
  return bytes;
}

}  // namespace kestal
