// The traffic files and statistics as a whole run of the program writes them.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ToolsLib/PacketDescription.h"
#include "RoTrf/TrafficRecords.h"
#include "TestSupport.h"

namespace kestal {
namespace {

using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

const std::string kClosing = std::string(32, ' ') + "Kestal 2.15/W32\r\n";

class TrafficProgram : public ::testing::Test {
 protected:
  TrafficProgram() {
    std::filesystem::create_directories(home_ / "in");
    std::filesystem::create_directories(home_ / "mail");
    std::filesystem::create_directories(home_ / "trf");
    WriteBytes(home_ / "save.tpl", "");
    WriteBytes(home_ / "trf.tpl", ">---<\r\n%EchoName% %Msgs% %Size%\r\n>+++<\r\n");
    WriteBytes(home_ / "stat.tpl", ">---<\r\n%NameFrom% %EchoName% %Subj%\r\n>+++<\r\n");
  }

  // `general`: further [General] lines.
  void WriteConfig(const std::string& trfPath, const std::string& general = "") {
    WriteBytes(home_ / "Kestal.Ini",
               "[General]\r\nAddress=2:5020/100\r\nReportPath=mail\r\nEchoMailPath=in\r\n"
               "TrfPath=" + trfPath + "\r\n" + general + "[Ro]\r\nArea=RO.AREA\r\nNameFrom=Vasya*\r\n");
  }

  // A packet with `caught` messages of Vasya in RO.AREA and one that no rule catches.
  void WritePacket(const std::string& name, int caught) {
    std::string description = "orig 2:5020/1\ndest 2:5020/100\n";
    for (int i = 0; i < caught; ++i) {
      description += "message\narea RO.AREA\nfrom Vasya Pupkin\nsubject Note " +
                     std::to_string(i) + "\nfromaddr 2:5020/777\nline Text\n";
    }
    description += "message\narea RO.AREA\nfrom Moderator\nsubject Rules\nline Text\n";
    std::string packet, error;
    ASSERT_TRUE(BuildPacketFromDescription(description, packet, error)) << error;
    WriteBytes(home_ / ("in/" + name), packet);
  }

  test::ProgramResult Run(const std::vector<std::string>& args,
                          const std::string& time = "2026-12-10 12:00:00") {
    test::ProgramResult result = home_.Run(args, time);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return result;
  }

  test::KestalHome home_;
};

TEST_F(TrafficProgram, TwoRunsOfADayCountIntoOneRecordAndTheReportsReadThem) {
  WriteConfig("trf");
  WritePacket("a.pkt", 3);
  Run({});
  WritePacket("b.pkt", 2);
  Run({"-S0", "-E0"}, "2026-12-10 18:00:00");

  std::string day = ReadBytes(home_ / "trf/20261210.trf");
  ASSERT_EQ(day.size(), 71u);
  TTrf entry = DecodeTrafficRecord(day);
  EXPECT_EQ(entry.EchoName, "RO.AREA");
  EXPECT_EQ(entry.FirstDate, "10.12.2026");
  EXPECT_EQ(entry.LastDate, "10.12.2026");
  EXPECT_EQ(entry.Msgs, 5u);

  std::string names = ReadBytes(home_ / "trf/statecho.trf");
  ASSERT_EQ(names.size(), 5 * 250u);
  TStat last = DecodeNameRecord(std::string_view(names).substr(4 * 250));
  EXPECT_EQ(last.NameFrom, "Vasya Pupkin");
  EXPECT_EQ(last.Time, "18:00:00");

  EXPECT_EQ(ReadBytes(home_ / "trf.txt"),
            "RO.AREA 5 " + std::to_string(entry.Size) + "\r\n" + kClosing);
  EXPECT_EQ(ReadBytes(home_ / "stat.txt"),
            // one writer in one area: the records keep their file order
            "Vasya Pupkin RO.AREA Note 0\r\nVasya Pupkin RO.AREA Note 1\r\n"
            "Vasya Pupkin RO.AREA Note 2\r\nVasya Pupkin RO.AREA Note 0\r\n"
            "Vasya Pupkin RO.AREA Note 1\r\n" + kClosing);
}

TEST_F(TrafficProgram, ReportIsDeletedByARunWithTheSwitchOnly) {
  WriteConfig("trf");
  WriteBytes(home_ / "trf.txt", "old echo report");
  WriteBytes(home_ / "stat.txt", "old name report");
  Run({});
  EXPECT_EQ(ReadBytes(home_ / "trf.txt"), "old echo report");
  EXPECT_EQ(ReadBytes(home_ / "stat.txt"), "old name report");

  Run({"-S7-1", "-E7-1"});  // nothing counted in that week: no new reports
  EXPECT_FALSE(Exists(home_ / "trf.txt"));
  EXPECT_FALSE(Exists(home_ / "stat.txt"));
}

// The log is closed before the statistics are built: the console says what was
// not written, and the exit code that the run failed to do all it was asked.
TEST_F(TrafficProgram, StatisticsThatCannotBeWrittenAreErrorsAndAFailedRun) {
  WriteConfig("trf", "TrfStatName=nodir/trf.txt\r\nStatName=nodir/stat.txt\r\n");
  WritePacket("a.pkt", 1);
  const test::ProgramResult result = home_.Run({"-S0", "-E0"});
  EXPECT_EQ(result.exitCode, 6) << result.output;
  for (const char* name : {"nodir/trf.txt", "nodir/stat.txt"}) {
    const std::string line = "ERROR: statistics not written: " + home_ / name + ": " +
                             std::strerror(ENOENT) + "\n";
    EXPECT_NE(result.output.find(line), std::string::npos) << result.output;
  }
  EXPECT_EQ(ReadBytes(home_ / "trf/20261210.trf").size(), 71u);  // the traffic is saved
}

TEST_F(TrafficProgram, WithoutTrfPathNoTrafficFileIsTouched) {
  WriteConfig("");
  WritePacket("a.pkt", 2);
  WriteBytes(home_ / "trf/20261210.trf", "");
  WriteBytes(home_ / "trf.txt", "old echo report");
  Run({"-S0", "-E0"});
  EXPECT_EQ(test::ListNames(home_ / "trf"), std::vector<std::string>{"20261210.trf"});
  EXPECT_EQ(ReadBytes(home_ / "trf.txt"), "old echo report");
  EXPECT_FALSE(Exists(home_ / "stat.txt"));
}

}  // namespace
}  // namespace kestal
