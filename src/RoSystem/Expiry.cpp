// Placeholder until this module is written.
#include "RoSystem/Expiry.h"

namespace kestal {
void ExpireRules(Run&) {}
}  // namespace kestal
