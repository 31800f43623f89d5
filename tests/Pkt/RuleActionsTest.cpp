#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "PacketFixture.h"
#include "Pkt/Message.h"
#include "Pkt/RuleActions.h"
#include "Pkt/RuleMatch.h"
#include "Utils/Address.h"
#include "Utils/PktReader.h"

namespace kestal::test {
namespace {

constexpr TFidoAddr kPacketOrig{2, 5020, 1, 0, 0};
constexpr TFidoAddr kPacketDest{2, 5020, 2, 0, 0};

class RuleActionsTest : public PacketFixture {
 protected:
  RuleActionsTest() {
    packet_.Orig = kPacketOrig;
    packet_.Dest = kPacketDest;
    WriteTemplate("r.tpl", "Caught\r\n%FromName% wrote in %Area%\r\n");
    WriteTemplate("save.tpl", "Saved\r\n%FromName%: %Subject%\r\n");
    Use(Echo("A", "Ann"));
  }

  // The message on which the actions are taken, framed and parsed.
  void Use(const MessageDraft& draft) {
    bytes_ = PackedMessageBytes(draft);
    PktReader reader(bytes_, static_cast<int32_t>(bytes_.size()));
    const unsigned char low = reader.ReadByte();
    const unsigned char high = reader.ReadByte();
    message_ = TPktMsgHeader{};
    packed_ = ReadPackedMessage(reader, low, high, message_);
    static_cast<ParsedText&>(message_) = ParseMessageText(packed_.Text(), kPacketOrig, message_.Area);
  }

  std::optional<MessageResult> Apply(const TRo& rule) {
    const std::optional<MessageResult> result =
        ApplyRuleActions(run_.ForScan(), 1, rule, packet_, message_, packed_.Bytes());
    Settle();
    return result;
  }

  // The reports wait for the packet to be written back; here it always is.
  void Settle() {
    ReportCaughtMessages(run_.ForScan(), packet_);
    packet_.Caught.clear();
  }

  // ToName and destination of each stored message of a directory, in number order
  // from 2, the first number handed out.
  std::vector<std::string> Reports(const std::string& sub) const {
    std::vector<std::string> reports;
    for (int number = 2; Exists(dir_ / (sub + "/" + std::to_string(number) + ".msg")); ++number) {
      const StoredMessage msg =
          ParseStoredMessage(ReadBytes(dir_ / (sub + "/" + std::to_string(number) + ".msg")));
      reports.push_back(msg.ToName + " " +
                        FormatAddress(msg.DestZone, msg.DestNet, msg.DestNode, msg.DestPoint));
    }
    return reports;
  }

