#include "RoTrf/Traffic.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "Platform/Files.h"
#include "RoTrf/TrafficFormat.h"
#include "RoTrf/TrafficRecords.h"
#include "RoTypes/Run.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {
namespace {

// The files hold 32-bit counters; a sum that would wrap stays at the largest value
// instead of starting again from a small one.
uint32_t SaturatingAdd(uint32_t a, uint32_t b) {
  return a > std::numeric_limits<uint32_t>::max() - b ? std::numeric_limits<uint32_t>::max()
                                                      : a + b;
}

// `other` replaces `kept` only when it is a date that lies strictly earlier (or
// later); a text that is no date never replaces one that is, and of two texts
// that are no dates the kept one stays.
const std::string& PickDate(const Run& run, const std::string& kept, const std::string& other,
                            bool earlier) {
  std::optional<TDate> keptDate = ParseTrafficDate(run, kept);
  std::optional<TDate> otherDate = ParseTrafficDate(run, other);
  if (!otherDate) return kept;
  if (!keptDate) return other;
  bool better = earlier ? *otherDate < *keptDate : *otherDate > *keptDate;
  return better ? other : kept;
}

void Fold(const Run& run, TTrf& into, const TTrf& from) {
  into.FirstDate = PickDate(run, into.FirstDate, from.FirstDate, true);
  into.LastDate = PickDate(run, into.LastDate, from.LastDate, false);
  into.Msgs = SaturatingAdd(into.Msgs, from.Msgs);
  into.Size = SaturatingAdd(into.Size, from.Size);
}

}  // namespace

void LoadTrafficFile(Run& run, const std::string& fileName) {
  if (!platform::FileExists(fileName)) return;
  std::optional<std::string> bytes = platform::ReadFile(fileName);
  if (!bytes) {
    run.Traffic.UnreadableFiles.insert(fileName);
    return;
  }
  // A record cut short by the end of the file lacks at least part of its size,
  // the last field, so its numbers are unknown: it is left out. Our own saves
  // replace the file whole, so only an interrupted foreign writer leaves one.
  std::string_view data = *bytes;
  for (size_t offset = 0; offset + trf::daily::kRecordSize <= data.size();
       offset += trf::daily::kRecordSize) {
    run.Traffic.List.push_back(DecodeTrafficRecord(data.substr(offset)));
  }
}

void CountTraffic(Run& run, const std::string& echoName, const std::string& date, uint32_t size) {
  // Compared as stored, so that a tag longer than the field still finds its entry.
  std::string name = echoName.substr(0, trf::daily::kEchoNameWidth);
  TrafficList& list = run.Traffic.List;
  auto found = std::find_if(list.begin(), list.end(),
                            [&](const TTrf& entry) { return entry.EchoName == name; });
  if (found == list.end()) {
    std::string day = date.substr(0, trf::daily::kDateWidth);
    list.push_back(TTrf{name, day, day, 1, size});
    return;
  }
  found->Size = SaturatingAdd(found->Size, size);
  found->LastDate = date.substr(0, trf::daily::kDateWidth);
  found->Msgs = SaturatingAdd(found->Msgs, 1);
}

void AppendNameRecord(Run& run, const std::string& echoName, const std::string& date,
                      const std::string& time, const std::string& msgDateTime,
                      const std::string& fromName, const std::string& toName,
                      const std::string& subject, uint32_t size, const std::string& address) {
  TStat stat{echoName, date, time, msgDateTime, fromName, toName, subject, size, 0, address};
  std::string record = EncodeNameRecord(stat);
  std::string path = run.Config.TrfPath + trf::name::kFileName;
  std::optional<uint64_t> fileSize = platform::FileSize(path);
  if (!fileSize || *fileSize % trf::name::kRecordSize == 0) {
    platform::AppendFile(path, record);  // one write of the whole record
    return;
  }
  // What follows a whole number of records is a fragment that an interrupted
  // write left behind; readers ignore it. Appending after it would put every
  // later record off its 250-byte boundary, so the fragment is dropped and the
  // file replaced whole (the old file stays if that fails; the record is lost).
  std::optional<std::string> bytes = platform::ReadFile(path);
  if (!bytes) return;
  bytes->resize(bytes->size() - bytes->size() % trf::name::kRecordSize);
  platform::ReplaceFile(path, *bytes + record);
}

void MergeTrafficList(Run& run) {
  TrafficList& list = run.Traffic.List;
  std::stable_sort(list.begin(), list.end(), PrecedesInNameOrder);
  TrafficList merged;
  merged.reserve(list.size());
  for (TTrf& entry : list) {
    if (!merged.empty() && merged.back().EchoName == entry.EchoName) {
      Fold(run, merged.back(), entry);
    } else {
      merged.push_back(std::move(entry));
    }
  }
  list = std::move(merged);
}

void SaveTrafficFile(Run& run, const std::string& fileName) {
  // Its records were never loaded, so writing the list would lose them.
  if (run.Traffic.UnreadableFiles.contains(fileName)) return;
  if (run.Traffic.List.empty()) {
    platform::DeleteFile(fileName);
    return;
  }
  MergeTrafficList(run);
  std::string bytes;
  bytes.reserve(run.Traffic.List.size() * trf::daily::kRecordSize);
  for (const TTrf& entry : run.Traffic.List) bytes += EncodeTrafficRecord(entry);
  // Written beside the old file and renamed over it: the old file stays whole
  // until the new one is complete.
  platform::ReplaceFile(fileName, bytes);
}

int CompareNamesIgnoringCase(std::string_view a, std::string_view b) {
  // std::string compares bytes as unsigned values, a proper prefix first.
  return UpperCaseAscii(a).compare(UpperCaseAscii(b));
}

bool PrecedesInNameOrder(const TTrf& a, const TTrf& b) {
  if (int order = CompareNamesIgnoringCase(a.EchoName, b.EchoName)) return order < 0;
  if (int order = a.EchoName.compare(b.EchoName)) return order < 0;
  if (a.Msgs != b.Msgs) return a.Msgs < b.Msgs;
  return a.Size < b.Size;
}

std::optional<TDate> ParseTrafficDate(const Run& run, std::string_view text) {
  // Every writer stores RunDate, "dd.mm.yyyy" whatever date format is in force,
  // so that is the format to read them with.
  return ParseDate(text, DateFormat{DateOrder::DayMonthYear, '.'}, run.Today.Year);
}

}  // namespace kestal
