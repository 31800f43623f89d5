#pragma once

#include <cstdint>
#include <string>

namespace kestal {

struct ScanContext;

// Processes one packet file of `directory`: checks, rules, rewrite.
// `listedSize` is the size the directory listing gave (the read limit).
void ScanPacket(const ScanContext& context, const std::string& directory, const std::string& name,
                int64_t listedSize);

}  // namespace kestal
