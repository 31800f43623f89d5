#include "RandomInbound.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "ToolsLib/PacketWriter.h"
#include "Platform/Files.h"
#include "Utils/Address.h"
#include "Utils/Dates.h"

namespace pktgen {
namespace {

using kestal::MessageDraft;
using kestal::TFidoAddr;

constexpr int64_t kMegabyte = 1024 * 1024;
// Packets of about 1 MB and messages of 2 to 4 KB, as a hub's inbound holds them.
constexpr int64_t kMinPacketBytes = 896 * 1024;
constexpr int64_t kMaxPacketBytes = 1152 * 1024;
constexpr int64_t kMinMessageBytes = 2 * 1024;
constexpr int64_t kMaxMessageBytes = 4 * 1024;

// The words of the texts; the last ones are CP866 Cyrillic.
const std::vector<std::string> kWords = {
    "the", "node", "packet", "echo", "mail", "area", "read", "only", "sysop", "point",
    "hub", "modem", "night", "call", "file", "request", "nodelist", "zone", "net", "today",
    "why", "not", "again", "please", "thanks", "rules", "moderator", "off-topic", "linux",
    "\xAF\xE0\xA8\xA2\xA5\xE2", "\xE1\xA5\xE2\xEC", "\xAF\xA0\xAA\xA5\xE2", "\xE4\xA8\xA4\xAE"};

// splitmix64: the same numbers from the same seed on every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // REQUIRES: n > 0
  int64_t Below(int64_t n) { return static_cast<int64_t>(Next() % static_cast<uint64_t>(n)); }
  int64_t Between(int64_t low, int64_t high) { return low + Below(high - low + 1); }
  bool OneIn(int64_t n) { return Below(n) == 0; }

 private:
  uint64_t state_;
};

std::string Hex8(uint64_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value & 0xFFFFFFFFu));
  return text;
}

std::string WriterName(int64_t writer) { return "Writer " + std::to_string(writer + 1); }

TFidoAddr WriterAddress(int64_t writer) {
  const int32_t w = static_cast<int32_t>(writer);
  return TFidoAddr{2, 5000 + w / 200, 1 + w % 200, w % 7 == 0 ? 1 + w % 13 : 0, 0};
}

class InboundWriter {
 public:
  explicit InboundWriter(const RandomInboundOptions& options)
      : options_(options), random_(options.Seed) {}

  bool Write(std::string& error) {
    if (!kestal::platform::FileSystem().DirectoryExists(options_.OutDir)) {
      error = "no directory " + options_.OutDir;
      return false;
    }
    int64_t written = 0;
    while (written < options_.SizeMb * kMegabyte) {
      const std::string packet = Packet(random_.Between(kMinPacketBytes, kMaxPacketBytes));
      const std::string path = FreePacketPath();
      if (!kestal::platform::FileSystem().CreateNewFile(path, packet)) {
        error = "cannot write " + path;
        return false;
      }
      written += static_cast<int64_t>(packet.size());
    }
    return true;
  }

 private:
  const RandomInboundOptions& options_;
  Random random_;
  uint32_t serial_ = 0;

  std::string FreePacketPath() {
    std::string path;
    do {
      path = options_.OutDir + "/" + Hex8(random_.Next()) + ".pkt";
    } while (kestal::platform::FileSystem().FileExists(path));
    return path;
  }

  std::string Packet(int64_t targetBytes) {
    static const TFidoAddr kUplinks[] = {
        {2, 5020, 1, 0, 0}, {2, 5020, 10, 0, 0}, {2, 463, 1, 0, 0}};
    kestal::PacketHeaderDraft header;
    header.Orig = kUplinks[random_.Below(3)];
    header.Dest = {2, 5020, 100, 0, 0};
    std::string bytes = kestal::PacketHeaderBytes(header);
    while (static_cast<int64_t>(bytes.size()) < targetBytes) {
      bytes += kestal::PackedMessageBytes(Message(header.Orig));
    }
    return bytes + std::string(2, '\0');
  }

  std::string Words(int64_t count) {
    std::string text;
    for (int64_t i = 0; i < count; ++i) {
      if (i > 0) text += ' ';
      text += kWords[static_cast<size_t>(random_.Below(static_cast<int64_t>(kWords.size())))];
    }
    return text;
  }

  std::string DateTime() {
    const kestal::TDateTime time{{2026, static_cast<int>(random_.Between(1, 12)),
                                  static_cast<int>(random_.Between(1, 28))},
                                 static_cast<int>(random_.Below(24)),
                                 static_cast<int>(random_.Below(60)),
                                 static_cast<int>(random_.Below(60)), 0};
    return kestal::FormatMessageDateTime(time);
  }

  MessageDraft Message(const TFidoAddr& uplink) {
    const int64_t writer = random_.Below(options_.Writers);
    const TFidoAddr from = WriterAddress(writer);
    const std::string fromText = kestal::FormatAddress(from);
    MessageDraft message;
    message.From = from;
    message.To = uplink;
    message.DateTime = DateTime();
    message.Area = "BENCH." + std::to_string(random_.Below(options_.Areas) + 1);
    message.FromName = WriterName(writer);
    message.Subject = (random_.OneIn(5) ? "Re: " : "") + Words(random_.Between(1, 5));
    message.Kludges.push_back("MSGID: " + fromText + " " + Hex8(++serial_));
    if (random_.OneIn(3)) {
      const int64_t addressee = random_.Below(options_.Writers);
      message.ToName = WriterName(addressee);
      message.Kludges.push_back("REPLY: " + kestal::FormatAddress(WriterAddress(addressee)) +
                                " " + Hex8(random_.Next()));
    }
    message.Kludges.push_back("PID: GED+LNX 1.1.5");
    message.Kludges.push_back("CHRS: CP866 2");
    message.Kludges.push_back("TZUTC: 0300");
    message.Tearline = "GoldED+/LNX 1.1.5";
    message.Origin = "A bench node (" + fromText + ")";
    message.SeenBy = {"463/1 5020/1 10 100"};
    message.Path = {std::to_string(from.Net) + "/" + std::to_string(from.Node) + " 5020/1"};
    AddLines(message, random_.Between(kMinMessageBytes, kMaxMessageBytes));
    return message;
  }

  // Text lines until the packed message holds about `targetBytes`.
  void AddLines(MessageDraft& message, int64_t targetBytes) {
    int64_t size = static_cast<int64_t>(kestal::PackedMessageBytes(message).size());
    while (size < targetBytes) {
      std::string line = (random_.OneIn(6) ? " WR> " : "") + Words(random_.Between(0, 12));
      size += static_cast<int64_t>(line.size()) + 1;  // the line and its CR
      message.Lines.push_back(std::move(line));
    }
  }
};

}  // namespace

bool WriteRandomInbound(const RandomInboundOptions& options, std::string& error) {
  if (options.Areas <= 0 || options.Writers <= 0 || options.SizeMb < 0) {
    error = "areas and writers must be positive, the size not negative";
    return false;
  }
  return InboundWriter(options).Write(error);
}

}  // namespace pktgen
