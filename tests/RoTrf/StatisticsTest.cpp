#include "RoTrf/Statistics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RoTrf/Period.h"
#include "RoTrf/StatTemplate.h"
#include "RoTrf/TrafficRecords.h"
#include "TestSupport.h"
#include "TrafficFixture.h"

namespace kestal {
namespace {

using test::ReadBytes;
using test::ScratchDir;
using test::TrafficRun;
using test::WriteBytes;

const std::string kClosing = std::string(32, ' ') + "Kestal 2.15/W32\r\n";

TEST(PeriodTest, ParsePeriodCountsDaysBackFromTheStartDay) {
  struct Case {
    std::string text;
    int first;
    int last;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"0", 0, 0, "10.12.2026"},
      {"3-1", 3, 1, "07.12.2026-09.12.2026"},
      {"1-3", 1, 1, "09.12.2026"},  // never backwards
      {"10-0", 10, 0, "30.11.2026-10.12.2026"},
      {"", 0, 0, "10.12.2026"},
      {"x-y", 0, 0, "10.12.2026"},
      {"-2", 0, 0, "10.12.2026"},
      {"$FFFFFFFF", 0, 0, "10.12.2026"},  // no days ahead
  };
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  for (const Case& c : cases) {
    TPeriod period = ParsePeriod(c.text, traffic.run().StartTime.Date, traffic.run().Day.DateFmt);
    EXPECT_EQ(period.First, c.first) << c.text;
    EXPECT_EQ(period.Last, c.last) << c.text;
    EXPECT_EQ(period.Text, c.shown) << c.text;
  }
  EXPECT_EQ(ParsePeriod("2147483647", traffic.run().StartTime.Date, traffic.run().Day.DateFmt).First, 36525);  // no endless day loop
  traffic.run().Day.DateFmt = DateFormat{DateOrder::MonthDayYear, '/'};
  EXPECT_EQ(ParsePeriod("2-1", traffic.run().StartTime.Date, traffic.run().Day.DateFmt).Text, "12/08/2026-12/09/2026");
}

TEST(StatTemplateTest, PercentHasThreeSignificantDigitsAndTwoDecimals) {
  struct Case {
    uint64_t part;
    uint64_t total;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {30, 40, "75.00"},       {10, 40, "25.00"},     {12345, 100000, "12.30"},
      {5678, 100000, "5.68"},  {567, 100000, "0.57"}, {4, 100000, "0.00"},
      {1, 1, "100.00"},        {0, 0, "100.00"},      {0, 7, "0.00"},
      {9996, 100000, "10.00"}, {1, 3, "33.30"},       {2, 3, "66.70"},
      {1, 800, "0.13"},        {9995, 10000, "100.00"}, {0xFFFFFFFFu, 0x1FFFFFFFEu, "50.00"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatPercent(c.part, c.total, '.'), c.expected) << c.part << "/" << c.total;
  }
  EXPECT_EQ(FormatPercent(1, 4, ','), "25,00");
}

TEST(StatTemplateTest, SortLineIsDroppedWithItsLineEnd) {
  struct Case {
    std::string text;
    std::string key;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"%Sort% SizeDsc\r\n\r\nBody\r\n", "SizeDsc", "\r\nBody\r\n"},
      {"%Sort%:NameAsc\r\n>---<\r\n", "NameAsc", ">---<\r\n"},
      {"%Sort% MsgsAsc  old notes\r\nBody", "MsgsAsc", "Body"},
      {"%sort% SizeDsc\r\nBody", "", "%sort% SizeDsc\r\nBody"},
      {"Head\r\n%Sort% SizeDsc\r\n", "", "Head\r\n%Sort% SizeDsc\r\n"},
      {"%Sort% Size", "Size", ""},
      {"%Sort%", "", ""},
  };
  for (const Case& c : cases) {
    TStatTemplate tpl = SplitSortLine(c.text);
    EXPECT_EQ(tpl.SortKey, c.key) << c.text;
    EXPECT_EQ(tpl.Body, c.body) << c.text;
  }
}

