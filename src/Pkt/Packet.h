#pragma once

#include <cstdint>
#include <string>

namespace kestal {

class CheckedPackets;
struct ScanContext;

// Processes one packet file of `directory`: checks, rules, rewrite.
// `listedSize` is the size the directory listing gave (the read limit).
// With `checked`, a packet left unchanged since it was checked is not checked
// again, and the bytes the packet is left with are recorded there.
void ScanPacket(const ScanContext& context, const std::string& directory, const std::string& name,
                int64_t listedSize, CheckedPackets* checked = nullptr);

}  // namespace kestal
