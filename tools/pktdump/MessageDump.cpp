#include "MessageDump.h"

#include <string>
#include <vector>

#include "DumpText.h"
#include "Pkt/Message.h"
#include "Pkt/PacketFormat.h"
#include "RoTypes/MsgHeader.h"
#include "Utils/Address.h"
#include "Utils/LittleEndian.h"
#include "Utils/Text.h"

namespace pktdump {

namespace {

using kestal::DecodeFixed16;
namespace message = kestal::pkt::message;

constexpr char kKludgeMark = '\x01';
constexpr char kLf = '\n';

struct Frame {
  kestal::TPktMsgHeader Header;
  bool HasAreaLine = false;
  std::string_view Text;  // after the area line, without the 0 byte that ends it
  size_t End = 0;
  bool FixedRead = false;  // the 34 bytes of type, addresses, attribute, cost and date
  int NamesTaken = 0;      // to-name, from-name, subject: those read, whole or cut
  bool TextRead = false;   // the names and subject, and the text up to its end
  std::string CutIn;       // the part in which the packet ends; empty when whole
};

// Takes the bytes up to the next 0 byte, which is consumed; without one, takes the
// rest of the packet and says so.
bool TakeZeroTerminated(std::string_view packet, size_t& pos, std::string_view& field) {
  size_t zero = packet.find('\0', pos);
  bool whole = zero != std::string_view::npos;
  field = packet.substr(pos, whole ? zero - pos : std::string_view::npos);
  pos = whole ? zero + 1 : packet.size();
  return whole;
}

void SplitAreaLine(Frame& frame, std::string_view text) {
  constexpr std::string_view kAreaTag = kestal::pkt::kAreaTag;
  frame.Header.Area = "NetMail";
  frame.Text = text;
  if (!text.starts_with(kAreaTag)) return;
  size_t lineEnd = text.find(kestal::pkt::kCr);
  frame.HasAreaLine = true;
  frame.Header.Area =
      text.substr(kAreaTag.size(), lineEnd == std::string_view::npos ? std::string_view::npos
                                                                     : lineEnd - kAreaTag.size());
  frame.Text = lineEnd == std::string_view::npos ? std::string_view() : text.substr(lineEnd + 1);
}

Frame FrameMessage(std::string_view packet, size_t offset) {
  Frame frame;
  if (packet.size() - offset < message::kPrefixSize) {
    frame.CutIn = "its fixed header (" + std::to_string(packet.size() - offset) + " of " +
                  std::to_string(message::kPrefixSize) + " bytes)";
    frame.End = packet.size();
    return frame;
  }
  kestal::TPktMsgHeader& header = frame.Header;
  header.OrigNode = DecodeFixed16(packet, offset + message::kOrigNode);
  header.DestNode = DecodeFixed16(packet, offset + message::kDestNode);
  header.OrigNet = DecodeFixed16(packet, offset + message::kOrigNet);
  header.DestNet = DecodeFixed16(packet, offset + message::kDestNet);
  header.Attribute = DecodeFixed16(packet, offset + message::kAttribute);
  header.Cost = DecodeFixed16(packet, offset + message::kCost);
  header.DateTime = packet.substr(offset + message::kDateTime, message::kDateTimeSize);

  frame.FixedRead = true;
  size_t pos = offset + message::kPrefixSize;
  struct Name {
    const char* Part;
    std::string* Field;
  };
  const Name names[] = {{"its to-name", &header.ToName},
                        {"its from-name", &header.FromName},
                        {"its subject", &header.Subject}};
  for (const Name& name : names) {
    std::string_view field;
    bool whole = TakeZeroTerminated(packet, pos, field);
    *name.Field = field;
    ++frame.NamesTaken;
    if (!whole) {
      frame.CutIn = std::string(name.Part) + " (no 0 byte ends it)";
      frame.End = pos;
      return frame;
    }
  }
  std::string_view text;
  if (!TakeZeroTerminated(packet, pos, text)) frame.CutIn = "its text (no 0 byte ends it)";
  frame.End = pos;
  frame.TextRead = true;
  SplitAreaLine(frame, text);
  return frame;
}

// The lines of a text as kestal splits them: at CR, a LF after a CR belonging to no line.
std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == kLf) {
      ++pos;
      continue;
    }
    size_t end = text.find(kestal::pkt::kCr, pos);
    lines.push_back(
        text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    pos = end == std::string_view::npos ? text.size() : end + 1;
  }
  return lines;
}

