// russian.lng is built from a UTF-8 source that lngc converts to CP866; the program
// keeps its bytes everywhere but on the console, which shows them in the terminal's
// character set.

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "RoConfig/Language.h"
#include "TestSupport.h"

namespace kestal {
namespace {

// "ОШИБКА:" and "Пакетов" in CP866.
const std::string kCp866Error = "\x8E\x98\x88\x81\x8A\x80:";
const std::string kCp866Packets = "\x8F\xA0\xAA\xA5\xE2\xAE\xA2";

TEST(RussianLanguage, BuiltFileHoldsCp866Texts) {
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(test::ReadBytes(test::BuildDir() + "/russian.lng"), lang));
  EXPECT_EQ(lang.LangError, kCp866Error);
  EXPECT_EQ(lang.LangPackets, kCp866Packets);
  EXPECT_EQ(lang.LangPacketDeleted, "\x8F\xA0\xAA\xA5\xE2 \xE3\xA4\xA0\xAB\xF1\xAD:");  // ё is F1
  EXPECT_EQ(lang.LangBadValue.front(), ' ');
  EXPECT_EQ(lang.LangInRoSection.back(), ' ');
  for (const LangPosition& position : kLangPositions) {
    const std::string& text = lang.*position.Text;
    SCOPED_TRACE(std::string(position.Name));
    EXPECT_FALSE(text.empty());
    // The UTF-8 lead bytes of Cyrillic letters: none may survive the conversion.
    EXPECT_EQ(text.find_first_of("\xD0\xD1"), std::string::npos);
  }
}

// A UTF-8 terminal once showed the banner and the Russian texts as garbage, and
// grep took the output for binary.
TEST(RussianLanguage, ProgramRunsWithItAndTheConsoleFollowsTheLocale) {
  struct Case {
    const char* locale;
    std::string packets;  // "Пакетов" as the console shows it
    std::string dot;      // the banner's centred dot
  };
  const Case cases[] = {
      {"C", kCp866Packets, "\xF9"},
      {"C.UTF-8", "\xD0\x9F\xD0\xB0\xD0\xBA\xD0\xB5\xD1\x82\xD0\xBE\xD0\xB2", "\xE2\x88\x99"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const locale_t installed = newlocale(LC_CTYPE_MASK, c.locale, nullptr);
    if (installed == nullptr) {
      ADD_FAILURE() << "locale " << c.locale << " is not installed";
      continue;
    }
    freelocale(installed);
    test::KestalHome home;
    test::WriteBytes(home / "russian.lng", test::ReadBytes(test::BuildDir() + "/russian.lng"));
    test::WriteBytes(home / "trf.tpl", "");
    test::WriteBytes(home / "stat.tpl", "");
    test::WriteBytes(home / "in/.keep", "");
    test::WriteBytes(home / "Kestal.Ini",
                     "[General]\r\nAddress=2:5020/1\r\nEchoMailPath=in\r\n"
                     "Language=russian.lng\r\n");
    const test::ProgramResult result =
        test::RunProgram("env", {std::string("LC_ALL=") + c.locale, home.exe()}, home.path(),
                         "2026-12-10 12:00:00");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    EXPECT_TRUE(result.output.starts_with("Kestal 2.15/W32 " + c.dot + " keeper"))
        << result.output;
    EXPECT_NE(result.output.find(c.packets + ": 0, "), std::string::npos) << result.output;
    // The log keeps the language file's bytes.
    const std::string log = test::ReadBytes(home / "Kestal.Log");
    EXPECT_NE(log.find(kCp866Packets + ": 0, "), std::string::npos) << log;
  }
}

TEST(RussianLanguage, LngcConvertsUtf8SourceWithTheDirective) {
  test::ScratchDir dir;
  std::string source = "\xEF\xBB\xBF#encoding utf-8 -> cp866\r\n";  // a BOM and CR LF ends
  for (const LangPosition& position : kLangPositions) {
    std::string text =
        position.Name == "LangError" ? "\xD0\x81\xD1\x8F \xE2\x84\x96 \xE2\x95\x94" : "x";
    source += std::string(position.Name) + " = \"" + text + "\"\r\n";
  }
  test::WriteBytes(dir / "ru.txt", source);
  std::string lngc = test::BuildDir() + "/lngc";
  test::ProgramResult result = test::RunProgram(lngc, {"build", "ru.txt", "ru.lng"}, dir.path());
  ASSERT_EQ(result.exitCode, 0) << result.output;
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(test::ReadBytes(dir / "ru.lng"), lang));
  EXPECT_EQ(lang.LangError, "\xF0\xEF \xFC \xC9");  // Ё я № ╔
}

TEST(RussianLanguage, LngcRefusesWhatCp866CannotHold) {
  struct Case {
    std::string source;
    std::string message;
  };
  const Case cases[] = {
      {"#encoding utf-8 -> koi8-r\n", "line 1: unknown encoding \"utf-8 -> koi8-r\""},
      {"#encoding utf-8 -> cp866\n# euro \xE2\x82\xAC\n", "line 2: U+20AC has no byte in CP866"},
      {"#encoding utf-8 -> cp866\n\n# cut \xD0\n", "line 3: not valid UTF-8"},
      {"#encoding utf-8 -> cp866\n# overlong slash \xC0\xAF\n", "line 2: not valid UTF-8"},
      {"#encoding utf-8 -> cp866\n# surrogate \xED\xA0\x80\n", "line 2: not valid UTF-8"},
  };
  std::string lngc = test::BuildDir() + "/lngc";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    test::ScratchDir dir;
    test::WriteBytes(dir / "ru.txt", c.source);
    test::WriteBytes(dir / "ru.lng", "old");
    test::ProgramResult result = test::RunProgram(lngc, {"build", "ru.txt", "ru.lng"}, dir.path());
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.output.find("ru.txt: " + c.message), std::string::npos) << result.output;
    EXPECT_EQ(test::ReadBytes(dir / "ru.lng"), "old");
  }
}

}  // namespace
}  // namespace kestal
