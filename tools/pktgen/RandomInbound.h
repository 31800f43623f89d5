#pragma once

#include <cstdint>
#include <string>

namespace pktgen {

struct RandomInboundOptions {
  uint64_t Seed = 1;
  int64_t SizeMb = 10;   // the packets together hold at least this many megabytes
  int Areas = 50;        // area tags BENCH.1 .. BENCH.<Areas>
  int Writers = 5000;    // authors "Writer 1" .. "Writer <Writers>", each with an address
  std::string OutDir;    // an existing directory
};

// Writes an inbound of echomail packets that the seed fixes byte for byte.
bool WriteRandomInbound(const RandomInboundOptions& options, std::string& error);

}  // namespace pktgen
