#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoSystem/Expiry.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"
#include "Utils/Dates.h"

namespace kestal {
namespace {

using test::ReadBytes;
using test::WriteBytes;

constexpr TDate kToday{2026, 12, 10};

// The rule-end template shows the addressee and the section text between markers.
constexpr char kEndTemplate[] = "Rule over\r\n<<%ToName%|%ToAddr%>>\r\n%RoSection%>>END\r\n";

struct Report {
  std::string To;       // "name|address"
  std::string Section;  // %RoSection% as it was filled
};

TRo RuleEndingOn(TDate dateTo) {
  TRo rule;
  rule.Area = "RO.AREA";
  rule.DateTo = dateTo;
  return rule;
}

class ExpiryTest : public testing::Test {
 protected:
  ExpiryTest() : clock_(TDateTime{kToday, 12, 0, 0, 0}), run_(clock_, console_) {
    run_.Day.Today = kToday;
    run_.ConfigPath = dir_ / "Kestal.Ini";
    run_.Lang.LangRuleExpired = "Rule expired";
    run_.Lang.LangConfigSaved = "Saved, backup";
    run_.Lang.LangConfigNotSaved = "Not saved";
    run_.Config.SysopName = "Node Sysop";
    run_.Config.TemplatePath = dir_.path() + "/";
    run_.Config.ReportPath = dir_ / "mail/";
    run_.Config.ReportOutPath = dir_ / "mail/";
    run_.Own.Slots[0] = TFidoAddr{2, 5020, 1, 0, 0};
    std::filesystem::create_directories(dir_ / "mail");
    WriteBytes(dir_ / "end.tpl", kEndTemplate);
  }

  std::string Backup() const { return run_.ConfigPath + ".bak"; }

  // The configuration as the reader read it at the start of the run.
  void WriteConfig(const std::string& text) {
    WriteBytes(run_.ConfigPath, text);
    run_.ConfigText = text;
  }

  // The reports written, in the order of their message numbers.
  std::vector<Report> Reports() const {
    std::vector<std::string> names = test::ListNames(dir_ / "mail");
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
      return std::stoi(a) < std::stoi(b);
    });
    std::vector<Report> reports;
    for (const std::string& name : names) {
      const std::string text = ReadBytes(dir_ / "mail/" + name);
      const size_t to = text.find("<<");
      const size_t toEnd = text.find(">>\r\n", to);
      const size_t sectionEnd = text.find(">>END", toEnd);
      if (to == std::string::npos || toEnd == std::string::npos || sectionEnd == std::string::npos) {
        ADD_FAILURE() << name << " is not a rule-end report";
        continue;
      }
      reports.push_back({text.substr(to + 2, toEnd - to - 2),
                         text.substr(toEnd + 4, sectionEnd - toEnd - 4)});
    }
    return reports;
  }

  std::vector<std::string> ReportAddressees() const {
    std::vector<std::string> to;
    for (const Report& report : Reports()) to.push_back(report.To);
    return to;
  }

  test::ScratchDir dir_;
  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  kestal::Run run_;
};

TEST_F(ExpiryTest, RuleExpiresOnlyAfterItsLastDay) {
  struct Case {
    int dateToFromToday;
    bool removed;
  };
  // A rule without DateTo carries the day of the run, the 0 row: it never expires.
  const Case cases[] = {{-1, true}, {0, false}, {1, false}, {-400, true}};
  const std::string config = "[General]\r\nAddress=2:5020/1\r\n[Ro]\r\nArea=RO.AREA\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dateToFromToday);
    WriteConfig(config);
    std::filesystem::remove(Backup());
    console_.output.clear();
    run_.Rules = {RuleEndingOn(AddDays(kToday, c.dateToFromToday))};

    ExpireRules(run_);

    if (c.removed) {
      EXPECT_EQ(ReadBytes(run_.ConfigPath), "[General]\r\nAddress=2:5020/1\r\n");
      EXPECT_EQ(ReadBytes(Backup()), config);
      EXPECT_EQ(console_.output, "\nRule expired\nSaved, backup " + Backup() + "\n");
    } else {
      EXPECT_EQ(ReadBytes(run_.ConfigPath), config);
      EXPECT_FALSE(test::Exists(Backup()));
      EXPECT_EQ(console_.output, "");
    }
  }
}

