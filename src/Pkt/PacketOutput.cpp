#include "Pkt/PacketOutput.h"

#include <algorithm>

namespace kestal {

void PacketOutput::KeepFileBytes(size_t begin, size_t end) {
  begin = std::min(begin, file_.size());
  end = std::clamp(end, begin, file_.size());
  if (!changed_ && begin == fileBytesKept_) {
    fileBytesKept_ = end;
    return;
  }
  CopyKeptFileBytes();
  bytes_.append(file_.substr(begin, end - begin));
}

void PacketOutput::Append(std::string_view bytes) {
  CopyKeptFileBytes();
  bytes_.append(bytes);
}

const std::string& PacketOutput::Bytes() {
  CopyKeptFileBytes();
  return bytes_;
}

void PacketOutput::CopyKeptFileBytes() {
  if (changed_) return;
  changed_ = true;
  // Most messages stay: the rebuilt packet is about as large as the file.
  bytes_.reserve(file_.size());
  bytes_.assign(file_.substr(0, fileBytesKept_));
}

}  // namespace kestal
