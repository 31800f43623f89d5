// Reports read back by a real tosser: crashmail scans the netmail directory that
// the reports were written to and packs them for their destination.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FReport/Reports.h"
#include "ReportFixture.h"
#include "Utils/LittleEndian.h"

namespace kestal {
namespace {

namespace fs = std::filesystem;

constexpr char kCrashmail[] = "/usr/bin/crashmail";
constexpr size_t kPacketHeaderSize = 58;
constexpr size_t kPackedPrefixSize = 34;  // type, six words, 20-byte date

struct PackedMessage {
  uint16_t OrigNode = 0, DestNode = 0, OrigNet = 0, DestNet = 0;
  std::string ToName, FromName, Subject, Text;
};

// Reads the zero-terminated string at `pos`; false when the packet ends first.
bool ReadString(const std::string& packet, size_t& pos, std::string& out) {
  const size_t end = packet.find('\0', pos);
  if (end == std::string::npos) return false;
  out = packet.substr(pos, end - pos);
  pos = end + 1;
  return true;
}

std::vector<PackedMessage> ReadPackedMessages(const std::string& packet) {
  std::vector<PackedMessage> messages;
  size_t pos = kPacketHeaderSize;
  while (pos + kPackedPrefixSize <= packet.size() && DecodeFixed16(packet, pos) == 2) {
    PackedMessage msg;
    msg.OrigNode = DecodeFixed16(packet, pos + 2);
    msg.DestNode = DecodeFixed16(packet, pos + 4);
    msg.OrigNet = DecodeFixed16(packet, pos + 6);
    msg.DestNet = DecodeFixed16(packet, pos + 8);
    pos += kPackedPrefixSize;
    if (!ReadString(packet, pos, msg.ToName) || !ReadString(packet, pos, msg.FromName) ||
        !ReadString(packet, pos, msg.Subject) || !ReadString(packet, pos, msg.Text)) {
      ADD_FAILURE() << "packed message cut short";
      break;
    }
    messages.push_back(msg);
  }
  return messages;
}

std::vector<std::string> PacketsUnder(const std::string& directory) {
  std::vector<std::string> packets;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    if (entry.is_regular_file() && entry.path().extension() == ".pkt") {
      packets.push_back(entry.path().string());
    }
  }
  return packets;
}

std::string CrashmailPrefs(const std::string& root) {
  return "SYSOP \"Test Sysop\"\n"
         "LOGFILE \"" + root + "/crashmail.log\"\n"
         "LOGLEVEL 6\n"
         "DUPEFILE \"" + root + "/dupes\" 200\n"
         "DEFAULTZONE 2\n"
         "INBOUND \"" + root + "/inb\"\n"
         "OUTBOUND \"" + root + "/outb\"\n"
         "TEMPDIR \"" + root + "/tmp\"\n"
         "CREATEPKTDIR \"" + root + "/tmp\"\n"
         "PACKETDIR \"" + root + "/outb\"\n"
         "STATSFILE \"" + root + "/stats\"\n"
         "AKA 2:5020/100.3\n"
         "DOMAIN \"FidoNet\"\n"
         "NODE 2:5020/200.0 \"\" \"\" PACKNETMAIL\n"
         "ROUTE \"*:*/*.*\" \"2:5020/200.0\" 2:5020/100.3\n"
         "NETMAIL \"NETMAIL\" 2:5020/100.3 MSG \"" + root + "/net\"\n";
}

class ReportsInteropTest : public test::ReportFixture {
 protected:
  void PrepareCrashmail() {
    for (const char* sub : {"inb", "outb", "tmp"}) fs::create_directories(dir_ / sub);
    test::WriteBytes(dir_ / "crashmail.prefs", CrashmailPrefs(dir_.path()));
  }
  // The messages of the one packet that a crashmail scan packs.
  std::vector<PackedMessage> ScanWithCrashmail() {
    const test::ProgramResult scan =
        test::RunProgram(kCrashmail, {"SETTINGS", dir_ / "crashmail.prefs", "SCAN"}, dir_.path());
    EXPECT_EQ(scan.exitCode, 0) << scan.output;
    const std::vector<std::string> packets = PacketsUnder(dir_ / "outb");
    if (packets.size() != 1) {
      ADD_FAILURE() << packets.size() << " packets\n" << scan.output;
      return {};
    }
    return ReadPackedMessages(test::ReadBytes(packets[0]));
  }
};

// crashmail keeps its highwater mark in 1.msg and never exports that message.
TEST_F(ReportsInteropTest, CrashmailSendsTheFirstReportOfAnEmptyNetmailDirectory) {
  if (!fs::exists(kCrashmail)) GTEST_SKIP() << "crashmail is not installed at " << kCrashmail;
  PrepareCrashmail();
  run_.Own.Slots[0] = {2, 5020, 100, 3, 0};
  run_.Config.ReportOutPath = run_.Config.ReportPath;
  WriteTemplate("ro.tpl", "Read-only area\r\n");
  TPktMsgHeader message;
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "ro.tpl", "Petr Ivanov", {2, 5020, 200, 0, 0}, message));
  const std::vector<PackedMessage> messages = ScanWithCrashmail();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].ToName, "Petr Ivanov");
}

