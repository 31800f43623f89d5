#include "RoConfig/ConfigValues.h"

#include "Logger/Log.h"
#include "Platform/Files.h"
#include "RoConfig/ConfigFile.h"
#include "RoSystem/Exit.h"
#include "RoTypes/Run.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal {

void FailConfig(Run& run, const std::string& text, int exitCode) {
  WriteLog(run, text, true, 1);
  FinishRun(run, exitCode);
}

std::string KeyErrorText(const Run& run, std::string_view key, std::string_view tail) {
  return run.Lang.LangKeyword + " \"" + std::string(key) + "\" " + std::string(tail);
}

std::string LineText(const Run& run, const std::string& lines) {
  return " (" + run.Lang.LangLine + " " + lines + ")";
}

void FailFileNotFound(Run& run, const std::string& name, const std::string& lineText) {
  FailConfig(run, run.Lang.LangError + " \"" + name + "\" " + run.Lang.LangFileNotFound + lineText,
             4);
}

std::string ReadTemplateName(Run& run, ConfigFile& file, std::string_view key,
                             std::string_view defaultValue) {
  const std::string name = FileNamePart(file.ReadValue(key, defaultValue));
  if (!name.empty() && !platform::FileExists(run.Config.TemplatePath + name)) {
    FailFileNotFound(run, name, LineText(run, std::to_string(file.KeyLine())));
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
