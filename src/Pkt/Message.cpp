#include "Pkt/Message.h"

#include <optional>
#include <string>
#include <string_view>

#include "Pkt/PacketFormat.h"
#include "Pkt/RuleActions.h"
#include "Pkt/RuleMatch.h"
#include "Pkt/ScanContext.h"
#include "Utils/Address.h"
#include "Utils/LittleEndian.h"
#include "Utils/PktReader.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr std::string_view kNetMailArea = "NetMail";
constexpr char kKludgeMark = '\x01';
constexpr char kLf = '\n';

void AppendWithTerminator(std::string& out, std::string_view text) {
  out += text;
  out.push_back('\0');
}

constexpr std::string_view kOriginStart = " * Origin:";

// Whether a line starts at `at`: at the text's start or after a CR, with only
// LFs between, as a LF at the start of a line belongs to no line. Each LF is
// stepped over for the one byte after its run, so that finding every line
// start among candidates stays linear in the text.
bool StartsLine(std::string_view text, size_t at) {
  while (at > 0 && text[at - 1] == kLf) --at;
  return at == 0 || text[at - 1] == pkt::kCr;
}

std::string_view LineAt(std::string_view text, size_t at) {
  const size_t end = text.find(pkt::kCr, at);
  return text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

// Text parsing state of one message.
class TextParser {
 public:
  // Without `wholeText` only the fields are read: the kludges and the origin
  // line, nothing of the text copied.
  TextParser(const TFidoAddr& packetOrig, std::string_view area, bool wholeText)
      : packetOrig_(packetOrig),
        netmail_(EqualsIgnoreCaseAscii(area, kNetMailArea)),
        wholeText_(wholeText) {}

  ParsedText Parse(std::string_view text) {
    if (!wholeText_) return ParseFields(text);
    // Most of the text is body: one allocation instead of growing line by line.
    message_.Body.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
      // A LF at the start of a line (the second byte of a CR LF) belongs to no line.
      if (text[pos] == kLf) {
        ++pos;
        continue;
      }
      const size_t end = text.find(pkt::kCr, pos);
      const std::string_view line =
          text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
      pos = end == std::string_view::npos ? text.size() : end + 1;
      if (!line.empty() && line.front() == kKludgeMark) {
        KludgeLine(line.substr(1));
      } else {
        TextLine(line);
      }
    }
    Finish();
    return std::move(message_);
  }

 private:
  // The same fields from the kludge lines and the last origin line alone, found
  // by their first bytes without walking the other lines.
  ParsedText ParseFields(std::string_view text) {
    for (size_t at = text.find(kKludgeMark); at != std::string_view::npos;
         at = text.find(kKludgeMark, at + 1)) {
      if (StartsLine(text, at)) KludgeLine(LineAt(text, at).substr(1));
    }
    // The origin line counts only where no MSGID gave the writer's address.
    if (message_.FromAddr.Zone == 0) {
      for (size_t at = text.rfind(kOriginStart); at != std::string_view::npos;
           at = at == 0 ? std::string_view::npos : text.rfind(kOriginStart, at - 1)) {
        if (!StartsLine(text, at)) continue;
        originLine_ = LineAt(text, at);
        break;
      }
    }
    Finish();
    return std::move(message_);
  }

  const TFidoAddr& packetOrig_;
  const bool netmail_;
  const bool wholeText_;
  ParsedText message_;
  bool inKludgeHeader_ = true;
  std::string_view originLine_;

  // A kludge line without a blank is all name: its bytes stay as they were and
  // it cannot swallow the next line.
  void KludgeLine(std::string_view kludge) {
    const size_t blank = kludge.find(' ');
    const std::string_view name = kludge.substr(0, blank);
    const std::string_view value =
        blank == std::string_view::npos ? std::string_view() : kludge.substr(blank + 1);
    if (wholeText_) {
      std::string& target = inKludgeHeader_ ? message_.Kludges : message_.Vias;
      target += '@';
      target += kludge;
      target += pkt::kCr;
    }
    if (netmail_) {
      NetmailKludge(name, value);
    } else if (name == "MSGID:") {
      ParseAddress(value, message_.FromAddr);
    } else if (name == "REPLY:") {
      message_.ToAddrUnknown = false;
      ParseAddress(value, message_.ToAddr);
    }
    if (name == "CHRS:") {
      message_.Chrs = value;
    } else if (name == "MSGPID:" || name == "PID:") {
      message_.Pid = value;
    } else if (name == "TID:") {
      message_.Tid = value;
    }
  }

  void NetmailKludge(std::string_view name, std::string_view value) {
    if (name == "INTL") {
      const size_t blank = value.find(' ');
      const std::string_view origin =
          blank == std::string_view::npos ? std::string_view() : value.substr(blank + 1);
      ParseKeepingPoint(value.substr(0, blank), message_.ToAddr);
      ParseKeepingPoint(origin, message_.FromAddr);
      message_.ToAddrUnknown = false;
      if (message_.ToAddr.Point == -1) message_.ToAddr.Point = 0;
    } else if (name == "FMPT") {
      message_.FromAddr.Point = ToIntOrZero(value);
    } else if (name == "TOPT") {
      message_.ToAddr.Point = ToIntOrZero(value);
    }
  }

  // INTL names nodes only: a point from FMPT or TOPT seen before it survives.
  static void ParseKeepingPoint(std::string_view text, TFidoAddr& address) {
    const int32_t point = address.Point;
    ParseAddress(text, address);
    address.Point = point;
  }

  void TextLine(std::string_view line) {
    inKludgeHeader_ = false;
    if (line.starts_with("SEEN-BY:")) {
      message_.Vias += "SEEN+BY:";
      message_.Vias += line.substr(8);
      message_.Vias += pkt::kCr;
      return;
    }
    if (line.starts_with("---")) {
      message_.Body += "-+-";
      message_.Body += line.substr(3);
    } else if (line.starts_with(kOriginStart)) {
      originLine_ = line;
      message_.Body += " + Origin:";
      message_.Body += line.substr(10);
    } else {
      message_.Body += line;
    }
    message_.Body += pkt::kCr;
  }

  void Finish() {
    for (std::string* part : {&message_.Kludges, &message_.Body, &message_.Vias}) {
      if (!part->empty() && part->back() == pkt::kCr) part->pop_back();
    }
    if (message_.FromAddr.Zone == 0) TakeAddressFromOrigin();
  }

  // The address is in the last pair of parentheses of the origin line.
  void TakeAddressFromOrigin() {
    std::string_view text = originLine_;
    for (size_t open = text.find('('); open != std::string_view::npos; open = text.find('(')) {
      text = text.substr(open + 1);
    }
    text = text.substr(0, text.find(')'));
    if (!ParseAddress(text, message_.FromAddr)) message_.FromAddr = packetOrig_;
  }
};

}  // namespace

