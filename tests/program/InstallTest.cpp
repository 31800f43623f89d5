// The build installed into a scratch prefix runs as a sysop would run it: through
// the bin/kestal link, with a configuration kept elsewhere and absolute paths.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ToolsLib/PacketWriter.h"
#include "TestSupport.h"

namespace kestal {
namespace {

namespace fs = std::filesystem;

MessageDraft Announcement(const std::string& fromName, const std::string& fromAddr) {
  MessageDraft draft;
  draft.Area = "RU.ANNOUNCE";
  draft.FromName = fromName;
  draft.Subject = "News";
  draft.Kludges = {"MSGID: " + fromAddr + " 0badcafe"};
  draft.Lines = {"Hello"};
  draft.Origin = "A node (" + fromAddr + ")";
  return draft;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class Install : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ProgramResult installed =
        test::RunProgram("cmake", {"--install", test::BuildDir(), "--prefix", prefix_.path()}, ".");
    ASSERT_EQ(installed.exitCode, 0) << installed.output;
  }

  test::ScratchDir prefix_;
};

// make install took minutes building every test before it installed anything.
TEST(InstallBuild, BuildsTheProgramsWithoutTheTests) {
  const test::ProgramResult dryRun = test::RunProgram(
      "make", {"-n", "-C", test::SourceDir(), "install", "demo", "BUILD=" + test::BuildDir()}, ".");
  ASSERT_EQ(dryRun.exitCode, 0) << dryRun.output;
  ASSERT_TRUE(Has(dryRun.output, "cmake --build")) << dryRun.output;
  for (size_t at = dryRun.output.find("cmake --build"); at != std::string::npos;
       at = dryRun.output.find("cmake --build", at + 1)) {
    const std::string line = dryRun.output.substr(at, dryRun.output.find('\n', at) - at);
    EXPECT_TRUE(line.ends_with("--target programs")) << line;
  }

  if (!test::Exists(test::BuildDir() + "/build.ninja")) GTEST_SKIP() << "not a Ninja build";
  const test::ProgramResult commands =
      test::RunProgram("ninja", {"-C", test::BuildDir(), "-t", "commands", "programs"}, ".");
  ASSERT_EQ(commands.exitCode, 0) << commands.output;
  for (const char* needed : {"src/main.cpp", "tools/lngc/", "tools/pktdump/", "russian.lng"}) {
    EXPECT_TRUE(Has(commands.output, needed)) << needed;
  }
  EXPECT_FALSE(Has(commands.output, "kestal_tests"));
  EXPECT_FALSE(Has(commands.output, "tests/support/"));
}

TEST_F(Install, PutsEveryPieceInPlace) {
  for (const char* path :
       {"bin/kestal-pktdump", "share/kestal/Kestal.Ini", "share/kestal/templates/main.tpl",
        "share/kestal/templates/save.tpl", "share/man/man1/kestal.1"}) {
    EXPECT_TRUE(test::Exists(prefix_ / path)) << path;
  }
  // The program finds its language files through the link, in its own directory.
  ASSERT_TRUE(fs::is_symlink(prefix_ / "bin/kestal"));
  const fs::path program = fs::canonical(prefix_ / "bin/kestal");
  EXPECT_EQ(program.parent_path(), fs::canonical(prefix_ / "lib/kestal"));
  for (const char* language : {"english.lng", "russian.lng"}) {
    EXPECT_TRUE(test::Exists((program.parent_path() / language).string())) << language;
  }
}

TEST_F(Install, RunsWithAConfigurationElsewhere) {
  test::ScratchDir fido;
  for (const char* sub : {"in", "netmail", "backup"}) fs::create_directories(fido / sub);
  fs::copy(prefix_ / "share/kestal/templates", fido / "templates");
  const std::string packet =
      PacketBytes(PacketHeaderDraft{},
                  {Announcement("Moderator", "2:5020/100"), Announcement("Someone", "2:5020/200")});
  test::WriteBytes(fido / "in/0001.pkt", packet);
  const std::string moderatorRule =
      test::ReadBytes(test::SourceDir() + "/docs/cookbook/moderator.ini");
  test::WriteBytes(fido / "Kestal.Ini",
                   "[General]\n"
                   "Address=2:5020/1\n"
                   "EchoMailPath=" +
                       fido / "in" +
                       "\n"
                       "Log=" +
                       fido / "kestal.log" +
                       "\n"
                       "TemplatePath=" +
                       fido / "templates" +
                       "\n"
                       "ReportPath=" +
                       fido / "netmail" +
                       "\n"
                       "PktBackupPath=" +
                       fido / "backup" + "\n\n" + moderatorRule);
  const std::vector<std::string> homeBefore = test::ListNames(prefix_ / "lib/kestal");

  test::ProgramResult run = test::RunProgram(prefix_ / "bin/kestal", {"-C" + fido / "Kestal.Ini"},
                                             fido.path(), "2026-12-10 12:00:00");

  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Has(run.output, "Packets: 1, Removed: 0\n")) << run.output;
  EXPECT_TRUE(Has(run.output, "Messages: 2, Removed: 1\n")) << run.output;
  EXPECT_TRUE(Has(test::ReadBytes(fido / "kestal.log"), "Someone->All, News (RU.ANNOUNCE)"));
  EXPECT_EQ(test::ListNames(fido / "netmail"), (std::vector<std::string>{"2.msg", "3.msg"}));
  EXPECT_EQ(test::ReadBytes(fido / "backup/0001.pkt"), packet);
  EXPECT_EQ(test::ListNames(prefix_ / "lib/kestal"), homeBefore)
      << "nothing written beside the program";

  test::ProgramResult dump =
      test::RunProgram(prefix_ / "bin/kestal-pktdump", {fido / "in/0001.pkt"}, fido.path());
  EXPECT_EQ(dump.exitCode, 0) << dump.output;
  EXPECT_TRUE(Has(dump.output, "  From        Moderator, 2:5020/100\n")) << dump.output;
  EXPECT_TRUE(Has(dump.output, "Framing sound, 1 message\n")) << dump.output;
}

}  // namespace
}  // namespace kestal
