#include "FReport/Netmail.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "FReport/MsgFormat.h"
#include "Platform/Files.h"
#include "RoTypes/Version.h"
#include "Utils/Address.h"
#include "Utils/Dates.h"
#include "Utils/LittleEndian.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr char kCR = '\r';
// Copies the text into a zero-filled field, keeping the last byte zero.
void PutText(std::string& header, int offset, int size, std::string_view text) {
  std::string_view cut = text.substr(0, static_cast<size_t>(size - 1));
  header.replace(static_cast<size_t>(offset), cut.size(), cut);
}

// Stores the low 16 bits of the value, little-endian.
void PutWord(std::string& header, int offset, int32_t value) {
  EncodeFixed16(header, static_cast<size_t>(offset), static_cast<uint16_t>(value));
}

std::string FixedHeader(const std::string& fromName, const TFidoAddr& origin,
                        const std::string& toName, const TFidoAddr& destination,
                        const std::string& subject, const TDateTime& now) {
  using namespace msgformat;
  std::string header(kHeaderSize, '\0');
  PutText(header, kFromNameOffset, kFromNameSize, fromName);
  PutText(header, kToNameOffset, kToNameSize, toName);
  PutText(header, kSubjectOffset, kSubjectSize, subject);
  PutText(header, kDateTimeOffset, kDateTimeSize, FormatMessageDateTime(now));
  PutWord(header, kDestNodeOffset, destination.Node);
  PutWord(header, kOrigNodeOffset, origin.Node);
  PutWord(header, kOrigNetOffset, origin.Net);
  PutWord(header, kDestNetOffset, destination.Net);
  PutWord(header, kDestZoneOffset, destination.Zone);
  PutWord(header, kOrigZoneOffset, origin.Zone);
  PutWord(header, kDestPointOffset, destination.Point);
  PutWord(header, kOrigPointOffset, origin.Point);
  PutWord(header, kAttributeOffset, kAttrPrivate | kAttrKillSent | kAttrLocal);
  return header;
}

void AppendKludge(std::string& text, std::string_view kludge) {
  text += '\x01';
  text += kludge;
  text += kCR;
}


// The time as a DOS date-time stamp: year-1980, month, day, hour, minute, second/2.
uint32_t DosDateTime(const TDateTime& time) {
  const auto year = static_cast<uint32_t>(time.Date.Year - 1980) & 0x7F;
  return year << 25 | static_cast<uint32_t>(time.Date.Month) << 21 |
         static_cast<uint32_t>(time.Date.Day) << 16 | static_cast<uint32_t>(time.Hour) << 11 |
         static_cast<uint32_t>(time.Minute) << 5 | static_cast<uint32_t>(time.Second) / 2;
}

// The number of an "N.msg" name (letter case ignored), or -1 for any other name.
// Numbers too large to be followed by another are ignored as well.
int MsgNumberOfName(std::string_view name) {
  if (!TextMatchesMask(name, "*.MSG")) return -1;
  const std::string_view stem = name.substr(0, name.find('.'));
  if (stem.empty()) return -1;
  int64_t number = 0;
  for (char c : stem) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
    if (number >= INT_MAX) return -1;
  }
  return static_cast<int>(number);
}

// Tossers that keep their high-water mark in 1.msg never export it, so a report
// written there would never leave the node.
constexpr int kFirstMsgNumber = 2;

int ListNextMsgNumber(const platform::FileSystem& files, const std::string& directory) {
  int highest = 0;
  for (const platform::DirEntry& entry : files.ListFiles(directory)) {
    const int number = MsgNumberOfName(entry.Name);
    if (number > highest) highest = number;
  }
  return std::max(highest + 1, kFirstMsgNumber);
}


}  // namespace

std::string BuildMsgHead(const ReportContext& context, const std::string& fromName,
                         const TFidoAddr& origin, const std::string& toName,
                         const TFidoAddr& destination, const std::string& subject) {
  std::string text =
      FixedHeader(fromName, origin, toName, destination, subject, context.Clock.Now());
  AppendKludge(text, "INTL " + FormatNodeAddress(destination) + " " + FormatNodeAddress(origin));
  if (origin.Point != 0) AppendKludge(text, "FMPT " + std::to_string(origin.Point));
  if (destination.Point != 0) AppendKludge(text, "TOPT " + std::to_string(destination.Point));
  AppendKludge(text, "MSGID: " + FormatAddress(origin) + " " + MakeMsgIdSerial(context.Clock, context.Netmail));
  AppendKludge(text, "PID: " + std::string(kProgramVersion));
  return text;
}

void AppendTail(const Settings& config, const TFidoAddr& origin, std::string& text) {
  text += kCR;
  if (!config.Tagline.empty()) text += "... " + config.Tagline + kCR;
  text += "--- " + config.Tearline + kCR;
  if (!config.Origin.empty()) {
    text += " * Origin: " + config.Origin + " (" + FormatAddress(origin) + ")" + kCR;
  }
  text += '\0';
}

std::string MakeMsgIdSerial(const platform::Clock& clock, NetmailState& netmail) {
  const TDateTime now = clock.Now();
  // Signed 32-bit arithmetic that wraps, done on unsigned values to stay defined.
  auto serial = static_cast<int32_t>(DosDateTime(now) * 1000u +
                                     static_cast<uint32_t>(now.Millisecond));
  if (serial < 0) serial = static_cast<int32_t>(static_cast<uint32_t>(serial) + INT32_MAX);
  int32_t& last = netmail.LastMsgIdSerial;
  if (serial <= last) serial = static_cast<int32_t>(static_cast<uint32_t>(last) + 1u);
  last = serial;
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08x", static_cast<uint32_t>(serial));
  return hex;
}

int NextMsgNumber(const ReportContext& context, const std::string& directory) {
  auto& known = context.Netmail.NextMsgNumber;
  auto found = known.find(directory);
  if (found == known.end()) {
    found = known.emplace(directory, ListNextMsgNumber(context.Files, directory)).first;
  }
  return found->second;
}

ActionResult WriteNetmail(const ReportContext& context, const TFidoAddr& destination,
                          const std::string& text) {
  const std::string& directory = IsOwnAddress(destination, context.Own)
                                     ? context.Config.ReportPath
                                     : context.Config.ReportOutPath;
  int number = NextMsgNumber(context, directory);
  // Another program may have taken numbers since the directory was listed: move
  // on past them, never over them. A name taken by anything at all (a dangling
  // link, a FIFO, a directory) is passed over the same way. Any other failure
  // gives up on this message.
  for (;; ++number) {
    if (number == INT_MAX) return ActionResult::Failed(directory + ": no free message number");
    const std::string path = directory + std::to_string(number) + ".msg";
    const platform::FileStatus created = context.Files.CreateNewFile(path, text);
    if (created) break;
    if (created.Error() != EEXIST) return ActionResult::Failed(path + ": " + created.Reason());
  }
  context.Netmail.NextMsgNumber[directory] = number + 1;
  return ActionResult::Done();
}

}  // namespace kestal
