#pragma once

namespace kestal {

struct ConfigContext;
class ConfigFile;

// Reads the [Ro] sections in file order into the rule list, up to the first section
// without entries. Every error ends the run.
void LoadRules(const ConfigContext& context, ConfigFile& file);

}  // namespace kestal
