// Placeholder until this module is written.
#include "RoTrf/Statistics.h"

namespace kestal {
void BuildEchoStatistics(Run&, const std::string&) {}
void BuildNameStatistics(Run&, const std::string&) {}
}  // namespace kestal
