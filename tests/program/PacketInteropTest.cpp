// Packets of a real tosser through the packet reader, and the rewritten packets
// read back by that tosser: crashwrite writes them, crashmail tosses the result.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PacketFixture.h"

namespace kestal::test {
namespace {

namespace fs = std::filesystem;

constexpr char kCrashmail[] = "/usr/bin/crashmail";
constexpr char kCrashwrite[] = "/usr/bin/crashwrite";
const std::vector<std::string> kAreas = {"RU.TEST", "RU.TEST.ARCHIVE", "RU.ANNOUNCE", "RU.MOVED"};

class PacketInteropTest : public PacketFixture {
 protected:
  // One echomail packet from 2:5020/1 to 2:5020/100, put into the inbound as `name`.
  void Crashwrite(const std::string& name, const std::string& fromName,
                  const std::string& fromAddr, const std::string& area) {
    const std::string out = dir_ / ("cw-" + name);
    fs::create_directories(out);
    WriteBytes(dir_ / "text.txt", "Hello from " + fromName + "\nSecond line\n");
    const ProgramResult result = RunProgram(
        kCrashwrite,
        {"DIR", out, "FROMNAME", fromName, "FROMADDR", fromAddr, "TONAME", "All", "SUBJECT",
         "Test", "AREA", area, "ORIGIN", "Somewhere", "TEXT", dir_ / "text.txt", "PKTFROMADDR",
         "2:5020/1", "PKTTOADDR", "2:5020/100"},
        dir_.path());
    ASSERT_EQ(result.exitCode, 0) << result.output;
    const std::vector<std::string> written = ListNames(out);
    ASSERT_EQ(written.size(), 1u);
    fs::rename(out + "/" + written[0], InPath(name));
  }

  std::string CrashmailPrefs() const {
    const std::string root = dir_.path();
    std::string prefs = "SYSOP \"Test Sysop\"\n"
                        "LOGFILE \"" + root + "/crashmail.log\"\n"
                        "LOGLEVEL 6\n"
                        "DUPEFILE \"" + root + "/dupes\" 200\n"
                        "DEFAULTZONE 2\n"
                        "INBOUND \"" + root + "/in\"\n"
                        "OUTBOUND \"" + root + "/outb\"\n"
                        "TEMPDIR \"" + root + "/tmp\"\n"
                        "CREATEPKTDIR \"" + root + "/tmp\"\n"
                        "PACKETDIR \"" + root + "/outb\"\n"
                        "STATSFILE \"" + root + "/stats\"\n"
                        "AKA 2:5020/100\n"
                        "NETMAIL \"NETMAIL\" 2:5020/100 MSG \"" + root + "/areas/NETMAIL\"\n"
                        "AREA \"BAD\" 2:5020/100 MSG \"" + root + "/areas/BAD\"\n";
    for (const std::string& area : kAreas) {
      prefs += "AREA \"" + area + "\" 2:5020/100 MSG \"" + root + "/areas/" + area + "\"\n";
    }
    return prefs;
  }

  // The stored messages of an area, each file's bytes.
  std::vector<std::string> Tossed(const std::string& area) const {
    std::vector<std::string> messages;
    for (const std::string& name : ListNames(dir_ / ("areas/" + area))) {
      if (fs::path(name).extension() == ".msg") {
        messages.push_back(ReadBytes(dir_ / ("areas/" + area + "/" + name)));
      }
    }
    return messages;
  }
};

bool AllContain(const std::vector<std::string>& messages, const std::string& text) {
  for (const std::string& message : messages) {
    if (message.find(text) == std::string::npos) return false;
  }
  return !messages.empty();
}

TEST_F(PacketInteropTest, CrashwritePacketsInCrashmailReadsTheRewrittenPackets) {
  if (!fs::exists(kCrashmail) || !fs::exists(kCrashwrite)) {
    GTEST_SKIP() << "crashmail and crashwrite are not installed in /usr/bin";
  }
  Crashwrite("00000001.pkt", "Ann Author", "2:5020/1.5", "RU.TEST");
  Crashwrite("00000002.pkt", "Vasya Pupkin", "2:5020/777.3", "RU.ANNOUNCE");
  TRo copy = Rule("RU.TEST");
  copy.Copy = "RU.TEST.ARCHIVE";
  TRo move = Rule("RU.ANNOUNCE");
  move.AddrFrom = "* !2:5020/1";
  move.Move = "RU.MOVED";
  run_.Rules = {copy, move};
  Scan("00000001.pkt");
  Scan("00000002.pkt");
  EXPECT_TRUE(ConsoleHas("Packet 00000001.pkt from 2:5020/1 to 2:5020/100\n"));
  EXPECT_EQ(run_.Counters.MessagesScanned, 2);
  EXPECT_EQ(run_.Counters.MessagesCopied, 2);

  for (const char* sub : {"outb", "tmp", "areas"}) fs::create_directories(dir_ / sub);
  WriteBytes(dir_ / "crashmail.prefs", CrashmailPrefs());
  const ProgramResult toss = RunProgram(
      kCrashmail, {"SETTINGS", dir_ / "crashmail.prefs", "TOSS", "NOSECURITY"}, dir_.path());
  ASSERT_EQ(toss.exitCode, 0) << toss.output;
  EXPECT_TRUE(AllContain(Tossed("RU.TEST"), "Hello from Ann Author\r")) << toss.output;
  EXPECT_TRUE(AllContain(Tossed("RU.TEST.ARCHIVE"), "Hello from Ann Author\r"));
  EXPECT_TRUE(AllContain(Tossed("RU.MOVED"), "Hello from Vasya Pupkin\r"));
  EXPECT_EQ(Tossed("RU.TEST").size(), 1u);
  EXPECT_EQ(Tossed("RU.TEST.ARCHIVE").size(), 1u);
  EXPECT_EQ(Tossed("RU.MOVED").size(), 1u);
  EXPECT_TRUE(Tossed("RU.ANNOUNCE").empty());
  EXPECT_TRUE(Tossed("BAD").empty());
}

}  // namespace
}  // namespace kestal::test
