#pragma once

#include <cstddef>
#include <cstdint>

// The packet file: a 58-byte header (type 2 with the type 2+ fields), packed
// messages each opening with the type word 2, and the end word 0. Numbers are
// 16-bit unsigned little-endian unless noted.

namespace kestal::pkt {

namespace header {
inline constexpr size_t kOrigNode = 0;
inline constexpr size_t kDestNode = 2;
inline constexpr size_t kYear = 4;
inline constexpr size_t kMonth = 6;  // 0..11
inline constexpr size_t kDay = 8;
inline constexpr size_t kHour = 10;
inline constexpr size_t kMinute = 12;
inline constexpr size_t kSecond = 14;
inline constexpr size_t kBaud = 16;
inline constexpr size_t kPacketType = 18;
inline constexpr size_t kOrigNet = 20;
inline constexpr size_t kDestNet = 22;
inline constexpr size_t kProductCodeLow = 24;  // 1 byte
inline constexpr size_t kRevisionMajor = 25;   // 1 byte
inline constexpr size_t kPassword = 26;        // 8 bytes, zero-padded
inline constexpr size_t kPasswordSize = 8;
inline constexpr size_t kOrigZone = 34;
inline constexpr size_t kDestZone = 36;
inline constexpr size_t kAuxNet = 38;            // with the capability copy: 4 bytes
inline constexpr size_t kCapabilityCopy = 40;    // the capability word byte-swapped
inline constexpr size_t kProductCodeHigh = 42;   // 1 byte
inline constexpr size_t kRevisionMinor = 43;     // 1 byte
inline constexpr size_t kCapabilityWord = 44;
inline constexpr size_t kOrigZone2 = 46;
inline constexpr size_t kDestZone2 = 48;
inline constexpr size_t kOrigPoint = 50;
inline constexpr size_t kDestPoint = 52;
inline constexpr size_t kProductData = 54;       // 4 bytes
inline constexpr size_t kSize = kProductData + 4;
static_assert(kSize == 58);
}  // namespace header

// The fixed part of a packed message. The to-name, from-name and subject follow,
// each ended by a 0 byte, then the text (an echomail text opens with the line
// "AREA:" + tag), ended by a 0 byte.
namespace message {
inline constexpr size_t kType = 0;
inline constexpr size_t kOrigNode = 2;
inline constexpr size_t kDestNode = 4;
inline constexpr size_t kOrigNet = 6;
inline constexpr size_t kDestNet = 8;
inline constexpr size_t kAttribute = 10;
inline constexpr size_t kCost = 12;
inline constexpr size_t kDateTime = 14;  // text, zero-padded
inline constexpr size_t kDateTimeSize = 20;
inline constexpr size_t kPrefixSize = kDateTime + kDateTimeSize;
static_assert(kPrefixSize == 34);
}  // namespace message

inline constexpr uint16_t kPacketType = 2;
inline constexpr uint16_t kMessageType = 2;
inline constexpr size_t kEndSize = 2;  // the end word 0
// A packet no larger than its header and end word has no room for a message.
inline constexpr size_t kEmptyPacketSize = header::kSize + kEndSize;
// The largest packet read: hubs pass packets of a few MB; anything near this is
// broken or hostile, and a packet's offsets must fit 32 bits.
inline constexpr int64_t kMaxPacketBytes = int64_t{256} << 20;

inline constexpr char kAreaTag[] = "AREA:";
inline constexpr char kCr = '\r';

}  // namespace kestal::pkt
