#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestal {

// A bounded byte reader over a file's bytes in memory. Once BytesRead reaches
// ReadLimit every read delivers byte 0 without moving, so a truncated packet ends
// its strings and its message loop by itself. Reading past the end of the buffer
// delivers 0 too, whatever the limit says.
class PktReader {
 public:
  // REQUIRES: `data` outlives the reader.
  PktReader(std::string_view data, int32_t readLimit);

  unsigned char ReadByte();
  // Bytes up to the terminator, which is consumed and not returned; stops early at
  // the limit.
  std::string ReadUntil(unsigned char terminator);
  // Moves the position back by n bytes and lowers BytesRead by n.
  void StepBack(int32_t n);
  // Moves to an absolute offset; BytesRead is unchanged.
  void Seek(int32_t offset);

  int32_t BytesRead() const { return bytesRead_; }
  int32_t ReadLimit() const { return readLimit_; }
  int32_t Position() const { return position_; }

 private:
  std::string_view data_;
  int32_t readLimit_;
  int32_t bytesRead_ = 0;
  int32_t position_ = 0;
};

}  // namespace kestal
