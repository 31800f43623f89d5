// The configuration file through the real reader: the syntax pass, [General],
// the language file, the log, own addresses, passwords, list files and the [Ro]
// rules; then the expiry of rules, which reads the same text again to rewrite it,
// and the finish sequence. Errors end a run by RunExit, as they do in main.

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzHome.h"
#include "RoConfig/Config.h"
#include "RoSystem/Exit.h"
#include "RoSystem/Expiry.h"
#include "RoConfig/Language.h"
#include "RoTypes/RunExit.h"

namespace {

using kestal::fuzz::WriteBytes;

constexpr std::string_view kListPrefix = "file://";
constexpr std::string_view kTemplate = "Subject line\r\n%FromName% %RoSection% %RoArea%\r\n";

bool IsAddressPart(char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '*'; }

bool StartsWithListPrefix(std::string_view text) {
  if (text.size() < kListPrefix.size()) return false;
  for (size_t i = 0; i < kListPrefix.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != kListPrefix[i]) return false;
  }
  return true;
}

// The reader writes logs, reports and a rewritten configuration wherever the
// values point. Inputs stay inside the scratch directory: a "/" must stand
// between address parts (2:5020/1, 2:*/*), and a list file must be named
// without one; so no path can be absolute or climb out with "..".
bool StaysInScratch(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (StartsWithListPrefix(text.substr(i))) {
      i += kListPrefix.size();
      if (i < text.size() && text[i] == '/') return false;
    }
    if (i < text.size() && text[i] == '/' &&
        (i == 0 || i + 1 == text.size() || !IsAddressPart(text[i - 1]) ||
         !IsAddressPart(text[i + 1]))) {
      return false;
    }
  }
  return true;
}

// What a configuration can name: the language file, templates, an inbound,
// report directories, a password file and list files.
void WriteHome(const kestal::fuzz::ScratchDir& scratch) {
  static const std::string language = kestal::EncodeLanguage(kestal::fuzz::LanguageTexts());
  WriteBytes(scratch / "english.lng", language);
  for (const char* dir : {"in", "net", "out", "trf", "bak", "tpl"}) {
    std::filesystem::create_directories(scratch / dir);
  }
  for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl", "main.tpl", "end.tpl"}) {
    WriteBytes(scratch / ("tpl/" + std::string(name)), kTemplate);
    WriteBytes(scratch / name, kTemplate);
  }
  WriteBytes(scratch / "areas.lst", "RU.TEST\nRU.OTHER\r\n\n!RU.FREE\n");
  WriteBytes(scratch / "addr.lst", "2:5020/1\n2:5020/*\n!2:5020/2\n");
  WriteBytes(scratch / "pwd.lst", "2:5020/1 secret\n; comment\n2:5020/2\tx\n");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!StaysInScratch(text)) return -1;  // -1: not added to the corpus
  static kestal::fuzz::ScratchDir scratch("config");

  kestal::fuzz::EmptyDirectory(scratch.path());
  WriteHome(scratch);
  WriteBytes(scratch / "Kestal.Ini", text);
  kestal::fuzz::FuzzRun home(scratch.path());
  kestal::Run& run = home.run;
  try {
    kestal::LoadConfig(run.ForConfig());
    kestal::ExpireRules(run);
    kestal::FinishRun(run, 0);
  } catch (const kestal::RunExit& exit) {
    kestal::EndRun(run, exit);
  }
  return 0;
}
