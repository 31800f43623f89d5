#include "Pkt/Packet.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "Logger/Log.h"
#include "Pkt/Message.h"
#include "Pkt/PacketFormat.h"
#include "Pkt/PacketState.h"
#include "Pkt/RuleMatch.h"
#include "Pkt/ScanContext.h"
#include "Utils/Address.h"
#include "Utils/LittleEndian.h"
#include "RoConfig/Passwords.h"
#include "Utils/PktReader.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

constexpr int kPacketLogLevel = 2;
constexpr std::string_view kPasswordExtension = "PSW";
constexpr std::string_view kBadExtension = "BAD";
constexpr std::string_view kNetMailArea = "NetMail";
constexpr std::string_view kEndWord("\0\0", pkt::kEndSize);

// The name up to and including its first dot, then the extension.
std::string RenamedName(const std::string& name, std::string_view extension) {
  const size_t dot = name.find('.');
  const std::string stem = dot == std::string::npos ? std::string() : name.substr(0, dot + 1);
  return stem + std::string(extension);
}

TFidoAddr HeaderAddress(std::string_view header, size_t zone, size_t net, size_t node,
                        size_t point) {
  return TFidoAddr{DecodeFixed16(header, zone), DecodeFixed16(header, net),
                   DecodeFixed16(header, node), DecodeFixed16(header, point), 0};
}

// A packet file error the run survives: the packet is left as it is.
void LogPacketError(const ScanContext& context, const std::string& name) {
  context.Log.Write(context.Lang.LangError + " " + context.Lang.LangPacket + " " + name, true,
                    kPacketLogLevel);
}

// 100 * done / total, the half to the even neighbour; shown when it has grown.
void ShowProgress(const ScanContext& context, int64_t doneBytes) {
  ScanProgress& progress = context.Progress;
  const int64_t total = progress.TotalBytes;
  if (total <= 0) return;
  const int64_t scaled = 100 * doneBytes;
  int64_t percent = scaled / total;
  const int64_t twiceRest = 2 * (scaled % total);
  if (twiceRest > total || (twiceRest == total && percent % 2 == 1)) ++percent;
  if (percent > progress.Percent) {
    context.Console.SetTitle("Kestal - " + std::to_string(percent) + "% scanned");
  }
  progress.Percent = static_cast<int>(percent);
}

class PacketScan {
 public:
  PacketScan(const ScanContext& context, const std::string& name, std::string_view file)
      : context_(context), name_(name), file_(file), reader_(file, static_cast<int32_t>(file.size())) {}

  void Scan();

 private:
  const ScanContext& context_;
  const std::string& name_;
  const std::string_view file_;  // the packet as it was read
  PktReader reader_;
  PacketState packet_;

  const Settings& Config() const { return context_.Config; }
  bool PasswordFails(std::string_view header) const;
  bool InList(const TFidoAddr& address, const std::string& list) const;
  void RenameTo(std::string_view extension, int32_t& counter);
  void KeepRead(std::string_view bytes, size_t begin);
  std::string ReadMessages(unsigned char typeLow, unsigned char typeHigh, size_t messageStart);
  void Finish(const std::string& lastArea);
  const std::string& FinalOutput(std::string_view trailing);
  void Drop(const std::optional<std::string>& emptyForm);
  bool Backup();
  void Rewrite(const std::string& bytes);
};

