#pragma once

#include <cstddef>

// The two traffic file layouts. Text fields are a length byte followed by a
// fixed-width area: the characters, then spaces up to the width. Numbers are
// unsigned 32-bit little-endian. Neither file has a header or a trailer.

namespace kestal::trf {

// A daily traffic file ("yyyymmdd.trf"): one 71-byte record per area.
namespace daily {
inline constexpr size_t kEchoNameWidth = 40;
inline constexpr size_t kDateWidth = 10;

inline constexpr size_t kEchoName = 0;   // length byte + 40
inline constexpr size_t kFirstDate = 41;  // length byte + 10
inline constexpr size_t kLastDate = 52;   // length byte + 10
inline constexpr size_t kMsgs = 63;       // 4 bytes
inline constexpr size_t kSize = 67;       // 4 bytes
inline constexpr size_t kRecordSize = kSize + 4;
static_assert(kRecordSize == 71);
}  // namespace daily

// The name traffic file "statecho.trf": one 250-byte record per caught message.
namespace name {
inline constexpr size_t kEchoNameWidth = 40;
inline constexpr size_t kDateWidth = 10;
inline constexpr size_t kTimeWidth = 8;
inline constexpr size_t kMsgDateTimeWidth = 19;
inline constexpr size_t kNameWidth = 25;
inline constexpr size_t kSubjWidth = 68;
inline constexpr size_t kAddressWidth = 19;
inline constexpr size_t kTailWidth = 20;

inline constexpr size_t kEchoName = 0;       // length byte + 40
inline constexpr size_t kDate = 41;          // length byte + 10: RunDate of the writing run
inline constexpr size_t kTime = 52;          // length byte + 8: RunTime of that run
// Length byte one less than the characters stored (18 for the usual 19), + 19.
inline constexpr size_t kMsgDateTime = 61;
inline constexpr size_t kNameFrom = 81;      // length byte + 25
inline constexpr size_t kNameTo = 107;       // length byte + 25
inline constexpr size_t kSubj = 133;         // length byte + 68
inline constexpr size_t kSize = 202;         // 4 bytes
inline constexpr size_t kReserved = 206;     // 4 bytes, zero
inline constexpr size_t kAddress = 210;      // length byte + 19
inline constexpr size_t kTail = 230;         // 20 bytes, zero
inline constexpr size_t kRecordSize = kTail + kTailWidth;
static_assert(kRecordSize == 250);

inline constexpr const char* kFileName = "statecho.trf";
}  // namespace name

}  // namespace kestal::trf
