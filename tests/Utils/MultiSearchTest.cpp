#include "Utils/MultiSearch.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Utils/Text.h"
#include "Utils/TextSearch.h"

namespace kestal {
namespace {

using namespace std::string_literals;

bool Reference(const std::string& text, const std::string& pattern) {
  return UpperCaseAscii(text).find(UpperCaseAscii(pattern)) != std::string::npos;
}

// GoogleTest reports the exception as the test's failure.
MultiSearch Compiled(const std::vector<std::string>& patterns) {
  std::string error;
  std::optional<MultiSearch> search = MultiSearch::Compile(patterns, error);
  if (!search) throw std::runtime_error("the patterns do not compile: " + error);
  return std::move(*search);
}

std::vector<bool> Found(MultiSearch& search, const std::string& text) {
  std::vector<bool> found;
  std::string error;
  EXPECT_TRUE(search.FoundIn(text, found, error)) << error;
  return found;
}

TEST(MultiSearchTest, ReportsEveryPatternThatOccurs) {
  struct Case {
    std::vector<std::string> patterns;
    std::string text;
    std::vector<bool> found;
  };
  const Case cases[] = {
      {{}, "any text", {}},
      {{""}, "", {true}},  // an empty pattern is in every text, the empty one too
      {{"", "X"}, "abc", {true, false}},
      {{"HELLO", "world", "Lo W"}, "Hello World", {true, true, true}},
      // Overlapping, nested and repeated patterns each count.
      {{"ABC", "BCD", "CD", "ABC", "BC"}, "xabcdx", {true, true, true, true, true}},
      {{"ABCD", "ABCE"}, "abce", {false, true}},
      {{"LONGER THAN THE TEXT", "TEXT"}, "text", {false, true}},
      {{"O\0B"s, "O\0C"s, "\0"s, "\0BY"s, "\0\0"s},
       "zero\0byte"s,
       {true, false, true, true, false}},
      {{"\xE0\xA0 TEXT", "\xC0\xA0 TEXT"}, "\xE0\xA0 text", {true, false}},
      {{"AB"}, "", {false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    MultiSearch search = Compiled(c.patterns);
    EXPECT_EQ(search.PatternCount(), c.patterns.size());
    EXPECT_EQ(Found(search, c.text), c.found);
  }
}

// Every byte against every byte: only a-z and A-Z meet their other case. The
// bytes 0x80 to 0xFF are letters of some code page or other, and 0x40/0x60,
// 0x5B/0x7B and the like differ by the case bit alone: none of them is folded.
TEST(MultiSearchTest, FoldsAsciiLettersAndNoOtherByte) {
  std::vector<std::string> patterns;
  for (int byte = 0; byte < 256; ++byte) patterns.emplace_back(1, static_cast<char>(byte));
  MultiSearch search = Compiled(patterns);
  for (int byte = 0; byte < 256; ++byte) {
    const std::string text(1, static_cast<char>(byte));
    const std::vector<bool> found = Found(search, text);
    for (int other = 0; other < 256; ++other) {
      ASSERT_EQ(found[other], UpperCaseAscii(text) == UpperCaseAscii(patterns[other]))
          << "text byte " << byte << ", pattern byte " << other;
    }
  }
  MultiSearch cyrillic = Compiled({"\xE0", "\xC0", "\x80", "\xA0"});
  EXPECT_EQ(Found(cyrillic, "\xC0"), (std::vector<bool>{false, true, false, false}));
}

// Few bytes, so that patterns are often found and often nearly found; NUL and
// bytes of the upper half among them; patterns now and then longer than the
// text, longer than the engine's pieces, empty, or copies of one another. Texts
// hold copies of the patterns in other letter cases, some with a byte changed.
// Each set is compiled once and scans many texts, as a run's rules do.
TEST(MultiSearchTest, AgreesWithSearchingAnUpperCasedCopy) {
  std::mt19937 random(20261212);
  const std::string bytes = "aAbB @`\0\x80\xE0\xC0"s;
  auto draw = [&](size_t length) {
    std::string text;
    for (size_t i = 0; i < length; ++i) text += bytes[random() % bytes.size()];
    return text;
  };
  auto copyOf = [&](std::string pattern) {
    for (char& c : pattern) {
      if (random() % 2 == 0) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (!pattern.empty() && random() % 2 == 0) {
      pattern[random() % pattern.size()] = bytes[random() % bytes.size()];
    }
    return pattern;
  };
  for (int set = 0; set < 300; ++set) {
    std::vector<std::string> patterns(random() % 12);
    for (size_t id = 0; id < patterns.size(); ++id) {
      if (id > 0 && random() % 8 == 0) {
        patterns[id] = patterns[random() % id];
      } else {
        patterns[id] = draw(random() % 4 == 0 ? 30 + random() % 20 : random() % 7);
      }
    }
    MultiSearch search = Compiled(patterns);
    for (int round = 0; round < 40; ++round) {
      std::string text = draw(random() % 30);
      if (!patterns.empty()) {
        text += copyOf(patterns[random() % patterns.size()]) + draw(random() % 30);
      }
      const std::vector<bool> found = Found(search, text);
      ASSERT_EQ(found.size(), patterns.size());
      for (size_t id = 0; id < patterns.size(); ++id) {
        ASSERT_EQ(found[id], Reference(text, patterns[id]))
            << "text \"" << text << "\" pattern \"" << patterns[id] << "\"";
        ASSERT_EQ(found[id], CaselessSearch(UpperCaseAscii(patterns[id])).FoundIn(text));
      }
    }
  }
}

// Masks that agree with a crafted body at nearly every place, some longer than
// the engine takes.
TEST(MultiSearchTest, FindsPeriodicPatternsInPeriodicText) {
  const std::string body(100000, 'a');
  MultiSearch search = Compiled({std::string(199, 'A') + "B" + std::string(200, 'A'),
                                 std::string(400, 'A'), std::string(16001, 'A'),
                                 std::string(100001, 'A')});
  EXPECT_EQ(Found(search, body), (std::vector<bool>{false, true, true, false}));
  EXPECT_EQ(Found(search, body + "B" + body), (std::vector<bool>{true, true, true, false}));
  // The first mask's 200 bytes from its start but one, again and again.
  std::string nearMisses;
  while (nearMisses.size() < 100000) nearMisses += std::string(198, 'a') + "b";
  EXPECT_EQ(Found(search, nearMisses), (std::vector<bool>{false, false, false, false}));
}

TEST(MultiSearchTest, KeepsWorkingWhenMoved) {
  MultiSearch first = Compiled({"MASK", ""});
  MultiSearch moved = std::move(first);
  EXPECT_EQ(Found(moved, "a mask"), (std::vector<bool>{true, true}));
  std::vector<MultiSearch> searches;
  searches.push_back(std::move(moved));
  searches.push_back(Compiled({"OTHER"}));
  EXPECT_EQ(Found(searches[0], "no"), (std::vector<bool>{false, true}));
  EXPECT_EQ(Found(searches[1], "another"), (std::vector<bool>{true}));
}

}  // namespace
}  // namespace kestal
