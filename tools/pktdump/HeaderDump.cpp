#include "HeaderDump.h"

#include <cstdio>
#include <string>

#include "DumpText.h"
#include "Pkt/PacketFormat.h"
#include "Pkt/PacketHeader.h"
#include "Utils/Address.h"
#include "Utils/LittleEndian.h"

namespace pktdump {

namespace {

using kestal::DecodeFixed16;
namespace header = kestal::pkt::header;

uint8_t Byte(std::string_view packet, size_t offset) {
  return static_cast<uint8_t>(packet[offset]);
}

std::string CreatedText(std::string_view packet) {
  char text[64];
  // The month word counts from 0.
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u",
                DecodeFixed16(packet, header::kYear), DecodeFixed16(packet, header::kMonth) + 1u,
                DecodeFixed16(packet, header::kDay), DecodeFixed16(packet, header::kHour),
                DecodeFixed16(packet, header::kMinute), DecodeFixed16(packet, header::kSecond));
  return text;
}

std::string ProductText(std::string_view packet) {
  unsigned code =
      Byte(packet, header::kProductCodeHigh) << 8 | Byte(packet, header::kProductCodeLow);
  return Hex16(code) + ", revision " + std::to_string(Byte(packet, header::kRevisionMajor)) + "." +
         std::to_string(Byte(packet, header::kRevisionMinor));
}

// A type 2+ header carries the capability word twice, the copy byte-swapped.
std::string CapabilityText(std::string_view packet) {
  unsigned word = DecodeFixed16(packet, header::kCapabilityWord);
  unsigned copy = DecodeFixed16(packet, header::kCapabilityCopy);
  unsigned swappedCopy = (copy >> 8 | copy << 8) & 0xFFFF;
  std::string text = Hex16(word) + ", copy " + Hex16(copy);
  if (word != swappedCopy) return text + ": the copy does not match, a plain type 2 header";
  if ((word & 1) == 0) return text + ": a plain type 2 header";
  return text + ": type 2+";
}

std::string PasswordText(std::string_view packet) {
  std::string_view password = packet.substr(header::kPassword, header::kPasswordSize);
  bool set = password.find_first_not_of('\0') != std::string_view::npos;
  return set ? "set" : "none";
}

}  // namespace

bool DumpHeader(std::string_view packet, std::ostream& out, kestal::TFidoAddr& orig) {
  if (packet.size() < header::kSize) {
    Problem(out, "the file is " + std::to_string(packet.size()) + " bytes, shorter than the " +
                     std::to_string(header::kSize) + "-byte packet header");
    return false;
  }
  orig = kestal::pkt::HeaderOrigAddress(packet);
  kestal::TFidoAddr dest = kestal::pkt::HeaderDestAddress(packet);
  out << "Packet header\n";
  Field(out, "From", kestal::FormatAddress(orig));
  Field(out, "To", kestal::FormatAddress(dest));
  Field(out, "Created", CreatedText(packet));
  Field(out, "Type", std::to_string(DecodeFixed16(packet, header::kPacketType)));
  Field(out, "Product", ProductText(packet));
  Field(out, "Capability", CapabilityText(packet));
  Field(out, "Password", PasswordText(packet));
  unsigned origZone2 = DecodeFixed16(packet, header::kOrigZone2);
  unsigned destZone2 = DecodeFixed16(packet, header::kDestZone2);
  if (origZone2 != static_cast<unsigned>(orig.Zone) ||
      destZone2 != static_cast<unsigned>(dest.Zone)) {
    Field(out, "Zones 46/48",
          std::to_string(origZone2) + " -> " + std::to_string(destZone2) +
              " (kestal reads the zones at offsets 34/36)");
  }
  return true;
}

}  // namespace pktdump