// Every byte not removed stays as it was: line ends, a last line without one, and
// what follows a Ctrl-Z.
TEST_F(ExpiryTest, RewritesKeptLinesByteForByteAndBacksUpTheOldFile) {
  // Mixed line ends, a last line without an end, kept lines that the reader would
  // clean, a header written [ro], and headers followed by comments.
  const std::string config =
      "; Kestal configuration\n"
      "[General]\r\n"
      "Address=2:5020/1\t ; main\r\r\n"
      "  [Ro]  \r\n"
      "Area=KEPT.1\r\n"
      "[ro]\n"
      "Area=GONE.1\n"
      "[Ro] ; old\n"
      "Area=GONE.OLD\n"
      "[RO];second\r\n"
      "Area=GONE.2\r\n"
      "[Ro]\r\n"
      "Area=KEPT.2\r\n"
      "   \r\n"
      "Tail=x\r\n"
      "\x1A[Ro]\r\nArea=AFTER.CTRL.Z\r\n";
  WriteConfig(config);
  run_.Rules = {RuleEndingOn(kToday), RuleEndingOn(AddDays(kToday, -1)),
                RuleEndingOn(AddDays(kToday, -3)), RuleEndingOn(AddDays(kToday, -5)),
                RuleEndingOn(AddDays(kToday, 3))};

  ExpireRules(run_);

  EXPECT_EQ(ReadBytes(run_.ConfigPath),
            "; Kestal configuration\n"
            "[General]\r\n"
            "Address=2:5020/1\t ; main\r\r\n"
            "  [Ro]  \r\n"
            "Area=KEPT.1\r\n"
            "[Ro]\r\n"
            "Area=KEPT.2\r\n"
            "   \r\n"
            "Tail=x\r\n"
            "\x1A[Ro]\r\nArea=AFTER.CTRL.Z\r\n");
  EXPECT_EQ(ReadBytes(Backup()), config);
  EXPECT_EQ(console_.output,
            "\nRule expired\nRule expired\nRule expired\nSaved, backup " + Backup() + "\n");
}

TEST_F(ExpiryTest, SecondRunTheSameDayTouchesNothing) {
  WriteConfig("[Ro]\r\nArea=GONE\r\n[Ro]\r\nArea=KEPT\r\n");
  run_.Rules = {RuleEndingOn(AddDays(kToday, -1)), RuleEndingOn(kToday)};
  ExpireRules(run_);
  const std::string rewritten = ReadBytes(run_.ConfigPath);
  const std::string backup = ReadBytes(Backup());
  const auto backupTime = std::filesystem::last_write_time(Backup());
  const auto configTime = std::filesystem::last_write_time(run_.ConfigPath);

  // The next run loads only the rule that is left.
  console_.output.clear();
  run_.ConfigText = rewritten;
  run_.Rules = {RuleEndingOn(kToday)};
  ExpireRules(run_);

  EXPECT_EQ(ReadBytes(run_.ConfigPath), rewritten);
  EXPECT_EQ(ReadBytes(Backup()), backup);
  EXPECT_EQ(std::filesystem::last_write_time(Backup()), backupTime);
  EXPECT_EQ(std::filesystem::last_write_time(run_.ConfigPath), configTime);
  EXPECT_EQ(console_.output, "");
}

