#include "RoTrf/Traffic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "RoTrf/TrafficFormat.h"
#include "RoTrf/TrafficRecords.h"
#include "TestSupport.h"
#include "TrafficFixture.h"

namespace kestal {
namespace {

using test::DailyRecords;
using test::ReadBytes;
using test::ScratchDir;
using test::TrafficRun;
using test::WriteBytes;

std::vector<TTrf> ReadDailyFile(const std::string& path) {
  std::string bytes = ReadBytes(path);
  EXPECT_EQ(bytes.size() % trf::daily::kRecordSize, 0u);
  std::vector<TTrf> entries;
  for (size_t offset = 0; offset + trf::daily::kRecordSize <= bytes.size();
       offset += trf::daily::kRecordSize) {
    entries.push_back(DecodeTrafficRecord(std::string_view(bytes).substr(offset)));
  }
  return entries;
}

void ExpectEntry(const TTrf& entry, const std::string& name, const std::string& first,
                 const std::string& last, uint32_t msgs, uint32_t size) {
  EXPECT_EQ(entry.EchoName, name);
  EXPECT_EQ(entry.FirstDate, first);
  EXPECT_EQ(entry.LastDate, last);
  EXPECT_EQ(entry.Msgs, msgs);
  EXPECT_EQ(entry.Size, size);
}

TEST(TrafficRecordTest, DailyRecordLayoutIsByteExact) {
  std::string record =
      EncodeTrafficRecord({"R50.SYSOP", "01.12.2026", "09.12.2026", 5, 0x01020304});
  std::string expected = std::string(1, '\x09') + "R50.SYSOP" + std::string(31, ' ') +
                         '\x0a' + "01.12.2026" + '\x0a' + "09.12.2026" +
                         std::string("\x05\0\0\0", 4) + "\x04\x03\x02\x01";
  EXPECT_EQ(record, expected);
  ExpectEntry(DecodeTrafficRecord(record), "R50.SYSOP", "01.12.2026", "09.12.2026", 5, 0x01020304);
}

TEST(TrafficRecordTest, NameRecordCutsLongTextsAndStoresTheDateTimeLengthLessOne) {
  TStat stat;
  stat.EchoName = "R50.SYSOP";
  stat.Date = "10.12.2026";
  stat.Time = "12:00:00";
  stat.MsgDateTime = std::string("09 Dec 26  21:14:05") + '\0';  // 19 characters and a zero
  stat.NameFrom = std::string(30, 'F');
  stat.NameTo = "Ivan Petrov";
  stat.Subj = std::string(68, 's') + "XY";
  stat.Size = 1234;
  stat.Address = "2:5020/100.7";
  std::string record = EncodeNameRecord(stat);

  ASSERT_EQ(record.size(), trf::name::kRecordSize);
  EXPECT_EQ(record[trf::name::kMsgDateTime], '\x12');  // 18
  EXPECT_EQ(record.substr(trf::name::kMsgDateTime + 1, 19), "09 Dec 26  21:14:05");
  EXPECT_EQ(record[trf::name::kNameFrom], '\x19');
  EXPECT_EQ(record[trf::name::kSubj], '\x44');
  EXPECT_EQ(record.substr(trf::name::kReserved, 4), std::string(4, '\0'));
  EXPECT_EQ(record.substr(trf::name::kTail), std::string(20, '\0'));

  TStat back = DecodeNameRecord(record);
  EXPECT_EQ(back.MsgDateTime, "09 Dec 26  21:14:0");  // read back as 18 characters
  EXPECT_EQ(back.NameFrom, std::string(25, 'F'));
  EXPECT_EQ(back.Subj, std::string(68, 's'));
  EXPECT_EQ(back.EchoName, "R50.SYSOP");
  EXPECT_EQ(back.Date, "10.12.2026");
  EXPECT_EQ(back.Time, "12:00:00");
  EXPECT_EQ(back.NameTo, "Ivan Petrov");
  EXPECT_EQ(back.Size, 1234u);
  EXPECT_EQ(back.Address, "2:5020/100.7");

  stat.MsgDateTime.clear();  // no length byte that wraps round to 255
  EXPECT_EQ(EncodeNameRecord(stat)[trf::name::kMsgDateTime], '\0');
}

TEST(TrafficRecordTest, LengthByteLargerThanItsFieldTakesTheFieldWithoutFill) {
  std::string record = EncodeTrafficRecord({"AREA", "01.12.2026", "02.12.2026", 7, 700});
  record[trf::daily::kEchoName] = '\xFF';
  record[trf::daily::kFirstDate] = '\x0B';
  ExpectEntry(DecodeTrafficRecord(record), "AREA", "01.12.2026", "02.12.2026", 7, 700);
}

TEST(TrafficTest, TwoRunsOfOneDayAccumulateIntoOneRecord) {
  ScratchDir dir;
  for (uint32_t messages : {3u, 2u}) {
    TrafficRun traffic(dir.path());
    kestal::Run& run = traffic.run();
    LoadRunTraffic(run.ForTraffic(), run.Traffic.TodayTrafficFile);
    for (uint32_t i = 0; i < messages; ++i) CountTraffic(run.Traffic.List, "R50.SYSOP", "10.12.2026", 100 + i);
    EXPECT_TRUE(SaveTrafficFile(run.ForTraffic()));
  }
  std::vector<TTrf> entries = ReadDailyFile(dir / "20261210.trf");
  ASSERT_EQ(entries.size(), 1u);
  ExpectEntry(entries[0], "R50.SYSOP", "10.12.2026", "10.12.2026", 5, 303 + 201);
  EXPECT_EQ(test::ListNames(dir.path()), std::vector<std::string>{"20261210.trf"});
}

TEST(TrafficTest, TagsDifferingInCaseStaySeparateNeighbours) {
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  CountTraffic(run.Traffic.List, "test.area", "10.12.2026", 10);
  CountTraffic(run.Traffic.List, "Z.AREA", "10.12.2026", 20);
  CountTraffic(run.Traffic.List, "TEST.AREA", "10.12.2026", 30);
  CountTraffic(run.Traffic.List, "A.AREA", "10.12.2026", 40);
  CountTraffic(run.Traffic.List, "test.area", "10.12.2026", 50);
  EXPECT_TRUE(SaveTrafficFile(run.ForTraffic()));

  std::vector<TTrf> entries = ReadDailyFile(dir / "20261210.trf");
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].EchoName, "A.AREA");
  EXPECT_EQ(entries[1].EchoName, "TEST.AREA");
  ExpectEntry(entries[2], "test.area", "10.12.2026", "10.12.2026", 2, 60);
  EXPECT_EQ(entries[3].EchoName, "Z.AREA");
}

