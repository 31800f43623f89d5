#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "ConfigFixture.h"
#include "RoConfig/ConfigFile.h"

namespace kestal::test {
namespace {

// [General] with an AKA, so that the address macros have two addresses to give.
const std::string kGeneral = std::string(kMinimalGeneral) + "AKA=2:5020/2.7\n";

TEST(LoadRules, SectionWithOnlyAnAreaTakesTheDefaults) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kGeneral + "[Ro]\nArea=RU.READONLY\n"), -1) << home.console.output;
  ASSERT_EQ(home.run.Rules.size(), 1u);
  const TRo& rule = home.run.Rules[0];
  EXPECT_EQ(rule.Area, "RU.READONLY");
  for (const std::string* field : {&rule.PktFrom, &rule.PktTo, &rule.Name, &rule.Addr,
                                   &rule.NameFrom, &rule.AddrFrom, &rule.NameTo, &rule.AddrTo,
                                   &rule.Subj, &rule.Chrs, &rule.PID, &rule.TID}) {
    EXPECT_EQ(*field, "*");
  }
  // Both dates are the day of the run, so the rule is in force and never expires.
  EXPECT_EQ(rule.DateFromText, "10.12.2026");
  EXPECT_EQ(rule.DateToText, "10.12.2026");
  EXPECT_EQ(rule.DateFrom, kConfigNow.Date);
  EXPECT_EQ(rule.DateTo, kConfigNow.Date);
  EXPECT_EQ(rule.ReportToMain + rule.ReportToRo + rule.ReportToUplink + rule.ReportToMainEnd +
                rule.ReportToRoEnd + rule.ReportToUplinkEnd + rule.ReportToPktFrom +
                rule.ReportToPktTo,
            "");
  EXPECT_EQ(rule.UplinkAddress, "");
  EXPECT_EQ(rule.UplinkName, "SysOp");
  EXPECT_EQ(rule.KestalName, "Kestal");
  EXPECT_FALSE(rule.ReportOnly);
  EXPECT_EQ(rule.Move + rule.Copy + rule.Flag + rule.BodyMask + rule.KludgeMask + rule.ViaMask +
                rule.SaveToFile,
            "");
  EXPECT_EQ(rule.MsgSize, 0);
  EXPECT_FALSE(rule.KillAddrToAll);
  EXPECT_EQ(rule.SaveTemplate, "save.tpl");
}

