// lngc: builds a language file from its readable source, and writes the source of a
// language file back. The source format is described in ToolsLib/LangSource.h and at
// the top of lang/english.txt.

#include <iostream>
#include <optional>
#include <string>

#include "Platform/Files.h"
#include "ToolsLib/LangSource.h"
#include "RoConfig/Language.h"
#include "SourceEncoding.h"

namespace {

constexpr const char* kUsage =
    "usage: lngc build <source.txt> <out.lng>   build a language file from its source\n"
    "       lngc dump <in.lng> [<out.txt>]      write the source of a language file\n";

int Fail(const std::string& message) {
  std::cerr << "lngc: " << message << "\n";
  return 1;
}

int Build(const std::string& sourcePath, const std::string& outPath) {
  std::optional<std::string> source = kestal::platform::FileSystem().ReadFile(sourcePath);
  if (!source) return Fail("cannot read " + sourcePath);
  std::string error;
  std::optional<std::string> decoded = lngc::ApplySourceEncoding(*source, error);
  if (!decoded) return Fail(sourcePath + ": " + error);
  kestal::LangFile lang;
  if (!kestal::ParseLanguageSource(*decoded, lang, error)) return Fail(sourcePath + ": " + error);
  // Replacing in one step leaves no half-written language file behind.
  if (!kestal::platform::FileSystem().ReplaceFile(outPath, kestal::EncodeLanguage(lang))) {
    return Fail("cannot write " + outPath);
  }
  return 0;
}

int Dump(const std::string& lngPath, const std::string& outPath) {
  std::optional<std::string> bytes = kestal::platform::FileSystem().ReadFile(lngPath);
  if (!bytes) return Fail("cannot read " + lngPath);
  kestal::LangFile lang;
  if (!kestal::ParseLanguage(*bytes, lang)) {
    return Fail(lngPath + ": not a language file (its last 10 bytes are not the signature)");
  }
  std::string source = kestal::FormatLanguageSource(lang);
  if (outPath.empty()) {
    std::cout.write(source.data(), static_cast<std::streamsize>(source.size()));
    return std::cout.flush() ? 0 : Fail("cannot write the standard output");
  }
  if (!kestal::platform::FileSystem().ReplaceFile(outPath, source)) return Fail("cannot write " + outPath);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "build" && argc == 4) return Build(argv[2], argv[3]);
  if (command == "dump" && (argc == 3 || argc == 4)) return Dump(argv[2], argc == 4 ? argv[3] : "");
  std::cerr << kUsage;
  return 2;
}
