// The name statistics report (-E): the records of "statecho.trf" written in a
// period, one per caught message, through the template StatTemplate into StatName.

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "Platform/Files.h"
#include "RoTrf/Period.h"
#include "RoTrf/StatTemplate.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "RoTrf/TrafficFormat.h"
#include "RoTrf/TrafficRecords.h"

namespace kestal {
namespace {

enum class NameSort { EchoAsc, EchoDsc, NameAsc, NameDsc };

// Keys are compared with their letter case; anything else is the default.
NameSort NameSortFromKey(std::string_view key) {
  if (key == "EchoAsc") return NameSort::EchoAsc;
  if (key == "EchoDsc") return NameSort::EchoDsc;
  if (key == "NameDsc") return NameSort::NameDsc;
  return NameSort::NameAsc;
}

int CompareStat(NameSort mode, const TStat& a, const TStat& b) {
  int echo = CompareNamesIgnoringCase(a.EchoName, b.EchoName);
  int name = CompareNamesIgnoringCase(a.NameFrom, b.NameFrom);
  switch (mode) {
    case NameSort::EchoAsc: return echo != 0 ? echo : name;
    case NameSort::EchoDsc: return -(echo != 0 ? echo : name);
    case NameSort::NameAsc: return name != 0 ? name : echo;
    case NameSort::NameDsc: return -(name != 0 ? name : echo);
  }
  return 0;
}

// The records whose run date lies in the period, in file order.
std::vector<TStat> LoadNamePeriod(const StatisticsContext& context, const TPeriod& period) {
  std::vector<TStat> list;
  std::string path = context.Config.TrfPath + trf::name::kFileName;
  if (!context.Files.FileExists(path)) return list;
  std::optional<std::string> bytes = context.Files.ReadFile(path);
  if (!bytes) return list;
  TDate first = PeriodDay(context.StartDay, period.First);
  TDate last = PeriodDay(context.StartDay, period.Last);
  std::string_view data = *bytes;
  int shown = 0;
  // A fragment after the last whole record is what an interrupted write left; it
  // is no record (the next append drops it).
  for (size_t offset = 0; offset + trf::name::kRecordSize <= data.size();
       offset += trf::name::kRecordSize) {
    TStat stat = DecodeNameRecord(data.substr(offset));
    // A date that does not parse places the record in no period.
    std::optional<TDate> day = ParseTrafficDate(stat.Date, context.Today.Year);
    if (!day || *day < first || *day > last) continue;
    list.push_back(std::move(stat));
    ShowProgress(context.Console, static_cast<int>((offset + trf::name::kRecordSize) * 100 / data.size()),
                 shown);
  }
  return list;
}

MacroValues RecordMacros(const TStat& stat, size_t index) {
  return {
      {"%Num%", std::to_string(index + 1)},
      {"%NameFrom%", stat.NameFrom},
      {"%NameTo%", stat.NameTo},
      {"%EchoName%", stat.EchoName},
      {"%Subj%", stat.Subj},
      {"%Address%", stat.Address},
      {"%Size%", std::to_string(stat.Size)},
  };
}

}  // namespace

bool BuildNameStatistics(const StatisticsContext& context, const std::string& periodText) {
  const Settings& config = context.Config;
  context.Console.WriteLine("");
  std::string text =
      context.Files.ReadWholeFile(config.TemplatePath + config.StatTemplate);
  // Text before the sort line, wherever it stands, is the template's own comment.
  size_t sortLine = text.find("%Sort%");
  if (sortLine != std::string::npos) text.erase(0, sortLine);
  TStatTemplate tpl = SplitSortLine(text);
  TPeriod period = ParsePeriod(periodText, context.StartDay, context.DateFmt);
  context.Console.WriteLine(context.Lang.LangNameStatProgress + ": " + period.Text);
  std::vector<TStat> list = LoadNamePeriod(context, period);
  context.Console.WriteLine(context.Lang.LangMessages + " - " + std::to_string(list.size()));
  NameSort mode = NameSortFromKey(tpl.SortKey);
  std::stable_sort(list.begin(), list.end(), [mode](const TStat& a, const TStat& b) {
    return CompareStat(mode, a, b) < 0;
  });

  if (list.empty() && !config.CreateEmptyStat) {
    // The old report goes even when no new one follows: it would tell of another
    // period. A new one replaces it whole instead, so that it is never missing.
    (void)context.Files.DeleteFile(config.StatName);
    return true;
  }

  uint64_t totalSize = 0;  // 64-bit, so that many records cannot wrap it
  for (const TStat& stat : list) totalSize += stat.Size;
  TStatValues values;
  values.PeriodText = period.Text;
  values.EntryCount = list.size();
  values.EntryMacros = [&](size_t index) { return RecordMacros(list[index], index); };
  values.Totals = {
      {"%SummSize%", std::to_string(totalSize)},
      {"%SummAverSize%", std::to_string(list.empty() ? 0 : totalSize / list.size())},
      {"%SummMsgs%", std::to_string(list.size())},
  };
  return WriteStatReport(context.Files, context.Console, config.StatName,
                         ExpandStatTemplate(tpl.Body, values));
}

}  // namespace kestal
