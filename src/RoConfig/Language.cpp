#include "RoConfig/Language.h"

#include "RoTypes/RunExit.h"
#include "RoConfig/Config.h"

namespace kestal {

bool ParseLanguage(std::string_view bytes, LangFile& lang) {
  if (bytes.size() < kLangSignature.size()) return false;
  std::string_view strings = bytes.substr(0, bytes.size() - kLangSignature.size());
  if (bytes.substr(strings.size()) != kLangSignature) return false;

  // The texts are never read into the signature: a text without its byte 0 ends
  // there, and every later text is empty.
  LangFile parsed;
  size_t offset = 0;
  for (const LangPosition& position : kLangPositions) {
    if (offset >= strings.size()) break;
    size_t end = strings.find('\0', offset);
    if (end == std::string_view::npos) end = strings.size();
    parsed.*position.Text = std::string(strings.substr(offset, end - offset));
    offset = end + 1;
  }
  lang = std::move(parsed);
  return true;
}

std::string EncodeLanguage(const LangFile& lang) {
  std::string bytes;
  for (const LangPosition& position : kLangPositions) {
    bytes += lang.*position.Text;
    bytes += '\0';
  }
  bytes += kLangSignature;
  return bytes;
}

void LoadLanguage(const ConfigContext& context, const std::string& fileName) {
  std::optional<std::string> bytes = context.Files.ReadFile(context.ExeDir + "/" + fileName);
  if (!bytes || !ParseLanguage(*bytes, context.Lang)) {
    context.Console.WriteError(fileName + " is incorrect");
    throw RunExit{5};
  }
}

}  // namespace kestal
