#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Pkt/Message.h"
#include "Pkt/PacketFormat.h"
#include "TestSupport.h"
#include "ToolsLib/PacketWriter.h"
#include "Utils/PktReader.h"

namespace kestal {
namespace {

constexpr TFidoAddr kPacketOrig{2, 5020, 1, 0, 0};
constexpr TFidoAddr kUnknown{-1, -1, -1, -1, 0};

struct Framed {
  TPktMsgHeader header;
  PackedMessage packed;
};

// Frames one message from `bytes`, reading no further than `limit` bytes.
Framed Frame(const std::string& bytes, int32_t limit = -1) {
  PktReader reader(bytes, limit < 0 ? static_cast<int32_t>(bytes.size()) : limit);
  const unsigned char low = reader.ReadByte();
  const unsigned char high = reader.ReadByte();
  Framed framed;
  framed.packed = ReadPackedMessage(reader, low, high, framed.header);
  return framed;
}

MessageDraft WithText(const std::string& rawText) {
  MessageDraft message;
  message.RawText = rawText;
  return message;
}

TEST(MessageFraming, ReadsTheFixedFieldsNamesAndArea) {
  MessageDraft draft;
  draft.From = {2, 5020, 1, 0, 0};
  draft.To = {2, 463, 7, 0, 0};
  draft.Attribute = 0x0101;
  draft.Cost = 3;
  draft.ToName = "All";
  draft.FromName = "Ann";
  draft.Subject = "Hi";
  draft.Area = "RU.TEST";
  draft.Lines = {"text"};
  const std::string bytes = PackedMessageBytes(draft);
  const Framed framed = Frame(bytes);
  const TPktMsgHeader& h = framed.header;
  EXPECT_EQ(h.OrigNode, 1);
  EXPECT_EQ(h.OrigNet, 5020);
  EXPECT_EQ(h.DestNode, 7);
  EXPECT_EQ(h.DestNet, 463);
  EXPECT_EQ(h.Attribute, 0x0101);
  EXPECT_EQ(h.Cost, 3);
  EXPECT_EQ(h.DateTime, std::string("10 Dec 26  12:00:00\0", 20));
  EXPECT_EQ(h.ToName, "All");
  EXPECT_EQ(h.FromName, "Ann");
  EXPECT_EQ(h.Subject, "Hi");
  EXPECT_EQ(h.Area, "RU.TEST");
  EXPECT_EQ(framed.packed.Bytes(), bytes);
  EXPECT_EQ(framed.packed.Text(), "text\r");
}

TEST(MessageFraming, AreaLineVariants) {
  struct Case {
    const char* what;
    std::string rawText;
    std::string area;
    bool hasAreaLine;
    std::string text;
  };
  const Case cases[] = {
      {"tag", "AREA:RU.TEST\rhello\r", "RU.TEST", true, "hello\r"},
      {"blank after the colon", "AREA: RU.TEST\r", " RU.TEST", true, ""},
      {"lower case is no area line", "area:RU.TEST\rx\r", "NetMail", false, "area:RU.TEST\rx\r"},
      {"area line without CR", "AREA:RU.TEST", "RU.TEST", true, ""},
      {"empty text", "", "NetMail", false, ""},
      {"shorter than the tag", "AREA", "NetMail", false, "AREA"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string bytes = PackedMessageBytes(WithText(c.rawText));
    const Framed framed = Frame(bytes);
    EXPECT_EQ(framed.header.Area, c.area);
    EXPECT_EQ(framed.packed.HasAreaLine, c.hasAreaLine);
    EXPECT_EQ(framed.packed.Text(), c.text);
    EXPECT_EQ(framed.packed.Bytes(), bytes);
  }
}

TEST(MessageFraming, TextEndsAtItsZeroByteAndNetmailIsReadFromItsFirstByte) {
  const std::string first = PackedMessageBytes(WithText("Dear Bob,\rno CR at the end"));
  const std::string second = PackedMessageBytes(WithText("ARE you there?\r"));
  const std::string both = first + second;
  PktReader reader(both, static_cast<int32_t>(both.size()));
  for (const std::string* expected : {&first, &second}) {
    const size_t start = static_cast<size_t>(reader.Position());
    const unsigned char low = reader.ReadByte();
    const unsigned char high = reader.ReadByte();
    TPktMsgHeader header;
    const PackedMessage packed = ReadPackedMessage(reader, low, high, header);
    EXPECT_EQ(packed.Bytes(), *expected);
    // Held whole by the packet, the message is not copied.
    EXPECT_EQ(packed.Bytes().data(), both.data() + start);
    EXPECT_EQ(header.Area, "NetMail");
  }
  EXPECT_EQ(reader.BytesRead(), static_cast<int32_t>(both.size()));
}

TEST(MessageFraming, MessageCutShortGetsItsMissingZeroBytes) {
  MessageDraft draft;
  draft.ToName = "Somebody";
  const std::string bytes = PackedMessageBytes(draft);
  const Framed framed = Frame(bytes, 34 + 4);  // the limit falls inside the to-name
  EXPECT_EQ(framed.header.ToName, "Some");
  EXPECT_EQ(framed.header.FromName, "");
  EXPECT_EQ(framed.packed.Bytes(), bytes.substr(0, 38) + std::string(4, '\0'));

  const Framed tiny = Frame(bytes, 10);  // inside the fixed part: zeros
  EXPECT_EQ(tiny.packed.Bytes(), bytes.substr(0, 10) + std::string(24 + 4, '\0'));
}

TEST(MessageText, SortsLinesAndFindsAddresses) {
  struct Case {
    const char* what;
    std::string text;
    std::string area = "A";
    std::string kludges{};
    std::string body{};
    std::string vias{};
    TFidoAddr from = kPacketOrig;
    TFidoAddr to = kUnknown;
    bool toUnknown = true;
  };
  const Case cases[] = {
      {.what = "CR LF lines", .text = "abc\r\ndef\r", .body = "abc\rdef"},
      {.what = "empty line", .text = "a\r\rb\r", .body = "a\r\rb"},
      {.what = "last line without CR", .text = "a\rlast", .body = "a\rlast"},
      {.what = "kludges before and after the text",
       .text = "\x01TZUTC: 0300\r\ntext\r\x01Via 2:5020/1\r",
       .kludges = "@TZUTC: 0300",
       .body = "text",
       .vias = "@Via 2:5020/1"},
      {.what = "SEEN-BY ends the kludge header",
       .text = "SEEN-BY: 5020/1\r\x01PATH: 5020/1\r",
       .vias = "SEEN+BY: 5020/1\r@PATH: 5020/1"},
      {.what = "tearlines", .text = "--- GoldED\r-----\r", .body = "-+- GoldED\r-+---"},
      {.what = "origin",
       .text = " * Origin: A node (2:5020/1.5)\r",
       .body = " + Origin: A node (2:5020/1.5)",
       .from = {2, 5020, 1, 5, 0}},
      {.what = "last parenthesis wins",
       .text = " * Origin: (y) and (2:5020/7)\r",
       .body = " + Origin: (y) and (2:5020/7)",
       .from = {2, 5020, 7, 0, 0}},
      {.what = "origin without an address", .text = " * Origin: none\r",
       .body = " + Origin: none"},
      {.what = "MSGID without origin",
       .text = "\x01MSGID: 2:5020/1.7 12345678\r",
       .kludges = "@MSGID: 2:5020/1.7 12345678",
       .from = {2, 5020, 1, 7, 0}},
      {.what = "MSGID wins over the origin",
       .text = "\x01MSGID: 2:5020/3 1\rx\r * Origin: (2:5020/9)\r",
       .kludges = "@MSGID: 2:5020/3 1",
       .body = "x\r + Origin: (2:5020/9)",
       .from = {2, 5020, 3, 0, 0}},
      {.what = "unusable MSGID: origin",
       .text = "\x01MSGID: <abc@example.org> 1\r * Origin: (2:5020/9)\r",
       .kludges = "@MSGID: <abc@example.org> 1",
       .body = " + Origin: (2:5020/9)",
       .from = {2, 5020, 9, 0, 0}},
      {.what = "REPLY",
       .text = "\x01REPLY: 2:5020/3.1 abc\r",
       .kludges = "@REPLY: 2:5020/3.1 abc",
       .to = {2, 5020, 3, 1, 0},
       .toUnknown = false},
      {.what = "kludge names keep their case",
       .text = "\x01msgid: 2:5020/3 1\r",
       .kludges = "@msgid: 2:5020/3 1"},
      {.what = "kludge without a blank swallows no line",
       .text = "\x01NOBLANK\r\x01MSGID: 2:5020/1.9 1\r",
       .kludges = "@NOBLANK\r@MSGID: 2:5020/1.9 1",
       .from = {2, 5020, 1, 9, 0}},
      {.what = "netmail: FMPT, then INTL",
       .text = "\x01" "FMPT 3\r\x01INTL 2:5020/2 2:5020/1\r",
       .area = "NetMail",
       .kludges = "@FMPT 3\r@INTL 2:5020/2 2:5020/1",
       .from = {2, 5020, 1, 3, 0},
       .to = {2, 5020, 2, 0, 0},
       .toUnknown = false},
      {.what = "netmail: TOPT, INTL and no MSGID use",
       .text = "\x01TOPT 4\r\x01INTL 2:463/2 2:5020/5\r\x01MSGID: 2:5020/9 1\r",
       .area = "netmail",
       .kludges = "@TOPT 4\r@INTL 2:463/2 2:5020/5\r@MSGID: 2:5020/9 1",
       .from = {2, 5020, 5, 0, 0},
       .to = {2, 463, 2, 4, 0},
       .toUnknown = false},
      {.what = "echomail ignores INTL",
       .text = "\x01INTL 2:463/2 2:5020/5\r",
       .kludges = "@INTL 2:463/2 2:5020/5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ParsedText message = ParseMessageText(c.text, kPacketOrig, c.area);
    EXPECT_EQ(message.Kludges, c.kludges);
    EXPECT_EQ(message.Body, c.body);
    EXPECT_EQ(message.Vias, c.vias);
    EXPECT_EQ(message.FromAddr, c.from);
    EXPECT_EQ(message.ToAddr, c.to);
    EXPECT_EQ(message.ToAddrUnknown, c.toUnknown);
  }
}

TEST(MessageText, TakesTheLastCharsetAndProgramKludges) {
  const ParsedText message = ParseMessageText(
      "\x01" "CHRS: IBMPC 2\r\x01" "CHRS: CP866 2\r\x01PID: GED\r\x01MSGPID: Other 1\r"
      "\x01TID: hpt 1.9\rtext\r",
      kPacketOrig, "A");
  EXPECT_EQ(message.Chrs, "CP866 2");
  EXPECT_EQ(message.Pid, "Other 1");
  EXPECT_EQ(message.Tid, "hpt 1.9");
}

// The rules that test only addresses and kludge fields read them without the
// whole parse: both must agree on every message.
void ExpectSameKludgeFields(std::string_view text, std::string_view area) {
  const ParsedText whole = ParseMessageText(text, kPacketOrig, area);
  const ParsedText fields = ParseKludgeFields(text, kPacketOrig, area);
  EXPECT_EQ(fields.FromAddr, whole.FromAddr);
  EXPECT_EQ(fields.ToAddr, whole.ToAddr);
  EXPECT_EQ(fields.ToAddrUnknown, whole.ToAddrUnknown);
  EXPECT_EQ(fields.Chrs, whole.Chrs);
  EXPECT_EQ(fields.Pid, whole.Pid);
  EXPECT_EQ(fields.Tid, whole.Tid);
}

TEST(MessageText, KludgeFieldsAloneAgreeWithTheWholeParse) {
  const struct {
    const char* text;
    const char* area;
  } crafted[] = {
      {"\x01MSGID: 2:5020/9.1 1\rtext\r * Origin: x (2:463/1)\r", "A"},
      {"text\r * Origin: first (2:463/1)\r * Origin: last (1:2/3) (2:463/2)\rSEEN-BY: 1\r", "A"},
      {"\x01MSGID: garbage\r * Origin: (2:463/1\r", "A"},
      {"\x01MSGID: 2:5020/9\r\n * Origin: x (2:463/1)\r\n\x01REPLY: 2:1/2 3\r\n", "A"},
      {" * Origin: no CR at the end (3:4/5)", "A"},
      {"text\r\x01PID: late\r\x01" "CHRS: LATIN-1 2\r\x01TID: t\r", "A"},
      {"\x01" " * Origin: in a kludge (2:1/1)\r", "A"},
      {"\x01TOPT 4\r\x01INTL 2:463/2 2:5020/5\r\x01" "FMPT 7\r * Origin: (2:1/1)\r", "NetMail"},
      {"\x01INTL\r\x01TOPT\rx", "netmail"},
      {"\n\n\x01MSGID: 2:1/1 1\r\n\n\x01PID: a\rx\n\x01TID: not a kludge\r", "A"},
      {"x\n * Origin: mid-line (2:1/1)\r\n * Origin: a line (2:1/2)\rtail * Origin: (2:1/3)", "A"},
      {"\x01\x01MSGID: 2:1/1 1\r\x01\r\x01 CHRS: x\r\x01" "CHRS:\r", "A"},
      {"", "A"},
  };
  for (const auto& c : crafted) {
    SCOPED_TRACE(c.text);
    ExpectSameKludgeFields(c.text, c.area);
  }

  // Every message of the packets kept with the tests.
  int messages = 0;
  for (const auto& entry :
       std::filesystem::recursive_directory_iterator(test::SourceDir() + "/tests/data/corpus")) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file() || name.ends_with(".md") || name.ends_with(".msg")) continue;
    SCOPED_TRACE(entry.path().string());
    const std::string packet = test::ReadBytes(entry.path().string());
    if (packet.size() <= pkt::header::kSize) continue;
    PktReader reader(packet, static_cast<int32_t>(packet.size()));
    for (size_t i = 0; i < pkt::header::kSize; ++i) reader.ReadByte();  // past the header
    for (unsigned char low = reader.ReadByte(), high = reader.ReadByte(); low != 0 || high != 0;
         low = reader.ReadByte(), high = reader.ReadByte()) {
      FramedHeader header;
      const PackedMessage packed = ReadPackedMessage(reader, low, high, header);
      ExpectSameKludgeFields(packed.Text(), header.Area);
      ++messages;
    }
  }
  EXPECT_GT(messages, 60);
}

}  // namespace
}  // namespace kestal