TEST(TrafficTest, LongTagIsCountedUnderItsFirstFortyCharacters) {
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  std::string tag(45, 'T');
  CountTraffic(traffic.run().Traffic.List, tag, "10.12.2026", 1);
  CountTraffic(traffic.run().Traffic.List, tag, "10.12.2026", 2);
  ASSERT_EQ(traffic.run().Traffic.List.size(), 1u);
  ExpectEntry(traffic.run().Traffic.List[0], std::string(40, 'T'), "10.12.2026", "10.12.2026",
              2, 3);
}

TEST(TrafficTest, UnsortedAndRepeatedRecordsComeOutSortedOnePerArea) {
  ScratchDir dir;
  // The case variant between the repeats would keep them apart in an order by
  // name, count and size alone.
  WriteBytes(dir / "20261210.trf", DailyRecords({
                                       {"b.area", "05.12.2026", "06.12.2026", 5, 500},
                                       {"A.AREA", "03.12.2026", "04.12.2026", 1, 10},
                                       {"B.AREA", "07.12.2026", "07.12.2026", 3, 300},
                                       {"b.area", "01.12.2026", "09.12.2026", 2, 200},
                                       {"b.area", "02.12.2026", "03.12.2026", 4, 400},
                                   }));
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  LoadRunTraffic(run.ForTraffic(), run.Traffic.TodayTrafficFile);
  EXPECT_EQ(run.Traffic.List.size(), 5u);  // loaded as is
  EXPECT_TRUE(SaveTrafficFile(run.ForTraffic()));

  std::vector<TTrf> entries = ReadDailyFile(dir / "20261210.trf");
  ASSERT_EQ(entries.size(), 3u);
  ExpectEntry(entries[0], "A.AREA", "03.12.2026", "04.12.2026", 1, 10);
  ExpectEntry(entries[1], "B.AREA", "07.12.2026", "07.12.2026", 3, 300);
  ExpectEntry(entries[2], "b.area", "01.12.2026", "09.12.2026", 11, 1100);
}