TEST_F(ExpiryTest, SectionsTheReaderNeverLoadedAndOtherSectionsAreKept) {
  // The second [Ro] has no keys, so the reader stopped there: one rule was loaded.
  // The [General] section after the expired rule is not part of it.
  const std::string config =
      "[Ro]\r\nArea=GONE\r\n"
      "[General]\r\nAddress=2:5020/1\r\n"
      "[Ro]\r\n; nothing yet\r\n"
      "[Ro]\r\nArea=NEVER.LOADED\r\n"
      "[Ro]";
  WriteConfig(config);
  run_.Rules = {RuleEndingOn(AddDays(kToday, -1))};

  ExpireRules(run_);

  EXPECT_EQ(ReadBytes(run_.ConfigPath),
            "[General]\r\nAddress=2:5020/1\r\n"
            "[Ro]\r\n; nothing yet\r\n"
            "[Ro]\r\nArea=NEVER.LOADED\r\n"
            "[Ro]");
}

TEST_F(ExpiryTest, NoBackupMeansNoRewrite) {
  const std::string config = "[Ro]\r\nArea=GONE\r\n";
  WriteConfig(config);
  // A directory in the backup's place cannot be replaced by a file.
  std::filesystem::create_directories(Backup());
  run_.Rules = {RuleEndingOn(AddDays(kToday, -1))};

  ExpireRules(run_);

  EXPECT_EQ(ReadBytes(run_.ConfigPath), config);
  EXPECT_EQ(console_.output, "\nRule expired\nNot saved " + Backup() + "\nNot saved " +
                                 run_.ConfigPath + "\nrules not expired: " + Backup() +
                                 ": Is a directory\n");
  EXPECT_EQ(run_.Counters.ActionsFailed, 1);
  EXPECT_TRUE(test::ListNames(dir_ / "mail").empty());
}

// Another run or an editor changed the file: its sections may no longer be the
// rules this run loaded, so nothing is removed and nobody is told.
TEST_F(ExpiryTest, AFileThatChangedSinceItWasReadIsLeftAlone) {
  WriteConfig("[Ro]\r\nArea=GONE\r\n");
  const std::string edited = "[Ro]\r\nArea=NEW\r\n[Ro]\r\nArea=GONE\r\n";
  WriteBytes(run_.ConfigPath, edited);
  TRo rule = RuleEndingOn(AddDays(kToday, -1));
  rule.ReportToMainEnd = "end.tpl";
  run_.Rules = {rule};

  ExpireRules(run_);

  EXPECT_EQ(ReadBytes(run_.ConfigPath), edited);
  EXPECT_FALSE(test::Exists(Backup()));
  EXPECT_TRUE(test::ListNames(dir_ / "mail").empty());
  EXPECT_EQ(console_.output,
            "Rules not expired: " + run_.ConfigPath + " changed since it was read\n");
}

TEST_F(ExpiryTest, NothingHappensWithoutRulesOrWithoutTheFile) {
  WriteConfig("[Ro]\r\nArea=GONE\r\n");
  ExpireRules(run_);
  EXPECT_EQ(ReadBytes(run_.ConfigPath), "[Ro]\r\nArea=GONE\r\n");

  run_.ConfigPath = dir_ / "missing.ini";
  run_.Rules = {RuleEndingOn(AddDays(kToday, -1))};
  ExpireRules(run_);
  EXPECT_FALSE(test::Exists(run_.ConfigPath));
  EXPECT_FALSE(test::Exists(Backup()));
  EXPECT_EQ(console_.output,
            "rules not expired: " + run_.ConfigPath + ": No such file or directory\n");
}

TEST_F(ExpiryTest, ReportQuotesTheSectionWithoutComments) {
  WriteConfig(
             "[Ro]\r\nArea=KEPT\r\n"
             "[ro];header comment\r\n"
             "; a comment line\r\n"
             "Area=GONE ; inline\r\n"
             "\r\n"
             "   \r\n"
             " ;blank before a comment\r\n"
             "Name=Some*One\r\n");
  TRo rule = RuleEndingOn(AddDays(kToday, -1));
  rule.ReportToMainEnd = "end.tpl";
  run_.Rules = {RuleEndingOn(kToday), rule};

  ExpireRules(run_);

  const std::vector<Report> reports = Reports();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].To, "Node Sysop|2:5020/1");
  EXPECT_EQ(reports[0].Section, "[ro]\rArea=GONE \r   \r \rName=Some*One\r");
}

