// Placeholder until this module is written.
#include "RoTrf/Traffic.h"

namespace kestal {
void LoadTrafficFile(Run&, const std::string&) {}
void CountTraffic(Run&, const std::string&, const std::string&, uint32_t) {}
void AppendNameRecord(Run&, const std::string&, const std::string&, const std::string&, const std::string&, const std::string&, const std::string&, const std::string&, uint32_t, const std::string&) {}
void MergeTrafficList(Run&) {}
void SaveTrafficFile(Run&, const std::string&) {}
}  // namespace kestal