TEST(StatTemplateTest, ExpandRepeatsBlocksAndFillsMacros) {
  struct Case {
    std::string name;
    std::vector<std::string> entries;
    std::string text;
    std::string expected;
  };
  const std::vector<std::string> ab = {"a", "b"};
  const std::vector<Case> cases = {
      {"two blocks", ab,
       "H\r\n>---<\r\n%Num%.%Name%\r\n>+++<\r\nmid\r\n>---<\r\n[%Name%]\r\n>+++<\r\nend\r\n",
       "H\r\n1.a\r\n2.b\r\nmid\r\n[a]\r\n[b]\r\nend\r\n"},
      {"missing end marker", ab, "H\r\n>---<\r\n%Name%\r\n", "H\r\na\r\nb\r\n"},
      {"end marker before the start", ab, ">+++<\r\nX\r\n>---<\r\n%Name%\r\n>+++<\r\nY",
       ">+++<\r\nX\r\na\r\nb\r\nY"},
      {"markers need CR LF", ab, ">---<\n%Name%\n>+++<\n", ">---<\n%Name%\n>+++<\n"},
      {"entry macros outside blocks", ab, "%Name% %Num%!\r\n", "%Name% %Num%!\r\n"},
      {"period and totals inside blocks", ab, ">---<\r\n%Name% %Period% %Total%\r\n>+++<\r\n",
       "a P 2\r\nb P 2\r\n"},
      {"no entries", {}, "H\r\n>---<\r\n%Name%\r\n>+++<\r\nT=%Total%\r\n", "H\r\nT=0\r\n"},
      {"spaces before line ends", {"c  "}, "x   \r\ny \n>---<\r\n%Name%\r\n>+++<\r\n z  ",
       "x\r\ny\nc\r\n z  "},
      {"aligned macros", {"abcdef"},
       ">---<\r\n%Num%(R,3)|%Name%(L,4)|%Name%(C,8)|%Period%(R,2)\r\n>+++<\r\n",
       "  1|abcd| abcdef | P\r\n"},
      {"a value holding a marker starts no new block", {">---<", ">---<"},
       ">---<\r\n%Name%\r\n>+++<\r\n", ">---<\r\n>---<\r\n"},
      {"a value holding a macro keeps it from other entries", {"%Num%", "b"},
       ">---<\r\n%Num%.%Name%\r\n>+++<\r\n", "1.%Num%\r\n2.b\r\n"},
      {"a value holding a total keeps it", {"%Total%", "%Period%"},
       ">---<\r\n%Name%\r\n>+++<\r\n", "%Total%\r\n%Period%\r\n"},
      {"a value and the template after it form no macro", {"%Tot", "%N"},
       ">---<\r\n%Name%al% %Name%um%\r\n>+++<\r\n", "%Total% %Totum%\r\n%Nal% %Num%\r\n"},
      {"adjacent macros", ab, ">---<\r\n%Num%(R,2)%Name%(L,3)%Total%%Period%\r\n>+++<\r\n",
       " 1a  2P\r\n 2b  2P\r\n"},
  };
  for (const Case& c : cases) {
    TStatValues values;
    values.PeriodText = "P";
    values.EntryCount = c.entries.size();
    values.EntryMacros = [&](size_t index) {
      return MacroValues{{"%Num%", std::to_string(index + 1)}, {"%Name%", c.entries[index]}};
    };
    values.Totals = {{"%Total%", std::to_string(c.entries.size())}};
    EXPECT_EQ(ExpandStatTemplate(c.text, values), c.expected) << c.name;
  }
}

// 1 MB of macro names in a block and around it, with values that name macros
// too; asserted on the output only.
TEST(StatTemplateTest, LargeTemplatesOfMacroNames) {
  constexpr size_t kCount = 100000;
  auto repeat = [](const std::string& text) {
    std::string out;
    for (size_t i = 0; i < kCount; ++i) out += text;
    return out;
  };
  const std::vector<std::string> names = {"%Total%", "%Num%"};
  TStatValues values;
  values.PeriodText = "P";
  values.EntryCount = names.size();
  values.EntryMacros = [&](size_t index) { return MacroValues{{"%Name%", names[index]}}; };
  values.Totals = {{"%Total%", "2"}};
  const std::string text = repeat("%Total%(") + "\r\n>---<\r\n" + repeat("%Name%") + "\r\n";
  EXPECT_EQ(ExpandStatTemplate(text, values),
            repeat("2(") + "\r\n" + repeat("%Total%") + "\r\n" + repeat("%Num%") + "\r\n");
}

// Echo statistics over daily files written in a scratch TrfPath.
class EchoStatisticsTest : public ::testing::Test {
 protected:
  EchoStatisticsTest() : traffic_(dir_.path()) {}

  void WriteDay(const std::string& day, const std::vector<TTrf>& entries) {
    WriteBytes(dir_ / (day + ".trf"), test::DailyRecords(entries));
  }
  void WriteTemplate(const std::string& text) { WriteBytes(dir_ / "trf.tpl", text); }
  std::string Build(const std::string& period) {
    BuildEchoStatistics(traffic_.run().ForStatistics(), period);
    return ReadBytes(dir_ / "trf.txt");
  }

  ScratchDir dir_;
  TrafficRun traffic_;
};