TEST_F(ExpiryTest, ReportsGoToMainThenEachParsedAddrFromThenUplink) {
  WriteConfig("[Ro]\r\nArea=A\r\n[Ro]\r\nArea=B\r\n");
  TRo first = RuleEndingOn(AddDays(kToday, -1));
  first.ReportToMainEnd = "end.tpl";
  first.ReportToRoEnd = "end.tpl";
  first.ReportToUplinkEnd = "end.tpl";
  // AddrFrom=%!MainAddr% 2:999/1 2:999/* 7 as the reader stores it: the excluded and
  // the mask give no report, "7" is completed from 2:999/1, the uplink from 2:999/7.
  first.AddrFrom = "!2:5020/1  2:999/1 2:999/* 7";
  first.UplinkAddress = "3";
  first.UplinkName = "Hub";
  // The second rule's templates are only for the uplink, whose text is a packet macro
  // or empty: there is no address to send to.
  TRo second = RuleEndingOn(AddDays(kToday, -1));
  second.ReportToUplinkEnd = "end.tpl";
  second.AddrFrom = "1:1/1";
  for (const char* uplink : {"%PktFrom%", "", " 2:5020/9"}) {
    SCOPED_TRACE(uplink);
    for (const std::string& name : test::ListNames(dir_ / "mail")) {
      std::filesystem::remove(dir_ / "mail/" + name);
    }
    run_.Netmail.NextMsgNumber.clear();
    second.UplinkAddress = uplink;
    run_.Rules = {first, second};
    WriteConfig("[Ro]\r\nArea=A\r\n[Ro]\r\nArea=B\r\n");

    ExpireRules(run_);

    EXPECT_EQ(ReportAddressees(), (std::vector<std::string>{"Node Sysop|2:5020/1",
                                                            "Sysop|2:999/1", "Sysop|2:999/7",
                                                            "Hub|2:999/3"}));
  }
}

TEST(ExpiryProgram, RuleEndingTodayIsKeptAndRemovedTheNextDay) {
  test::KestalHome home;
  std::filesystem::create_directories(home / "in");
  std::filesystem::create_directories(home / "mail");
  for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl"}) WriteBytes(home / name, "");
  WriteBytes(home / "end.tpl", kEndTemplate);
  // The second rule has no DateTo: it ends on the day of every run.
  const std::string kept =
      "[General]\r\nAddress=2:5020/1\r\nReportPath=mail\r\nEchoMailPath=in\r\n"
      "ReportToMainEnd=end.tpl\r\n";
  const std::string ending = "[Ro]\r\nArea=RO.AREA\r\nDateTo=10.12.2026\r\n";
  const std::string open = "[Ro]\r\nArea=OPEN.AREA\r\n";
  WriteBytes(home / "Kestal.Ini", kept + ending + open);

  const test::ProgramResult lastDay = home.Run({"-D"}, "2026-12-10 12:00:00");
  EXPECT_EQ(lastDay.exitCode, 0) << lastDay.output;
  EXPECT_EQ(ReadBytes(home / "Kestal.Ini"), kept + ending + open);
  EXPECT_FALSE(test::Exists(home / "Kestal.Ini.bak"));
  EXPECT_TRUE(test::ListNames(home / "mail").empty());

  const test::ProgramResult nextDay = home.Run({"-D"}, "2026-12-11 12:00:00");
  EXPECT_EQ(nextDay.exitCode, 0) << nextDay.output;
  EXPECT_EQ(ReadBytes(home / "Kestal.Ini"), kept + open);
  EXPECT_EQ(ReadBytes(home / "Kestal.Ini.bak"), kept + ending + open);
  EXPECT_NE(nextDay.output.find(home / "Kestal.Ini.bak"), std::string::npos) << nextDay.output;
  EXPECT_EQ(test::ListNames(home / "mail"), std::vector<std::string>{"2.msg"});
}

}  // namespace
}  // namespace kestal
