#include "FReport/Reports.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FReport/Macros.h"
#include "ReportFixture.h"

namespace kestal {
namespace {

using test::ListNames;
using test::ParseStoredMessage;
using test::ReadBytes;
using test::StoredMessage;

const std::string kTearline = "--- Kestal 2.15/W32\r";

class ReportsTest : public test::ReportFixture {
 protected:
  ReportsTest() : message_(test::SampleEchoMessage()) {
    run_.Carried.FromName = "Guard";
    rule_.FromName = "Guard";
    message_.Body = "Line one\rLine two";
  }

  StoredMessage ReadMessage(const std::string& path) const {
    const std::string bytes = ReadBytes(path);
    EXPECT_GE(bytes.size(), size_t{msgformat::kHeaderSize}) << path;
    if (bytes.size() < size_t{msgformat::kHeaderSize}) return {};
    return ParseStoredMessage(bytes);
  }

  TPktMsgHeader message_;
};

TEST_F(ReportsTest, ReadTemplateTakesTheFirstLineAsSubjectAndEndsBodyLinesWithCRLF) {
  WriteTemplate("main.tpl", "Caught in %Area%\r\nfirst\nsecond\rthird");
  const ReportTemplate main = ReadTemplate(run_.ForReports(), "main.tpl");
  EXPECT_EQ(main.Body, "first\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(main.Subject, "Caught in %Area%");

  WriteTemplate("one.tpl", "Only a subject\r\n");
  const ReportTemplate one = ReadTemplate(run_.ForReports(), "one.tpl");
  EXPECT_EQ(one.Body, "");
  EXPECT_EQ(one.Subject, "Only a subject");

  // Neither an empty nor a missing template gives a subject.
  WriteTemplate("empty.tpl", "");
  for (const char* name : {"empty.tpl", "missing.tpl"}) {
    const ReportTemplate none = ReadTemplate(run_.ForReports(), name);
    EXPECT_EQ(none.Body, "") << name;
    EXPECT_EQ(none.Subject, std::nullopt) << name;
  }
}

TEST_F(ReportsTest, MessageReportIsHeaderKludgesExpandedBodyAndTail) {
  run_.Config.Tagline = "Read-only means read-only";
  run_.Config.Origin = "Our station";
  WriteTemplate("ro.tpl", "Caught in %Area%\r\nHello %FromName%,\r\nyour message in %Area%.\r\n");
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "ro.tpl", "Ivan Petrov", message_.FromAddr, message_));

  ASSERT_EQ(ListNames(dir_ / "out"), std::vector<std::string>{"2.msg"});
  EXPECT_TRUE(ListNames(dir_ / "net").empty());
  const StoredMessage msg = ReadMessage(OutPath("2.msg"));
  EXPECT_EQ(msg.FromName, "Guard");
  EXPECT_EQ(msg.ToName, "Ivan Petrov");
  EXPECT_EQ(msg.Subject, "Caught in %Area%");
  EXPECT_EQ(msg.DateTime, "10 Dec 26  12:00:04");
  EXPECT_EQ(std::vector<int>({msg.OrigZone, msg.OrigNet, msg.OrigNode, msg.OrigPoint}),
            std::vector<int>({2, 5020, 100, 0}));
  EXPECT_EQ(std::vector<int>({msg.DestZone, msg.DestNet, msg.DestNode, msg.DestPoint}),
            std::vector<int>({2, 5020, 1, 5}));
  EXPECT_EQ(msg.Text,
            "\x01INTL 2:5020/1 2:5020/100\r\x01TOPT 5\r\x01MSGID: 2:5020/100 648708ca\r"
            "\x01PID: Kestal 2.15/W32\r"
            "Hello Ivan Petrov,\r\nyour message in RU.TEST.\r\n"
            "\r... Read-only means read-only\r" + kTearline +
            " * Origin: Our station (2:5020/100)\r" + std::string(1, '\0'));
}

TEST_F(ReportsTest, SubjectOnlyTemplateGivesKludgesThenTail) {
  WriteTemplate("main.tpl", "Report");
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "main.tpl", "Sysop", run_.Own.Main(), message_));
  const StoredMessage msg = ReadMessage(NetPath("2.msg"));
  EXPECT_EQ(msg.Subject, "Report");
  EXPECT_EQ(msg.Text, "\x01INTL 2:5020/100 2:5020/100\r\x01MSGID: 2:5020/100 648708ca\r"
                      "\x01PID: Kestal 2.15/W32\r\r" + kTearline + std::string(1, '\0'));
}

