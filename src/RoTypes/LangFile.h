#pragma once

#include <string>

namespace kestal {

inline constexpr int kLangTextCount = 43;

// The texts of the language file, in file order (position 1 first).
// All are empty until the language file is loaded.
struct LangFile {
  std::string LangReserved1;
  std::string LangReserved2;
  std::string LangReserved3;
  std::string LangSafeModeStart;
  std::string LangSafeModeEnd;
  std::string LangError;
  std::string LangLogOpenFailed;
  std::string LangLogStarted;
  std::string LangElapsed;
  std::string LangLogStopped;
  std::string LangExitCode;
  std::string LangKeyword;
  std::string LangKeyMissing;
  std::string LangReserved14;
  std::string LangBadValue;
  std::string LangInRoSection;
  std::string LangFileNotFound;
  std::string LangPackets;
  std::string LangRemoved;
  std::string LangBad;
  std::string LangNetMail;
  std::string LangMessages;
  std::string LangRenamedTo;
  std::string LangPacketDeleted;
  std::string LangPacket;
  std::string LangFrom;
  std::string LangTo;
  std::string LangReserved28;
  std::string LangReserved29;
  std::string LangMsgsInPacket;
  std::string LangSizeMismatch;
  std::string LangKilled;
  std::string LangReserved33;
  std::string LangReserved34;
  std::string LangTrafficFile;
  std::string LangEchoStatProgress;
  std::string LangNameStatProgress;
  std::string LangLine;
  std::string LangFlagCreated;
  std::string LangEchoCount;
  std::string LangRuleExpired;
  std::string LangConfigSaved;
  std::string LangConfigNotSaved;
};

}  // namespace kestal
