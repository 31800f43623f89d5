#include "Utils/MacroText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestal {
namespace {

std::string Repeat(const std::string& text, size_t count) {
  std::string out;
  out.reserve(text.size() * count);
  for (size_t i = 0; i < count; ++i) out += text;
  return out;
}

TEST(MacroTextTest, AlignsCutsOrInsertsAsTheSuffixSays) {
  struct Case {
    std::string text, value, expected;
  };
  const std::vector<Case> cases = {
      {"[%Num%(R,4)]", "7", "[   7]"},
      {"[%Num%(C,5)]", "ab", "[ ab  ]"},
      {"[%Num%(L,3)]", "Alexander", "[Ale]"},
      {"[%Num%(L,0)]", "Alexander", "[Alexander]"},
      {"[%Num%(L,4)]", "ab", "[ab  ]"},
      {"[%Num%(r,4)]", "7", "[   7]"},        // the letter is upper-cased
      {"[%Num%(X,4)]", "ab", "[ ab ]"},        // any other letter centres
      {"[%Num%(R, 4)]", "7", "[   7]"},
      {"[%Num%(R,2)]", "ab", "[ab]"},
      {"[%Num%(R,-3)]", "ab", "[ab]"},
      {"[%Num%(R,x)]", "ab", "[ab]"},          // not a number: width 0
      {"[%Num%(R,2000000000)]", "7", "[" + std::string(999, ' ') + "7]"},  // 1000 at most
      {"[%Num%(R)]", "ab", "[ab]"},            // no comma: width 0, suffix still taken
      {"[%Num%(R,)]", "ab", "[ab]"},           // nothing between "," and ")"
      {"[%Num%(R)x,5)]", "ab", "[abx,5)]"},    // the comma after the ")" does not count
      {"[%Num%(R,4]", "7", "[7(R,4]"},         // no ")": no suffix
      {"[%Num%(R,4] x)", "7", "[7"},           // the suffix runs to the first ")"
      {"[%Num%]", "7", "[7]"},
      {"%Num%", "7", "7"},                     // at the very end of the text
      {"%Num%(", "7", "7("},
      {"%Num% (C,9) (x)", "7", "7 (C,9) (x)"}, // later parentheses stay
      {"%Num%(R,3)|%Num%(L,3)|%Num%", "ab", " ab|ab |ab"},
      {"%Num%%Num%", "<%Num%>", "<%Num%><%Num%>"},  // inserted copies are not searched
      {"%Nu%Num%m%", "", "%Num%"},             // nor what a removal brings together
      {"%Num%um%", "%N", "%Num%"},             // nor a value with the text after it
      {"%num% %NUM%", "7", "%num% %NUM%"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandMacros(c.text, {{"%Num%", c.value}}, MacroSuffix::Alignment), c.expected)
        << c.text << " with " << c.value;
  }
}

TEST(MacroTextTest, OnePassFromLeftToRight) {
  struct Case {
    std::string name;
    MacroValues macros;
    std::string text, expected;
  };
  const MacroValues ab = {{"%A%", "<%B%>"}, {"%B%", "(R,4)"}};
  const std::vector<Case> cases = {
      {"adjacent macros", ab, "%A%%B%%A%", "<%B%>(R,4)<%B%>"},
      {"a suffix comes from the template, never from a value", ab, "%B%%A%(L,6)",
       "(R,4)<%B%> "},
      {"a value that a later macro names stays", ab, "%A% %B%", "<%B%> (R,4)"},
      {"of overlapping macros the leftmost", {{"%B%", "1"}, {"%A%", "2"}}, "%A%B%", "2B%"},
      {"one place, the first name in order", {{"ab", "1"}, {"abc", "2"}}, "abc", "1c"},
      {"one place, the other order", {{"abc", "2"}, {"ab", "1"}}, "abc", "2"},
      {"an empty name is no macro", {{"", "x"}}, "abc", "abc"},
      {"no macros", {}, "%A%", "%A%"},
      {"bytes of every value", {{"%Z%", std::string("\0\xff", 2)}}, "[%Z%]",
       std::string("[\0\xff]", 4)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExpandMacros(c.text, c.macros, MacroSuffix::Alignment), c.expected) << c.name;
  }
  EXPECT_EQ(ExpandMacros("%B%(R,4)|%B%(", ab, MacroSuffix::None), "(R,4)(R,4)|(R,4)(");
}

TEST(MacroTextTest, AppendKeepsWhatIsThere) {
  std::string out = "head ";
  AppendExpanded(out, "%A%!", {{"%A%", "a"}}, MacroSuffix::None);
  EXPECT_EQ(out, "head a!");
}

// Sizes that an old expansion, which searched the whole text again for every
// macro it replaced, could not get through; asserted on the output only.
TEST(MacroTextTest, LargeTextsOfMacroNames) {
  constexpr size_t kCount = 200000;
  const MacroValues macros = {{"%Num%", "%Num%%Num%"}, {"%Name%", "n"}};
  EXPECT_EQ(ExpandMacros(Repeat("%Num%", kCount), macros, MacroSuffix::Alignment),
            Repeat("%Num%%Num%", kCount));
  // Every "(" asks for the ")" that would end a suffix, and there is none.
  EXPECT_EQ(ExpandMacros(Repeat("%Name%(", kCount), macros, MacroSuffix::Alignment),
            Repeat("n(", kCount));
  EXPECT_EQ(ExpandMacros(Repeat("%Name%(R,3)", kCount), macros, MacroSuffix::Alignment),
            Repeat("  n", kCount));
}

}  // namespace
}  // namespace kestal
