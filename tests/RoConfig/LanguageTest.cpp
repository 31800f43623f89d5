#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "ToolsLib/LangSource.h"
#include "RoConfig/Language.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"

namespace kestal {
namespace {

const std::string kSignature(kLangSignature);

std::string Text(const LangFile& lang, int position) {
  return lang.*kLangPositions[position - 1].Text;
}

// The string area of a language file holding texts "t1", "t2", ... "tN".
std::string NumberedTexts(int count) {
  std::string area;
  for (int i = 1; i <= count; ++i) area += "t" + std::to_string(i) + '\0';
  return area;
}

// A language file whose texts, spread over the positions, hold every byte 1..255.
LangFile EveryByteLanguage() {
  LangFile lang;
  for (int byte = 1; byte <= 255; ++byte) {
    (lang.*kLangPositions[byte % kLangTextCount].Text) += static_cast<char>(byte);
  }
  return lang;
}

TEST(LanguageTest, SignatureDecidesWhetherTheFileIsALanguageFile) {
  std::string otherLastByte = kSignature;
  otherLastByte.back() = '\xBA';
  struct Case {
    const char* what;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"empty file", "", false},
      {"shorter than the signature", kSignature.substr(1), false},
      {"signature alone", kSignature, true},
      {"texts and signature", NumberedTexts(3) + kSignature, true},
      {"line break after the signature", NumberedTexts(3) + kSignature + "\r\n", false},
      {"one signature byte differs", NumberedTexts(3) + otherLastByte, false},
      {"signature at the start only", kSignature + NumberedTexts(3), false},
  };
  for (const Case& c : cases) {
    LangFile lang;
    lang.LangError = "kept";
    EXPECT_EQ(ParseLanguage(c.bytes, lang), c.valid) << c.what;
    if (!c.valid) {
      EXPECT_EQ(lang.LangError, "kept") << c.what << ": a rejected file changes nothing";
    }
  }
}

TEST(LanguageTest, SignatureAloneGivesAllTextsEmpty) {
  LangFile lang;
  lang.LangPacket = "old";
  ASSERT_TRUE(ParseLanguage(kSignature, lang));
  for (int position = 1; position <= kLangTextCount; ++position) {
    EXPECT_EQ(Text(lang, position), "") << position;
  }
}

TEST(LanguageTest, TwentyTextsFillTheFirstTwentyPositions) {
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(NumberedTexts(20) + kSignature, lang));
  for (int position = 1; position <= kLangTextCount; ++position) {
    std::string expected = position <= 20 ? "t" + std::to_string(position) : "";
    EXPECT_EQ(Text(lang, position), expected) << position;
  }
  EXPECT_EQ(lang.LangError, "t6");
}

TEST(LanguageTest, TextWithoutItsZeroEndsAtTheSignature) {
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(NumberedTexts(4) + "cut short" + kSignature, lang));
  EXPECT_EQ(Text(lang, 4), "t4");
  EXPECT_EQ(Text(lang, 5), "cut short");
  EXPECT_EQ(Text(lang, 6), "");
}

TEST(LanguageTest, BytesAfterTheLastTextAreIgnored) {
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(NumberedTexts(kLangTextCount) + "extra" + '\0' + kSignature, lang));
  EXPECT_EQ(Text(lang, kLangTextCount), "t43");
  EXPECT_EQ(Text(lang, 1), "t1");
}

TEST(LanguageTest, TextsKeepEveryByteButZero) {
  std::string area = std::string("two\r\nlines") + '\0' + "eof\x1A" + '\0';
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(area + kSignature, lang));
  EXPECT_EQ(lang.LangReserved1, "two\r\nlines");
  EXPECT_EQ(lang.LangReserved2, "eof\x1A");

  LangFile everyByte = EveryByteLanguage();
  LangFile parsed;
  std::string bytes = EncodeLanguage(everyByte);
  ASSERT_TRUE(ParseLanguage(bytes, parsed));
  EXPECT_EQ(EncodeLanguage(parsed), bytes);
}

