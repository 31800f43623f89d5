#include "RoConfig/Config.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "RoConfig/ConfigFile.h"
#include "RoConfig/General.h"
#include "RoConfig/Language.h"
#include "RoConfig/Rules.h"
#include "RoTypes/RunExit.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

// The configuration cannot be read, but the log it names may open: the lines go
// there too, for a sysop whose mailer throws the console away.
[[noreturn]] void StopBeforeReading(const ConfigContext& context, std::string_view text,
                                    const std::vector<std::string>& lines, int exitCode) {
  ConfigFile file(text, context.ExeDir, context.Files);
  file.LoadSection("[General]");
  // The log's own lines need the language texts; without them they stay bare.
  const std::string language = FileNamePart(file.ReadValue("Language", Settings{}.Language));
  if (const auto bytes = context.Files.ReadFile(context.ExeDir + "/" + language)) {
    (void)ParseLanguage(*bytes, context.Lang);
  }
  if (!OpenConfiguredLog(context, file)) throw RunExit{exitCode};
  for (const std::string& line : lines) context.Log.Write(line, false, 1);
  throw RunExit{exitCode, true};
}

}  // namespace

void LoadConfig(const ConfigContext& context) {
  std::optional<std::string> text;
  int error = 0;
  if (context.Files.FileExists(context.ConfigPath)) {
    text = context.Files.ReadFile(context.ConfigPath);
    error = errno;
  } else {
    error = context.Files.DirectoryExists(context.ConfigPath) ? EISDIR : ENOENT;
  }
  if (!text) {
    context.Console.WriteError(context.ConfigPath + " not found");
    context.Console.WriteError(context.ConfigPath + ": " + std::strerror(error));
    throw RunExit{2};
  }
  // Every unknown key is shown before the run ends, so that one edit fixes them all.
  const std::vector<std::string> unknownKeys = CheckKeywords(*text);
  for (const std::string& message : unknownKeys) context.Console.WriteError(message);
  if (!unknownKeys.empty()) StopBeforeReading(context, *text, unknownKeys, 5);
  context.Text = *text;
  ConfigFile file(*text, context.ExeDir, context.Files);
  file.LoadSection("[General]");
  LoadGeneral(context, file);
  LoadRules(context, file);
}

}  // namespace kestal
