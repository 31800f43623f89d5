#include "RoConfig/Config.h"

#include <optional>
#include <string>
#include <vector>

#include "RoConfig/ConfigFile.h"
#include "RoConfig/General.h"
#include "RoConfig/Rules.h"
#include "RoTypes/RunExit.h"

namespace kestal {

void LoadConfig(const ConfigContext& context) {
  std::optional<std::string> text;
  if (context.Files.FileExists(context.ConfigPath)) text = context.Files.ReadFile(context.ConfigPath);
  if (!text) {
    context.Console.WriteLine(context.ConfigPath + " not found");
    throw RunExit{2};
  }
  // Every unknown key is shown before the run ends, so that one edit fixes them all.
  const std::vector<std::string> unknownKeys = CheckKeywords(*text);
  for (const std::string& message : unknownKeys) context.Console.WriteLine(message);
  if (!unknownKeys.empty()) throw RunExit{5};
  context.Text = *text;
  ConfigFile file(*text, context.ExeDir, context.Files);
  file.LoadSection("[General]");
  LoadGeneral(context, file);
  LoadRules(context, file);
}

}  // namespace kestal
