#include "FReport/Macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportFixture.h"

namespace kestal {
namespace {

TEST(ReplaceAlignedTest, AlignsCutsOrInsertsAsTheSuffixSays) {
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
      {"[%Num%]", "7", "[7]"},
      {"%Num%", "7", "7"},                     // at the very end of the text
      {"%Num% (C,9) (x)", "7", "7 (C,9) (x)"}, // later parentheses stay
      {"%Num%(R,3)|%Num%(L,3)|%Num%", "ab", " ab|ab |ab"},
      {"%Num%%Num%", "<%Num%>", "<%Num%><%Num%>"},  // inserted copies are not searched
      {"%Nu%Num%m%", "", ""},                  // a macro formed by a removal goes too
      {"%num% %NUM%", "7", "%num% %NUM%"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    ReplaceAligned(text, "%Num%", c.value);
    EXPECT_EQ(text, c.expected) << c.text << " with " << c.value;
  }
}

class MacrosTest : public test::ReportFixture {
 protected:
  MacrosTest() : message_(test::SampleEchoMessage()) {
    message_.Kludges = "@MSGID: 2:5020/1.5 abcd\r@CHRS: CP866 2";
    message_.Body = "Line one\r-+- editor\r + Origin: home (2:5020/1.5)";
    message_.Vias = "SEEN+BY: 5020/1\r@PATH: 5020/1";
    rule_.Number = 3;
    rule_.UplinkName = "Uplink Sysop";
    rule_.UplinkAddr = {2, 5020, 50, 0, 0};
  }

  std::string Expand(std::string text) const {
    ExpandMessageMacros(text, message_, rule_, clock_.Now());
    return text;
  }

  TPktMsgHeader message_;
};

TEST_F(MacrosTest, EveryMessageMacroHasItsValue) {
  const std::string text =
      "%FromName%|%FromAddr%|%ToName%|%ToAddr%|%Subject%|%Area%|%MsgDateTime%|%MsgDate%|"
      "%MsgTime%|%RoNum%|%MsgKludges%|%MsgText%|%MsgVias%|%UplinkName%|%UplinkAddr%|"
      "%DateTime%|%Date%|%Time%";
  EXPECT_EQ(Expand(text),
            "Ivan Petrov|2:5020/1.5|All|-1:-1/-1.-1|Hello|RU.TEST|09 Dec 26, 21:15:07|09 Dec 26|"
            "21:15:07|3|" + message_.Kludges + "|" + message_.Body + "|" + message_.Vias +
            "|Uplink Sysop|2:5020/50|10 Dec 26, 12:00:04|10 Dec 26|12:00:04");
  EXPECT_EQ(Expand("%MsgBody%"), message_.Kludges + "\r" + message_.Body + "\r" + message_.Vias);
}

TEST_F(MacrosTest, LaterMacrosSearchTheValuesOfEarlierOnes) {
  message_.FromName = "<%Area%>";      // %Area% comes later: expanded
  message_.Subject = "<%FromName%>";   // %FromName% came earlier: left as it is
  message_.Body = "today is %Date%";
  EXPECT_EQ(Expand("%FromName% %Subject% %MsgText%"),
            "<RU.TEST> <%FromName%> today is 10 Dec 26");
}

TEST_F(MacrosTest, OnlyMacrosWrittenExactlyAreReplaced) {
  EXPECT_EQ(Expand("%msgtext% %Msgtext% %Unknown% %Area %Area%"),
            "%msgtext% %Msgtext% %Unknown% %Area RU.TEST");
}

TEST_F(MacrosTest, HeaderBlockShowsTheAddresseeAddressOnlyWhenKnown) {
  const std::string common = "Area: RU.TEST\rFrom: Ivan Petrov, 2:5020/1.5\r";
  const std::string tail = "\rSubj: Hello\rDate: 09 Dec 26, 21:15:07";
  EXPECT_EQ(Expand("%MsgHeader%"), common + "To:   All" + tail);
  message_.ToName = "Petr Ivanov";
  message_.ToAddr = {2, 5020, 7, 0, 0};
  message_.ToAddrUnknown = false;
  EXPECT_EQ(Expand("%MsgHeader%"), common + "To:   Petr Ivanov, 2:5020/7" + tail);
}

TEST_F(MacrosTest, MsgBodyWithoutKludgesBeginsWithACR) {
  message_.Kludges.clear();
  message_.Vias.clear();
  EXPECT_EQ(Expand("%MsgBody%"), "\r" + message_.Body + "\r");
}

TEST_F(MacrosTest, AMalformedDateFieldGivesNoZeroBytes) {
  struct Case {
    std::string dateTime, expanded;
  };
  const std::vector<Case> cases = {
      {std::string("9 Dec 26\0\0\0\0\0\0\0\0\0\0\0\0", 20), "9 Dec 26||9 Dec 26, "},
      {std::string("01 Jan 27  10:\0\0\0\0\0\0", 20), "01 Jan 27|10:|01 Jan 27, 10:"},
      {"", "||, "},
  };
  for (const Case& c : cases) {
    message_.DateTime = c.dateTime;
    EXPECT_EQ(Expand("%MsgDate%|%MsgTime%|%MsgDateTime%"), c.expanded);
  }
}

TEST_F(MacrosTest, EveryRuleEndMacroHasItsValue) {
  TRo rule;
  rule.Area = "RU.TEST";
  rule.Addr = "2:5020/1";
  rule.AddrFrom = "2:5020/1 2:5020/2";
  rule.AddrTo = "*";
  rule.Name = "Ivan*";
  rule.NameFrom = "Ivan Petrov";
  rule.NameTo = "All";
  rule.DateTo = {2026, 12, 9};
  rule.UplinkName = "Uplink Sysop";
  rule.UplinkAddress = "2:5020/50";
  run_.Config.SysopName = "Our Sysop";
  run_.Day.DateFmt = {DateOrder::YearMonthDay, '-'};
  std::string text =
      "%RoSection%|%DateTime%|%Date%|%Time%|%FromName%|%FromAddr%|%ToName%|%ToAddr%|%RoAddr%|"
      "%RoAddrFrom%|%RoAddrTo%|%RoName%|%RoNameFrom%|%RoNameTo%|%RoArea%|%RoDateTo%|"
      "%RoUplinkName%|%RoUplinkAddress%|%Subject%";
  ExpandRuleEndMacros(run_.ForReports(), text, "Sysop", {1, 2, 3, 0, 0}, rule, "[Ro]\rArea=RU.TEST\r");
  EXPECT_EQ(text,
            "[Ro]\rArea=RU.TEST\r|10 Dec 26, 12:00:04|10 Dec 26|12:00:04|Our Sysop|1:1/1|Sysop|"
            "1:2/3|2:5020/1|2:5020/1 2:5020/2|*|Ivan*|Ivan Petrov|All|RU.TEST|2026-12-09|"
            "Uplink Sysop|2:5020/50|%Subject%");
}

}  // namespace
}  // namespace kestal
