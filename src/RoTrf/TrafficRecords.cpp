#include "RoTrf/TrafficRecords.h"

#include <cstdint>

#include "RoTrf/TrafficFormat.h"
#include "Utils/LittleEndian.h"

namespace kestal {
namespace {

// The characters, then spaces up to the width; `lengthByte` goes first.
void AppendArea(std::string& out, unsigned char lengthByte, std::string_view chars,
                size_t width) {
  out += static_cast<char>(lengthByte);
  out += chars;
  out.append(width - chars.size(), ' ');
}

void AppendTextField(std::string& out, std::string_view text, size_t width) {
  std::string_view chars = text.substr(0, width);
  AppendArea(out, static_cast<unsigned char>(chars.size()), chars, width);
}

// REQUIRES: offset + 1 + width <= record.size().
std::string ReadTextField(std::string_view record, size_t offset, size_t width) {
  size_t length = static_cast<unsigned char>(record[offset]);
  std::string_view area = record.substr(offset + 1, width);
  if (length <= width) return std::string(area.substr(0, length));
  // No writer of ours stores such a length byte. The field width is fixed, so the
  // record stays aligned and its numbers stay right; of the text, the whole area
  // without the spaces that fill it is the best guess.
  size_t end = area.find_last_not_of(' ');
  return std::string(end == std::string_view::npos ? std::string_view() : area.substr(0, end + 1));
}

}  // namespace

std::string EncodeTrafficRecord(const TTrf& entry) {
  using namespace trf::daily;
  std::string record;
  record.reserve(kRecordSize);
  AppendTextField(record, entry.EchoName, kEchoNameWidth);
  AppendTextField(record, entry.FirstDate, kDateWidth);
  AppendTextField(record, entry.LastDate, kDateWidth);
  AppendFixed32(record, entry.Msgs);
  AppendFixed32(record, entry.Size);
  return record;
}

TTrf DecodeTrafficRecord(std::string_view record) {
  using namespace trf::daily;
  TTrf entry;
  entry.EchoName = ReadTextField(record, kEchoName, kEchoNameWidth);
  entry.FirstDate = ReadTextField(record, kFirstDate, kDateWidth);
  entry.LastDate = ReadTextField(record, kLastDate, kDateWidth);
  entry.Msgs = DecodeFixed32(record, kMsgs);
  entry.Size = DecodeFixed32(record, kSize);
  return entry;
}

std::string EncodeNameRecord(const TStat& stat) {
  using namespace trf::name;
  std::string record;
  record.reserve(kRecordSize);
  AppendTextField(record, stat.EchoName, kEchoNameWidth);
  AppendTextField(record, stat.Date, kDateWidth);
  AppendTextField(record, stat.Time, kTimeWidth);
  // This field's length byte is one less than the characters stored; an empty
  // text stores 0 rather than a byte that wraps round to 255.
  std::string_view dateTime = std::string_view(stat.MsgDateTime).substr(0, kMsgDateTimeWidth);
  AppendArea(record, static_cast<unsigned char>(dateTime.empty() ? 0 : dateTime.size() - 1),
             dateTime, kMsgDateTimeWidth);
  AppendTextField(record, stat.NameFrom, kNameWidth);
  AppendTextField(record, stat.NameTo, kNameWidth);
  AppendTextField(record, stat.Subj, kSubjWidth);
  AppendFixed32(record, stat.Size);
  AppendFixed32(record, static_cast<uint32_t>(stat.Reserved));
  AppendTextField(record, stat.Address, kAddressWidth);
  record.append(kTailWidth, '\0');
  return record;
}

TStat DecodeNameRecord(std::string_view record) {
  using namespace trf::name;
  TStat stat;
  stat.EchoName = ReadTextField(record, kEchoName, kEchoNameWidth);
  stat.Date = ReadTextField(record, kDate, kDateWidth);
  stat.Time = ReadTextField(record, kTime, kTimeWidth);
  // Read with its length byte as the count, so the usual 19 characters come back as 18.
  stat.MsgDateTime = ReadTextField(record, kMsgDateTime, kMsgDateTimeWidth);
  stat.NameFrom = ReadTextField(record, kNameFrom, kNameWidth);
  stat.NameTo = ReadTextField(record, kNameTo, kNameWidth);
  stat.Subj = ReadTextField(record, kSubj, kSubjWidth);
  stat.Size = DecodeFixed32(record, kSize);
  stat.Reserved = static_cast<int32_t>(DecodeFixed32(record, kReserved));
  stat.Address = ReadTextField(record, kAddress, kAddressWidth);
  return stat;
}

}  // namespace kestal