PackedMessage ReadPackedMessage(PktReader& reader, unsigned char typeLow, unsigned char typeHigh,
                                FramedHeader& message) {
  const size_t prefixStart = static_cast<size_t>(reader.Position());
  std::string prefix;
  prefix.push_back(static_cast<char>(typeLow));
  prefix.push_back(static_cast<char>(typeHigh));
  while (prefix.size() < pkt::message::kPrefixSize) {
    prefix.push_back(static_cast<char>(reader.ReadByte()));
  }
  message.OrigNode = DecodeFixed16(prefix, pkt::message::kOrigNode);
  message.DestNode = DecodeFixed16(prefix, pkt::message::kDestNode);
  message.OrigNet = DecodeFixed16(prefix, pkt::message::kOrigNet);
  message.DestNet = DecodeFixed16(prefix, pkt::message::kDestNet);
  message.Attribute = DecodeFixed16(prefix, pkt::message::kAttribute);
  message.Cost = DecodeFixed16(prefix, pkt::message::kCost);
  message.DateTime = prefix.substr(pkt::message::kDateTime, pkt::message::kDateTimeSize);

  const std::string_view toName = reader.ReadUntil(0);
  const std::string_view fromName = reader.ReadUntil(0);
  const std::string_view subject = reader.ReadUntil(0);
  // The area line and the text, up to the 0 byte that ends the message.
  const std::string_view text = reader.ReadUntil(0);
  message.ToName = toName;
  message.FromName = fromName;
  message.Subject = subject;

  PackedMessage packed;
  packed.TextBegin = prefix.size() + toName.size() + fromName.size() + subject.size() + 3;
  const size_t size = packed.TextBegin + text.size() + 1;
  // A byte the reader made up at the packet's end does not move it on: the
  // bytes are the packet's own when it moved on by all of them, the type word
  // read just before.
  const std::string_view data = reader.Data();
  const size_t end = static_cast<size_t>(reader.Position());
  if (prefixStart >= 2 && end - prefixStart + 2 == size &&
      data.substr(prefixStart - 2, 2) == std::string_view(prefix).substr(0, 2)) {
    packed.InPacket = data.substr(prefixStart - 2, size);
  } else {
    packed.CutShort = true;
    std::string& bytes = packed.Completed;
    bytes.reserve(size);
    bytes = prefix;
    AppendWithTerminator(bytes, toName);
    AppendWithTerminator(bytes, fromName);
    AppendWithTerminator(bytes, subject);
    AppendWithTerminator(bytes, text);
  }
  if (text.starts_with(pkt::kAreaTag)) {
    const size_t lineEnd = text.find(pkt::kCr);
    constexpr size_t kTagStart = std::string_view(pkt::kAreaTag).size();
    message.Area = text.substr(kTagStart, lineEnd == std::string_view::npos
                                              ? std::string_view::npos
                                              : lineEnd - kTagStart);
    packed.HasAreaLine = true;
    packed.TextBegin += lineEnd == std::string_view::npos ? text.size() : lineEnd + 1;
  } else {
    message.Area = kNetMailArea;
  }
  return packed;
}