bool IsKludge(std::string_view line) { return !line.empty() && line.front() == kKludgeMark; }

// The date field is text padded with 0 bytes.
std::string DateText(const std::string& dateTime) {
  return Printable(std::string_view(dateTime).substr(0, dateTime.find('\0')));
}

std::string HeaderWords(const kestal::TPktMsgHeader& header) {
  return std::to_string(header.OrigNet) + "/" + std::to_string(header.OrigNode) + " -> " +
         std::to_string(header.DestNet) + "/" + std::to_string(header.DestNode) + ", attribute " +
         Hex16(header.Attribute) + ", cost " + std::to_string(header.Cost);
}

void PrintFields(const Frame& frame, const kestal::TFidoAddr& packetOrig, std::ostream& out) {
  kestal::TPktMsgHeader header = frame.Header;
  // The addresses the rules test come from the kludges and the origin line.
  std::string fromAddress;
  std::string toAddress;
  if (frame.TextRead) {
    static_cast<kestal::ParsedText&>(header) =
        kestal::ParseMessageText(frame.Text, packetOrig, header.Area);
    fromAddress = ", " + kestal::FormatAddress(header.FromAddr);
    toAddress =
        header.ToAddrUnknown ? ", address unknown" : ", " + kestal::FormatAddress(header.ToAddr);
  }
  if (frame.HasAreaLine) Field(out, "Area", Printable(header.Area));
  if (frame.NamesTaken >= 2) Field(out, "From", Printable(header.FromName) + fromAddress);
  if (frame.NamesTaken >= 1) Field(out, "To", Printable(header.ToName) + toAddress);
  if (frame.NamesTaken >= 3) Field(out, "Subject", Printable(header.Subject));
  Field(out, "Date", DateText(header.DateTime));
  Field(out, "Header", HeaderWords(header));
}

void PrintText(std::string_view text, bool verbose, std::ostream& out) {
  std::vector<std::string_view> lines = TextLines(text);
  size_t textLines = 0;
  for (std::string_view line : lines) {
    if (IsKludge(line)) {
      Field(out, "Kludge", Printable(line.substr(1)));
    } else {
      ++textLines;
    }
  }
  Field(out, "Text", std::to_string(textLines) + (textLines == 1 ? " line" : " lines"));
  if (!verbose) return;
  for (std::string_view line : lines) {
    out << "  | " << (IsKludge(line) ? kestal::Concat({"@", Printable(line.substr(1))}) : Printable(line)) << '\n';
  }
}

}  // namespace

MessageDumpResult DumpMessage(std::string_view packet, size_t offset, int number,
                              const kestal::TFidoAddr& packetOrig, bool verbose,
                              std::ostream& out) {
  Frame frame = FrameMessage(packet, offset);
  out << "Message " << number << " at offset " << offset << ", " << frame.End - offset << " bytes";
  if (frame.TextRead) out << (frame.HasAreaLine ? ", echomail" : ", netmail");
  out << '\n';
  if (frame.FixedRead) PrintFields(frame, packetOrig, out);
  if (frame.TextRead) PrintText(frame.Text, verbose, out);
  if (!frame.CutIn.empty()) {
    Problem(out, "message " + std::to_string(number) + " is cut short: the packet ends inside " +
                     frame.CutIn);
  }
  return {frame.End, !frame.CutIn.empty()};
}

}  // namespace pktdump
