#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Pkt/Message.h"
#include "ToolsLib/PacketWriter.h"
#include "Pkt/RuleMatch.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoSystem/Run.h"
#include "Utils/Dates.h"
#include "Utils/PktReader.h"

namespace kestal {
namespace {

constexpr TDate kToday{2026, 12, 10};
constexpr TFidoAddr kPacketOrig{2, 5020, 1, 0, 0};
constexpr TFidoAddr kPacketDest{2, 5020, 2, 0, 0};

MessageDraft AnnToAll() {
  MessageDraft message;
  message.Area = "RU.TEST";
  message.FromName = "Ann Author";
  message.ToName = "All";
  message.Subject = "Hello there";
  message.Kludges = {"MSGID: 2:5020/1.5 0badcafe", "CHRS: CP866 2", "PID: GED 1", "TID: hpt"};
  message.Lines = {"Hello world"};
  message.Tearline = "GoldED";
  message.Origin = "A node (2:5020/1.5)";
  message.SeenBy = {"5020/1 2"};
  message.Path = {"5020/1"};
  return message;
}

class RuleMatchTest : public ::testing::Test {
 protected:
  RuleMatchTest() : clock_(TDateTime{kToday, 12, 0, 0, 0}), run_(clock_, console_) {
    run_.Day.Today = kToday;
    run_.Own.Slots[0] = {2, 5020, 100, 0, 0};
  }

  TRo Rule() const {
    TRo rule;
    rule.Area = "*";
    rule.DateFrom = kToday;
    rule.DateTo = kToday;
    return rule;
  }

  // Whether the one rule matches the message, in a packet from kPacketOrig.
  bool Matches(const TRo& rule, const MessageDraft& draft = AnnToAll()) {
    run_.Rules = {rule};
    run_.PrepareRules();
    PacketRules rules(run_.ForScan(), kPacketOrig, kPacketDest);
    return MatchesIn(rules, draft);
  }