  PacketState packet_;
  std::string bytes_;
  TPktMsgHeader message_;
  PackedMessage packed_;
};

TEST_F(RuleActionsTest, ReportsGoToEveryPartyThenTheMessageGoes) {
  TRo rule = Rule("A");
  rule.ReportToMain = rule.ReportToRo = rule.ReportToUplink = "r.tpl";
  rule.ReportToPktFrom = rule.ReportToPktTo = "r.tpl";
  rule.UplinkAddress = "%PktFrom%";
  rule.UplinkName = "Boss";
  rule.KestalName = "Guard";
  EXPECT_EQ(Apply(rule), MessageResult::Remove);
  EXPECT_EQ(Reports("net"), std::vector<std::string>{"Sysop 2:5020/100"});
  EXPECT_EQ(Reports("out"), (std::vector<std::string>{"Ann 2:5020/1.5", "Boss 2:5020/1",
                                                      "Sysop 2:5020/1", "Sysop 2:5020/2"}));
  EXPECT_EQ(ParseStoredMessage(ReadBytes(dir_ / "out/2.msg")).FromName, "Guard");
  EXPECT_EQ(run_.Carried.FromName, "Guard");
  EXPECT_TRUE(ConsoleHas("Ann->All, Subject of Ann (A)\n"));
  EXPECT_TRUE(packet_.Output.Bytes().empty());
}

TEST_F(RuleActionsTest, UplinkAddressMacros) {
  struct Case {
    std::string text;
    TFidoAddr expected;
  };
  const Case cases[] = {
      {"2:463/7", {2, 463, 7, 0, 0}},
      {".3", {2, 463, 7, 3, 0}},  // the last value's parts are the defaults
      {"%PktFromNode%", {2, 5020, 1, 0, 0}},
      {"%PktTo%", {2, 5020, 2, 0, 0}},
      {"%AddrFrom%", {2, 5020, 1, 5, 0}},
      {"%AddrFromNode%", {2, 5020, 1, 0, 0}},
      {"%AddrTo%", {1, 0, 0, 0, 0}},  // unknown: the reports skip this address
      {"", {1, 0, 0, 0, 0}},          // nothing to read: the last value stays
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TRo rule = Rule("A");
    rule.UplinkAddress = c.text;
    Apply(rule);
    EXPECT_EQ(run_.Carried.UplinkAddr, c.expected);
  }
}

TEST_F(RuleActionsTest, ReportOnlyKeepsTheMessage) {
  TRo rule = Rule("A");
  rule.ReportToRo = "r.tpl";
  rule.ReportOnly = true;
  EXPECT_EQ(Apply(rule), MessageResult::Keep);
  EXPECT_EQ(Reports("out").size(), 1u);
  EXPECT_TRUE(ConsoleHas("Ann->All"));
}

TEST_F(RuleActionsTest, CopyAndMove) {
  MessageDraft moved = Echo("OTHER", "Ann");
  struct Case {
    const char* what;
    bool netmail;
    std::string copy, move;
    std::optional<MessageResult> result;
    std::string added;
  };
  const Case cases[] = {
      {"copy", false, "OTHER", "", std::nullopt, PackedMessageBytes(moved)},
      {"copy and move: a copy", false, "OTHER", "ELSE", std::nullopt, PackedMessageBytes(moved)},
      {"move", false, "", "OTHER", MessageResult::Moved, PackedMessageBytes(moved)},
      {"copy of a netmail", true, "OTHER", "", std::nullopt, ""},
      {"move of a netmail", true, "", "OTHER", MessageResult::Keep, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    packet_ = PacketState{};
    Use(c.netmail ? Netmail("Bob") : Echo("A", "Ann"));
    TRo rule = Rule("*");
    rule.Copy = c.copy;
    rule.Move = c.move;
    rule.ReportToRo = "r.tpl";
    EXPECT_EQ(Apply(rule), c.result);
    EXPECT_EQ(packet_.Output.Bytes(), c.added);
    EXPECT_EQ(packet_.CopiesAndMoves, c.added.empty() ? 0 : 1);
  }
  EXPECT_TRUE(Reports("out").empty());
  EXPECT_FALSE(ConsoleHas("->"));
}

TEST_F(RuleActionsTest, FlagFileIsCreatedEmptyForEveryKindOfRule) {
  Put("ro.flg", "left from before");
  TRo copy = Rule("A");
  copy.Flag = "ro.flg";
  copy.Copy = "OTHER";
  Apply(copy);
  EXPECT_TRUE(ConsoleHas("Flag created \"ro.flg\"\n"));
  EXPECT_TRUE(Exists(InPath("ro.flg")));
  EXPECT_EQ(Get("ro.flg"), "");

  TRo report = Rule("A");
  report.Flag = "sub/missing/ro.flg";  // cannot be created: the rule still acts
  EXPECT_EQ(Apply(report), MessageResult::Remove);
}

TEST_F(RuleActionsTest, SaveToFileAppendsThroughTheTemplate) {
  TRo rule = Rule("A");
  rule.SaveToFile = "saved.txt";
  Apply(rule);
  Apply(rule);
  EXPECT_EQ(Get("saved.txt"), "Ann: Subject of Ann\r\nAnn: Subject of Ann\r\n");
}

TEST_F(RuleActionsTest, TrafficCountsReportedMessagesOnly) {
  std::filesystem::create_directories(dir_ / "trf");
  run_.Config.TrfPath = dir_ / "trf/";
  run_.Traffic.Enabled = true;
  run_.Traffic.RunDate = "10.12.2026";
  run_.Traffic.RunTime = "12:00:00";
  TRo copy = Rule("A");
  copy.Copy = "OTHER";
  TRo reportOnly = Rule("A");
  reportOnly.ReportOnly = true;
  Apply(copy);
  Apply(reportOnly);
  Apply(Rule("A"));
  ASSERT_EQ(run_.Traffic.List.size(), 1u);
  EXPECT_EQ(run_.Traffic.List[0].EchoName, "A");
  EXPECT_EQ(run_.Traffic.List[0].Msgs, 2u);
  EXPECT_EQ(run_.Traffic.List[0].Size, 2 * bytes_.size());
  EXPECT_EQ(ReadBytes(dir_ / "trf/statecho.trf").size(), 2 * 250u);
}

TEST_F(RuleActionsTest, FirstDecidingRuleEndsTheTests) {
  TRo copy = Rule("A");
  copy.Copy = "OTHER";
  TRo first = Rule("A");
  WriteTemplate("number.tpl", "Caught\r\nby rule %RoNum%\r\n");
  first.ReportToRo = "number.tpl";
  TRo second = first;
  second.ReportOnly = true;
  run_.Rules = {copy, first, second};
  run_.PrepareRules();
  PacketRules rules(run_.ForScan(), kPacketOrig, kPacketDest);
  EXPECT_EQ(ProcessMessage(run_.ForScan(), rules, packet_, message_, packed_, true),
            MessageResult::Remove);
  Settle();
  EXPECT_EQ(Reports("out").size(), 1u);
  EXPECT_NE(ReadBytes(dir_ / "out/2.msg").find("by rule 2\r\n"), std::string::npos);
  EXPECT_EQ(packet_.CopiesAndMoves, 1);

  run_.Rules = {copy};
  run_.PrepareRules();
  PacketRules copyOnly(run_.ForScan(), kPacketOrig, kPacketDest);
  EXPECT_EQ(ProcessMessage(run_.ForScan(), copyOnly, packet_, message_, packed_, true), MessageResult::Keep);
  EXPECT_EQ(ProcessMessage(run_.ForScan(), copyOnly, packet_, message_, packed_, false), MessageResult::Keep);
  EXPECT_EQ(packet_.CopiesAndMoves, 2);  // untested: no copy
}

}  // namespace
}  // namespace kestal::test
