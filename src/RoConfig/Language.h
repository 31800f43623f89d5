#pragma once

#include <array>
#include <string>
#include <string_view>

#include "RoTypes/LangFile.h"

namespace kestal {

struct ConfigContext;

// A language file is its texts in position order, each followed by a byte 0, then
// this signature as its last 10 bytes. There is no header, length or index.
inline constexpr std::string_view kLangSignature{"\x2C\x0F\x2A\x0C\x15\x13\x66\x64\x67\xB9", 10};

struct LangPosition {
  std::string_view Name;
  std::string LangFile::*Text;
};

// The texts in file order: position 1 is kLangPositions[0].
inline constexpr std::array<LangPosition, kLangTextCount> kLangPositions{{
    {"LangReserved1", &LangFile::LangReserved1},
    {"LangReserved2", &LangFile::LangReserved2},
    {"LangReserved3", &LangFile::LangReserved3},
    {"LangSafeModeStart", &LangFile::LangSafeModeStart},
    {"LangSafeModeEnd", &LangFile::LangSafeModeEnd},
    {"LangError", &LangFile::LangError},
    {"LangLogOpenFailed", &LangFile::LangLogOpenFailed},
    {"LangLogStarted", &LangFile::LangLogStarted},
    {"LangElapsed", &LangFile::LangElapsed},
    {"LangLogStopped", &LangFile::LangLogStopped},
    {"LangExitCode", &LangFile::LangExitCode},
    {"LangKeyword", &LangFile::LangKeyword},
    {"LangKeyMissing", &LangFile::LangKeyMissing},
    {"LangReserved14", &LangFile::LangReserved14},
    {"LangBadValue", &LangFile::LangBadValue},
    {"LangInRoSection", &LangFile::LangInRoSection},
    {"LangFileNotFound", &LangFile::LangFileNotFound},
    {"LangPackets", &LangFile::LangPackets},
    {"LangRemoved", &LangFile::LangRemoved},
    {"LangBad", &LangFile::LangBad},
    {"LangNetMail", &LangFile::LangNetMail},
    {"LangMessages", &LangFile::LangMessages},
    {"LangRenamedTo", &LangFile::LangRenamedTo},
    {"LangPacketDeleted", &LangFile::LangPacketDeleted},
    {"LangPacket", &LangFile::LangPacket},
    {"LangFrom", &LangFile::LangFrom},
    {"LangTo", &LangFile::LangTo},
    {"LangReserved28", &LangFile::LangReserved28},
    {"LangReserved29", &LangFile::LangReserved29},
    {"LangMsgsInPacket", &LangFile::LangMsgsInPacket},
    {"LangSizeMismatch", &LangFile::LangSizeMismatch},
    {"LangKilled", &LangFile::LangKilled},
    {"LangReserved33", &LangFile::LangReserved33},
    {"LangReserved34", &LangFile::LangReserved34},
    {"LangTrafficFile", &LangFile::LangTrafficFile},
    {"LangEchoStatProgress", &LangFile::LangEchoStatProgress},
    {"LangNameStatProgress", &LangFile::LangNameStatProgress},
    {"LangLine", &LangFile::LangLine},
    {"LangFlagCreated", &LangFile::LangFlagCreated},
    {"LangEchoCount", &LangFile::LangEchoCount},
    {"LangRuleExpired", &LangFile::LangRuleExpired},
    {"LangConfigSaved", &LangFile::LangConfigSaved},
    {"LangConfigNotSaved", &LangFile::LangConfigNotSaved},
}};

// Fills `lang` from the bytes of a language file; false, leaving `lang` alone, when
// the signature is wrong. Texts missing from the file, or cut off by the signature,
// are empty.
bool ParseLanguage(std::string_view bytes, LangFile& lang);
// The bytes of a language file holding the texts of `lang`.
// REQUIRES: no text holds a byte 0 (it would end that text early when read back).
std::string EncodeLanguage(const LangFile& lang);
// Loads ExeDir + "/" + fileName into the language texts; a wrong file ends the run with code 5.
void LoadLanguage(const ConfigContext& context, const std::string& fileName);

}  // namespace kestal