TEST_F(ReportsTest, AMissingTemplateStillSendsAReportUnderTheLastSubject) {
  run_.Netmail.LastSubject = "Earlier subject";
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "gone.tpl", "Sysop", run_.Own.Main(), message_));
  EXPECT_EQ(ReadMessage(NetPath("2.msg")).Subject, "Earlier subject");
}

TEST_F(ReportsTest, TheDestination1_0_0SuppressesEveryReport) {
  WriteTemplate("main.tpl", "Report\r\nbody\r\n");
  const TFidoAddr unknownUplink{1, 0, 0, 0, 0};
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "main.tpl", "Uplink", unknownUplink, message_));
  EXPECT_TRUE(SendRuleEndReport(run_.ForReports(), run_.Carried.FromName, "main.tpl", "Uplink", unknownUplink, TRo{}, ""));
  EXPECT_TRUE(ListNames(dir_ / "net").empty());
  EXPECT_TRUE(ListNames(dir_ / "out").empty());
  // 1:0/0.1 is another address.
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "main.tpl", "Uplink", {1, 0, 0, 1, 0}, message_));
  EXPECT_EQ(ListNames(dir_ / "out"), std::vector<std::string>{"2.msg"});
}

TEST_F(ReportsTest, TwoReportsOfOneMessageGetConsecutiveNumbersAndSerials) {
  WriteTemplate("main.tpl", "Report\r\n%MsgHeader%\r\n");
  WriteTemplate("pktto.tpl", "To the packet's destination\r\n%MsgHeader%\r\n");
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "main.tpl", "Sysop", run_.Own.Main(), message_));
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "pktto.tpl", "Sysop", {1, 1, 1, 0, 0}, message_));
  ASSERT_EQ(ListNames(dir_ / "net"), (std::vector<std::string>{"2.msg", "3.msg"}));
  EXPECT_NE(ReadMessage(NetPath("2.msg")).Text.find("MSGID: 2:5020/100 648708ca\r"),
            std::string::npos);
  const StoredMessage second = ReadMessage(NetPath("3.msg"));
  EXPECT_NE(second.Text.find("MSGID: 1:1/1 648708cb\r"), std::string::npos);
  EXPECT_EQ(second.Subject, "To the packet's destination");
}

TEST_F(ReportsTest, RuleEndReportUsesTheRuleMacros) {
  TRo rule;
  rule.Area = "RU.TEST";
  rule.DateTo = {2026, 12, 9};
  WriteTemplate("roend.tpl",
                "Rule ended\r\n%RoArea% until %RoDateTo%: %ToName% at %ToAddr% "
                "from %FromName%, %FromAddr%\r\n%RoSection%");
  run_.Config.SysopName = "Our Sysop";
  EXPECT_TRUE(SendRuleEndReport(run_.ForReports(), run_.Carried.FromName, "roend.tpl", "Sysop", {1, 2, 3, 4, 0}, rule, "[Ro]\rArea=RU.TEST\r"));
  const StoredMessage msg = ReadMessage(OutPath("2.msg"));
  EXPECT_EQ(msg.FromName, "Guard");
  EXPECT_EQ(msg.ToName, "Sysop");
  EXPECT_EQ(msg.Subject, "Rule ended");
  EXPECT_EQ(msg.OrigZone, 1);
  EXPECT_EQ(msg.OrigNet, 1);
  EXPECT_EQ(msg.Text,
            "\x01INTL 1:2/3 1:1/1\r\x01TOPT 4\r\x01MSGID: 1:1/1 648708ca\r\x01PID: Kestal 2.15/W32\r"
            "RU.TEST until 09.12.2026: Sysop at 1:2/3.4 from Our Sysop, 1:1/1\r\n"
            "[Ro]\rArea=RU.TEST\r\r\n\r" + kTearline + std::string(1, '\0'));
}