  static bool MatchesIn(PacketRules& rules, const MessageDraft& draft, size_t index = 0) {
    const std::string bytes = PackedMessageBytes(draft);
    PktReader reader(bytes, static_cast<int32_t>(bytes.size()));
    const unsigned char low = reader.ReadByte();
    const unsigned char high = reader.ReadByte();
    TPktMsgHeader header;
    const PackedMessage packed = ReadPackedMessage(reader, low, high, header);
    MessageUnderTest message(header, packed, kPacketOrig);
    return rules.Matches(index, message);
  }

  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  kestal::Run run_;
};

TEST_F(RuleMatchTest, EachTestOfARule) {
  const size_t size = PackedMessageBytes(AnnToAll()).size();
  struct Case {
    const char* what;
    std::function<void(TRo&)> change;
    bool matches;
    bool removeRe = true;
  };
  const Case cases[] = {
      {"defaults", [](TRo&) {}, true},
      {"area in list", [](TRo& r) { r.Area = "RU.OTHER ru.t*"; }, true},
      {"area excluded", [](TRo& r) { r.Area = "RU.* !RU.TEST"; }, false},
      {"packet from", [](TRo& r) { r.PktFrom = "2:5020/1"; }, true},
      {"packet from another node", [](TRo& r) { r.PktFrom = "2:5020/9"; }, false},
      {"packet to another node", [](TRo& r) { r.PktTo = "2:5020/9"; }, false},
      {"Name: the writer", [](TRo& r) { r.Name = "ann*"; }, true},
      {"Name: the addressee", [](TRo& r) { r.Name = "All"; }, true},
      {"Name: neither", [](TRo& r) { r.Name = "Bob"; }, false},
      {"NameFrom is not the addressee", [](TRo& r) { r.NameFrom = "All"; }, false},
      {"NameTo", [](TRo& r) { r.NameTo = "*ll"; }, true},
      {"Addr: the writer", [](TRo& r) { r.Addr = "2:5020/1.5"; }, true},
      {"Addr: nobody", [](TRo& r) { r.Addr = "2:5020/9"; }, false},
      {"Addr: all but the writer still has the unknown addressee",
       [](TRo& r) { r.Addr = "* !2:5020/1.5"; }, true},
      {"AddrFrom: all but the writer", [](TRo& r) { r.AddrFrom = "* !2:5020/1.5"; }, false},
      {"Addr: unknown addressee with KillAddrToAll",
       [](TRo& r) {
         r.Addr = "2:5020/9";
         r.KillAddrToAll = true;
       },
       true},
      {"AddrFrom %PktFrom% misses the point", [](TRo& r) { r.AddrFrom = "%PktFrom%"; }, false},
      {"AddrFrom %PktFromNode% takes the points", [](TRo& r) { r.AddrFrom = "%PktFromNode%"; },
       true},
      {"AddrFrom %!PktFromNode% excludes them", [](TRo& r) { r.AddrFrom = "* %!PktFromNode%"; },
       false},
      {"AddrFrom %PktToNode%", [](TRo& r) { r.AddrFrom = "%PktToNode%"; }, false},
      {"AddrTo: unknown addressee", [](TRo& r) { r.AddrTo = "2:5020/9"; }, false},
      {"AddrTo: unknown addressee with KillAddrToAll",
       [](TRo& r) {
         r.AddrTo = "2:5020/9";
         r.KillAddrToAll = true;
       },
       true},
      {"Subj", [](TRo& r) { r.Subj = "hello*"; }, true},
      {"Subj loses its reply prefix", [](TRo& r) { r.Subj = "Re: Hello there"; }, true},
      {"Subj keeps it with RemoveRe off", [](TRo& r) { r.Subj = "Re: Hello there"; }, false,
       false},
      {"Chrs", [](TRo& r) { r.Chrs = "CP866*"; }, true},
      {"Chrs differs", [](TRo& r) { r.Chrs = "KOI8*"; }, false},
      {"PID", [](TRo& r) { r.PID = "GED*"; }, true},
      {"TID differs", [](TRo& r) { r.TID = "GED*"; }, false},
      {"DateFrom today", [](TRo& r) { r.DateTo = AddDays(kToday, 9); }, true},
      {"DateTo yesterday",
       [](TRo& r) { r.DateFrom = r.DateTo = AddDays(kToday, -1); }, false},
      {"DateFrom tomorrow", [](TRo& r) { r.DateFrom = r.DateTo = AddDays(kToday, 1); }, false},
      {"BodyMask", [](TRo& r) { r.BodyMask = "O WOR"; }, true},
      {"BodyMask sees the escaped origin", [](TRo& r) { r.BodyMask = " + ORIGIN: A NODE"; }, true},
      {"BodyMask absent", [](TRo& r) { r.BodyMask = "SEEN"; }, false},
      {"BodyMask in the text but not the body", [](TRo& r) { r.BodyMask = "CP866 2"; }, false},
      {"KludgeMask", [](TRo& r) { r.KludgeMask = "@MSGID: 2:5020/1.5"; }, true},
      {"KludgeMask without its @", [](TRo& r) { r.KludgeMask = "MSGID: 2:5020/1.5"; }, true},
      {"KludgeMask of a via line", [](TRo& r) { r.KludgeMask = "@PATH"; }, false},
      {"ViaMask", [](TRo& r) { r.ViaMask = "SEEN+BY: 5020/1 2\r@PATH: 5020/1"; }, true},
      {"ViaMask of the path alone", [](TRo& r) { r.ViaMask = "PATH: 5020/1"; }, true},
      {"ViaMask of body text", [](TRo& r) { r.ViaMask = "HELLO"; }, false},
      {"MsgSize below the size", [size](TRo& r) { r.MsgSize = static_cast<int32_t>(size) - 1; },
       true},
      {"MsgSize equal to the size", [size](TRo& r) { r.MsgSize = static_cast<int32_t>(size); },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    run_.Config.RemoveRe = c.removeRe;
    TRo rule = Rule();
    c.change(rule);
    EXPECT_EQ(Matches(rule), c.matches);
  }
}

TEST_F(RuleMatchTest, AddresseeFromReplyAndWriterFromPacketWhenNothingElse) {
  MessageDraft reply = AnnToAll();
  reply.Kludges = {"REPLY: 2:463/7 1"};
  reply.Origin.reset();
  TRo rule = Rule();
  rule.AddrTo = "2:463/7";
  rule.AddrFrom = "%PktFrom%";
  rule.KillAddrToAll = false;
  EXPECT_TRUE(Matches(rule, reply));
}

TEST_F(RuleMatchTest, PacketWorkIsSharedButEachMessageIsTestedAfresh) {
  TRo fromPacket = Rule();
  fromPacket.Area = "RU.TEST";
  fromPacket.AddrFrom = "%PktFromNode%";
  TRo other = Rule();
  other.Area = "RU.OTHER";
  run_.Rules = {fromPacket, other};
  run_.PrepareRules();
  PacketRules rules(run_.ForScan(), kPacketOrig, kPacketDest);
  MessageDraft elsewhere = AnnToAll();
  elsewhere.Area = "RU.OTHER";
  MessageDraft stranger = AnnToAll();
  stranger.Kludges = {"MSGID: 2:463/1 1"};
  EXPECT_TRUE(MatchesIn(rules, AnnToAll(), 0));
  EXPECT_FALSE(MatchesIn(rules, elsewhere, 0));
  EXPECT_TRUE(MatchesIn(rules, elsewhere, 1));
  EXPECT_FALSE(MatchesIn(rules, stranger, 0));
  EXPECT_TRUE(MatchesIn(rules, AnnToAll(), 0));

  // Another packet: its own macros.
  PacketRules otherPacket(run_.ForScan(), TFidoAddr{2, 463, 1, 0, 0}, kPacketDest);
  EXPECT_TRUE(MatchesIn(otherPacket, stranger, 0));
  EXPECT_FALSE(MatchesIn(otherPacket, AnnToAll(), 0));
}

TEST_F(RuleMatchTest, RulesForAnAreaAreThoseItsAreaAdmitsInTheirOrder) {
  run_.Rules.clear();
  for (const char* area : {"RU.A", "RU.B", "* !RU.A", "ru.a*", "!RU.A"}) {
    TRo rule = Rule();
    rule.Area = area;
    run_.Rules.push_back(rule);
  }
  run_.PrepareRules();
  PacketRules rules(run_.ForScan(), kPacketOrig, kPacketDest);
  using Indices = std::vector<size_t>;
  EXPECT_EQ(rules.RulesForArea("RU.A"), (Indices{0, 3}));
  EXPECT_EQ(rules.RulesForArea("RU.AB"), (Indices{2, 3}));
  EXPECT_EQ(rules.RulesForArea("RU.B"), (Indices{1, 2}));
  EXPECT_EQ(rules.RulesForArea("RU.A"), (Indices{0, 3}));

  // The answers are kept for the run, but never for other rules.
  run_.Rules[0].Area = "RU.B";
  run_.PrepareRules();
  PacketRules changed(run_.ForScan(), kPacketOrig, kPacketDest);
  EXPECT_EQ(changed.RulesForArea("RU.A"), (Indices{3}));
  EXPECT_EQ(changed.RulesForArea("RU.B"), (Indices{0, 1, 2}));
}

// The index and the one scan for all text masks only spare tests: the rules
// tried on a message must hold every rule that matches it, in their order, and
// they must match as when tested one by one.
TEST_F(RuleMatchTest, CandidatesHoldEveryRuleThatMatchesInOrder) {
  const auto rule = [this](std::function<void(TRo&)> change) {
    TRo r = Rule();
    change(r);
    return r;
  };
  run_.Rules = {
      rule([](TRo& r) { r.NameFrom = "ann author"; }),
      rule([](TRo& r) { r.NameFrom = "Ann*"; r.Area = "RU.OTHER"; }),
      rule([](TRo& r) { r.NameTo = "ALL"; }),
      rule([](TRo& r) { r.Name = "all*"; }),
      rule([](TRo& r) { r.Name = "\xa0\xa1*"; }),  // CP866 lower case
      rule([](TRo& r) { r.NameFrom = "*author"; }),
      rule([](TRo& r) { r.Subj = "*THERE*"; }),
      rule([](TRo& r) { r.Subj = "hello*"; }),
      rule([](TRo& r) { r.Subj = "**"; }),
      rule([](TRo& r) { r.Subj = "*\xa2*"; }),
      rule([](TRo& r) { r.BodyMask = "WORLD"; }),
      rule([](TRo& r) { r.BodyMask = "WORLD"; r.NameFrom = "Bob"; }),
      rule([](TRo& r) { r.KludgeMask = "@PID: GED"; }),
      rule([](TRo& r) { r.ViaMask = "WORLD"; }),
      rule([](TRo& r) { r.BodyMask = "-+-"; }),
      rule([](TRo& r) { r.Copy = "RU.COPY"; }),
      rule([](TRo& r) { r.AddrFrom = "2:5020/1.5"; }),
      rule([](TRo& r) { r.AddrFrom = "2:5020/1.* !2:5020/1.6"; }),
      rule([](TRo& r) { r.AddrFrom = "2:463/1 2:5020/9"; }),
      rule([](TRo& r) { r.AddrFrom = "2:5020/*"; }),
      rule([](TRo& r) { r.AddrFrom = "%PktFromNode%"; }),
  };
  // Enough masks for one scan of the text to pay: a message tested alone has
  // them looked for one by one.
  for (const char* mask : {"HELLO W", "NOWHERE", "O WOR", "ELSEWHERE", "SEEN", "GED"}) {
    run_.Rules.push_back(rule([mask](TRo& r) { r.BodyMask = mask; }));
  }
  run_.PrepareRules();
  PacketRules rules(run_.ForScan(), kPacketOrig, kPacketDest);
  MessageDraft cyrillic = AnnToAll();
  cyrillic.FromName = "\x80\x81\x82 \x83";
  cyrillic.Subject = "\x82 subject";
  cyrillic.Lines = {"world"};
  MessageDraft other = AnnToAll();
  other.Area = "RU.OTHER";
  other.ToName = "Allan";
  other.Subject = "hello THERE";
  other.Kludges = {"PID: GED 2"};
  MessageDraft bob = AnnToAll();
  bob.FromName = "bob";
  bob.ToName = "ann author";
  bob.Kludges = {"MSGID: 2:463/1 1"};
  for (const MessageDraft& draft : {AnnToAll(), cyrillic, other, bob}) {
    SCOPED_TRACE(draft.FromName + " to " + draft.ToName);
    const std::string bytes = PackedMessageBytes(draft);
    PktReader reader(std::string_view(bytes).substr(2), static_cast<int32_t>(bytes.size() - 2));
    TPktMsgHeader header;
    const PackedMessage packed = ReadPackedMessage(reader, bytes[0], bytes[1], header);
    MessageUnderTest message(header, packed, kPacketOrig);
    std::vector<size_t> matching;
    for (size_t index = 0; index < run_.Rules.size(); ++index) {
      if (MatchesIn(rules, draft, index)) matching.push_back(index);
    }
    std::vector<size_t> found;
    for (const size_t index : rules.CandidatesFor(message)) {
      if (rules.MatchesInItsArea(index, message)) found.push_back(index);
    }
    EXPECT_EQ(found, matching);
    EXPECT_FALSE(matching.empty());
  }
}

TEST(PacketMacros, ExpandInOrderWithExclusions) {
  const TFidoAddr point{2, 5020, 1, 5, 0};
  EXPECT_EQ(ExpandPacketMacros("%PktFrom% %!PktFromNode% %PktTo% %!PktToNode%", point,
                               kPacketDest),
            "2:5020/1.5 !2:5020/1.* 2:5020/2 !2:5020/2.*");
  EXPECT_EQ(ExpandPacketMacros("%pktfrom% *", point, kPacketDest), "%pktfrom% *");
}

}  // namespace
}  // namespace kestal
