#include "Pkt/MessageText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestal {
namespace {

using namespace std::string_literals;

TEST(MessageTextTest, StripReplyPrefixRemovesOnePrefix) {
  struct Case {
    std::string in;
    std::string out;
  };
  const std::vector<Case> cases = {
      {"RE^12: text", "text"},
      {"Re:text", "text"},
      {"re: Re: x", "Re: x"},
      {"Re^: x", "x"},
      {"Re:  x", " x"},
      {"Re:", ""},
      {"Rest", "Rest"},
      {"Re^2 x", "Re^2 x"},
      {"Re^2", "Re^2"},
      {"Re", "Re"},
      {"", ""},
      {" Re: x", " Re: x"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripReplyPrefix(c.in, true), c.out) << c.in;
  EXPECT_EQ(StripReplyPrefix("Re: x", false), "Re: x");
}

// A raw packed message: type word, six header words, the 20-byte date field,
// the three names, then the text.
std::string RawMessage(const std::string& text) {
  std::string raw = "\x02\x00"s + std::string(12, '\x01') + "01 Jan 26  10:00:00"s + '\0';
  return raw + "All\0Ivan\0Subject\0"s + text;
}

TEST(MessageTextTest, ReplaceAreaLineRewritesTheFirstTextLine) {
  std::string raw = RawMessage("area:OLD\rHello\r\0"s);
  EXPECT_TRUE(ReplaceAreaLine(raw, "NEW.TAG"));
  EXPECT_EQ(raw, RawMessage("AREA:NEW.TAG\rHello\r\0"s));

  for (const std::string& text : {"Hello\rAREA:X\r\0"s, "AREA:OLD"s, "ARE\r"s, ""s}) {
    std::string message = RawMessage(text);
    EXPECT_FALSE(ReplaceAreaLine(message, "NEW")) << text;
    EXPECT_EQ(message, RawMessage(text));
  }
  std::string shortMessage = RawMessage("").substr(0, 34);
  EXPECT_FALSE(ReplaceAreaLine(shortMessage, "NEW"));
  std::string noSubjectEnd = RawMessage("").substr(0, 45);
  EXPECT_FALSE(ReplaceAreaLine(noSubjectEnd, "NEW"));
}

}  // namespace
}  // namespace kestal
