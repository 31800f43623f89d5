// Every action the packet pass decides on, made to fail at one system call: the
// run must say so with the path and the reason, count nothing as done that was
// not, tell nobody of a removal that did not land, and lose no message.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "PacketFixture.h"
#include "Pkt/PacketFormat.h"
#include "Platform/FaultySystemCalls.h"

namespace kestal {
namespace {

using Call = platform::FaultySystemCalls::Call;
using Names = std::vector<std::string>;

class FailureTest : public test::PacketFixture {
 protected:
  FailureTest() {
    std::filesystem::create_directories(dir_ / "backup");
    WriteTemplate("ro.tpl", "Removed\r\nYour message in %Area% was removed.\r\n");
    WriteTemplate("save.tpl", "Saved\r\n%FromName%: %MsgText%\r\n");
  }

  // Removes Bob's message and tells him so.
  TRo ReportingRule() const {
    TRo rule = Rule("B");
    rule.ReportToRo = "ro.tpl";
    return rule;
  }

  std::vector<std::string> Reports() const { return test::ListNames(dir_ / "out"); }
  std::string In(const std::string& name) const { return dir_ / ("in/" + name); }
};

TEST_F(FailureTest, AFailedRewriteRemovesNothingAndTellsNobody) {
  const std::string original = Packet({Echo("A", "Ann"), Echo("B", "Bob")});
  struct Case {
    const char* name;
    Call call;
    int error;
  };
  const Case cases[] = {
      {"write of the new packet", Call::Write, ENOSPC},
      {"sync of the new packet", Call::Fsync, EIO},
      {"name for the rename", Call::Link, EROFS},
      {"rename over the packet", Call::Rename, EACCES},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    console_.output.clear();
    Put("in01.pkt", original);
    run_.Rules = {ReportingRule()};
    calls_.FailOn(c.call, dir_ / "in", c.error);
    Scan("in01.pkt");

    EXPECT_EQ(Inbound(), Names{"in01.pkt"});  // no temporary file left either
    EXPECT_EQ(Get("in01.pkt"), original);
    EXPECT_TRUE(ConsoleHas("ERROR: packet not rewritten, nothing removed: " + In("in01.pkt") +
                           ": " + std::strerror(c.error) + "\n"))
        << console_.output;
    EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
    EXPECT_EQ(run_.Counters.ActionsFailed, 1);
    EXPECT_EQ(Reports(), Names{});
  }
}

TEST_F(FailureTest, APacketThatCannotBeDeletedOrBackedUpStaysWhole) {
  const std::string original = Packet({Echo("B", "Bob")});
  struct Case {
    const char* name;
    std::string backupPath;
    Call call;
    std::string pathPart;
    std::string line;
  };
  const Case cases[] = {
      {"delete", "", Call::Unlink, In("in01.pkt"),
       "ERROR: packet not deleted, nothing removed: " + In("in01.pkt") + ": "},
      {"backup", dir_ / "backup/", Call::Write, dir_ / "backup",
       "ERROR: packet not backed up, so left as it was: " + dir_ / "backup/in01.pkt: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    console_.output.clear();
    Put("in01.pkt", original);
    run_.Config.PktBackupPath = c.backupPath;
    run_.Rules = {ReportingRule()};
    calls_.FailOn(c.call, c.pathPart, EACCES);
    Scan("in01.pkt");

    EXPECT_EQ(Get("in01.pkt"), original);
    EXPECT_TRUE(ConsoleHas(c.line + std::strerror(EACCES) + "\n")) << console_.output;
    EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
    EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
    EXPECT_EQ(run_.Counters.ActionsFailed, 1);
    EXPECT_EQ(Reports(), Names{});
  }
}

// The message is gone from the packet, so the removal stands; the report that
// could not be written is an error of its own.
TEST_F(FailureTest, AReportThatCannotBeWrittenIsAnErrorAndTheRemovalStands) {
  Put("in01.pkt", Packet({Echo("A", "Ann"), Echo("B", "Bob")}));
  run_.Rules = {ReportingRule()};
  calls_.FailOn(Call::Link, dir_ / "out", ENOSPC);
  Scan("in01.pkt");

  EXPECT_EQ(Get("in01.pkt"), Packet({Echo("A", "Ann")}));
  EXPECT_EQ(run_.Counters.MessagesRemoved, 1);
  EXPECT_EQ(run_.Counters.ActionsFailed, 1);
  EXPECT_TRUE(ConsoleHas("ERROR: report not written: " + dir_ / "out/2.msg: " +
                         std::strerror(ENOSPC) + "\n"))
      << console_.output;
  EXPECT_EQ(Reports(), Names{});
}

// The saved copy may be the only one the sysop keeps.
TEST_F(FailureTest, AMessageThatCannotBeSavedStaysInItsPacket) {
  const std::string original = Packet({Echo("A", "Ann"), Echo("B", "Bob")});
  Put("in01.pkt", original);
  TRo rule = ReportingRule();
  rule.SaveToFile = dir_ / "saved.txt";
  rule.SaveTemplate = "save.tpl";
  run_.Rules = {rule};
  calls_.FailOn(Call::Open, dir_ / "saved.txt", ENOSPC);
  Scan("in01.pkt");

  EXPECT_EQ(Get("in01.pkt"), original);
  EXPECT_FALSE(test::Exists(dir_ / "saved.txt"));
  EXPECT_TRUE(ConsoleHas("ERROR: message not saved, so kept: " + dir_ / "saved.txt: " +
                         std::strerror(ENOSPC) + "\n"))
      << console_.output;
  EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
  EXPECT_EQ(run_.Counters.ActionsFailed, 1);
  EXPECT_EQ(Reports(), Names{});
}

// A dangling link, a FIFO or a directory where the next report would go is a
// taken number like any other.
TEST_F(FailureTest, ReportNamesTakenByOtherKindsOfFilesArePassedOver) {
  std::filesystem::create_symlink(dir_ / "nowhere", dir_ / "out/2.msg");
  std::filesystem::create_directory(dir_ / "out/3.msg");
  Put("in01.pkt", Packet({Echo("B", "Bob")}));
  run_.Rules = {ReportingRule()};
  Scan("in01.pkt");

  EXPECT_EQ(run_.Counters.ActionsFailed, 0) << console_.output;
  EXPECT_TRUE(test::Exists(dir_ / "out/4.msg"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "out/2.msg"));
}

// Cut short and modified just now: a mailer is still writing it.
TEST_F(FailureTest, APacketStillBeingWrittenIsLeftForTheNextRun) {
  const std::string whole = Packet({Echo("B", "Bob")});
  // Cut inside the second message's header, after its zero attribute word: the
  // file ends in 0 bytes as a whole packet does.
  const std::string two = Packet({Echo("A", "Ann"), Echo("B", "Bob")});
  const std::string header("\x02\x00\x01\x00\x02\x00\x9C\x13\x9C\x13\x00\x00", 12);
  const size_t second = two.find(header, two.find(header) + 1);
  ASSERT_NE(second, std::string::npos);
  const std::string cases[] = {"", whole.substr(0, 40), whole.substr(0, whole.size() - 30),
                               two.substr(0, second + header.size())};
  for (const std::string& bytes : cases) {
    SCOPED_TRACE(bytes.size());
    Reset();
    console_.output.clear();
    test::WriteBytes(In("in01.pkt"), bytes);  // modified now
    run_.Rules = {ReportingRule()};
    Scan("in01.pkt");
    EXPECT_EQ(Get("in01.pkt"), bytes);
    EXPECT_TRUE(ConsoleHas("Packet in01.pkt is still being written, left for the next run\n"))
        << console_.output;
    EXPECT_EQ(run_.Counters.ActionsFailed, 0);
    EXPECT_EQ(Reports(), Names{});
  }
}

TEST_F(FailureTest, APacketOverTheSizeLimitIsRefusedUnread) {
  Put("huge.pkt", "");
  std::filesystem::resize_file(In("huge.pkt"), pkt::kMaxPacketBytes + 1);  // sparse
  Scan("huge.pkt");
  EXPECT_TRUE(ConsoleHas("ERROR: packet not checked: " + In("huge.pkt") + ": larger than "));
  EXPECT_EQ(run_.Counters.ActionsFailed, 1);
  EXPECT_EQ(calls_.CountOf(Call::Read, "huge.pkt"), 0);
}

}  // namespace
}  // namespace kestal
