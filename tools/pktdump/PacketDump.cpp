#include "PacketDump.h"

#include <string>

#include "DumpText.h"
#include "HeaderDump.h"
#include "MessageDump.h"
#include "Pkt/PacketFormat.h"
#include "Utils/LittleEndian.h"

namespace pktdump {

namespace {

namespace pkt = kestal::pkt;

std::string At(size_t offset) { return "offset " + std::to_string(offset); }

// Walks the type words from the end of the header to the end word.
class Walk {
 public:
  Walk(std::string_view packet, bool verbose, std::ostream& out)
      : packet_(packet), verbose_(verbose), out_(out) {}

  int Run() {
    kestal::TFidoAddr orig;
    if (!DumpHeader(packet_, out_, orig)) {
      ++problems_;
      return Summary();
    }
    if (packet_.size() <= pkt::kEmptyPacketSize) {
      out_ << "The packet is " << packet_.size() << " bytes, no room for a message: "
           << "kestal deletes it as empty without reading on\n";
    }
    size_t offset = pkt::header::kSize;
    while (offset != packet_.size()) {
      if (packet_.size() - offset == 1) {
        Broken("the end word is cut short: one byte at " + At(offset));
        return Summary();
      }
      unsigned type = kestal::DecodeFixed16(packet_, offset);
      if (type == 0) {
        out_ << "End word at " << At(offset) << '\n';
        ReportTrailingBytes(offset + pkt::kEndSize);
        return Summary();
      }
      if (type != pkt::kMessageType && !CheckLaterType(offset, type)) return Summary();
      MessageDumpResult message = DumpMessage(packet_, offset, ++messages_, orig, verbose_, out_);
      if (message.CutShort) ++problems_;
      offset = message.End;
    }
    Broken("the end word is missing: the packet ends at " + At(offset) +
           (messages_ == 0 ? std::string(", right after its header")
                           : ", after message " + std::to_string(messages_)));
    return Summary();
  }

 private:
  std::string_view packet_;
  bool verbose_;
  std::ostream& out_;
  int messages_ = 0;
  int problems_ = 0;

  void Broken(const std::string& text) {
    Problem(out_, text);
    ++problems_;
  }

  // Only the first type word decides whether the packet is one kestal reads: a
  // later odd one is read as a message all the same.
  bool CheckLaterType(size_t offset, unsigned type) {
    std::string where = "the type word at " + At(offset) + " is 0x" + Hex16(type) + ", not 0x0002";
    if (messages_ > 0) {
      Broken(where + ": kestal reads message " + std::to_string(messages_ + 1) +
             " from it all the same");
      return true;
    }
    bool kestalReadsIt = packet_.size() > pkt::kEmptyPacketSize;
    Broken(where + (kestalReadsIt ? ": not a type 2 packet, kestal renames it to .BAD" : ""));
    return false;
  }

  void ReportTrailingBytes(size_t end) {
    if (end == packet_.size()) return;
    Broken(std::to_string(packet_.size() - end) + " bytes after the end word, from " + At(end) +
           ": kestal logs a size mismatch and leaves them out when it rewrites the packet");
  }

  int Summary() {
    std::string count = std::to_string(messages_) + (messages_ == 1 ? " message" : " messages");
    if (problems_ == 0) {
      out_ << "Framing sound, " << count << '\n';
    } else {
      out_ << "Framing BROKEN (" << problems_ << (problems_ == 1 ? " problem" : " problems")
           << "), " << count << '\n';
    }
    return problems_;
  }
};

}  // namespace

int DumpPacket(std::string_view packet, bool verbose, std::ostream& out) {
  return Walk(packet, verbose, out).Run();
}

}  // namespace pktdump
