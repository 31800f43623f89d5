#pragma once

#include <string>
#include <string_view>

#include "RoTypes/LangFile.h"

namespace kestal {

struct Run;

inline constexpr std::string_view kLangSignature{"\x2C\x0F\x2A\x0C\x15\x13\x66\x64\x67\xB9", 10};

// Fills `lang` from the bytes of a language file; false when the signature is wrong.
bool ParseLanguage(std::string_view bytes, LangFile& lang);
// Loads ExeDir + "/" + fileName into run.Lang; a wrong file ends the run with code 5.
void LoadLanguage(Run& run, const std::string& fileName);

}  // namespace kestal
