// The language file as the program loads it, and its readable source as lngc
// reads it. What either reader accepts must survive its own writer unchanged.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ToolsLib/LangSource.h"
#include "RoConfig/Language.h"

namespace {

bool SameTexts(const kestal::LangFile& a, const kestal::LangFile& b) {
  for (const kestal::LangPosition& position : kestal::kLangPositions) {
    if (a.*position.Text != b.*position.Text) return false;
  }
  return true;
}

void CheckBinary(std::string_view bytes) {
  kestal::LangFile lang;
  if (!kestal::ParseLanguage(bytes, lang)) return;
  kestal::LangFile again;
  if (!kestal::ParseLanguage(kestal::EncodeLanguage(lang), again) || !SameTexts(lang, again)) {
    std::abort();
  }
}

void CheckSource(std::string_view source) {
  kestal::LangFile lang;
  std::string error;
  if (!kestal::ParseLanguageSource(source, lang, error)) return;
  kestal::LangFile again;
  if (!kestal::ParseLanguageSource(kestal::FormatLanguageSource(lang), again, error) ||
      !SameTexts(lang, again)) {
    std::abort();
  }
  // A source that builds must give a file that loads back into the same texts.
  CheckBinary(kestal::EncodeLanguage(lang));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  CheckBinary(input);
  CheckSource(input);
  return 0;
}
