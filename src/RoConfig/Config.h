#pragma once

namespace kestal {

struct Run;

// Reads run.ConfigPath: settings, language, log, own addresses, passwords and rules.
// Every error ends the run (RunExit) with its exit code.
void LoadConfig(Run& run);

}  // namespace kestal
