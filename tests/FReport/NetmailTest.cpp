#include "FReport/Netmail.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ReportFixture.h"
#include "Utils/Address.h"

namespace kestal {
namespace {

using test::kReportNow;
using test::ParseStoredMessage;
using test::ReadBytes;
using test::WriteBytes;

constexpr char kKludgeTail[] = "\x01PID: Kestal 2.15/W32\r";

class NetmailTest : public test::ReportFixture {};

TEST_F(NetmailTest, HeaderFieldsAreCutToTheirSizeAndZeroFilled) {
  const std::string longFrom(40, 'F');
  const std::string longSubject(80, 'S');
  const std::string head = BuildMsgHead(run_.ForReports(), longFrom, {2, 70000, 100, 3, 0}, "Ivan Petrov",
                                        {1, 5020, 65537, 0, 0}, longSubject);
  ASSERT_GE(head.size(), size_t{msgformat::kHeaderSize});
  const test::StoredMessage msg = ParseStoredMessage(head);
  EXPECT_EQ(msg.FromName, std::string(35, 'F'));
  EXPECT_EQ(msg.Subject, std::string(71, 'S'));
  EXPECT_EQ(msg.ToName, "Ivan Petrov");
  EXPECT_EQ(msg.DateTime, "10 Dec 26  12:00:04");
  EXPECT_EQ(head.substr(35, 1), std::string(1, '\0'));
  EXPECT_EQ(head.substr(36 + 11, 25), std::string(25, '\0'));
  EXPECT_EQ(head.substr(143, 1), std::string(1, '\0'));
  EXPECT_EQ(head.substr(163, 3), std::string(3, '\0'));  // date terminator, times read
  EXPECT_EQ(head.substr(170, 2), std::string(2, '\0'));  // cost
  EXPECT_EQ(head.substr(184, 2), std::string(2, '\0'));  // reply to
  EXPECT_EQ(head.substr(188, 2), std::string(2, '\0'));  // next reply
  // Address words keep the low 16 bits.
  EXPECT_EQ(msg.OrigNet, 70000 & 0xFFFF);
  EXPECT_EQ(msg.DestNode, 65537 & 0xFFFF);
  EXPECT_EQ(msg.OrigZone, 2);
  EXPECT_EQ(msg.OrigNode, 100);
  EXPECT_EQ(msg.OrigPoint, 3);
  EXPECT_EQ(msg.DestZone, 1);
  EXPECT_EQ(msg.DestNet, 5020);
  EXPECT_EQ(msg.DestPoint, 0);
  EXPECT_EQ(msg.Attribute, 0x0181);
}

TEST_F(NetmailTest, KludgeLinesNameThePointsThatAreNotZero) {
  struct Case {
    TFidoAddr origin, destination;
    std::string kludges;
  };
  const std::vector<Case> cases = {
      {{2, 5020, 100, 3, 0}, {2, 5020, 200, 0, 0},
       "\x01INTL 2:5020/200 2:5020/100\r\x01" "FMPT 3\r\x01MSGID: 2:5020/100.3 648708ca\r"},
      {{2, 5020, 100, 0, 0}, {1, 1, 1, 7, 0},
       "\x01INTL 1:1/1 2:5020/100\r\x01TOPT 7\r\x01MSGID: 2:5020/100 648708ca\r"},
      {{2, 5020, 100, 1, 0}, {2, 5020, 100, 2, 0},
       "\x01INTL 2:5020/100 2:5020/100\r\x01" "FMPT 1\r\x01TOPT 2\r"
       "\x01MSGID: 2:5020/100.1 648708ca\r"},
  };
  for (const Case& c : cases) {
    run_.Netmail.LastMsgIdSerial = 0;
    const std::string head = BuildMsgHead(run_.ForReports(), "A", c.origin, "B", c.destination, "S");
    EXPECT_EQ(head.substr(msgformat::kHeaderSize), c.kludges + kKludgeTail)
        << FormatAddress(c.origin) << " -> " << FormatAddress(c.destination);
  }
}

TEST_F(NetmailTest, MsgIdSerialsComeFromTheClockAndAlwaysIncrease) {
  struct Case {
    TDateTime now;
    std::string serial;
  };
  const std::vector<Case> fromClock = {
      {{{2026, 12, 10}, 12, 0, 4, 250}, "648708ca"},
      {{{2026, 1, 10}, 12, 0, 4, 250}, "058708ca"},
      {{{2025, 3, 1}, 0, 0, 0, 0}, "0ae80000"},
      // The product wraps to a negative number, which is brought back by 2^31-1.
      {{{2030, 6, 15}, 8, 30, 0, 1}, "49a0a600"},
  };
  for (const Case& c : fromClock) {
    run_.Netmail.LastMsgIdSerial = 0;
    clock_.Set(c.now);
    EXPECT_EQ(MakeMsgIdSerial(run_.Clock, run_.Netmail), c.serial);
  }

  run_.Netmail.LastMsgIdSerial = 0;
  clock_.Set(kReportNow);
  EXPECT_EQ(MakeMsgIdSerial(run_.Clock, run_.Netmail), "648708ca");
  EXPECT_EQ(MakeMsgIdSerial(run_.Clock, run_.Netmail), "648708cb");  // the same millisecond
  clock_.Set({{2026, 1, 10}, 12, 0, 4, 250});     // the clock went back
  EXPECT_EQ(MakeMsgIdSerial(run_.Clock, run_.Netmail), "648708cc");
}

TEST_F(NetmailTest, TailHasTaglineAndOriginOnlyWhenSet) {
  struct Case {
    std::string tagline, origin, tail;
  };
  const std::vector<Case> cases = {
      {"", "", std::string("\r--- Kestal 2.15/W32\r") + '\0'},
      {"Read-only means read-only", "",
       std::string("\r... Read-only means read-only\r--- Kestal 2.15/W32\r") + '\0'},
      {"", "Our station",
       std::string("\r--- Kestal 2.15/W32\r * Origin: Our station (2:5020/100.3)\r") + '\0'},
      {"T", "O", std::string("\r... T\r--- Kestal 2.15/W32\r * Origin: O (2:5020/100.3)\r") + '\0'},
  };
  for (const Case& c : cases) {
    run_.Config.Tagline = c.tagline;
    run_.Config.Origin = c.origin;
    std::string text = "body";
    AppendTail(run_.Config, {2, 5020, 100, 3, 0}, text);
    EXPECT_EQ(text, "body" + c.tail) << c.tagline << "|" << c.origin;
  }
}

// Numbering starts at 2: tossers that keep their high-water mark in 1.msg never
// export it.
TEST_F(NetmailTest, NextMsgNumberFollowsTheHighestNumberedMsgFile) {
  struct Case {
    std::vector<std::string> files;
    int next;
  };
  const std::vector<Case> cases = {
      {{}, 2},
      {{"0.msg", "readme.msg"}, 2},
      {{"1.msg"}, 2},
      {{"1.msg", "7.MSG", "readme.msg"}, 8},
      {{"3.Msg", "12.txt", "x20.msg", "20x.msg", "30.msg.bak", ".msg", "4.5.msg"}, 5},
      {{"99999999999.msg", "2147483647.msg", "6.msg"}, 7},  // too large to follow
  };
  int caseNumber = 0;
  for (const Case& c : cases) {
    const std::string directory = dir_ / ("case" + std::to_string(++caseNumber) + "/");
    std::filesystem::create_directories(directory);
    for (const std::string& name : c.files) WriteBytes(directory + name, "x");
    EXPECT_EQ(NextMsgNumber(run_.ForReports(), directory), c.next) << "case " << caseNumber;
  }
  std::filesystem::create_directories(dir_ / "dirs/40.msg");
  EXPECT_EQ(NextMsgNumber(run_.ForReports(), dir_ / "dirs/"), 2);
  EXPECT_EQ(NextMsgNumber(run_.ForReports(), dir_ / "missing/"), 2);
}

TEST_F(NetmailTest, OwnAddressesGoToReportPathOthersToReportOutPath) {
  WriteBytes(OutPath("4.msg"), "old");
  const std::string text("own\0", 4);
  EXPECT_TRUE(WriteNetmail(run_.ForReports(), {1, 1, 1, 0, 0}, text));
  EXPECT_TRUE(WriteNetmail(run_.ForReports(), {2, 5020, 200, 0, 0}, "other"));
  EXPECT_EQ(ReadBytes(NetPath("2.msg")), text);
  EXPECT_EQ(ReadBytes(OutPath("5.msg")), "other");
  EXPECT_EQ(ReadBytes(OutPath("4.msg")), "old");
  EXPECT_EQ(test::ListNames(dir_ / "net"), std::vector<std::string>{"2.msg"});
}

TEST_F(NetmailTest, NeverOverwritesANumberTakenByAnotherProgram) {
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "first"));
  WriteBytes(NetPath("3.msg"), "theirs");
  std::filesystem::create_directories(NetPath("4.msg"));
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "second"));
  EXPECT_EQ(ReadBytes(NetPath("3.msg")), "theirs");
  EXPECT_EQ(ReadBytes(NetPath("5.msg")), "second");
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "third"));
  EXPECT_EQ(ReadBytes(NetPath("6.msg")), "third");
}

TEST_F(NetmailTest, ListsADirectoryOnceAndKeepsCounting) {
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "a"));
  // The tosser picked 2.msg up; a new listing would hand out 2 again.
  std::filesystem::remove(NetPath("2.msg"));
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "b"));
  EXPECT_EQ(test::ListNames(dir_ / "net"), std::vector<std::string>{"3.msg"});
  // ReportOutPath is a directory of its own.
  ASSERT_TRUE(WriteNetmail(run_.ForReports(), {2, 5020, 200, 0, 0}, "c"));
  EXPECT_TRUE(test::Exists(OutPath("2.msg")));
}

TEST_F(NetmailTest, AMissingDirectoryWritesNothing) {
  run_.Config.ReportPath = dir_ / "missing/";
  EXPECT_FALSE(WriteNetmail(run_.ForReports(), run_.Own.Main(), "lost"));
  EXPECT_FALSE(test::Exists(dir_ / "missing"));
}

}  // namespace
}  // namespace kestal