class LoadLanguageTest : public ::testing::Test {
 protected:
  LoadLanguageTest() : clock_(TDateTime{{2026, 12, 10}, 12, 0, 0, 0}), run_(clock_, console_) {
    run_.ExeDir = dir_.path();
  }

  test::ScratchDir dir_;
  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  kestal::Run run_;
};

TEST_F(LoadLanguageTest, LoadsTheFileFromTheExecutableDirectory) {
  test::WriteBytes(dir_ / "mine.lng", NumberedTexts(kLangTextCount) + kSignature);
  LoadLanguage(run_.ForConfig(), "mine.lng");
  EXPECT_EQ(run_.Lang.LangError, "t6");
  EXPECT_EQ(run_.Lang.LangConfigNotSaved, "t43");
  EXPECT_EQ(console_.output, "");
}

TEST_F(LoadLanguageTest, WrongOrUnreadableFileEndsTheRunWithCodeFive) {
  test::WriteBytes(dir_ / "bad.lng", NumberedTexts(5) + kSignature + "\n");
  for (std::string name : {"bad.lng", "missing.lng"}) {
    console_.output.clear();
    EXPECT_EQ(test::ExitCodeOf([&] { LoadLanguage(run_.ForConfig(), name); }), 5) << name;
    EXPECT_EQ(console_.output, name + " is incorrect\n");
    EXPECT_EQ(run_.Lang.LangError, "");
  }
}

// The source of a language file whose texts are "text 1" ... "text 43", one line each.
std::vector<std::string> ValidSourceLines() {
  std::vector<std::string> lines;
  for (int i = 0; i < kLangTextCount; ++i) {
    lines.push_back(std::string(kLangPositions[i].Name) + " = \"text " + std::to_string(i + 1) + "\"");
  }
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string source;
  for (const std::string& line : lines) source += line + "\n";
  return source;
}

TEST(LangSourceTest, ReadsNamesQuotesEscapesAndComments) {
  std::vector<std::string> lines = ValidSourceLines();
  lines[0] = "# the first text\r";
  lines.insert(lines.begin() + 1, "LangReserved1=\"\"   ");
  lines.insert(lines.begin() + 2, "   ");
  lines[7] = "\tLangError\t=\t\"A \\\"b\\\" \\\\ \\r\\n\\t\\x01\\xff\\xA0 \x80\xFF\"\r";
  LangFile lang;
  std::string error;
  ASSERT_TRUE(ParseLanguageSource(JoinLines(lines), lang, error)) << error;
  EXPECT_EQ(lang.LangReserved1, "");
  EXPECT_EQ(lang.LangReserved2, "text 2");
  EXPECT_EQ(lang.LangError, "A \"b\" \\ \r\n\t\x01\xFF\xA0 \x80\xFF");
  EXPECT_EQ(lang.LangConfigNotSaved, "text 43");
}

TEST(LangSourceTest, FormattedSourceReadsBackEveryByte) {
  LangFile everyByte = EveryByteLanguage();
  LangFile parsed;
  std::string error;
  ASSERT_TRUE(ParseLanguageSource(FormatLanguageSource(everyByte), parsed, error)) << error;
  EXPECT_EQ(EncodeLanguage(parsed), EncodeLanguage(everyByte));
}

