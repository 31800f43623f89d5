#include "Pkt/PacketWriter.h"

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

std::string MessageText(const MessageSpec& spec) {
  if (spec.RawText) return *spec.RawText;
  std::string text;
  if (!spec.Area.empty()) AppendLine(text, pkt::kAreaTag + spec.Area);
  for (const std::string& kludge : spec.Kludges) AppendLine(text, "\x01" + kludge);
  for (const std::string& line : spec.Lines) AppendLine(text, line);
  if (spec.Tearline) AppendLine(text, spec.Tearline->empty() ? "---" : "--- " + *spec.Tearline);
  if (spec.Origin) AppendLine(text, " * Origin: " + *spec.Origin);
  for (const std::string& seenBy : spec.SeenBy) AppendLine(text, "SEEN-BY: " + seenBy);
  for (const std::string& path : spec.Path) AppendLine(text, "\x01PATH: " + path);
  return text;
}

}  // namespace

std::string PacketHeaderBytes(const PacketHeaderSpec& spec) {
  using namespace pkt::header;
  std::string bytes(kSize, '\0');
  EncodeFixed16(bytes, kOrigNode, Word(spec.Orig.Node));
  EncodeFixed16(bytes, kDestNode, Word(spec.Dest.Node));
  EncodeFixed16(bytes, kYear, Word(spec.Created.Date.Year));
  EncodeFixed16(bytes, kMonth, Word(spec.Created.Date.Month - 1));
  EncodeFixed16(bytes, kDay, Word(spec.Created.Date.Day));
  EncodeFixed16(bytes, kHour, Word(spec.Created.Hour));
  EncodeFixed16(bytes, kMinute, Word(spec.Created.Minute));
  EncodeFixed16(bytes, kSecond, Word(spec.Created.Second));
  EncodeFixed16(bytes, kPacketType, pkt::kPacketType);
  EncodeFixed16(bytes, kOrigNet, Word(spec.Orig.Net));
  EncodeFixed16(bytes, kDestNet, Word(spec.Dest.Net));
  bytes[kProductCodeLow] = static_cast<char>(spec.ProductCode & 0xFF);
  bytes[kRevisionMajor] = static_cast<char>(spec.RevisionMajor);
  bytes.replace(kPassword, std::min(spec.Password.size(), kPasswordSize), spec.Password, 0,
                kPasswordSize);
  EncodeFixed16(bytes, kOrigZone, Word(spec.Orig.Zone));
  EncodeFixed16(bytes, kDestZone, Word(spec.Dest.Zone));
  EncodeFixed16(bytes, kCapabilityCopy, static_cast<uint16_t>(kCapabilityType2Plus << 8));
  bytes[kProductCodeHigh] = static_cast<char>(spec.ProductCode >> 8);
  bytes[kRevisionMinor] = static_cast<char>(spec.RevisionMinor);
  EncodeFixed16(bytes, kCapabilityWord, kCapabilityType2Plus);
  EncodeFixed16(bytes, kOrigZone2, Word(spec.Orig.Zone));
  EncodeFixed16(bytes, kDestZone2, Word(spec.Dest.Zone));
  EncodeFixed16(bytes, kOrigPoint, Word(spec.Orig.Point));
  EncodeFixed16(bytes, kDestPoint, Word(spec.Dest.Point));
  return bytes;
}

std::string PackedMessageBytes(const MessageSpec& spec) {
  using namespace pkt::message;
  std::string bytes(kPrefixSize, '\0');
  EncodeFixed16(bytes, kType, pkt::kMessageType);
  EncodeFixed16(bytes, kOrigNode, Word(spec.From.Node));
  EncodeFixed16(bytes, kDestNode, Word(spec.To.Node));
  EncodeFixed16(bytes, kOrigNet, Word(spec.From.Net));
  EncodeFixed16(bytes, kDestNet, Word(spec.To.Net));
  EncodeFixed16(bytes, kAttribute, spec.Attribute);
  EncodeFixed16(bytes, kCost, spec.Cost);
  bytes.replace(kDateTime, std::min(spec.DateTime.size(), kDateTimeSize), spec.DateTime, 0,
                kDateTimeSize);
  for (const std::string* field : {&spec.ToName, &spec.FromName, &spec.Subject}) {
    bytes += *field;
    bytes.push_back('\0');
  }
  bytes += MessageText(spec);
  bytes.push_back('\0');
  return bytes;
}

std::string PacketBytes(const PacketHeaderSpec& header, const std::vector<MessageSpec>& messages) {
  std::string bytes = PacketHeaderBytes(header);
  for (const MessageSpec& message : messages) bytes += PackedMessageBytes(message);
  bytes.append(pkt::kEndSize, '\0');
  return bytes;
}

}  // namespace kestal
