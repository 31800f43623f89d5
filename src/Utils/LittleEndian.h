#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestal {

// Little-endian numbers of the binary formats, built from single bytes so that
// nothing depends on the host's byte order or on alignment.

// REQUIRES: offset + 2 <= bytes.size()
inline uint16_t DecodeFixed16(std::string_view bytes, size_t offset) {
  return static_cast<uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                               static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

// REQUIRES: offset + 4 <= bytes.size()
inline uint32_t DecodeFixed32(std::string_view bytes, size_t offset) {
  return static_cast<uint32_t>(DecodeFixed16(bytes, offset)) |
         static_cast<uint32_t>(DecodeFixed16(bytes, offset + 2)) << 16;
}

inline void AppendFixed16(std::string& out, uint16_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>(value >> 8));
}

inline void AppendFixed32(std::string& out, uint32_t value) {
  AppendFixed16(out, static_cast<uint16_t>(value & 0xFFFF));
  AppendFixed16(out, static_cast<uint16_t>(value >> 16));
}

// REQUIRES: offset + 2 <= out.size()
inline void EncodeFixed16(std::string& out, size_t offset, uint16_t value) {
  out[offset] = static_cast<char>(value & 0xFF);
  out[offset + 1] = static_cast<char>(value >> 8);
}

}  // namespace kestal
