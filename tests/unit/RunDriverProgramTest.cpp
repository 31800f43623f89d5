// The run driver as a sysop meets it: build/kestal over a scratch inbound.

#include <gtest/gtest.h>

#include <string>

#include "ToolsLib/PacketDescription.h"
#include "TestSupport.h"

namespace kestal::test {
namespace {

std::string PacketIn(const std::string& area) {
  std::string packet;
  std::string error;
  EXPECT_TRUE(BuildPacketFromDescription(
      "orig 2:5020/1\ndest 2:5020/100\nmessage\narea " + area + "\nfrom Ann\nline Hi\n",
      packet, error))
      << error;
  return packet;
}

class RunDriverProgramTest : public testing::Test {
 protected:
  RunDriverProgramTest() {
    for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl"}) WriteBytes(home_ / name, "");
  }

  void Configure(const std::string& general) {
    WriteBytes(home_ / "Kestal.Ini",
               "[General]\r\nAddress=2:5020/100\r\n" + general + "[Ro]\r\nArea=GONE\r\n");
  }
  void PutPacket(const std::string& name, const std::string& area) {
    WriteBytes(home_ / ("in/" + name), PacketIn(area));
  }

  KestalHome home_;
};

TEST_F(RunDriverProgramTest, ExcludedPacketFilesAreNeitherCountedNorTouched) {
  Configure("EchoMailPath=in\r\nExt=*.pkt !b*\r\n");
  PutPacket("a.pkt", "GONE");
  PutPacket("b1.pkt", "GONE");
  PutPacket("c.txt", "GONE");
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Packets: 1, Removed: 1\n"), std::string::npos) << result.output;
  EXPECT_EQ(ListNames(home_ / "in"), (std::vector<std::string>{"b1.pkt", "c.txt"}));
}

TEST_F(RunDriverProgramTest, ADirectoryNamedTwiceIsWalkedTwice) {
  Configure("EchoMailPath=in\r\nEchoMailPath=in\r\n");
  PutPacket("a.pkt", "KEPT");
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Packets: 2, Removed: 0\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Messages: 2, Removed: 0\n"), std::string::npos) << result.output;
}

TEST_F(RunDriverProgramTest, NoPacketFilesGiveZerosAndACompleteRun) {
  Configure("EchoMailPath=in\r\n");
  WriteBytes(home_ / "in/readme.txt", "not a packet");
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Packets: 0, Removed: 0\nMessages: 0, Removed: 0\n"),
            std::string::npos)
      << result.output;
  const std::string log = ReadBytes(home_ / "Kestal.Log");
  EXPECT_NE(log.find("Exit code 0\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace kestal::test
