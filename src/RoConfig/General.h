#pragma once

namespace kestal {

struct ConfigContext;
class ConfigFile;

// Reads the loaded [General] section in its fixed order: the language file and
// the log come first so that later errors can be worded and logged. Every error
// ends the run.
void LoadGeneral(const ConfigContext& context, ConfigFile& file);
// Reads Log and LogLevel and opens the log; false, with the reason on the
// console, when it cannot be opened.
[[nodiscard]] bool OpenConfiguredLog(const ConfigContext& context, ConfigFile& file);

}  // namespace kestal
