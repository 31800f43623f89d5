#include "RoConfig/Config.h"

#include <optional>
#include <string>
#include <vector>

#include "Platform/Files.h"
#include "RoConfig/ConfigFile.h"
#include "RoConfig/General.h"
#include "RoConfig/Rules.h"
#include "RoSystem/Exit.h"
#include "RoTypes/Run.h"

namespace kestal {

void LoadConfig(Run& run) {
  std::optional<std::string> text;
  if (platform::FileExists(run.ConfigPath)) text = platform::ReadFile(run.ConfigPath);
  if (!text) {
    run.Console.WriteLine(run.ConfigPath + " not found");
    ExitProgram(run, 2);
  }

  // Every unknown key is shown before the run ends, so that one edit fixes them all.
  const std::vector<std::string> unknownKeys = CheckKeywords(*text);
  for (const std::string& message : unknownKeys) run.Console.WriteLine(message);
  if (!unknownKeys.empty()) ExitProgram(run, 5);

  ConfigFile file(*text, run.ExeDir);
  file.LoadSection("[General]");
  LoadGeneral(run, file);
  LoadRules(run, file);
}

}  // namespace kestal
