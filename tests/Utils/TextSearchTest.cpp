#include "Utils/TextSearch.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Utils/Text.h"

namespace kestal {
namespace {

using namespace std::string_literals;

bool Reference(const std::string& text, const std::string& pattern) {
  return UpperCaseAscii(text).find(pattern) != std::string::npos;
}

TEST(TextSearchTest, FindsUpperCasePatternsInTextOfAnyCase) {
  const std::string longText(40, 'x');
  struct Case {
    std::string text;
    std::string pattern;
    bool found;
  };
  const Case cases[] = {
      {"hello world", "O WOR", true},
      {"hello world", "", true},
      {"", "A", false},
      {"ab", "ABC", false},
      {"Hello", "HELLO", true},
      {"hello", "hello", false},  // the pattern is upper case: a lower one is never found
      {"\xE0\xA0 text", "\xE0\xA0 TEXT", true},  // CP866 letters are not folded
      {"\xE0\xA0 text", "\xC0\xA0 TEXT", false},
      {"@ and ` differ by the case bit", "`", true},
      {"@ and ` differ by the case bit", "@", true},
      {"no grave here: @", "`", false},
      {"zero\0byte"s, "O\0B"s, true},
      // At the ends of 16-byte blocks and in the tail after the last one.
      {longText + "end", "END", true},
      {"start" + longText, "START", true},
      {longText.substr(0, 15) + "yz" + longText, "YZ", true},
      {longText.substr(0, 14) + "y" + longText.substr(0, 16) + "z", "Y", true},
      {longText + "q", "Q", true},
      {longText + "q", "QQ", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " / " + c.pattern);
    EXPECT_EQ(CaselessSearch(c.pattern).FoundIn(c.text), c.found);
    EXPECT_EQ(Reference(c.text, c.pattern), c.found);
  }
}

// Texts of few letters, so that patterns are often found and often nearly found.
TEST(TextSearchTest, AgreesWithSearchingAnUpperCasedCopy) {
  std::mt19937 random(20261210);
  const std::string letters = "aAbB @`\x01\xE0";
  auto draw = [&](size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += letters[random() % letters.size()];
    return text;
  };
  for (int round = 0; round < 20000; ++round) {
    const std::string text = draw(random() % 70);
    const std::string pattern = UpperCaseAscii(draw(1 + random() % 5));
    ASSERT_EQ(CaselessSearch(pattern).FoundIn(text), Reference(text, pattern))
        << "text \"" << text << "\" pattern \"" << pattern << "\"";
  }
}

// Texts of nearly one letter against patterns of nearly one letter: almost every
// place agrees on the first and last byte, so the search must go on past the
// places it compares whole, at any point of the text.
TEST(TextSearchTest, AgreesOnPeriodicTextsAndPatterns) {
  std::mt19937 random(20261211);
  auto draw = [&](size_t length, const std::string& common, const std::string& rare) {
    std::string text;
    for (size_t i = 0; i < length; ++i) {
      text += random() % 40 == 0 ? rare[random() % rare.size()] : common[random() % common.size()];
    }
    return text;
  };
  for (int round = 0; round < 3000; ++round) {
    const std::string text = draw(random() % 600, "aA", "bB\xE1");
    const std::string pattern = draw(1 + random() % 60, "A", "B\xE1");
    ASSERT_EQ(CaselessSearch(pattern).FoundIn(text), Reference(text, pattern))
        << "text \"" << text << "\" pattern \"" << pattern << "\"";
  }
}

TEST(TextSearchTest, FindsPeriodicPatternsWhereverTheyStand) {
  const std::string pattern = std::string(199, 'A') + "B" + std::string(200, 'A');
  const std::string body(100000, 'a');
  const std::string match = std::string(199, 'a') + "b" + std::string(200, 'a');
  struct Case {
    std::string text;
    bool found;
  };
  const Case cases[] = {
      {body, false},
      {body + match, true},
      {match + body, true},
      {body.substr(0, 50000) + match + body, true},
      {body + "b" + body.substr(0, 199), false},
      {body + "b" + body, true},
      {body.substr(0, 198) + "b" + body.substr(0, 199), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CaselessSearch(pattern).FoundIn(c.text), c.found) << c.text.size() << " bytes";
  }
}

}  // namespace
}  // namespace kestal