TEST_F(EchoStatisticsTest, ReportOfAPeriodMergesItsDays) {
  WriteDay("20261206", {{"OUTSIDE", "06.12.2026", "06.12.2026", 50, 5000}});
  WriteDay("20261207", {{"R50.SYSOP", "07.12.2026", "07.12.2026", 20, 2000}});
  WriteDay("20261209", {{"r50.talks", "09.12.2026", "09.12.2026", 3, 1000},
                        {"R50.SYSOP", "09.12.2026", "09.12.2026", 10, 1000}});
  WriteDay("20261210", {{"TODAY", "10.12.2026", "10.12.2026", 9, 9}});
  WriteTemplate(
      "Caught messages, %Period%\r\n"
      ">---<\r\n"
      "%Num%(R,2) %EchoName%(L,12) %Msgs%(R,3) %Size%(R,5) %AverSize%(R,4) %Percent%(R,6)\r\n"
      ">+++<\r\n"
      "%SummEcho% areas %SummMsgs% %SummSize% %SummAverSize% %SummPercent%\r\n");

  EXPECT_EQ(Build("3-1"),
            "Caught messages, 07.12.2026-09.12.2026\r\n"
            " 1 R50.SYSOP     30  3000  100  90.90\r\n"
            " 2 r50.talks      3  1000  333   9.09\r\n"
            "2 areas 33 4000 121 100.00\r\n" +
                kClosing);
  EXPECT_EQ(traffic_.console(),
            "\nEcho statistics: 07.12.2026-09.12.2026\n 50%\r100%\rAreas - 2\n");
}

TEST_F(EchoStatisticsTest, PercentagesOfTwoAreas) {
  WriteDay("20261210", {{"A", "10.12.2026", "10.12.2026", 30, 300},
                        {"B", "10.12.2026", "10.12.2026", 10, 100}});
  WriteTemplate(">---<\r\n%EchoName% %Percent%\r\n>+++<\r\n%SummPercent%\r\n");
  EXPECT_EQ(Build("0"), "A 75.00\r\nB 25.00\r\n100.00\r\n" + kClosing);
  // One day: no progress.
  EXPECT_EQ(traffic_.console(), "\nEcho statistics: 10.12.2026\nAreas - 2\n");
}

TEST_F(EchoStatisticsTest, EachSortKeyOrdersTheAreas) {
  WriteDay("20261210", {{"A", "", "", 2, 50}, {"b", "", "", 1, 300},
                        {"C", "", "", 3, 100}, {"d", "", "", 1, 200}});
  struct Case {
    std::string firstLine;
    std::string order;
  };
  const std::vector<Case> cases = {
      {"%Sort% EchoAsc\r\n", "AbCd"},  {"%Sort% EchoDsc\r\n", "dCbA"},
      {"%Sort% MsgsAsc\r\n", "dbAC"},  {"%Sort% MsgsDsc\r\n", "CAbd"},
      {"%Sort% SizeAsc\r\n", "ACdb"},  {"%Sort%=SizeDsc\r\n", "bdCA"},
      {"", "CAbd"},                    {"%Sort% sizeasc\r\n", "CAbd"},
      {"%sort% SizeAsc\r\n", "%sort% SizeAsc\r\nCAbd"},
  };
  for (const Case& c : cases) {
    WriteTemplate(c.firstLine + ">---<\r\n%EchoName%>+++<\r\n");
    EXPECT_EQ(Build("0"), c.order + kClosing) << c.firstLine;
  }
}

TEST_F(EchoStatisticsTest, EmptyPeriod) {
  WriteTemplate("H\r\n>---<\r\n%EchoName%\r\n>+++<\r\n%SummMsgs% %SummAverSize% %SummPercent%\r\n");
  WriteBytes(dir_ / "trf.txt", "an old report");
  EXPECT_EQ(Build("5-4"), "");  // deleted, and no new one
  EXPECT_FALSE(test::Exists(dir_ / "trf.txt"));
  EXPECT_EQ(traffic_.console(), "\nEcho statistics: 05.12.2026-06.12.2026\n100%\rAreas - 0\n");

  traffic_.run().Config.CreateEmptyStat = true;
  EXPECT_EQ(Build("5-4"), "H\r\n0 0 100.00\r\n" + kClosing);
}

TEST_F(EchoStatisticsTest, MissingTemplateGivesTheClosingLineAlone) {
  WriteDay("20261210", {{"A", "", "", 1, 1}});
  EXPECT_EQ(Build("0"), kClosing);
}

// Name statistics over a "statecho.trf" written in a scratch TrfPath.
class NameStatisticsTest : public ::testing::Test {
 protected:
  NameStatisticsTest() : traffic_(dir_.path()) {}