TEST(LoadRules, NormalisesValuesWhileReading) {
  ConfigHome home;
  WriteBytes(home / "areas.lst", "LIST.ONE\r\n\r\nLIST.TWO\r\n");
  ASSERT_EQ(home.Load(kGeneral +
                      "[Ro]\n"
                      "area=A.B\n"
                      "Area=C.D    E.F\n"
                      "Area=file://areas.lst\n"
                      "PktFrom=%MainAddr%\n"
                      "PktTo=%!MainAddr% 1:*/*\n"
                      "Addr=\n"
                      "AddrFrom=%!Addr%\n"
                      "AddrTo=%Addr%\n"
                      "AddrTo=%PktFrom%\n"
                      "Name=John*\nNameFrom=*Smith\nNameTo=All\n"
                      "Subj=*sale*\nChrs=CP866*\nPID=Golded*\nTID=Tosser*\n"
                      "DateFrom=1.2.03\n"
                      "DateTo= 5.6 \n"
                      "UplinkAddress=%PktFrom%\nUplinkName=Hub\nKestalName=Warden\n"
                      "ReportOnly=Yes\n"
                      "Copy=ru.copy\xa0\nMove=ru.move\n"
                      "MsgSize=$400\n"
                      "Flag=flags/ro.flg\n"
                      "KludgeMask=msgid: 2:5020\nBodyMask=buy now\xa0\nViaMask=tosser\n"
                      "SaveToFile=saved/ro.txt\n"
                      "SaveTemplate=C:\\tpl\\save.tpl\n"),
            -1)
      << home.console.output;
  const TRo& rule = home.run.Rules.at(0);
  EXPECT_EQ(rule.Area, "A.B C.D E.F LIST.ONE LIST.TWO");
  EXPECT_EQ(rule.PktFrom, "2:5020/1");
  EXPECT_EQ(rule.PktTo, "!2:5020/1 1:*/*");
  EXPECT_EQ(rule.Addr, "");  // written empty: not the default
  EXPECT_EQ(rule.AddrFrom, "!2:5020/1 !2:5020/2.7");
  EXPECT_EQ(rule.AddrTo, "2:5020/1 2:5020/2.7 %PktFrom%");
  EXPECT_EQ(rule.Name, "John*");
  EXPECT_EQ(rule.NameFrom, "*Smith");
  EXPECT_EQ(rule.NameTo, "All");
  EXPECT_EQ(rule.Subj, "*sale*");
  EXPECT_EQ(rule.Chrs, "CP866*");
  EXPECT_EQ(rule.PID, "Golded*");
  EXPECT_EQ(rule.TID, "Tosser*");
  EXPECT_EQ(rule.DateFromText, "1.2.03");
  EXPECT_EQ(rule.DateFrom, (TDate{2003, 2, 1}));
  EXPECT_EQ(rule.DateToText, "5.6");
  EXPECT_EQ(rule.DateTo, (TDate{2026, 6, 5}));
  EXPECT_EQ(rule.UplinkAddress, "%PktFrom%");
  EXPECT_EQ(rule.UplinkName, "Hub");
  EXPECT_EQ(rule.KestalName, "Warden");
  EXPECT_TRUE(rule.ReportOnly);
  EXPECT_EQ(rule.Copy, "RU.COPY\xa0");  // Latin letters only
  EXPECT_EQ(rule.Move, "RU.MOVE");
  EXPECT_EQ(rule.MsgSize, 1024);
  EXPECT_EQ(rule.Flag, "flags/ro.flg");  // resolves where the packet is, as written
  EXPECT_EQ(rule.KludgeMask, "MSGID: 2:5020");
  EXPECT_EQ(rule.BodyMask, "BUY NOW\xa0");
  EXPECT_EQ(rule.ViaMask, "TOSSER");
  EXPECT_EQ(rule.SaveToFile, "saved/ro.txt");
  EXPECT_EQ(rule.SaveTemplate, "save.tpl");
}

// Read with its blanks, "Copy = RU.ARCHIVE" was no Copy at all and made the rule
// remove the message; "Name = Vasya" left the rule on every writer of the area.
TEST(LoadRules, BlanksAroundTheEqualsSignAndBeforeACommentBelongToNeitherSide) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kGeneral +
                      "[Ro] ; the troll\n"
                      "Area = RU.TALK\t; his area\n"
                      "Name\t=\tVasya Pupkin ; his name\n"
                      "Copy = ru.archive\n"
                      "DateTo = 31.12.2026 ;\n"
                      "MsgSize = 100 ; bytes\n"
                      "[Ro];next\n"
                      "Area=RU.OTHER\n"),
            -1)
      << home.console.output;
  ASSERT_EQ(home.run.Rules.size(), 2u);
  const TRo& rule = home.run.Rules[0];
  EXPECT_EQ(rule.Area, "RU.TALK");
  EXPECT_EQ(rule.Name, "Vasya Pupkin");
  EXPECT_TRUE(rule.KillAddrToAll);
  EXPECT_EQ(rule.Copy, "RU.ARCHIVE");
  EXPECT_EQ(rule.DateTo, (TDate{2026, 12, 31}));
  EXPECT_EQ(rule.MsgSize, 100);
  EXPECT_EQ(home.run.Rules[1].Area, "RU.OTHER");
}

