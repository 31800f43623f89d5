#include "Pkt/Packet.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "Logger/Log.h"
#include "Pkt/CheckedPackets.h"
#include "Pkt/Message.h"
#include "Pkt/PacketFormat.h"
#include "Pkt/PacketHeader.h"
#include "Pkt/PacketState.h"
#include "Pkt/RuleActions.h"
#include "Pkt/RuleMatch.h"
#include "Pkt/ScanContext.h"
#include "Utils/Address.h"
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

// A packet modified within this time, and cut short, is taken to be still on its
// way in (a mailer writing it): it is left for the next run.
constexpr int64_t kArrivalSeconds = 60;

std::string PathIn(const std::string& directory, const std::string& name) {
  return directory == "." ? name : directory + "/" + name;
}

void LogLeftForNextRun(const ScanContext& context, const std::string& name, std::string_view why) {
  context.Log.Write(context.Lang.LangPacket + " " + name + " " + std::string(why) +
                        ", left for the next run",
                    true, kPacketLogLevel);
}

// A clock set back, or a file from a faster clock, says nothing about a writer.
bool ModifiedJustNow(const ScanContext& context, const std::string& path) {
  const std::optional<int64_t> age = context.Files.SecondsSinceModified(path);
  return age && *age >= 0 && *age < kArrivalSeconds;
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

// Frames the messages only, to see whether the file ends before the end word.
// At the end of the file the reader invents 0 bytes without moving on, so a
// type word that does not move the reader was made up.
bool LacksEndWord(std::string_view file) {
  if (file.size() < pkt::kEmptyPacketSize) return true;
  PktReader reader(file, static_cast<int32_t>(file.size()));
  for (size_t i = 0; i < pkt::header::kSize; ++i) reader.ReadByte();
  for (;;) {
    const int32_t typeStart = reader.Position();
    const unsigned char typeLow = reader.ReadByte();
    const unsigned char typeHigh = reader.ReadByte();
    if (reader.Position() - typeStart < static_cast<int32_t>(pkt::kEndSize)) return true;
    if (typeLow == 0 && typeHigh == 0) return false;
    TPktMsgHeader message;
    ReadPackedMessage(reader, typeLow, typeHigh, message);
  }
}

class PacketScan {
 public:
  PacketScan(const ScanContext& context, const std::string& directory, const std::string& name,
             std::string_view file)
      : context_(context),
        directory_(directory),
        name_(name),
        path_(PathIn(directory, name)),
        file_(file),
        reader_(file, static_cast<int32_t>(file.size())) {}

  void Scan();
  // The bytes the packet was left with under its name, when it was.
  const std::optional<std::string_view>& Left() const { return left_; }

 private:
  const ScanContext& context_;
  const std::string& directory_;
  const std::string& name_;  // as the log shows it
  const std::string path_;
  const std::string_view file_;  // the packet as it was read
  std::optional<std::string_view> left_;
  bool endWordMissing_ = false;  // the message loop read past the file's end
  PktReader reader_;
  PacketState packet_;

  const Settings& Config() const { return context_.Config; }
  bool PasswordFails(std::string_view header) const;
  bool InList(const TFidoAddr& address, const std::string& list) const;
  void RenameTo(std::string_view extension, int32_t& counter);
  void KeepRead(std::string_view bytes, size_t begin);
  std::string ReadMessages(unsigned char typeLow, unsigned char typeHigh, size_t messageStart);
  bool StillArriving() const;
  void Finish(const std::string& lastArea);
  bool WriteBack(std::string_view trailing);
  const std::string& FinalOutput(std::string_view trailing);
  bool Drop(const std::optional<std::string>& emptyForm);
  bool Backup();
  bool Rewrite(const std::string& bytes, std::string_view outcome);
};

// Cut short (the file ends before the end word) and modified just now. A whole
// packet ends with its end word, so only a file that does not, or that the
// message loop found cut, is framed to tell.
bool PacketScan::StillArriving() const {
  const bool endsLikeAPacket = file_.size() >= pkt::kEmptyPacketSize && file_.ends_with(kEndWord);
  if (!endWordMissing_ && endsLikeAPacket) return false;
  return ModifiedJustNow(context_, path_) && (endWordMissing_ || LacksEndWord(file_));
}

void PacketScan::Scan() {
  if (StillArriving()) {
    LogLeftForNextRun(context_, name_, "is still being written");
    context_.Console.WriteLine("");
    return;
  }
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
  packet_.Orig = pkt::HeaderOrigAddress(header);
  packet_.Dest = pkt::HeaderDestAddress(header);

  if (PasswordFails(header)) {
    RenameTo(kPasswordExtension, context_.Counters.PacketsPassword);
    return;
  }
  if (InList(packet_.Orig, Config().DelPktFrom) || InList(packet_.Dest, Config().DelPktTo)) {
    Drop(header + std::string(kEndWord));
    return;
  }
  if (InList(packet_.Orig, Config().SkipPktFrom) || InList(packet_.Dest, Config().SkipPktTo)) {
    left_ = file_;
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
  // The stored password is upper-cased; peers send theirs in whatever case the
  // sysop typed it.
  const std::string given =
      UpperCaseAscii(header.substr(pkt::header::kPassword, pkt::header::kPasswordSize));
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
  if (!Config().SafeMode) {
    const platform::FileStatus renamed =
        context_.Files.RenameNoReplace(path_, PathIn(directory_, newName));
    if (!renamed) ReportFailure(context_, "packet not renamed", path_ + ": " + renamed.Reason());
  }
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
    // At the end of the file the reader invents 0 bytes without moving on.
    endWordMissing_ = reader_.Position() - messageStart < pkt::kEndSize;
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
  // Cut where the file happens to end in 0 bytes: the messages were tried, but
  // nothing of them is written back or reported.
  if (endWordMissing_ && StillArriving()) {
    LogLeftForNextRun(context_, name_, "is still being written");
    context_.Console.WriteLine("");
    return;
  }
  counters.MessagesScanned += packet_.MessagesRead;
  counters.NetMailMessages += packet_.MessagesWithoutArea;
  if (packet_.MessagesRemoved > 0) {
    context_.Log.Write(lang.LangKilled + " " + std::to_string(packet_.MessagesRemoved), true,
             kPacketLogLevel);
  }
  if (WriteBack(trailing)) {
    counters.MessagesRemoved += packet_.MessagesRemoved;
    counters.MessagesCopied += packet_.CopiesAndMoves;
    ReportCaughtMessages(context_, packet_);
  }
  context_.Console.WriteLine("");
}

// Deletes, rewrites or leaves the packet as its messages' fates ask; false when
// that could not be done, and the packet stays as it was.
bool PacketScan::WriteBack(std::string_view trailing) {
  if (packet_.MessagesRead == packet_.MessagesRemoved && packet_.CopiesAndMoves == 0 &&
      trailing.empty()) {
    return Drop(FinalOutput(trailing));
  }
  if ((packet_.MessagesRemoved > 0 || packet_.CopiesAndMoves > 0) && !Config().SafeMode) {
    return Backup() && Rewrite(FinalOutput(trailing), "packet not rewritten, nothing removed");
  }
  left_ = file_;
  return true;
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
bool PacketScan::Drop(const std::optional<std::string>& emptyForm) {
  if (Config().KeepEmpty) {
    if (Config().SafeMode || !emptyForm || *emptyForm == file_) {
      left_ = file_;
      return true;
    }
    return Backup() && Rewrite(*emptyForm, "packet not emptied, nothing removed");
  }
  if (Config().SafeMode) {
    left_ = file_;
  } else {
    if (!Backup()) return false;
    const platform::FileStatus deleted = context_.Files.DeleteFile(path_);
    if (!deleted) {
      ReportFailure(context_, "packet not deleted, nothing removed",
                    path_ + ": " + deleted.Reason());
      return false;
    }
  }
  ++context_.Counters.PacketsDeleted;
  context_.Log.Write(context_.Lang.LangPacketDeleted + " " + name_, true, kPacketLogLevel);
  return true;
}

// Through a temporary file and a rename, like the packet itself: a killed run
// never leaves an empty or short backup under the packet's name.
bool PacketScan::Backup() {
  if (Config().PktBackupPath.empty()) return true;
  const std::string copy = Config().PktBackupPath + name_;
  context_.Console.WriteLine(copy);
  const platform::FileStatus copied = context_.Files.ReplaceFile(copy, file_);
  if (copied) return true;
  ReportFailure(context_, "packet not backed up, so left as it was", copy + ": " + copied.Reason());
  return false;
}

// Through a temporary file: a crash or a full disk leaves the old packet whole.
bool PacketScan::Rewrite(const std::string& bytes, std::string_view outcome) {
  const platform::FileStatus replaced = context_.Files.ReplaceFile(path_, bytes);
  if (!replaced) {
    ReportFailure(context_, outcome, path_ + ": " + replaced.Reason());
    return false;
  }
  left_ = bytes;
  return true;
}

}  // namespace

void ScanPacket(const ScanContext& context, const std::string& directory, const std::string& name,
                int64_t listedSize, CheckedPackets* checked) {
  ++context.Counters.PacketsScanned;
  const std::string path = PathIn(directory, name);
  // Refused from its size, before a byte is read: a sparse file of many GB
  // would otherwise take the memory of the whole run.
  if (listedSize > pkt::kMaxPacketBytes) {
    ReportFailure(context, "packet not checked",
                  path + ": larger than " + std::to_string(pkt::kMaxPacketBytes) + " bytes");
    context.Console.WriteLine("");
    return;
  }
  const std::optional<platform::FileStamp> before = context.Files.Stamp(path);
  const std::optional<platform::FileBytes> file = context.Files.ReadFileBytes(path);
  if (!file || !before) {
    ReportFailure(context, "packet not checked", path + ": " + std::strerror(errno));
    context.Console.WriteLine("");
    return;
  }
  // A packet that grows or changes while it is read (a mailer still writing
  // it) is left for the next run, never rewritten or deleted under its writer.
  if (context.Files.Stamp(path) != before || static_cast<int64_t>(file->size()) != listedSize ||
      file->size() != before->Size) {
    LogLeftForNextRun(context, name, "changed while it was read");
    context.Console.WriteLine("");
    return;
  }
  if (checked != nullptr && checked->Unchanged(name, file->View())) {
    context.Log.Write(context.Lang.LangPacket + " " + name + " checked before and unchanged since",
                      true, kPacketLogLevel);
    context.Console.WriteLine("");
    return;
  }
  PacketScan scan(context, directory, name, file->View());
  scan.Scan();
  if (checked != nullptr && scan.Left()) checked->Left(name, *scan.Left());
}

}  // namespace kestal
