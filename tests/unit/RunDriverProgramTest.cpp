// The run driver as a sysop meets it: build/kestal over a scratch inbound.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
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

// The backup directory is missing, so the packet cannot be backed up before it
// is rewritten: it stays whole, the run says why and ends with the failure's
// code; once the directory is there the same run goes through.
TEST_F(RunDriverProgramTest, ARunWhoseActionFailedEndsWithItsOwnCode) {
  Configure("EchoMailPath=in\r\nPktBackupPath=nobackupdir/\r\n");
  PutPacket("a.pkt", "GONE");
  const std::string original = ReadBytes(home_ / "in/a.pkt");

  const ProgramResult failed = home_.Run();
  EXPECT_EQ(failed.exitCode, 6) << failed.output;
  EXPECT_EQ(ReadBytes(home_ / "in/a.pkt"), original);
  const std::string error = "ERROR: packet not backed up, so left as it was: " +
                            home_ / "nobackupdir/a.pkt: " + std::strerror(ENOENT);
  EXPECT_NE(failed.output.find(error + "\n"), std::string::npos) << failed.output;
  EXPECT_NE(failed.output.find("Packets: 1, Removed: 0\nMessages: 1, Removed: 0\n"),
            std::string::npos)
      << failed.output;
  const std::string log = ReadBytes(home_ / "Kestal.Log");
  EXPECT_NE(log.find(error + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("Exit code 6\r\n"), std::string::npos) << log;

  std::filesystem::create_directory(home_ / "nobackupdir");
  const ProgramResult done = home_.Run();
  EXPECT_EQ(done.exitCode, 0) << done.output;
  EXPECT_EQ(ReadBytes(home_ / "nobackupdir/a.pkt"), original);
  EXPECT_NE(done.output.find("Messages: 1, Removed: 1\n"), std::string::npos) << done.output;
}

// A sysop's first command, before there is any Kestal.Ini.
TEST(RunDriverProgram, HelpAndVersionAnswerWithoutAConfiguration) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string firstLine;
  };
  const std::string usage = "Usage: kestal [-C<config>] [-D] [-S<period>] [-E<period>] [-W]\n";
  const Case cases[] = {
      {{"--help"}, 0, usage},
      {{"-?"}, 0, usage},
      {{"-h"}, 0, usage},
      {{"/H"}, 0, usage},
      {{"-D", "--help", "-Cnowhere.ini"}, 0, usage},
      {{"--version"}, 0, "Kestal 2.15/W32\n"},
      {{"-W", "--help"}, 2, ""},  // -W hides what follows: a run without a configuration
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    KestalHome home;
    const ProgramResult result = home.Run(c.args);
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    if (c.exitCode != 0) continue;
    EXPECT_TRUE(result.output.starts_with(c.firstLine)) << result.output;
    EXPECT_EQ(result.output.find("not found"), std::string::npos) << result.output;
    EXPECT_FALSE(Exists(home / "Kestal.Log"));
  }
  const ProgramResult help = KestalHome().Run({"--help"});
  for (const char* line : {"\n  -C<config> ", "\n  -D ", "\n  -S<period> ", "\n  -E<period> ",
                           "\n  -W "}) {
    EXPECT_NE(help.output.find(line), std::string::npos) << line << "\n" << help.output;
  }
  EXPECT_EQ(KestalHome().Run({"--version"}).output, "Kestal 2.15/W32\n");
}

}  // namespace
}  // namespace kestal::test
