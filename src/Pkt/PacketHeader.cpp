#include "Pkt/PacketHeader.h"

#include <cstddef>

#include "Pkt/PacketFormat.h"
#include "Utils/LittleEndian.h"

namespace kestal::pkt {
namespace {

TFidoAddr HeaderAddress(std::string_view header, size_t zone, size_t net, size_t node,
                        size_t point) {
  return TFidoAddr{DecodeFixed16(header, zone), DecodeFixed16(header, net),
                   DecodeFixed16(header, node), DecodeFixed16(header, point), 0};
}

}  // namespace

TFidoAddr HeaderOrigAddress(std::string_view header) {
  return HeaderAddress(header, header::kOrigZone, header::kOrigNet, header::kOrigNode,
                       header::kOrigPoint);
}

TFidoAddr HeaderDestAddress(std::string_view header) {
  return HeaderAddress(header, header::kDestZone, header::kDestNet, header::kDestNode,
                       header::kDestPoint);
}

}  // namespace kestal::pkt
