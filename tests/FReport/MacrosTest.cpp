#include "FReport/Macros.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ReportFixture.h"

namespace kestal {
namespace {

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

TEST_F(MacrosTest, WhatTheMessageBringsInIsNotExpanded) {
  message_.FromName = "<%Area%>";     // a macro that comes later in the order
  message_.Subject = "<%FromName%>";  // one that comes earlier
  message_.Body = "today is %Date%";
  message_.ToName = "%Upl";           // with the template text after it: %UplinkName%
  EXPECT_EQ(Expand("%FromName% %Subject% %MsgText% %ToName%inkName%"),
            "<%Area%> <%FromName%> today is %Date% %UplinkName%");
  EXPECT_NE(Expand("%MsgHeader%").find("\rFrom: <%Area%>, 2:5020/1.5\r"), std::string::npos);
}

TEST_F(MacrosTest, MacrosAreReadFromLeftToRight) {
  struct Case {
    std::string text, expanded;
  };
  const std::vector<Case> cases = {
      {"%Area%%Subject%", "RU.TESTHello"},
      {"%Area%Subject%", "RU.TESTSubject%"},  // the first macro takes the shared "%"
      {"%Sub%Area%ject%", "%SubRU.TESTject%"},
      {"%Subject%(R,9)", "Hello(R,9)"},       // reports have no alignment suffix
      {"%%Area%%", "%RU.TEST%"},
  };
  for (const Case& c : cases) EXPECT_EQ(Expand(c.text), c.expanded) << c.text;
}

// 1.2 MB of macro names in the message text and in the template; asserted on the
// output only.
TEST_F(MacrosTest, LargeTextsOfMacroNames) {
  std::string names;
  for (int i = 0; i < 100000; ++i) names += "%UplinkName%";
  message_.Body = names;
  EXPECT_EQ(Expand("%MsgText%|%MsgText%"), names + "|" + names);
  std::string expected;
  for (int i = 0; i < 100000; ++i) expected += "Uplink Sysop";
  EXPECT_EQ(Expand(names), expected);
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

TEST_F(MacrosTest, RuleEndValuesAreNotExpanded) {
  TRo rule;
  rule.Name = "%RoArea%";
  rule.Area = "RU.TEST";
  std::string text = "%RoSection%|%RoName%|%RoArea%|%ToName%";
  ExpandRuleEndMacros(run_.ForReports(), text, "%Date%", {1, 2, 3, 0, 0}, rule, "[Ro]\rName=%ToName%\r");
  EXPECT_EQ(text, "[Ro]\rName=%ToName%\r|%RoArea%|RU.TEST|%Date%");
}

}  // namespace
}  // namespace kestal