  static std::string Record(const std::string& echo, const std::string& date,
                            const std::string& from, uint32_t size) {
    TStat stat;
    stat.EchoName = echo;
    stat.Date = date;
    stat.Time = "12:00:00";
    stat.MsgDateTime = "01 Dec 26  10:00:00";
    stat.NameFrom = from;
    stat.NameTo = "All";
    stat.Subj = "Re: " + echo;
    stat.Size = size;
    stat.Address = "2:5020/" + std::to_string(size);
    return EncodeNameRecord(stat);
  }
  void WriteTemplate(const std::string& text) { WriteBytes(dir_ / "stat.tpl", text); }
  std::string Build(const std::string& period) {
    BuildNameStatistics(traffic_.run().ForStatistics(), period);
    return ReadBytes(dir_ / "stat.txt");
  }

  ScratchDir dir_;
  TrafficRun traffic_;
};

TEST_F(NameStatisticsTest, ReportListsTheRecordsOfThePeriod) {
  WriteBytes(dir_ / "statecho.trf",
             Record("R50.SYSOP", "10.12.2026", "Today Writer", 1) +
                 Record("R50.SYSOP", "09.12.2026", "Ivan Petrov", 100) +
                 Record("SU.FLAME", "25.12.2002", "Old Timer", 5) +
                 Record("SU.FLAME", "08.12.2026", "Ivan Petrov", 200) +
                 Record("R50.SYSOP", "not a date", "Nobody", 7) +
                 Record("MO.TALK", "08.12.2026", "Anna", 301) +
                 Record("FRAGMENT", "09.12.2026", "Cut Short", 9).substr(0, 120));
  WriteTemplate(
      "Notes for the sysop, not part of the report\r\n"
      "%Sort% NameDsc\r\n"
      "Writers, %Period%\r\n"
      ">---<\r\n"
      "%Num%. %NameFrom%(L,12) %NameTo% %EchoName%(L,9) %Subj% %Address% %Size%\r\n"
      ">+++<\r\n"
      "%SummMsgs% messages, %SummSize% bytes, %SummAverSize% on average\r\n");

  EXPECT_EQ(Build("2-1"),
            "Writers, 08.12.2026-09.12.2026\r\n"
            "1. Ivan Petrov  All SU.FLAME  Re: SU.FLAME 2:5020/200 200\r\n"
            "2. Ivan Petrov  All R50.SYSOP Re: R50.SYSOP 2:5020/100 100\r\n"
            "3. Anna         All MO.TALK   Re: MO.TALK 2:5020/301 301\r\n"
            "3 messages, 601 bytes, 200 on average\r\n" +
                kClosing);
  // Records outside the period do not move the progress.
  EXPECT_EQ(traffic_.console(),
            "\nName statistics: 08.12.2026-09.12.2026\n 30%\r 61%\r 92%\rMessages - 3\n");

  EXPECT_EQ(Build("0"),
            "Writers, 10.12.2026\r\n"
            "1. Today Writer All R50.SYSOP Re: R50.SYSOP 2:5020/1 1\r\n"
            "1 messages, 1 bytes, 1 on average\r\n" +
                kClosing);
}

TEST_F(NameStatisticsTest, EachSortKeyOrdersTheRecords) {
  WriteBytes(dir_ / "statecho.trf", Record("b.area", "10.12.2026", "ivan", 1) +
                                        Record("A.AREA", "10.12.2026", "Ivan", 2) +
                                        Record("C.AREA", "10.12.2026", "anna", 3) +
                                        Record("a.area", "10.12.2026", "Boris", 4));
  struct Case {
    std::string head;
    std::string order;
  };
  const std::vector<Case> cases = {
      {"%Sort% NameAsc\r\n", "3421"}, {"%Sort% NameDsc\r\n", "1243"},
      {"%Sort% EchoAsc\r\n", "4213"}, {"%Sort% EchoDsc\r\n", "3124"},
      {"", "3421"},                   {"%Sort% EchoXyz\r\n", "3421"},
      {"comment %Sort% EchoAsc\r\n", "4213"},
  };
  for (const Case& c : cases) {
    WriteTemplate(c.head + ">---<\r\n%Size%>+++<\r\n");
    EXPECT_EQ(Build("0"), c.order + kClosing) << c.head;
  }
}

TEST_F(NameStatisticsTest, EmptyPeriod) {
  WriteTemplate(">---<\r\n%NameFrom%\r\n>+++<\r\n%SummMsgs% %SummAverSize% %SummSize%\r\n");
  WriteBytes(dir_ / "stat.txt", "an old report");
  EXPECT_EQ(Build("0"), "");  // no statecho.trf at all
  EXPECT_FALSE(test::Exists(dir_ / "stat.txt"));
  EXPECT_EQ(traffic_.console(), "\nName statistics: 10.12.2026\nMessages - 0\n");

  WriteBytes(dir_ / "statecho.trf", Record("A", "01.12.2026", "Ivan", 5));
  traffic_.run().Config.CreateEmptyStat = true;
  EXPECT_EQ(Build("0"), "0 0 0\r\n" + kClosing);
}

}  // namespace
}  // namespace kestal
