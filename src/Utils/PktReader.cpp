#include "Utils/PktReader.h"

#include <algorithm>
#include <limits>

namespace kestal {

PktReader::PktReader(std::string_view data, int32_t readLimit)
    : data_(data), readLimit_(readLimit) {}

int32_t PktReader::Available() const {
  const int64_t inBuffer = static_cast<int64_t>(BufferSize()) - position_;
  const int64_t belowLimit = static_cast<int64_t>(readLimit_) - bytesRead_;
  return static_cast<int32_t>(std::max<int64_t>(0, std::min(inBuffer, belowLimit)));
}

unsigned char PktReader::ReadByte() {
  if (Available() == 0) return 0;
  ++bytesRead_;
  return static_cast<unsigned char>(data_[position_++]);
}

std::string_view PktReader::ReadUntil(unsigned char terminator) {
  const int32_t available = Available();
  if (available == 0) return {};
  const std::string_view window = data_.substr(position_, available);
  const size_t found = window.find(static_cast<char>(terminator));
  const int32_t taken = found == std::string_view::npos ? available : static_cast<int32_t>(found);
  // The terminator is consumed with the text when it lies within reach.
  const int32_t consumed = found == std::string_view::npos ? taken : taken + 1;
  position_ += consumed;
  bytesRead_ += consumed;
  return window.substr(0, taken);
}

int32_t PktReader::BufferSize() const {
  return static_cast<int32_t>(
      std::min<size_t>(data_.size(), std::numeric_limits<int32_t>::max()));
}

}  // namespace kestal
