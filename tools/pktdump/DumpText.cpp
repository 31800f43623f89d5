#include "DumpText.h"

#include <cstdio>

namespace pktdump {

std::string Printable(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (char c : bytes) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      text += escaped;
    } else {
      text += c;
    }
  }
  return text;
}

void Field(std::ostream& out, std::string_view label, std::string_view value) {
  constexpr size_t kLabelWidth = 12;
  out << "  " << label;
  if (!value.empty()) {
    for (size_t i = label.size(); i < kLabelWidth; ++i) out << ' ';
    out << value;
  }
  out << '\n';
}

void Problem(std::ostream& out, std::string_view text) { out << "!! " << text << '\n'; }

std::string Hex16(unsigned value) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", value & 0xFFFF);
  return hex;
}

}  // namespace pktdump
