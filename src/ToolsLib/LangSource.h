#pragma once

#include <string>
#include <string_view>

#include "RoTypes/LangFile.h"

namespace kestal {

// The readable source of a language file, as lngc builds and dumps it:
//
//   # a comment line; blank lines are skipped
//   LangError = "ERROR:"
//
// All 43 texts, each once, under their position names and in position order. A text
// is written between double quotes; inside them \\ \" \r \n \t and \xHH (two hex
// digits, not 00) stand for their bytes, and every other byte except the control
// bytes stands for itself. Lines end with LF or CR LF.

// Reads a source into `lang`; false, with a message that names the line, when the
// source is malformed.
bool ParseLanguageSource(std::string_view source, LangFile& lang, std::string& error);
// The source that ParseLanguageSource reads back into the same texts.
// REQUIRES: no text holds a byte 0.
std::string FormatLanguageSource(const LangFile& lang);

}  // namespace kestal
