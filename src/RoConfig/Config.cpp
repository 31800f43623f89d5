// Placeholder until this module is written.
#include "RoConfig/Config.h"

namespace kestal {
void LoadConfig(Run&) {}
}  // namespace kestal
