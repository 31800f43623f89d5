#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestal {
namespace {

using namespace std::string_literals;

// CP866 bytes of Cyrillic words used below.
const std::string kIvanLower = "\xA8\xA2\xA0\xAD";              // иван
const std::string kIvanPetrovUpper = "\x88\x82\x80\x8D \x8F\x85\x92\x90\x8E\x82";  // ИВАН ПЕТРОВ

TEST(TextTest, UpperCaseCp866FoldsLatinAndCyrillicOnly) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"abc xyz ABC 09 {`@[", "ABC XYZ ABC 09 {`@["},
      {"\xA0\xAF", "\x80\x8F"},                  // а, п
      {"\xE0\xEF", "\x90\x9F"},                  // р, я
      {"\xF1\xF3\xF5\xF7", "\xF0\xF2\xF4\xF6"},  // ё, є, ї, ў
      {"\xF0\xF2\xF8\xB0\xDF\x80\x9F\xFF", "\xF0\xF2\xF8\xB0\xDF\x80\x9F\xFF"},
      {"a\0b"s, "A\0B"s},
  };
  for (const Case& c : cases) {
    std::string text = c.in;
    UpperCaseCp866(text);
    EXPECT_EQ(text, c.out);
  }
  EXPECT_EQ(UpperCaseAscii("ab\xA0z"), "AB\xA0Z");
  EXPECT_TRUE(EqualsIgnoreCaseAscii("NetMail", "NETMAIL"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii("\xA0", "\x80"));
  EXPECT_FALSE(EqualsIgnoreCaseAscii("Net", "NetMail"));
}

TEST(TextTest, TextMatchesMaskHonoursStarsAtTheEndsOnly) {
  struct Case {
    std::string text;
    std::string mask;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"", "*", true},
      {"anything", "*", true},
      {"Moderator", "moderator", true},
      {"Moderator", "Moder", false},
      {"", "", true},
      {"x", "", false},
      {"ERROR RERUN ER", "*ER", true},
      {"ERR", "*ER", false},
      {"er", "*ER", true},
      {"AB", "ab*", true},
      {"A", "ab*", false},
      {"abc", "ab*", true},
      {"xabx", "*AB*", true},
      {"ab", "*ab*", true},
      {"a", "*ab*", false},
      {"anything", "**", false},
      {"", "**", false},
      {"a*b", "a*b", true},    // a star inside is an ordinary character
      {"axb", "a*b", false},
      {kIvanPetrovUpper, "*" + kIvanLower + "*", true},
      {kIvanPetrovUpper, kIvanLower + "*", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextMatchesMask(c.text, c.mask), c.expected) << c.text << " ~ " << c.mask;
  }
}

TEST(TextTest, MaskListsExcludeOnlyWhatEarlierTokensAdmitted) {
  EXPECT_TRUE(TextInMaskList("Ivan", "* !Moderator"));
  EXPECT_FALSE(TextInMaskList("Moderator", "* !Moderator"));
  EXPECT_TRUE(TextInMaskList("Moderator", "!Moderator *"));
  EXPECT_FALSE(TextInMaskList("Ivan", "!Moderator"));
  EXPECT_TRUE(TextInMaskList("Ivan", "Petr  Ivan"));
  EXPECT_FALSE(TextInMaskList("Ivan", ""));

  EXPECT_TRUE(TextInAnyMask("Ivan", "Petr  iv*"));
  EXPECT_FALSE(TextInAnyMask("Moderator", "!Moderator"));
  EXPECT_TRUE(TextInAnyMask("!Moderator", "!Moderator"));  // "!" is an ordinary character here
  EXPECT_FALSE(TextInAnyMask("", "  "));
}

TEST(TextTest, SplitTokensSkipsEmptyTokens) {
  using Tokens = std::vector<std::string_view>;
  EXPECT_EQ(SplitTokens("a b"), (Tokens{"a", "b"}));
  EXPECT_EQ(SplitTokens("  a   b  "), (Tokens{"a", "b"}));
  EXPECT_EQ(SplitTokens("a\tb"), (Tokens{"a\tb"}));
  EXPECT_EQ(SplitTokens(""), Tokens{});
  EXPECT_EQ(SplitTokens("   "), Tokens{});
}

TEST(TextTest, ToIntOrZeroReadsDecimalAndHexadecimalOrGivesZero) {
  struct Case {
    std::string text;
    int32_t expected;
  };
  const std::vector<Case> cases = {
      {"42", 42},
      {"  42", 42},
      {"-42", -42},
      {"+7", 7},
      {"$1F", 31},
      {"0x1f", 31},
      {"0X10", 16},
      {"-$10", -16},
      {"2147483647", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"2147483648", 0},
      {"99999999999999999999", 0},
      {"$", 0},
      {"0x", 0},
      {"-", 0},
      {"", 0},
      {"   ", 0},
      {"42 ", 0},
      {"4 2", 0},
      {"12abc", 0},
      {"$G", 0},
      {"1F", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ToIntOrZero(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextTest, ReplaceAllReplacesUntilNoneIsLeft) {
  struct Case {
    std::string text;
    std::string pattern;
    std::string value;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"line   \r", " \r", "\r", "line\r"},
      {"a   \rb  \r", " \r", "\r", "a\rb\r"},
      {"%A%%A%", "%A%", "x%A%y", "x%A%yx%A%y"},
      {"Hello %Name%, %Name%!", "%Name%", "Ivan", "Hello Ivan, Ivan!"},
      {"%name%", "%Name%", "Ivan", "%name%"},  // case counts
      {"aaaa", "aa", "a", "a"},
      {"abc", "", "x", "abc"},
      {"abc", "b", "", "ac"},
      {"", "a", "b", ""},
      // A value that would rebuild the pattern with its surroundings forever.
      {"%%A%", "%A%", "A%%A", "%A%%A"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ReplaceAll(text, c.pattern, c.value);
    EXPECT_EQ(text, c.expected) << c.text;
  }
}

TEST(TextTest, CleanLineBlanksControlBytesAndTrims) {
  EXPECT_EQ(CleanLine("  Key = Value \t\r"), "Key = Value");
  EXPECT_EQ(CleanLine("a\x01\x1F" "b"), "a  b");
  EXPECT_EQ(CleanLine("\x7F\xFF"), "\x7F\xFF");
  EXPECT_EQ(CleanLine(" \t "), "");
  EXPECT_EQ(CleanLine(""), "");
}

TEST(TextTest, SplitTextLinesEndsLinesAsDosReadersDo) {
  using Lines = std::vector<std::string>;
  struct Case {
    std::string text;
    Lines lines;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
      {"a\r\n", {"a"}},
      {"a\n\nb\n", {"a", "", "b"}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},
      {"a\nb\x1A" "c\nd", {"a", "b"}},
      {"\x1A" "a", {}},
      {"", {}},
      {"\n", {""}},
      {"a\0b\tc"s, {"a\0b\tc"s}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitTextLines(c.text), c.lines);
}

TEST(TextTest, FileNamePartDropsAnyDirectory) {
  EXPECT_EQ(FileNamePart("C:\\Fido\\russian.lng"), "russian.lng");
  EXPECT_EQ(FileNamePart("/etc/kestal/report.tpl"), "report.tpl");
  EXPECT_EQ(FileNamePart("dir/sub\\name"), "name");
  EXPECT_EQ(FileNamePart("name"), "name");
  EXPECT_EQ(FileNamePart("dir/"), "");
}

}  // namespace
}  // namespace kestal
