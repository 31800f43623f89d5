// The run driver as a sysop meets it: build/kestal over a scratch inbound.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
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

// The second walk finds the packet as the first left it: it is not checked again.
TEST_F(RunDriverProgramTest, ADirectoryNamedTwiceIsWalkedTwice) {
  Configure("EchoMailPath=in\r\nEchoMailPath=in\r\n");
  PutPacket("a.pkt", "KEPT");
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Packets: 2, Removed: 0\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Messages: 1, Removed: 0\n"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("Packet a.pkt checked before and unchanged since\n"),
            std::string::npos)
      << result.output;
}

// The tosser failed, or cron came before it: the same packets again change
// nothing and send nothing, until the packet or the configuration changes.
TEST_F(RunDriverProgramTest, ARepeatedRunOverTheSamePacketsChangesNothing) {
  WriteBytes(home_ / "ro.tpl", "Caught\r\nNoted: %Area%\r\n");
  const std::string rule = "[Ro]\r\nArea=KEPT\r\nCopy=ARCHIVE\r\n"
                           "[Ro]\r\nArea=KEPT\r\nReportOnly=Yes\r\nReportToRo=ro.tpl\r\n";
  const std::string general = "[General]\r\nAddress=2:5020/100\r\nEchoMailPath=in\r\n"
                              "ReportPath=net\r\n";
  std::filesystem::create_directories(home_ / "net");
  WriteBytes(home_ / "Kestal.Ini", general + rule);
  PutPacket("a.pkt", "KEPT");
  ASSERT_EQ(home_.Run().exitCode, 0);
  const std::string once = ReadBytes(home_ / "in/a.pkt");
  ASSERT_EQ(ListNames(home_ / "net").size(), 1u);

  const ProgramResult again = home_.Run();
  EXPECT_EQ(again.exitCode, 0) << again.output;
  EXPECT_EQ(ReadBytes(home_ / "in/a.pkt"), once);  // no second copy
  EXPECT_EQ(ListNames(home_ / "net").size(), 1u);  // no second report

  PutPacket("a.pkt", "KEPT");  // a packet of that name that differs: checked again
  ASSERT_EQ(home_.Run().exitCode, 0);
  EXPECT_EQ(ListNames(home_ / "net").size(), 2u);
  WriteBytes(home_ / "Kestal.Ini", general + "Tagline=new\r\n" + rule);  // so is a new configuration
  ASSERT_EQ(home_.Run().exitCode, 0);
  EXPECT_EQ(ListNames(home_ / "net").size(), 3u);
}

// A killed run's temporary file is no packet, whatever Ext admits, and the next
// run removes it once it is old enough to be nobody's work in progress.
TEST_F(RunDriverProgramTest, TemporaryFilesOfAKilledRunAreNeverPacketsAndGoAway) {
  Configure("EchoMailPath=in\r\nExt=*\r\n");
  const std::string old = home_ / "in/.a.pkt.Ab12Cd";
  const std::string fresh = home_ / "in/.b.pkt.4711-0";
  WriteBytes(old, PacketIn("GONE").substr(0, 80));
  WriteBytes(fresh, PacketIn("GONE").substr(0, 80));
  std::filesystem::last_write_time(old, std::filesystem::file_time_type::clock::now() -
                                            std::chrono::minutes(5));
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Packets: 0, Removed: 0\n"), std::string::npos) << result.output;
  EXPECT_FALSE(Exists(old));
  EXPECT_TRUE(Exists(fresh));
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


class BundleProgramTest : public RunDriverProgramTest {
 protected:
  // A ZIP bundle made by the zip command, as a link's tosser packs it.
  bool PutBundle(const std::string& name, const std::vector<std::string>& areas) {
    std::filesystem::create_directories(home_ / "in");
    std::vector<std::string> args = {"-j", "-q", home_ / ("in/" + name)};
    for (size_t i = 0; i < areas.size(); ++i) {
      const std::string packet = home_ / ("packed/" + std::to_string(i) + ".pkt");
      WriteBytes(packet, PacketIn(areas[i]));
      args.push_back(packet);
    }
    return RunProgram("zip", args, home_.path()).exitCode == 0;
  }
};

TEST_F(BundleProgramTest, BundlesAreUnpackedAndTheirPacketsCheckedInTheSameRun) {
  Configure("EchoMailPath=in\r\nUnpackBundles=Yes\r\n");
  if (!PutBundle("0000ff9d.mo0", {"GONE", "KEPT"})) GTEST_SKIP() << "zip is not installed";
  const ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Bundle 0000ff9d.mo0 unpacked: 2 packets\n"), std::string::npos)
      << result.output;
  EXPECT_NE(result.output.find("Packets: 2, Removed: 1\n"), std::string::npos) << result.output;
  // The packet that held only the caught message is deleted; the other stays.
  EXPECT_EQ(ListNames(home_ / "in"), std::vector<std::string>{"0000ff9e.pkt"});
}

TEST_F(BundleProgramTest, BundlesLeftUncheckedOrBrokenAreNeverSilent) {
  Configure("EchoMailPath=in\r\n");
  if (!PutBundle("0000ff9d.mo0", {"GONE"})) GTEST_SKIP() << "zip is not installed";
  ProgramResult result = home_.Run();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("Bundles not checked (UnpackBundles is off): 1\n"),
            std::string::npos)
      << result.output;

  Configure("EchoMailPath=in\r\nUnpackBundles=Yes\r\n");
  const std::string bundle = ReadBytes(home_ / "in/0000ff9d.mo0");
  const std::string cut = bundle.substr(0, bundle.size() / 2);
  WriteBytes(home_ / "in/0000ff9d.mo0", cut);
  result = home_.Run();
  EXPECT_EQ(result.exitCode, 6) << result.output;
  EXPECT_NE(result.output.find("ERROR: bundle not unpacked: "), std::string::npos)
      << result.output;
  EXPECT_EQ(ReadBytes(home_ / "in/0000ff9d.mo0"), cut);
}

// Another run holds the inbound: this one waits LockWait seconds, then gives up.
TEST_F(RunDriverProgramTest, ASecondRunWaitsForTheFirstThenGivesUp) {
  Configure("EchoMailPath=in\r\nLockWait=1\r\n");
  PutPacket("a.pkt", "GONE");
  const int inbound = open((home_ / "in").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(inbound, 0);
  ASSERT_EQ(flock(inbound, LOCK_EX), 0);
  const ProgramResult locked = home_.Run();
  EXPECT_EQ(locked.exitCode, 7) << locked.output;
  EXPECT_NE(locked.output.find("ERROR: run not started: " + home_ / "in" +
                               ": another run holds it still after 1 s"),
            std::string::npos)
      << locked.output;
  EXPECT_EQ(ListNames(home_ / "in"), std::vector<std::string>{"a.pkt"});

  close(inbound);  // as a run that ends, or is killed, lets go
  const ProgramResult free = home_.Run();
  EXPECT_EQ(free.exitCode, 0) << free.output;
  EXPECT_TRUE(ListNames(home_ / "in").empty());
}

}  // namespace
}  // namespace kestal::test
