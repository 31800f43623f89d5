#pragma once

namespace kestal {

struct Run;
class ConfigFile;

// Reads the [Ro] sections in file order into run.Rules, up to the first section
// without entries. Every error ends the run.
void LoadRules(Run& run, ConfigFile& file);

}  // namespace kestal