TEST_F(ReportsInteropTest, CrashmailPacksTheReportsForTheirDestination) {
  if (!fs::exists(kCrashmail)) GTEST_SKIP() << "crashmail is not installed at " << kCrashmail;
  PrepareCrashmail();
  test::WriteBytes(NetPath("1.msg"), std::string(msgformat::kHeaderSize + 1, '\0'));

  run_.Own.Slots[0] = {2, 5020, 100, 3, 0};
  run_.Config.ReportOutPath = run_.Config.ReportPath;
  run_.Config.Origin = "Our station";
  rule_.FromName = "Guard";
  WriteTemplate("ro.tpl", "Read-only area %Area%\r\nHello %FromName%,\r\nplease do not write here.\r\n");
  TPktMsgHeader message;
  message.FromName = "Petr Ivanov";
  message.Area = "RU.TEST";
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "ro.tpl", "Petr Ivanov", {2, 5020, 200, 0, 0}, message));
  message.FromName = "Anna Point";
  EXPECT_TRUE(SendMessageReport(run_.ForReports(), rule_, "ro.tpl", "Anna Point", {2, 5020, 200, 7, 0}, message));
  ASSERT_EQ(test::ListNames(dir_ / "net"),
            (std::vector<std::string>{"1.msg", "2.msg", "3.msg"}));

  const std::vector<PackedMessage> messages = ScanWithCrashmail();
  ASSERT_EQ(messages.size(), 2u);

  const char* const toNames[] = {"Petr Ivanov", "Anna Point"};
  for (size_t i = 0; i < messages.size(); ++i) {
    const PackedMessage& msg = messages[i];
    SCOPED_TRACE(toNames[i]);
    EXPECT_EQ(msg.FromName, "Guard");
    EXPECT_EQ(msg.ToName, toNames[i]);
    EXPECT_EQ(msg.Subject, "Read-only area %Area%");
    EXPECT_EQ(msg.OrigNet, 5020);
    EXPECT_EQ(msg.OrigNode, 100);
    EXPECT_EQ(msg.DestNet, 5020);
    EXPECT_EQ(msg.DestNode, 200);
    EXPECT_NE(msg.Text.find("\x01INTL 2:5020/200 2:5020/100\r"), std::string::npos);
    EXPECT_NE(msg.Text.find("\x01" "FMPT 3\r"), std::string::npos);
    EXPECT_NE(msg.Text.find("\x01MSGID: 2:5020/100.3 "), std::string::npos);
    EXPECT_NE(msg.Text.find("Hello " + std::string(toNames[i]) +
                            ",\r\nplease do not write here.\r\n\r--- Kestal 2.15/W32\r"
                            " * Origin: Our station (2:5020/100.3)\r"),
              std::string::npos);
  }
  EXPECT_EQ(messages[0].Text.find("TOPT"), std::string::npos);
  EXPECT_NE(messages[1].Text.find("\x01TOPT 7\r"), std::string::npos);
}

}  // namespace
}  // namespace kestal