TEST(TrafficTest, MergeKeepsDatesThatParseOverTextsThatDoNot) {
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  run.Day.DateFmt = DateFormat{DateOrder::MonthDayYear, '/'};  // stored dates still read as dd.mm.yyyy
  run.Traffic.List = {
      {"AREA", "garbage", "05.12.2026", 1, 1},
      {"AREA", "03.12.2026", "", 1, 1},
      {"AREA", "04.12.2026", "02.12.2026", 1, 1},
      {"OTHER", "junk", "x", 1, 1},
      {"OTHER", "more junk", "y", 2, 2},
  };
  MergeTrafficList(run.Traffic.List, run.Day.Today.Year);
  ASSERT_EQ(run.Traffic.List.size(), 2u);
  ExpectEntry(run.Traffic.List[0], "AREA", "03.12.2026", "05.12.2026", 3, 3);
  ExpectEntry(run.Traffic.List[1], "OTHER", "junk", "x", 3, 3);  // the earlier entry's texts
}

TEST(TrafficTest, MergeStopsAtTheLargestCountInsteadOfWrapping) {
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  traffic.run().Traffic.List = {{"AREA", "", "", 0xFFFFFFF0u, 0xFFFFFFFFu},
                                {"AREA", "", "", 0x20, 5}};
  MergeTrafficList(traffic.run().Traffic.List, traffic.run().Day.Today.Year);
  ExpectEntry(traffic.run().Traffic.List[0], "AREA", "", "", 0xFFFFFFFFu, 0xFFFFFFFFu);
}

TEST(TrafficTest, EmptyDays) {
  ScratchDir dir;
  std::string today = dir / "20261210.trf";
  {  // nothing counted, no file: none is created
    TrafficRun traffic(dir.path());
    LoadRunTraffic(traffic.run().ForTraffic(), today);
    EXPECT_TRUE(SaveTrafficFile(traffic.run().ForTraffic()));
    EXPECT_FALSE(test::Exists(today));
  }
  {  // nothing counted, a file with records: rewritten sorted and merged
    WriteBytes(today, DailyRecords({{"B", "10.12.2026", "10.12.2026", 1, 5},
                               {"A", "10.12.2026", "10.12.2026", 1, 6},
                               {"B", "10.12.2026", "10.12.2026", 2, 7}}));
    TrafficRun traffic(dir.path());
    LoadRunTraffic(traffic.run().ForTraffic(), today);
    EXPECT_TRUE(SaveTrafficFile(traffic.run().ForTraffic()));
    EXPECT_EQ(ReadBytes(today), DailyRecords({{"A", "10.12.2026", "10.12.2026", 1, 6},
                                         {"B", "10.12.2026", "10.12.2026", 3, 12}}));
  }
  {  // nothing counted, a file of zero bytes: deleted
    WriteBytes(today, "");
    TrafficRun traffic(dir.path());
    LoadRunTraffic(traffic.run().ForTraffic(), today);
    EXPECT_TRUE(SaveTrafficFile(traffic.run().ForTraffic()));
    EXPECT_FALSE(test::Exists(today));
  }
}

TEST(TrafficTest, RecordCutShortAtTheEndOfTheFileIsLeftOut) {
  ScratchDir dir;
  std::string whole = DailyRecords({{"A", "10.12.2026", "10.12.2026", 1, 6},
                               {"B", "10.12.2026", "10.12.2026", 2, 7}});
  for (size_t cut : {size_t{1}, size_t{40}, size_t{70}}) {
    WriteBytes(dir / "day.trf", whole.substr(0, trf::daily::kRecordSize + cut));
    TrafficRun traffic(dir.path());
    LoadRunTraffic(traffic.run().ForTraffic(), dir / "day.trf");
    ASSERT_EQ(traffic.run().Traffic.List.size(), 1u) << "cut " << cut;
    ExpectEntry(traffic.run().Traffic.List[0], "A", "10.12.2026", "10.12.2026", 1, 6);
  }
}