ParsedText ParseMessageText(std::string_view text, const TFidoAddr& packetOrig,
                            std::string_view area) {
  return TextParser(packetOrig, area, true).Parse(text);
}

ParsedText ParseKludgeFields(std::string_view text, const TFidoAddr& packetOrig,
                             std::string_view area) {
  return TextParser(packetOrig, area, false).Parse(text);
}

const ParsedText& MessageUnderTest::KludgeFields() {
  if (parsed_ == Depth::None) {
    Fields() = ParseKludgeFields(message_.Text(), packetOrig_, header_.Area);
    parsed_ = Depth::KludgeFields;
  }
  return header_;
}

const ParsedText& MessageUnderTest::Parsed() { return Whole(); }

const TPktMsgHeader& MessageUnderTest::Whole() {
  if (parsed_ != Depth::WholeText) {
    Fields() = ParseMessageText(message_.Text(), packetOrig_, header_.Area);
    parsed_ = Depth::WholeText;
  }
  return header_;
}

MessageResult ProcessMessage(const ScanContext& context, PacketRules& rules, PacketState& packet,
                             TPktMsgHeader& header, const PackedMessage& message, bool testRules) {
  if (!testRules) return MessageResult::Keep;
  MessageUnderTest candidate(header, message, packet.Orig);
  for (size_t index : rules.CandidatesFor(candidate)) {
    if (!rules.MatchesInItsArea(index, candidate)) continue;
    const int ruleNumber = static_cast<int>(index) + 1;
    const std::optional<MessageResult> result = ApplyRuleActions(
        context, ruleNumber, rules.Rule(index), packet, candidate.Whole(), message.Bytes());
    if (result) return *result;
  }
  return MessageResult::Keep;
}

}  // namespace kestal