void PacketScan::Scan() {
  if (file_.size() <= pkt::kEmptyPacketSize) {
    std::optional<std::string> emptyForm;
    if (file_.size() >= pkt::header::kSize) {
      emptyForm = std::string(file_.substr(0, pkt::header::kSize)) + std::string(kEndWord);
    }
    Drop(emptyForm);
    context_.Console.WriteLine("");
    return;
  }
  std::string header;
  while (header.size() < pkt::header::kSize) {
    header.push_back(static_cast<char>(reader_.ReadByte()));
  }
  packet_.Output = PacketOutput(file_);
  KeepRead(header, 0);
  const size_t messagesStart = reader_.Position();
  const unsigned char typeLow = reader_.ReadByte();
  const unsigned char typeHigh = reader_.ReadByte();
  using namespace pkt::header;
  packet_.Orig = HeaderAddress(header, kOrigZone, kOrigNet, kOrigNode, kOrigPoint);
  packet_.Dest = HeaderAddress(header, kDestZone, kDestNet, kDestNode, kDestPoint);

  if (PasswordFails(header)) {
    RenameTo(kPasswordExtension, context_.Counters.PacketsPassword);
    return;
  }
  if (InList(packet_.Orig, Config().DelPktFrom) || InList(packet_.Dest, Config().DelPktTo)) {
    Drop(header + std::string(kEndWord));
    return;
  }
  if (InList(packet_.Orig, Config().SkipPktFrom) || InList(packet_.Dest, Config().SkipPktTo)) {
    return;
  }
  if (typeLow != pkt::kMessageType || typeHigh != 0) {
    RenameTo(kBadExtension, context_.Counters.PacketsBad);
    return;
  }
  context_.Log.Write(context_.Lang.LangPacket + " " + name_ + " " + context_.Lang.LangFrom + " " +
               FormatAddress(packet_.Orig) + " " + context_.Lang.LangTo + " " +
               FormatAddress(packet_.Dest),
           true, kPacketLogLevel);
  Finish(ReadMessages(typeLow, typeHigh, messagesStart));
}

bool PacketScan::PasswordFails(std::string_view header) const {
  if (Config().PasswordFile.empty()) return false;
  const PasswordBytes expected =
      PasswordFor(context_.Passwords, FormatAddress(packet_.Orig), context_.Console);
  const std::string_view given = header.substr(pkt::header::kPassword, pkt::header::kPasswordSize);
  return !std::equal(expected.begin(), expected.end(), given.begin(),
                     [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); });
}

bool PacketScan::InList(const TFidoAddr& address, const std::string& list) const {
  return !list.empty() && AddressInMaskList(address, list, context_.Own);
}

// A rename never replaces a file of the new name: the packet then keeps its
// name and is met again in the next run.
void PacketScan::RenameTo(std::string_view extension, int32_t& counter) {
  const std::string newName = RenamedName(name_, extension);
  // Not yet seen beyond the name the packet keeps.
  if (!Config().SafeMode) (void)context_.Files.RenameNoReplace(name_, newName);
  ++counter;
  context_.Log.Write(name_ + " " + context_.Lang.LangRenamedTo + " " + newName, true, kPacketLogLevel);
  context_.Console.WriteLine("");
}

// Bytes just read from `begin` on stay in the packet. Read whole, they are the
// file's own; bytes the reader made up at the file's end are not.
void PacketScan::KeepRead(std::string_view bytes, size_t begin) {
  const size_t end = reader_.Position();
  if (end - begin == bytes.size()) {
    packet_.Output.KeepFileBytes(begin, end);
  } else {
    packet_.Output.Append(bytes);
  }
}

// The message loop from the type word of the first message; gives the area of the
// last message.
std::string PacketScan::ReadMessages(unsigned char typeLow, unsigned char typeHigh,
                                     size_t messageStart) {
  PacketRules rules(context_, packet_.Orig, packet_.Dest);
  std::string lastArea;
  // Only the end word (or the read limit, where every byte reads as 0) ends the
  // loop: a later message's type word is not examined.
  do {
    TPktMsgHeader message;
    const PackedMessage packed = ReadPackedMessage(reader_, typeLow, typeHigh, message);
    if (!packed.HasAreaLine) ++packet_.MessagesWithoutArea;
    const bool testRules = Config().NetMail || !EqualsIgnoreCaseAscii(message.Area, kNetMailArea);
    switch (ProcessMessage(context_, rules, packet_, message, packed, testRules)) {
      case MessageResult::Remove:
        ++packet_.MessagesRemoved;
        if (Config().SafeMode) KeepRead(packed.Bytes(), messageStart);
        break;
      case MessageResult::Keep:
        KeepRead(packed.Bytes(), messageStart);
        break;
      case MessageResult::Moved:
        break;
    }
    lastArea = std::move(message.Area);
    messageStart = reader_.Position();
    typeLow = reader_.ReadByte();
    typeHigh = reader_.ReadByte();
    ++packet_.MessagesRead;
    ShowProgress(context_, context_.Progress.ScannedBytes + reader_.BytesRead());
  } while (typeLow != 0 || typeHigh != 0);
  return lastArea;
}