TEST(LangSourceTest, MalformedSourceIsRejectedWithTheLine) {
  struct Case {
    int line;  // 1-based line to replace, 0 to append, -1 to drop the last line
    std::string text;
    std::string error;
  } cases[] = {
      {-1, "", "LangConfigNotSaved is missing"},
      {0, "LangExtra = \"x\"", "line 44: more than 43 texts"},
      {6, "LangErr = \"x\"", "line 6: unknown text name LangErr (expected LangError)"},
      {6, "LangLogOpenFailed = \"x\"", "line 6: expected LangError, found LangLogOpenFailed"},
      {6, "LangError \"x\"", "line 6: expected \"=\" after LangError"},
      {6, "LangError = x", "line 6: the text of LangError must be written between double quotes"},
      {6, "= \"x\"", "line 6: expected a text name"},
      {6, "LangError = \"x", "line 6: the text has no closing double quote"},
      {6, "LangError = \"x\" y", "line 6: unexpected characters after the closing double quote"},
      {6, "LangError = \"\\q\"", "line 6: unknown escape \\q"},
      {6, "LangError = \"\\x4\"", "line 6: \\x needs two hexadecimal digits"},
      {6, "LangError = \"\\x00\"", "line 6: \\x00 is not allowed"},
      {6, "LangError = \"a\\", "line 6: a backslash ends the line"},
      {6, "LangError = \"a\x07\"", "line 6: control byte in the text: write it as \\x07"},
      {6, std::string("LangError = \"a") + '\0' + "\"", "line 6: a byte 0 cannot be part of a text"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = ValidSourceLines();
    if (c.line == 0) lines.push_back(c.text);
    if (c.line == -1) lines.pop_back();
    if (c.line > 0) lines[c.line - 1] = c.text;
    LangFile lang;
    lang.LangError = "kept";
    std::string error;
    EXPECT_FALSE(ParseLanguageSource(JoinLines(lines), lang, error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.text << " gave: " << error;
    EXPECT_EQ(lang.LangError, "kept");
  }
}

TEST(LngcTest, BuildAndDumpRoundTripEveryByte) {
  test::ScratchDir dir;
  std::string lngc = test::BuildDir() + "/lngc";
  std::string source = FormatLanguageSource(EveryByteLanguage());
  test::WriteBytes(dir / "all.txt", source);

  test::ProgramResult built = test::RunProgram(lngc, {"build", "all.txt", "all.lng"}, dir.path());
  ASSERT_EQ(built.exitCode, 0) << built.output;
  EXPECT_EQ(test::ReadBytes(dir / "all.lng"), EncodeLanguage(EveryByteLanguage()));

  test::ProgramResult dumped = test::RunProgram(lngc, {"dump", "all.lng"}, dir.path());
  ASSERT_EQ(dumped.exitCode, 0) << dumped.output;
  EXPECT_EQ(dumped.output, source);
  ASSERT_EQ(test::RunProgram(lngc, {"dump", "all.lng", "back.txt"}, dir.path()).exitCode, 0);
  EXPECT_EQ(test::ReadBytes(dir / "back.txt"), source);
}

TEST(LngcTest, MalformedSourceLeavesTheOldFileAlone) {
  test::ScratchDir dir;
  std::string lngc = test::BuildDir() + "/lngc";
  std::vector<std::string> lines = ValidSourceLines();
  lines[9] = "LangLogStopped = \"stopped";
  test::WriteBytes(dir / "broken.txt", JoinLines(lines));
  test::WriteBytes(dir / "out.lng", "old");

  test::ProgramResult result = test::RunProgram(lngc, {"build", "broken.txt", "out.lng"}, dir.path());
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.output.find("broken.txt: line 10: the text has no closing double quote"),
            std::string::npos)
      << result.output;
  EXPECT_EQ(test::ReadBytes(dir / "out.lng"), "old");
  EXPECT_EQ(test::ListNames(dir.path()), (std::vector<std::string>{"broken.txt", "out.lng"}));

  result = test::RunProgram(lngc, {"dump", "broken.txt"}, dir.path());
  EXPECT_NE(result.exitCode, 0);
  EXPECT_NE(result.output.find("not a language file"), std::string::npos) << result.output;
}

TEST(LngcTest, EnglishTextsAreComplete) {
  LangFile lang;
  ASSERT_TRUE(ParseLanguage(test::ReadBytes(test::BuildDir() + "/english.lng"), lang));
  for (const LangPosition& position : kLangPositions) {
    EXPECT_FALSE((lang.*position.Text).empty()) << position.Name;
  }
}

}  // namespace
}  // namespace kestal
