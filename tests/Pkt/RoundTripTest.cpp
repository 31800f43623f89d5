// Round trips over generated packets whose texts hold every odd byte a packet may
// carry: kludge bytes, LF and soft CR, CR without LF, LF without CR, last lines
// without an end, lines of tens of kilobytes, and lines that look like kludges,
// tearlines, origins, SEEN-BY and AREA lines in the wrong places.

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "PacketFixture.h"
#include "Utils/Dates.h"

namespace kestal::test {
namespace {

constexpr int kPackets = 60;
constexpr int kMaxMessages = 10;
const std::vector<std::string> kWriters = {"Writer A", "Writer B", "Writer C", "Writer D",
                                           "Writer E", "Writer F"};

class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}
  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
  bool OneIn(int n) { return Between(1, n) == 1; }
  template <typename T>
  const T& Pick(const std::vector<T>& items) {
    return items[static_cast<size_t>(Between(0, static_cast<int>(items.size()) - 1))];
  }

  // Any byte but 0 (which ends a name or a text), the odd ones more often.
  char Byte() {
    static const std::vector<char> kOdd = {'\x01', '\n', '\r', '\x8D', '\t', '%', '*', '?', '!'};
    if (OneIn(8)) return Pick(kOdd);
    return static_cast<char>(Between(1, 255));
  }
  std::string Bytes(int length) {
    std::string bytes;
    for (int i = 0; i < length; ++i) bytes += Byte();
    return bytes;
  }

 private:
  std::mt19937_64 engine_;
};

std::string Line(Random& random) {
  static const std::vector<std::string> kStarts = {
      "", "", "", "\x01MSGID: ", "\x01REPLY: ", "\x01INTL ", "\x01" "FMPT ", "\x01TOPT ",
      "\x01PID: ", "\x01TID: ", "\x01" "CHRS: ", "\x01", "SEEN-BY: ", "\x01PATH: ", "---",
      " * Origin: ", "AREA:", "(2:5020/1.5)"};
  static const std::vector<std::string> kEnds = {"\r", "\r", "\r", "\r\n", "\n", "\x8D", ""};
  const int length = random.OneIn(40) ? random.Between(2000, 70000) : random.Between(0, 90);
  return random.Pick(kStarts) + random.Bytes(length) + random.Pick(kEnds);
}

TFidoAddr Address(Random& random) {
  return TFidoAddr{random.Between(1, 65535), random.Between(1, 65535), random.Between(0, 65535),
                   random.OneIn(3) ? random.Between(1, 65535) : 0, 0};
}

struct Generated {
  PacketHeaderDraft header;
  std::vector<MessageDraft> messages;
  std::string bytes;
};

MessageDraft Message(Random& random) {
  MessageDraft message;
  message.From = Address(random);
  message.To = Address(random);
  message.Attribute = static_cast<uint16_t>(random.Between(0, 65535));
  message.Cost = static_cast<uint16_t>(random.Between(0, 65535));
  message.DateTime = random.OneIn(4) ? std::string(20, '\0') : random.Bytes(random.Between(0, 20));
  message.ToName = random.Bytes(random.Between(0, 40));
  message.FromName = random.OneIn(5) ? random.Bytes(random.Between(0, 40)) : random.Pick(kWriters);
  message.Subject = random.Bytes(random.Between(0, 80));
  static const std::vector<std::string> kAreas = {"RU.TEST", "netmail", "A"};
  std::string text;
  // Most are echomail; the others start with any line at all, even an area line
  // of another form.
  if (!random.OneIn(4)) text = "AREA:" + random.Pick(kAreas) + "\r";
  for (int lines = random.Between(0, 12); lines > 0; --lines) text += Line(random);
  message.RawText = text;
  return message;
}

Generated RandomPacket(Random& random) {
  Generated packet;
  packet.header.Orig = Address(random);
  packet.header.Dest = Address(random);
  packet.header.Password = random.Bytes(random.Between(0, 8));
  for (int count = random.Between(1, kMaxMessages); count > 0; --count) {
    packet.messages.push_back(Message(random));
  }
  packet.bytes = PacketBytes(packet.header, packet.messages);
  return packet;
}

class RoundTripTest : public PacketFixture {
 protected:
  RoundTripTest() { run_.Config.NetMail = true; }  // netmail goes through the rules too

  // Matches every message whose author is `writer`, in any area.
  TRo RemoveWriter(const std::string& writer) const {
    TRo rule = Rule("*");
    rule.NameFrom = writer;
    return rule;
  }
};

TEST_F(RoundTripTest, RulesThatMatchNothingLeaveEveryPacketByteForByte) {
  Random random(20261210);
  TRo noArea = Rule("NO.SUCH.AREA");
  TRo nobody = RemoveWriter("Nobody Writes Like This");
  TRo noBody = Rule("*");
  noBody.BodyMask = "NEVER IN ANY TEXT \x01";
  noBody.KludgeMask = "NOR IN A KLUDGE";
  TRo tooLarge = Rule("*");
  tooLarge.MsgSize = std::numeric_limits<int32_t>::max();
  TRo notYet = Rule("*");
  notYet.DateFrom = AddDays(run_.Day.Today, 1);
  for (int i = 0; i < kPackets; ++i) {
    SCOPED_TRACE("packet " + std::to_string(i));
    const Generated packet = RandomPacket(random);
    Reset();
    run_.Config.NetMail = true;
    run_.Rules = {noArea, nobody, noBody, tooLarge, notYet};
    Put("p.pkt", packet.bytes);
    Scan("p.pkt");
    ASSERT_EQ(Get("p.pkt"), packet.bytes);
    EXPECT_EQ(run_.Counters.MessagesScanned, static_cast<int32_t>(packet.messages.size()));
    EXPECT_EQ(run_.Counters.MessagesRemoved, 0);
  }
}

TEST_F(RoundTripTest, RemovedWritersLeaveExactlyTheOtherMessages) {
  Random random(4242);
  for (int i = 0; i < kPackets; ++i) {
    SCOPED_TRACE("packet " + std::to_string(i));
    const Generated packet = RandomPacket(random);
    Reset();
    run_.Config.NetMail = true;
    std::set<std::string> removed;
    for (const std::string& writer : kWriters) {
      if (random.OneIn(2)) {
        removed.insert(writer);
        run_.Rules.push_back(RemoveWriter(writer));
      }
    }
    std::vector<MessageDraft> kept;
    for (const MessageDraft& message : packet.messages) {
      if (!removed.contains(message.FromName)) kept.push_back(message);
    }
    Put("p.pkt", packet.bytes);
    Scan("p.pkt");

    EXPECT_EQ(run_.Counters.MessagesRemoved,
              static_cast<int32_t>(packet.messages.size() - kept.size()));
    if (kept.empty()) {
      EXPECT_EQ(Inbound(), std::vector<std::string>{});  // a packet with nothing left goes
    } else {
      ASSERT_EQ(Get("p.pkt"), PacketBytes(packet.header, kept));
    }
  }
}

}  // namespace
}  // namespace kestal::test