TEST_F(ReportsTest, SaveToFileAppendsTheExpandedBodyOnly) {
  WriteTemplate("save.tpl", "Not written\r\n%FromName% in %Area%:\r\n%MsgText%\r\n");
  const std::string saveFile = dir_ / "saved.txt";
  EXPECT_TRUE(SaveMessageToFile(run_.ForReports(), rule_, "save.tpl", saveFile, message_));
  message_.FromName = "Petr Ivanov";
  EXPECT_TRUE(SaveMessageToFile(run_.ForReports(), rule_, "save.tpl", saveFile, message_));
  EXPECT_EQ(ReadBytes(saveFile),
            "Ivan Petrov in RU.TEST:\r\nLine one\rLine two\r\n"
            "Petr Ivanov in RU.TEST:\r\nLine one\rLine two\r\n");
  EXPECT_EQ(run_.Netmail.LastSubject, "Not written");
  EXPECT_TRUE(ListNames(dir_ / "net").empty());

  EXPECT_FALSE(SaveMessageToFile(run_.ForReports(), rule_, "save.tpl", dir_ / "missing/saved.txt", message_));
  EXPECT_FALSE(test::Exists(dir_ / "missing"));
}

TEST_F(ReportsTest, ErrorReportMailsTheTextUnchangedToTheMainAddress) {
  run_.Lang.LangError = "ERROR:";
  run_.Config.Origin = "Our station";
  EXPECT_TRUE(SendErrorReport(run_.ForReports(), run_.Lang.LangError, "ERROR: cannot open %Area% file\r\n"));
  const StoredMessage msg = ReadMessage(NetPath("2.msg"));
  EXPECT_EQ(msg.FromName, "Kestal");
  EXPECT_EQ(msg.ToName, "SysOp");
  EXPECT_EQ(msg.Subject, "ERROR");
  EXPECT_EQ(run_.Netmail.LastSubject, "ERROR");
  EXPECT_EQ(msg.Text,
            "\x01INTL 2:5020/100 2:5020/100\r\x01MSGID: 2:5020/100 648708ca\r"
            "\x01PID: Kestal 2.15/W32\rERROR: cannot open %Area% file\r\n\r" + kTearline +
            " * Origin: Our station (2:5020/100)\r" + std::string(1, '\0'));
}

TEST_F(ReportsTest, SampleTemplatesUseOnlyMacrosThatExist) {
  run_.Config.TemplatePath = test::SourceDir() + "/templates/";
  const std::vector<std::string> messageTemplates = {"main.tpl",    "ro.tpl",    "uplink.tpl",
                                                     "pktfrom.tpl", "pktto.tpl", "save.tpl"};
  for (const std::string& name : messageTemplates) {
    std::string body = ReadTemplate(run_.ForReports(), name).Body;
    ExpandMessageMacros(body, message_, rule_, clock_.Now());
    EXPECT_FALSE(body.empty()) << name;
    EXPECT_EQ(body.find('%'), std::string::npos) << name << ":\n" << body;
  }
  for (const char* name : {"mainend.tpl", "roend.tpl", "uplinkend.tpl"}) {
    std::string body = ReadTemplate(run_.ForReports(), name).Body;
    ExpandRuleEndMacros(run_.ForReports(), body, "Sysop", run_.Own.Main(), TRo{}, "[Ro]\r");
    EXPECT_FALSE(body.empty()) << name;
    EXPECT_EQ(body.find('%'), std::string::npos) << name << ":\n" << body;
  }
}

}  // namespace
}  // namespace kestal
