#include "RoConfig/ConfigValues.h"

#include <cerrno>
#include <cstring>

#include "RoConfig/Config.h"
#include "RoConfig/ConfigFile.h"
#include "RoTypes/RunExit.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {

void FailConfig(const ConfigContext& context, const std::string& text, int exitCode,
                const std::string& detail) {
  for (const std::string& line : {text, detail}) {
    if (!line.empty()) context.Log.WriteStop(line);
  }
  throw RunExit{exitCode, true};
}

std::string KeyErrorText(const LangFile& lang, std::string_view key, std::string_view tail) {
  return lang.LangKeyword + " \"" + std::string(key) + "\" " + std::string(tail);
}

std::string LineText(const LangFile& lang, const std::string& lines) {
  return " (" + lang.LangLine + " " + lines + ")";
}

void FailFileNotFound(const ConfigContext& context, const std::string& name,
                      const std::string& lineText, const std::string& searched) {
  const LangFile& lang = context.Lang;
  FailConfig(context, lang.LangError + " \"" + name + "\" " + lang.LangFileNotFound + lineText, 4,
             searched + name + ": " + std::strerror(ENOENT));
}

std::string ReadTemplateName(const ConfigContext& context, ConfigFile& file, std::string_view key,
                             std::string_view defaultValue) {
  const std::string name = FileNamePart(file.ReadValue(key, defaultValue));
  if (!name.empty() && !context.Files.FileExists(context.Config.TemplatePath + name)) {
    FailFileNotFound(context, name, LineText(context.Lang, std::to_string(file.KeyLine())),
                     context.Config.TemplatePath);
  }
  return name;
}

std::string ExpandAddressMacros(std::string text, const OwnAddresses& own) {
  const std::string main = FormatAddress(own.Main());
  std::string all = main;
  std::string allExcluded = "!" + main;
  for (int slot = 1; slot <= own.AkaCount; ++slot) {
    const std::string aka = FormatAddress(own.Slots[slot]);
    all += " " + aka;
    allExcluded += " !" + aka;
  }
  ReplaceAll(text, "%MainAddr%", main);
  ReplaceAll(text, "%!MainAddr%", "!" + main);
  ReplaceAll(text, "%Addr%", all);
  ReplaceAll(text, "%!Addr%", allExcluded);
  return text;
}

}  // namespace kestal
