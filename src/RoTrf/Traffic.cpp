#include "RoTrf/Traffic.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "Platform/Files.h"
#include "RoTrf/TrafficFormat.h"
#include "RoTrf/TrafficRecords.h"
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
const std::string& PickDate(int currentYear, const std::string& kept, const std::string& other,
                            bool earlier) {
  std::optional<TDate> keptDate = ParseTrafficDate(kept, currentYear);
  std::optional<TDate> otherDate = ParseTrafficDate(other, currentYear);
  if (!otherDate) return kept;
  if (!keptDate) return other;
  bool better = earlier ? *otherDate < *keptDate : *otherDate > *keptDate;
  return better ? other : kept;
}

void Fold(int currentYear, TTrf& into, const TTrf& from) {
  into.FirstDate = PickDate(currentYear, into.FirstDate, from.FirstDate, true);
  into.LastDate = PickDate(currentYear, into.LastDate, from.LastDate, false);
  into.Msgs = SaturatingAdd(into.Msgs, from.Msgs);
  into.Size = SaturatingAdd(into.Size, from.Size);
}

}  // namespace

bool LoadTrafficFile(const platform::FileSystem& files, const std::string& fileName,
                     TrafficList& list) {
  if (!files.FileExists(fileName)) return true;
  std::optional<std::string> bytes = files.ReadFile(fileName);
  if (!bytes) return false;
  // A record cut short by the end of the file lacks at least part of its size,
  // the last field, so its numbers are unknown: it is left out. Our own saves
  // replace the file whole, so only an interrupted foreign writer leaves one.
  std::string_view data = *bytes;
  for (size_t offset = 0; offset + trf::daily::kRecordSize <= data.size();
       offset += trf::daily::kRecordSize) {
    list.push_back(DecodeTrafficRecord(data.substr(offset)));
  }
  return true;
}

void LoadRunTraffic(const TrafficContext& context, const std::string& fileName) {
  TrafficState& state = context.State;
  if (!LoadTrafficFile(context.Files, fileName, state.List)) state.UnreadableFiles.insert(fileName);
}

void CountTraffic(TrafficList& list, const std::string& echoName, const std::string& date,
                  uint32_t size) {
  // Compared as stored, so that a tag longer than the field still finds its entry.
  std::string name = echoName.substr(0, trf::daily::kEchoNameWidth);
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

void AppendNameRecord(const TrafficContext& context, const std::string& echoName, const std::string& date,
                      const std::string& time, const std::string& msgDateTime,
                      const std::string& fromName, const std::string& toName,
                      const std::string& subject, uint32_t size, const std::string& address) {
  TStat stat{echoName, date, time, msgDateTime, fromName, toName, subject, size, 0, address};
  std::string record = EncodeNameRecord(stat);
  const platform::FileSystem& files = context.Files;
  std::string path = context.Config.TrfPath + trf::name::kFileName;
  std::optional<uint64_t> fileSize = files.FileSize(path);
  if (!fileSize || *fileSize % trf::name::kRecordSize == 0) {
    // One write of the whole record. A record that cannot be written is lost
    // from the name statistics only; the message's fate does not hang on it.
    (void)files.AppendFile(path, record);
    return;
  }
  // What follows a whole number of records is a fragment that an interrupted
  // write left behind; readers ignore it. Appending after it would put every
  // later record off its 250-byte boundary, so the fragment is dropped and the
  // file replaced whole (the old file stays if that fails; the record is lost).
  std::optional<std::string> bytes = files.ReadFile(path);
  if (!bytes) return;
  bytes->resize(bytes->size() - bytes->size() % trf::name::kRecordSize);
  (void)files.ReplaceFile(path, *bytes + record);  // as above: only the record is lost
}

void MergeTrafficList(TrafficList& list, int currentYear) {
  std::stable_sort(list.begin(), list.end(), PrecedesInNameOrder);
  TrafficList merged;
  merged.reserve(list.size());
  for (TTrf& entry : list) {
    if (!merged.empty() && merged.back().EchoName == entry.EchoName) {
      Fold(currentYear, merged.back(), entry);
    } else {
      merged.push_back(std::move(entry));
    }
  }
  list = std::move(merged);
}

ActionResult SaveTrafficFile(const TrafficContext& context) {
  TrafficState& state = context.State;
  const std::string& fileName = state.TodayTrafficFile;
  // Its records were never loaded, so writing the list would lose them.
  if (state.UnreadableFiles.contains(fileName)) {
    return ActionResult::Failed(fileName + ": could not be read, so it is kept as it is");
  }
  if (state.List.empty()) {
    (void)context.Files.DeleteFile(fileName);  // mostly there was none to delete
    return ActionResult::Done();
  }
  MergeTrafficList(state.List, context.Today.Year);
  std::string bytes;
  bytes.reserve(state.List.size() * trf::daily::kRecordSize);
  for (const TTrf& entry : state.List) bytes += EncodeTrafficRecord(entry);
  // Written beside the old file and renamed over it: the old file stays whole
  // until the new one is complete. A failure leaves the old counts.
  const platform::FileStatus saved = context.Files.ReplaceFile(fileName, bytes);
  if (!saved) return ActionResult::Failed(fileName + ": " + saved.Reason());
  return ActionResult::Done();
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

std::optional<TDate> ParseTrafficDate(std::string_view text, int currentYear) {
  // Every writer stores RunDate, "dd.mm.yyyy" whatever date format is in force,
  // so that is the format to read them with.
  return ParseDate(text, DateFormat{DateOrder::DayMonthYear, '.'}, currentYear);
}

}  // namespace kestal
