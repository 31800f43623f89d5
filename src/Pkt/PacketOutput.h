#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestal {

// The bytes a packet will be written back with: its header, the messages that
// stay and the copies added under other areas. While every message so far stays
// as it was read, they are the packet file's own first bytes and nothing is
// copied: most packets lose nothing and are never written. The first change
// copies those bytes once; from then on the bytes are appended.
class PacketOutput {
 public:
  PacketOutput() = default;
  // REQUIRES: `file` outlives the output.
  explicit PacketOutput(std::string_view file) : file_(file) {}

  // The file's bytes from `begin` to `end` stay as they are.
  void KeepFileBytes(size_t begin, size_t end);
  void Append(std::string_view bytes);
  const std::string& Bytes();

 private:
  std::string_view file_;
  size_t fileBytesKept_ = 0;  // while unchanged: the file's first bytes kept
  bool changed_ = false;
  std::string bytes_;  // once changed

  void CopyKeptFileBytes();
};

}  // namespace kestal
