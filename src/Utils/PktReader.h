#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestal {

// A bounded byte reader over a file's bytes in memory. Once BytesRead reaches
// ReadLimit every read delivers byte 0 without moving, so a truncated packet ends
// its strings and its message loop by itself. Reading past the end of the buffer
// delivers 0 too, whatever the limit says, and does not count in BytesRead: a
// file that shrank after it was listed then ends with BytesRead below ReadLimit,
// and the packet's size check reports it.
class PktReader {
 public:
  // REQUIRES: `data` outlives the reader.
  PktReader(std::string_view data, int32_t readLimit);

  unsigned char ReadByte();
  // Bytes up to the terminator, which is consumed and not returned; stops early at
  // the limit. The view points into the reader's data.
  std::string_view ReadUntil(unsigned char terminator);

  std::string_view Data() const { return data_; }
  int32_t BytesRead() const { return bytesRead_; }
  int32_t ReadLimit() const { return readLimit_; }
  int32_t Position() const { return position_; }

 private:
  // Bytes that can still be read: before both the limit and the buffer end.
  int32_t Available() const;
  // The buffer's size, at most what a position can hold.
  int32_t BufferSize() const;

  std::string_view data_;
  int32_t readLimit_;
  int32_t bytesRead_ = 0;
  int32_t position_ = 0;
};

}  // namespace kestal
