#pragma once

// The stored netmail message (N.msg): a fixed header of 190 bytes, then the
// message text ended by a zero byte. 16-bit words are little-endian.

namespace kestal::msgformat {

inline constexpr int kFromNameOffset = 0;
inline constexpr int kFromNameSize = 36;  // zero-terminated: at most 35 bytes of name
inline constexpr int kToNameOffset = 36;
inline constexpr int kToNameSize = 36;
inline constexpr int kSubjectOffset = 72;
inline constexpr int kSubjectSize = 72;
inline constexpr int kDateTimeOffset = 144;
inline constexpr int kDateTimeSize = 20;  // "dd mmm yy  hh:mm:ss" and a zero byte
inline constexpr int kTimesReadOffset = 164;
inline constexpr int kDestNodeOffset = 166;
inline constexpr int kOrigNodeOffset = 168;
inline constexpr int kCostOffset = 170;
inline constexpr int kOrigNetOffset = 172;
inline constexpr int kDestNetOffset = 174;
inline constexpr int kDestZoneOffset = 176;
inline constexpr int kOrigZoneOffset = 178;
inline constexpr int kDestPointOffset = 180;
inline constexpr int kOrigPointOffset = 182;
inline constexpr int kReplyToOffset = 184;
inline constexpr int kAttributeOffset = 186;
inline constexpr int kNextReplyOffset = 188;
inline constexpr int kHeaderSize = 190;

inline constexpr unsigned kAttrPrivate = 0x0001;
inline constexpr unsigned kAttrKillSent = 0x0080;
inline constexpr unsigned kAttrLocal = 0x0100;

}  // namespace kestal::msgformat