TEST(TrafficTest, DailyFileThatCannotBeReadIsNeverReplaced) {
  ScratchDir dir;
  std::string today = dir / "20261210.trf";
  // A regular file that exists and fails every read, even for root.
  std::filesystem::create_symlink("/proc/self/mem", today);
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  LoadRunTraffic(run.ForTraffic(), today);
  EXPECT_TRUE(run.Traffic.List.empty());
  CountTraffic(run.Traffic.List, "AREA", "10.12.2026", 100);
  EXPECT_FALSE(SaveTrafficFile(run.ForTraffic()));
  EXPECT_TRUE(std::filesystem::is_symlink(today));
  EXPECT_EQ(std::filesystem::read_symlink(today), "/proc/self/mem");

  run.Traffic.List.clear();  // nor deleted when nothing was counted
  EXPECT_FALSE(SaveTrafficFile(run.ForTraffic()));
  EXPECT_TRUE(std::filesystem::is_symlink(today));
}

TEST(TrafficTest, SaveReplacesTheFileWithoutLeavingTemporaryFiles) {
  ScratchDir dir;
  std::string today = dir / "20261210.trf";
  WriteBytes(today, DailyRecords({{"OLD", "09.12.2026", "09.12.2026", 4, 40}}));
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  LoadRunTraffic(run.ForTraffic(), today);
  CountTraffic(run.Traffic.List, "NEW", "10.12.2026", 10);
  EXPECT_TRUE(SaveTrafficFile(run.ForTraffic()));
  EXPECT_EQ(ReadBytes(today), DailyRecords({{"NEW", "10.12.2026", "10.12.2026", 1, 10},
                                       {"OLD", "09.12.2026", "09.12.2026", 4, 40}}));
  EXPECT_EQ(test::ListNames(dir.path()), std::vector<std::string>{"20261210.trf"});
}

TEST(TrafficTest, NameRecordsAreAppendedWhole) {
  ScratchDir dir;
  TrafficRun traffic(dir.path());
  kestal::Run& run = traffic.run();
  std::string path = dir / "statecho.trf";
  auto append = [&](const std::string& from) {
    AppendNameRecord(run.ForTraffic(), "R50.SYSOP", "10.12.2026", "12:00:00", "10 Dec 26  11:00:00", from,
                     "All", "Subject", 321, "2:5020/1");
  };
  append("First");
  append("Second");
  std::string bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 2 * trf::name::kRecordSize);
  EXPECT_EQ(DecodeNameRecord(bytes).NameFrom, "First");
  EXPECT_EQ(DecodeNameRecord(std::string_view(bytes).substr(250)).NameFrom, "Second");

  // An interrupted write left a fragment: it is dropped so that records stay aligned.
  WriteBytes(path, bytes + bytes.substr(0, 100));
  append("Third");
  bytes = ReadBytes(path);
  ASSERT_EQ(bytes.size(), 3 * trf::name::kRecordSize);
  EXPECT_EQ(DecodeNameRecord(std::string_view(bytes).substr(500)).NameFrom, "Third");
  EXPECT_EQ(DecodeNameRecord(std::string_view(bytes).substr(500)).Size, 321u);
  EXPECT_EQ(test::ListNames(dir.path()), std::vector<std::string>{"statecho.trf"});
}

TEST(TrafficTest, NameOrderFoldsLatinCaseOnlyAndPutsPrefixesFirst) {
  EXPECT_EQ(CompareNamesIgnoringCase("abc", "ABC"), 0);
  EXPECT_LT(CompareNamesIgnoringCase("AB", "abc"), 0);
  EXPECT_LT(CompareNamesIgnoringCase("Z", "\x80"), 0);  // bytes compare unsigned
  EXPECT_NE(CompareNamesIgnoringCase("\xA0", "\x80"), 0);  // Cyrillic letters are not folded
  EXPECT_TRUE(PrecedesInNameOrder({"A", "", "", 1, 9}, {"a", "", "", 1, 1}));
  EXPECT_TRUE(PrecedesInNameOrder({"a", "", "", 1, 9}, {"a", "", "", 2, 1}));
  EXPECT_TRUE(PrecedesInNameOrder({"a", "", "", 2, 1}, {"a", "", "", 2, 2}));
}

}  // namespace
}  // namespace kestal
