#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "PacketFixture.h"
#include "Pkt/PacketFormat.h"

namespace kestal::test {
namespace {

using Names = std::vector<std::string>;

PacketHeaderDraft WithPassword(const std::string& password) {
  PacketHeaderDraft header;
  header.Password = password;
  return header;
}

std::string WithPassword(const std::string& password, const std::vector<MessageDraft>& messages) {
  return PacketBytes(WithPassword(password), messages);
}

// A header followed by a type word that is not 2.
std::string BadTypePacket(const PacketHeaderDraft& header = {}) {
  return PacketHeaderBytes(header) + std::string("\x01\x00\x00\x00", 4);
}

class PacketTest : public PacketFixture {
 protected:
  void SetPassword(const std::string& address, const std::string& password) {
    run_.Config.PasswordFile = "passwords.lst";
    TPassword entry;
    entry.Address = address;
    std::copy(password.begin(), password.end(), entry.Password.begin());
    run_.Passwords.push_back(entry);
  }
  void UseBackups() {
    std::filesystem::create_directories(dir_ / "bak");
    run_.Config.PktBackupPath = dir_ / "bak/";
  }
  std::string Backup(const std::string& name) const { return ReadBytes(dir_ / ("bak/" + name)); }
};

TEST_F(PacketTest, HeaderChecksRenameDropOrSkipInTheirOrder) {
  const std::string good = Packet({Echo("A", "Ann")});
  struct Case {
    const char* what;
    std::string name;
    std::string bytes;
    std::function<void()> setup;
    Names files;
    int deleted, bad, password;
  };
  const Case cases[] = {
      {"header and end word only", "in01.pkt", PacketHeaderBytes({}) + std::string(2, '\0'),
       [] {}, {}, 1, 0, 0},
      {"61 bytes, type word 0", "in01.pkt", PacketHeaderBytes({}) + std::string(3, '\0'), [] {},
       {"in01.BAD"}, 0, 1, 0},
      {"name without a dot", "inbound", BadTypePacket(), [] {}, {"BAD"}, 0, 1, 0},
      {"wrong password", "in01.pkt", WithPassword("OTHER", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/1", "SECRET"); }, {"in01.PSW"}, 0, 0, 1},
      {"password given in lower case", "in01.pkt", WithPassword("secret", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/1", "SECRET"); }, {"in01.pkt"}, 0, 0, 0},
      {"password in mixed case", "in01.pkt", WithPassword("SeCrEt", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/1", "SECRET"); }, {"in01.pkt"}, 0, 0, 0},
      {"only ASCII letters fold", "A.B.PKT", WithPassword("\xA0\xAF", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/1", "\x80\x8F"); }, {"A.PSW"}, 0, 0, 1},
      {"right password", "in01.pkt", WithPassword("SECRET", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/1", "SECRET"); }, {"in01.pkt"}, 0, 0, 0},
      {"unlisted origin with a password", "in01.pkt", WithPassword("X", {Echo("A", "Ann")}),
       [&] { SetPassword("2:5020/9", "X"); }, {"in01.PSW"}, 0, 0, 1},
      {"unlisted origin without a password", "in01.pkt", good,
       [&] { SetPassword("2:5020/9", "X"); }, {"in01.pkt"}, 0, 0, 0},
      {"password checked before DelPktFrom", "in01.pkt", WithPassword("X", {Echo("A", "Ann")}),
       [&] {
         SetPassword("2:5020/1", "SECRET");
         run_.Config.DelPktFrom = "2:5020/1";
       },
       {"in01.PSW"}, 0, 0, 1},
      {"DelPktTo", "in01.pkt", good, [&] { run_.Config.DelPktTo = "2:5020/2"; }, {}, 1, 0, 0},
      {"DelPktFrom wins over SkipPktFrom", "in01.pkt", good,
       [&] {
         run_.Config.DelPktFrom = "2:5020/*";
         run_.Config.SkipPktFrom = "2:5020/1";
       },
       {}, 1, 0, 0},
      {"SkipPktTo comes before the type check", "in01.pkt", BadTypePacket(),
       [&] { run_.Config.SkipPktTo = "2:5020/2"; }, {"in01.pkt"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    Put(c.name, c.bytes);
    c.setup();
    Scan(c.name);
    EXPECT_EQ(Inbound(), c.files);
    EXPECT_EQ(run_.Counters.PacketsScanned, 1);
    EXPECT_EQ(run_.Counters.PacketsDeleted, c.deleted);
    EXPECT_EQ(run_.Counters.PacketsBad, c.bad);
    EXPECT_EQ(run_.Counters.PacketsPassword, c.password);
  }
}

TEST_F(PacketTest, RenameLogsTheNewNameAndNeverReplacesAFile) {
  Put("in01.pkt", BadTypePacket());
  Scan("in01.pkt");
  EXPECT_TRUE(ConsoleHas("in01.pkt renamed to in01.BAD\n"));

  Put("in01.pkt", BadTypePacket());
  WriteBytes(InPath("in01.BAD"), "an older bad packet");
  Scan("in01.pkt");
  EXPECT_EQ(Inbound(), (Names{"in01.BAD", "in01.pkt"}));
  EXPECT_EQ(Get("in01.BAD"), "an older bad packet");
  EXPECT_EQ(Get("in01.pkt"), BadTypePacket());
}

TEST_F(PacketTest, SafeModeChangesNoFileButCountsAndLogsAlike) {
  run_.Config.SafeMode = true;
  SetPassword("2:5020/1", "SECRET");
  Put("bad.pkt", BadTypePacket(WithPassword("SECRET")));
  Put("empty.pkt", PacketHeaderBytes({}));
  Put("psw.pkt", WithPassword("WRONG", {Echo("A", "Ann")}));
  const std::string all = WithPassword("SECRET", {Echo("A", "Ann")});
  Put("all.pkt", all);
  run_.Rules = {Rule("A")};
  for (const char* name : {"bad.pkt", "empty.pkt", "psw.pkt", "all.pkt"}) Scan(name);

  EXPECT_EQ(Inbound(), (Names{"all.pkt", "bad.pkt", "empty.pkt", "psw.pkt"}));
  EXPECT_EQ(Get("all.pkt"), all);
  EXPECT_EQ(run_.Counters.PacketsBad, 1);
  EXPECT_EQ(run_.Counters.PacketsPassword, 1);
  EXPECT_EQ(run_.Counters.PacketsDeleted, 2);
  EXPECT_EQ(run_.Counters.MessagesRemoved, 1);
  EXPECT_TRUE(ConsoleHas("bad.pkt renamed to bad.BAD\n"));
  EXPECT_TRUE(ConsoleHas("Packet deleted: all.pkt\n"));
}

TEST_F(PacketTest, PacketWithEveryMessageRemoved) {
  const std::string original = Packet({Echo("A", "Ann"), Echo("a", "Bob")});
  const std::string emptyPacket = PacketOf({});
  struct Case {
    const char* what;
    bool keepEmpty, safeMode;
    Names files;
    std::string kept;    // the packet afterwards, when it stays
    bool backedUp;
    int deleted;
  };
  const Case cases[] = {
      {"deleted after a backup", false, false, {}, "", true, 1},
      {"KeepEmpty: backed up, then header and end word", true, false, {"in01.pkt"}, emptyPacket,
       true, 0},
      {"KeepEmpty in SafeMode: untouched", true, true, {"in01.pkt"}, original, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    std::filesystem::remove_all(dir_ / "bak");
    UseBackups();
    run_.Config.KeepEmpty = c.keepEmpty;
    run_.Config.SafeMode = c.safeMode;
    run_.Rules = {Rule("A")};
    Put("in01.pkt", original);
    Scan("in01.pkt");
    EXPECT_EQ(Inbound(), c.files);
    if (!c.files.empty()) {
      EXPECT_EQ(Get("in01.pkt"), c.kept);
    }
    EXPECT_EQ(Backup("in01.pkt"), c.backedUp ? original : "");
    EXPECT_EQ(run_.Counters.PacketsDeleted, c.deleted);
    EXPECT_EQ(run_.Counters.MessagesScanned, 2);
    EXPECT_EQ(run_.Counters.MessagesRemoved, 2);
    EXPECT_TRUE(ConsoleHas("Messages removed: 2\n"));
  }
}

TEST_F(PacketTest, KeepEmptyNeverLeavesAPartialPacket) {
  run_.Config.KeepEmpty = true;
  run_.Config.DelPktFrom = "2:5020/1";
  const std::string header = PacketHeaderBytes({});
  Put("short.pkt", header.substr(0, 40));
  Put("nine.pkt", header + std::string("\x02", 1));
  Put("del.pkt", Packet({Echo("A", "Ann")}));
  for (const char* name : {"short.pkt", "nine.pkt", "del.pkt"}) Scan(name);
  EXPECT_EQ(Get("short.pkt"), header.substr(0, 40));  // no header to keep: left alone
  EXPECT_EQ(Get("nine.pkt"), PacketOf({}));
  EXPECT_EQ(Get("del.pkt"), PacketOf({}));
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
}

TEST_F(PacketTest, RemovedMessagesLeaveTheRestByteForByteAfterABackup) {
  UseBackups();
  const MessageDraft ann = Echo("A", "Ann"), bob = Echo("B", "Bob"), cid = Echo("A", "Cid");
  const std::string original = Packet({ann, bob, cid});
  Put("in01.pkt", original);
  run_.Rules = {Rule("B")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({PackedMessageBytes(ann), PackedMessageBytes(cid)}));
  EXPECT_EQ(Backup("in01.pkt"), original);
  EXPECT_TRUE(ConsoleHas(dir_ / "bak/in01.pkt\n"));
  EXPECT_TRUE(ConsoleHas("Packet in01.pkt from 2:5020/1 to 2:5020/2\n"));
  EXPECT_TRUE(ConsoleHas("Messages removed: 1\n"));
  EXPECT_EQ(run_.Counters.MessagesScanned, 3);
  EXPECT_EQ(run_.Counters.MessagesRemoved, 1);
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
}

TEST_F(PacketTest, PacketWithNothingCaughtIsNeitherRewrittenNorBackedUp) {
  UseBackups();
  const std::string original = Packet({Echo("A", "Ann"), Netmail("Bob")});
  Put("in01.pkt", original);
  run_.Rules = {Rule("B")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), original);
  EXPECT_TRUE(ListNames(dir_ / "bak").empty());
  EXPECT_FALSE(ConsoleHas("Messages removed"));
}

TEST_F(PacketTest, CopiesAndMovesLandBeforeTheirMessage) {
  const MessageDraft ann = Echo("A", "Ann"), bob = Echo("B", "Bob");
  MessageDraft annCopy = ann;
  annCopy.Area = "COPY";
  TRo copy = Rule("A");
  copy.Copy = "COPY";
  TRo move = Rule("A");
  move.Move = "COPY";
  struct Case {
    const char* what;
    RuleList rules;
    std::string expected;
    int removed, copied;
  };
  const Case cases[] = {
      {"copy", {copy}, PacketOf({PackedMessageBytes(annCopy), PackedMessageBytes(ann),
                                 PackedMessageBytes(bob)}),
       0, 1},
      {"copy, then removed by a later rule", {copy, Rule("A")},
       PacketOf({PackedMessageBytes(annCopy), PackedMessageBytes(bob)}), 1, 1},
      {"move", {move}, PacketOf({PackedMessageBytes(annCopy), PackedMessageBytes(bob)}), 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    run_.Rules = c.rules;
    Put("in01.pkt", Packet({ann, bob}));
    Scan("in01.pkt");
    EXPECT_EQ(Get("in01.pkt"), c.expected);
    EXPECT_EQ(run_.Counters.MessagesRemoved, c.removed);
    EXPECT_EQ(run_.Counters.MessagesCopied, c.copied);
  }
}

TEST_F(PacketTest, EveryMessageRemovedButCopiesAddedKeepsTheCopies) {
  MessageDraft ann = Echo("A", "Ann");
  TRo copy = Rule("A");
  copy.Copy = "KEPT";
  run_.Rules = {copy, Rule("A")};
  Put("in01.pkt", Packet({ann}));
  Scan("in01.pkt");
  ann.Area = "KEPT";
  EXPECT_EQ(Get("in01.pkt"), PacketOf({PackedMessageBytes(ann)}));
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
}

TEST_F(PacketTest, MoveOfANetmailLeavesItInPlaceUncounted) {
  run_.Config.NetMail = true;
  TRo move = Rule("*");
  move.Move = "ELSEWHERE";
  run_.Rules = {move};
  const std::string original = Packet({Netmail("Bob")});
  Put("in01.pkt", original);
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), original);
  EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
  EXPECT_EQ(run_.Counters.MessagesCopied, 0);
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
  EXPECT_FALSE(ConsoleHas("->"));
}

TEST_F(PacketTest, NetmailIsLeftAloneUnlessNetMailIsOn) {
  MessageDraft taggedNetmail = Echo("netMAIL", "Cid");
  const std::string original = Packet({Echo("A", "Ann"), taggedNetmail, Netmail("Bob")});
  for (bool netMailOn : {false, true}) {
    SCOPED_TRACE(netMailOn ? "NetMail on" : "NetMail off");
    Reset();
    run_.Config.NetMail = netMailOn;
    TRo cid = Rule("*");
    cid.NameFrom = "Cid";
    run_.Rules = {cid};
    Put("in01.pkt", original);
    Scan("in01.pkt");
    EXPECT_EQ(Get("in01.pkt") == original, !netMailOn);
    EXPECT_EQ(run_.Counters.NetMailMessages, 1);  // the message without an AREA: line
    EXPECT_EQ(run_.Counters.NetMailPackets, 1);   // its last message is netmail
    EXPECT_EQ(run_.Counters.MessagesRemoved, netMailOn ? 1 : 0);
  }
}

TEST_F(PacketTest, LastLineWithoutCrStaysByteForByte) {
  MessageDraft open = Echo("A", "Ann");
  open.RawText = "AREA:A\rfirst line\rno end of line";
  MessageDraft areaOnly = Echo("A", "Bob");
  areaOnly.RawText = "AREA:A";
  const MessageDraft cid = Echo("B", "Cid");
  Put("in01.pkt", Packet({open, areaOnly, cid}));
  run_.Rules = {Rule("B")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({PackedMessageBytes(open), PackedMessageBytes(areaOnly)}));
  EXPECT_EQ(run_.Counters.MessagesScanned, 3);

  // The line is the message's own: a body mask finds it there.
  Reset();
  TRo rule = Rule("A");
  rule.BodyMask = "NO END OF LINE";
  run_.Rules = {rule};
  Put("in01.pkt", Packet({open, areaOnly, cid}));
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({PackedMessageBytes(areaOnly), PackedMessageBytes(cid)}));
}

TEST_F(PacketTest, CutPacketIsReadToItsEndAndCompletedWhenRewritten) {
  const std::string ann = PackedMessageBytes(Echo("A", "Ann"));
  const std::string bob = PackedMessageBytes(Echo("B", "Bob", "a long line that gets cut"));
  const std::string whole = PacketOf({ann, bob});
  const size_t cut = PacketHeaderBytes({}).size() + ann.size() + bob.size() - 12;
  Put("in01.pkt", whole.substr(0, cut));
  run_.Rules = {Rule("C")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), whole.substr(0, cut));
  EXPECT_EQ(run_.Counters.MessagesScanned, 2);
  EXPECT_FALSE(ConsoleHas("size mismatch"));

  run_.Rules = {Rule("A")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({bob.substr(0, bob.size() - 12) + std::string(1, '\0')}));
}

TEST_F(PacketTest, OnlyTheFirstTypeWordIsExamined) {
  const std::string ann = PackedMessageBytes(Echo("A", "Ann"));
  std::string odd = PackedMessageBytes(Echo("B", "Bob"));
  odd[0] = '\x03';
  const std::string cid = PackedMessageBytes(Echo("C", "Cid"));
  Put("in01.pkt", PacketOf({ann, odd, cid}));
  run_.Rules = {Rule("A")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({odd, cid}));
  EXPECT_EQ(run_.Counters.MessagesScanned, 3);
}

TEST_F(PacketTest, BytesAfterTheEndWordAreReportedAndKeptOnRewrite) {
  const std::string ann = PackedMessageBytes(Echo("A", "Ann"));
  const std::string bob = PackedMessageBytes(Echo("B", "Bob"));
  Put("in01.pkt", PacketOf({ann, bob}) + "junk");
  Scan("in01.pkt");
  EXPECT_TRUE(ConsoleHas("ERROR: size mismatch\n"));
  EXPECT_EQ(Get("in01.pkt"), PacketOf({ann, bob}) + "junk");

  run_.Rules = {Rule("B")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({ann}) + "junk");

  // Every message removed: the packet is rewritten around the bytes, not deleted.
  run_.Rules = {Rule("A")};
  Scan("in01.pkt");
  EXPECT_EQ(Get("in01.pkt"), PacketOf({}) + "junk");
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
}

TEST_F(PacketTest, FailedBackupKeepsThePacket) {
  run_.Config.PktBackupPath = dir_ / "missing/";
  const std::string original = Packet({Echo("A", "Ann"), Echo("B", "Bob")});
  for (const char* rule : {"B", "*"}) {
    SCOPED_TRACE(rule);
    Put("in01.pkt", original);
    run_.Rules = {Rule(rule)};
    Scan("in01.pkt");
    EXPECT_EQ(Get("in01.pkt"), original);
    EXPECT_TRUE(ConsoleHas("ERROR: packet not backed up, so left as it was: " +
                           run_.Config.PktBackupPath + "in01.pkt: No such file or directory\n"));
  }
  EXPECT_EQ(run_.Counters.PacketsDeleted, 0);
  EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
  EXPECT_EQ(run_.Counters.ActionsFailed, 2);
  EXPECT_FALSE(ConsoleHas("Packet deleted"));
}

TEST_F(PacketTest, UnreadableOrChangedPacketIsSkipped) {
  const std::string original = Packet({Echo("A", "Ann")});
  Put("in01.pkt", original);
  run_.Rules = {Rule("A")};
  run_.PrepareRules();
  ScanPacket(run_.ForScan(), ".", "in01.pkt", static_cast<int64_t>(original.size()) - 1);
  ScanPacket(run_.ForScan(), ".", "gone.pkt", static_cast<int64_t>(original.size()));
  EXPECT_EQ(Get("in01.pkt"), original);
  EXPECT_TRUE(ConsoleHas("Packet in01.pkt changed while it was read, left for the next run\n"));
  EXPECT_TRUE(ConsoleHas("ERROR: packet not checked: gone.pkt: No such file or directory\n"));
  EXPECT_EQ(run_.Counters.PacketsScanned, 2);
  EXPECT_EQ(run_.Counters.MessagesScanned, 0);
}

TEST_F(PacketTest, ProgressTitleRoundsHalvesToEvenAndOnlyRises) {
  const std::string packet = Packet({Echo("A", "Ann")});
  const int64_t size = static_cast<int64_t>(packet.size());
  const int64_t padding = (3 - size % 3) % 3;  // makes 3 divide the bytes done
  struct Case {
    const char* what;
    int64_t scanned, total;
    int previous;
    std::vector<std::string> titles;
    int percent;
  };
  const Case cases[] = {
      {"12.5 goes down to 12", 0, 8 * size, -1, {"Kestal - 12% scanned"}, 12},
      {"37.5 goes up to 38", padding, 8 * (size + padding) / 3, 12, {"Kestal - 38% scanned"}, 38},
      {"not above the last one", 0, 2 * size, 60, {}, 50},
      {"nothing to scan", 0, 0, -1, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    console_.titles.clear();
    Put("in01.pkt", packet);
    run_.Progress.ScannedBytes = c.scanned;
    run_.Progress.TotalBytes = c.total;
    run_.Progress.Percent = c.previous;
    Scan("in01.pkt");
    EXPECT_EQ(console_.titles, c.titles);
    EXPECT_EQ(run_.Progress.Percent, c.percent);
  }
}

}  // namespace
}  // namespace kestal::test