void PacketScan::Finish(const std::string& lastArea) {
  // Bytes after the end word are not ours to judge: a rewrite keeps them as they
  // were, and they keep the packet from being deleted as empty.
  const std::string_view trailing =
      std::string_view(file_).substr(std::min<size_t>(reader_.Position(), file_.size()));
  const LangFile& lang = context_.Lang;
  context_.Log.Write(lang.LangMsgsInPacket + " " + std::to_string(packet_.MessagesRead), false,
           kPacketLogLevel);
  RunCounters& counters = context_.Counters;
  if (EqualsIgnoreCaseAscii(lastArea, kNetMailArea)) ++counters.NetMailPackets;
  if (reader_.BytesRead() != reader_.ReadLimit()) {
    context_.Log.Write(lang.LangError + " " + lang.LangSizeMismatch, true, kPacketLogLevel);
    context_.Console.WriteLine("");
  }
  counters.MessagesScanned += packet_.MessagesRead;
  counters.MessagesRemoved += packet_.MessagesRemoved;
  counters.NetMailMessages += packet_.MessagesWithoutArea;
  counters.MessagesCopied += packet_.CopiesAndMoves;
  if (packet_.MessagesRemoved > 0) {
    context_.Log.Write(lang.LangKilled + " " + std::to_string(packet_.MessagesRemoved), true,
             kPacketLogLevel);
  }
  if (packet_.MessagesRead == packet_.MessagesRemoved && packet_.CopiesAndMoves == 0 &&
      trailing.empty()) {
    Drop(FinalOutput(trailing));
  } else if ((packet_.MessagesRemoved > 0 || packet_.CopiesAndMoves > 0) && !Config().SafeMode) {
    if (Backup()) Rewrite(FinalOutput(trailing));
  }
  context_.Console.WriteLine("");
}

// The packet as it is to be written back: the output, the end word and the bytes
// that followed the end word.
const std::string& PacketScan::FinalOutput(std::string_view trailing) {
  packet_.Output.Append(kEndWord);
  packet_.Output.Append(trailing);
  return packet_.Output.Bytes();
}

// A packet that is to disappear: deleted after a backup or, with KeepEmpty, left
// as `emptyForm` (header and end word; none when the file is too short to hold a
// header, which then stays as it is). A failed backup leaves the packet alone:
// it is not lost for want of the copy the sysop asked for.
void PacketScan::Drop(const std::optional<std::string>& emptyForm) {
  if (Config().KeepEmpty) {
    if (Config().SafeMode || !emptyForm || *emptyForm == file_) return;
    if (Backup()) Rewrite(*emptyForm);
    return;
  }
  if (!Config().SafeMode) {
    if (!Backup()) return;
    if (!context_.Files.DeleteFile(name_)) {
      LogPacketError(context_, name_);
      return;
    }
  }
  ++context_.Counters.PacketsDeleted;
  context_.Log.Write(context_.Lang.LangPacketDeleted + " " + name_, true, kPacketLogLevel);
}

bool PacketScan::Backup() {
  if (Config().PktBackupPath.empty()) return true;
  const std::string copy = Config().PktBackupPath + name_;
  context_.Console.WriteLine(copy);
  if (context_.Files.WriteFile(copy, file_)) return true;
  LogPacketError(context_, name_);
  return false;
}

// Through a temporary file: a crash or a full disk leaves the old packet whole.
void PacketScan::Rewrite(const std::string& bytes) {
  if (!context_.Files.ReplaceFile(name_, bytes)) LogPacketError(context_, name_);
}

}  // namespace

void ScanPacket(const ScanContext& context, const std::string& name, int64_t listedSize) {
  ++context.Counters.PacketsScanned;
  const std::optional<platform::FileBytes> file = context.Files.ReadFileBytes(name);
  // A packet that cannot be read, or whose size changed since it was listed (a
  // mailer may still be writing it), is left for the next run.
  if (!file || static_cast<int64_t>(file->size()) != listedSize ||
      listedSize > std::numeric_limits<int32_t>::max()) {
    LogPacketError(context, name);
    context.Console.WriteLine("");
    return;
  }
  PacketScan(context, name, file->View()).Scan();
}

}  // namespace kestal