TEST(LoadRules, GeneralValuesAreTheDefaultsOfEveryRule) {
  ConfigHome home;
  WriteBytes(home / "main.tpl", "x");
  WriteBytes(home / "uplink.tpl", "x");
  ASSERT_EQ(home.Load(kGeneral +
                      "SafeMode=Yes\nKestalName=Robot\n"
                      "ReportToMain=main.tpl\nReportToUplinkEnd=main.tpl\n"
                      "[Ro]\nArea=A\n"
                      "[Ro]\nArea=B\nReportToMain=\nReportToRo=uplink.tpl\n"
                      "ReportOnly=No\nKestalName=Other\n"),
            -1)
      << home.console.output;
  ASSERT_EQ(home.run.Rules.size(), 2u);
  const TRo& inherits = home.run.Rules[0];
  EXPECT_EQ(inherits.ReportToMain, "main.tpl");
  EXPECT_EQ(inherits.ReportToUplinkEnd, "main.tpl");
  EXPECT_EQ(inherits.ReportToRo, "");
  EXPECT_TRUE(inherits.ReportOnly);
  EXPECT_EQ(inherits.KestalName, "Robot");
  const TRo& overrides = home.run.Rules[1];
  EXPECT_EQ(overrides.ReportToMain, "");  // written empty: no report, whatever [General] says
  EXPECT_EQ(overrides.ReportToUplinkEnd, "main.tpl");
  EXPECT_EQ(overrides.ReportToRo, "uplink.tpl");
  EXPECT_FALSE(overrides.ReportOnly);
  EXPECT_EQ(overrides.KestalName, "Other");
}

TEST(LoadRules, KillAddrToAllDefaultsToYesForRulesOnNames) {
  struct Case {
    std::string lines;
    bool expected;
  };
  const Case cases[] = {
      {"", false},
      {"Name=John*\n", true},
      {"NameTo=All\n", true},
      {"NameFrom=John*\n", false},
      {"Name=*\nNameTo=*\n", false},
      {"Name=John*\nKillAddrToAll=No\n", false},
      {"KillAddrToAll=yes\n", true},
      {"Name=John*\nKillAddrToAll=0\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    ConfigHome home;
    ASSERT_EQ(home.Load(kGeneral + "[Ro]\nArea=A\n" + c.lines), -1) << home.console.output;
    EXPECT_EQ(home.run.Rules.at(0).KillAddrToAll, c.expected);
  }
}

TEST(LoadRules, KeysStayInTheirOwnSection) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kGeneral +
                      "Name=General*\n"  // a rule key in [General] is ignored
                      "[Ro]\nArea=A\nName=First*\nMsgSize=10\n"
                      "[ro]\nArea=B\n"),
            -1);
  ASSERT_EQ(home.run.Rules.size(), 2u);
  EXPECT_EQ(home.run.Rules[0].Name, "First*");
  EXPECT_EQ(home.run.Rules[0].MsgSize, 10);
  EXPECT_EQ(home.run.Rules[1].Name, "*");
  EXPECT_EQ(home.run.Rules[1].MsgSize, 0);
}

// Rule expiry pairs the headers of the file with the rules by position, so the
// loading stops where a section has no entries rather than skipping it.
TEST(LoadRules, SectionWithoutEntriesEndsTheRules) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kGeneral +
                      "[Ro]\nArea=A\n"
                      "[Ro]\n; Area=B, commented out\n\n"
                      "[Ro]\nArea=C\n"),
            -1);
  ASSERT_EQ(home.run.Rules.size(), 1u);
  EXPECT_EQ(home.run.Rules[0].Area, "A");
}

TEST(LoadRules, DatesFollowTheDateFormatInForce) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kGeneral + "UseSystemDateFormat=Yes\n[Ro]\nArea=A\nDateTo=12/31/26\n"), -1)
      << home.console.output;
  const TRo& rule = home.run.Rules.at(0);
  EXPECT_EQ(rule.DateFromText, "12/10/2026");
  EXPECT_EQ(rule.DateFrom, kConfigNow.Date);
  EXPECT_EQ(rule.DateTo, (TDate{2026, 12, 31}));
}

