#pragma once

namespace kestal {

struct Run;

// Removes the [Ro] sections whose DateTo has passed from the configuration file,
// keeping a backup, and sends the rule-end reports.
void ExpireRules(Run& run);

}  // namespace kestal
