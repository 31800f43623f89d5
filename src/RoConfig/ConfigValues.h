#pragma once

#include <string>
#include <string_view>

#include "RoTypes/FidoAddr.h"
#include "RoTypes/LangFile.h"

namespace kestal {

class ConfigFile;
struct ConfigContext;

// Logs the text (echoed, level 1, and on standard error) and a second line, when
// there is one, with the path and the system's reason; ends the run through the
// finish sequence.
[[noreturn]] void FailConfig(const ConfigContext& context, const std::string& text, int exitCode,
                             const std::string& detail = "");
// LangKeyword + " \"" + key + "\" " + tail: the start of every key error.
std::string KeyErrorText(const LangFile& lang, std::string_view key, std::string_view tail);
// " (" + LangLine + " " + lines + ")".
std::string LineText(const LangFile& lang, const std::string& lines);

// LangError + " \"" + name + "\" " + LangFileNotFound + lineText, then FailConfig
// with code 4.
[[noreturn]] void FailFileNotFound(const ConfigContext& context, const std::string& name,
                                   const std::string& lineText, const std::string& searched);

// The value's file-name part; a non-empty name must exist in TemplatePath, else
// the run ends with code 4. Empty means no template.
std::string ReadTemplateName(const ConfigContext& context, ConfigFile& file, std::string_view key,
                             std::string_view defaultValue);

// Replaces %MainAddr%, %!MainAddr%, %Addr% and %!Addr% by the own addresses;
// the "!" forms put "!" before each address.
std::string ExpandAddressMacros(std::string text, const OwnAddresses& own);

}  // namespace kestal