TEST(LoadRules, ErrorsNameTheRuleAndItsLines) {
  struct Case {
    std::string name;
    std::string section;  // the second rule, whose header is line 7
    int code;
    std::string message;
  };
  const Case cases[] = {
      {"no area", "Name=x\n", 3, "Keyword \"Area\" in rule #2 (line 7, 0)"},
      {"empty area", "Name=x\nArea=\n", 3, "Keyword \"Area\" in rule #2 (line 7, 9)"},
      {"missing area list", "Area=file://nolist.lst\n", 3,
       "Keyword \"Area\" in rule #2 (line 7, 8)"},
      {"area before dates", "DateFrom=x\n", 3, "Keyword \"Area\" in rule #2 (line 7, 0)"},
      {"bad start", "Area=A\nDateFrom=31.02.2026\n", 3,
       "Keyword \"DateFrom\" in rule #2 (line 7, 9)"},
      {"dates before templates", "Area=A\nDateTo=tomorrow\nSaveTemplate=none.tpl\n", 3,
       "Keyword \"DateTo\" in rule #2 (line 7, 9)"},
      {"report template", "Area=A\nReportToRo=C:\\tpl\\none.tpl\n", 4,
       "ERROR: \"none.tpl\" not found (line 9)"},
      {"save template", "Area=A\nSaveTemplate=none.tpl\n", 4,
       "ERROR: \"none.tpl\" not found (line 7, 9)"},
      {"empty save template", "Area=A\nSaveTemplate=\n", 4, "ERROR: \"\" not found (line 7, 9)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    EXPECT_EQ(home.Load(kGeneral + "[Ro]\nArea=FIRST\n[Ro]\n" + c.section), c.code);
    EXPECT_EQ(home.ConsoleLines(), c.message + "\n");
    EXPECT_NE(ReadBytes(home / "Kestal.Log").find(c.message), std::string::npos);
  }
}

// A list file that is there but cannot be taken is a wrong value, named with the
// file and why; one that is not there is no list at all. A FIFO must not make the
// reading wait for a writer, nor /dev/zero make it read on for ever.
TEST(LoadRules, ListFileThatCannotBeTakenIsAWrongValue) {
  struct Case {
    std::string name;
    std::string section;  // the second rule, whose header is line 7
    int code;             // -1: the configuration loads
    std::string message;  // "%": the list's path
  };
  const std::string tooLarge =
      "larger than " + std::to_string(ConfigFile::kMaxListFileSize) + " bytes";
  const Case cases[] = {
      {"fifo", "Area=file://fifo.lst\n", 3,
       "Keyword \"Area\" in rule #2 (line 7, 8): %fifo.lst: not a regular file"},
      {"directory", "Area=A\nAddr=file://dir.lst\n", 3,
       "Keyword \"Addr\" in rule #2 (line 7, 9): %dir.lst: not a regular file"},
      {"device", "Area=A\nAddrTo=file:///dev/zero\n", 3,
       "Keyword \"AddrTo\" in rule #2 (line 7, 9): /dev/zero: not a regular file"},
      {"too large", "Area=A\nAddrFrom=file://big.lst\n", 3,
       "Keyword \"AddrFrom\" in rule #2 (line 7, 9): %big.lst: " + tooLarge},
      {"bad one after a good one", "Area=file://areas.lst\nArea=file://fifo.lst\n", 3,
       "Keyword \"Area\" in rule #2 (line 7, 9): %fifo.lst: not a regular file"},
      {"missing", "Area=A\nAddr=file://none.lst\n", -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    ASSERT_EQ(mkfifo((home / "fifo.lst").c_str(), 0600), 0);
    std::filesystem::create_directory(home / "dir.lst");
    WriteBytes(home / "big.lst", "");
    std::filesystem::resize_file(home / "big.lst", ConfigFile::kMaxListFileSize + 1);
    WriteBytes(home / "areas.lst", "RU.A\n");
    std::string message = c.message;
    if (const size_t at = message.find('%'); at != std::string::npos) {
      message.replace(at, 1, home.dir.path() + "/");
    }
    EXPECT_EQ(home.Load(kGeneral + "[Ro]\nArea=FIRST\n[Ro]\n" + c.section), c.code);
    EXPECT_EQ(home.ConsoleLines(), message.empty() ? "" : message + "\n");
    if (!message.empty()) {
      EXPECT_NE(ReadBytes(home / "Kestal.Log").find(message), std::string::npos);
    }
  }
}

// The default save template is needed even when no rule saves anything.
TEST(LoadRules, DefaultSaveTemplateMustExist) {
  ConfigHome home;
  std::filesystem::remove(home / "save.tpl");
  EXPECT_EQ(home.Load(kGeneral + "[Ro]\nArea=A\n"), 4);
  EXPECT_EQ(home.ConsoleLines(), "ERROR: \"save.tpl\" not found (line 5, 0)\n");
}

}  // namespace
}  // namespace kestal::test
