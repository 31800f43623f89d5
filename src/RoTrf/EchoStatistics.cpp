// The echo statistics report (-S): the daily traffic files of a period, one entry
// per area, through the template TrfTemplate into TrfStatName.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>

#include "Platform/Files.h"
#include "Platform/Locale.h"
#include "RoTrf/Period.h"
#include "RoTrf/StatTemplate.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "Utils/Dates.h"

namespace kestal {
namespace {

enum class EchoSort { EchoAsc, EchoDsc, MsgsAsc, MsgsDsc, SizeAsc, SizeDsc };

// Keys are compared with their letter case; anything else is the default.
EchoSort EchoSortFromKey(std::string_view key) {
  if (key == "EchoAsc") return EchoSort::EchoAsc;
  if (key == "EchoDsc") return EchoSort::EchoDsc;
  if (key == "MsgsAsc") return EchoSort::MsgsAsc;
  if (key == "SizeAsc") return EchoSort::SizeAsc;
  if (key == "SizeDsc") return EchoSort::SizeDsc;
  return EchoSort::MsgsDsc;
}

int CompareNumbers(uint32_t a, uint32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

int FirstDifference(std::initializer_list<int> orders) {
  for (int order : orders) {
    if (order != 0) return order;
  }
  return 0;
}

int CompareTraffic(EchoSort mode, const TTrf& a, const TTrf& b) {
  int name = CompareNamesIgnoringCase(a.EchoName, b.EchoName);
  int msgs = CompareNumbers(a.Msgs, b.Msgs);
  int size = CompareNumbers(a.Size, b.Size);
  switch (mode) {
    case EchoSort::EchoAsc: return FirstDifference({name, msgs, size});
    case EchoSort::EchoDsc: return -FirstDifference({name, msgs, size});
    case EchoSort::MsgsAsc: return FirstDifference({msgs, size, name});
    case EchoSort::MsgsDsc: return -FirstDifference({msgs, size, name});
    case EchoSort::SizeAsc: return FirstDifference({size, msgs, name});
    case EchoSort::SizeDsc: return -FirstDifference({size, msgs, name});
  }
  return 0;
}

// Empties the list and loads the daily files of the period, oldest first.
// A day whose file cannot be read is left out of the report.
TrafficList LoadTrafficPeriod(const StatisticsContext& context, const TPeriod& period) {
  TrafficList list;
  int shown = 0;
  for (int day = period.First; day >= period.Last; --day) {
    const std::string file =
        context.Config.TrfPath + FormatCompactDate(PeriodDay(context.StartDay, day)) + ".trf";
    (void)LoadTrafficFile(context.Files, file, list);
    if (period.First == period.Last) continue;
    ShowProgress(context.Console, (period.First - day) * 100 / (period.First - period.Last),
                 shown);
  }
  return list;
}

MacroValues EntryMacros(const TTrf& entry, size_t index, uint64_t totalMsgs, char separator) {
  return {
      {"%Num%", std::to_string(index + 1)},
      {"%EchoName%", entry.EchoName},
      {"%Size%", std::to_string(entry.Size)},
      {"%Msgs%", std::to_string(entry.Msgs)},
      {"%AverSize%", std::to_string(entry.Msgs == 0 ? 0 : entry.Size / entry.Msgs)},
      {"%Percent%", FormatPercent(entry.Msgs, totalMsgs, separator)},
  };
}

}  // namespace

bool BuildEchoStatistics(const StatisticsContext& context, const std::string& periodText) {
  const Settings& config = context.Config;
  context.Console.WriteLine("");
  TStatTemplate tpl = SplitSortLine(
      context.Files.ReadWholeFile(config.TemplatePath + config.TrfTemplate));
  TPeriod period = ParsePeriod(periodText, context.StartDay, context.DateFmt);
  context.Console.WriteLine(context.Lang.LangEchoStatProgress + ": " + period.Text);
  TrafficList list = LoadTrafficPeriod(context, period);
  // An area counted on several days becomes one entry.
  MergeTrafficList(list, context.Today.Year);
  EchoSort mode = EchoSortFromKey(tpl.SortKey);
  std::stable_sort(list.begin(), list.end(), [mode](const TTrf& a, const TTrf& b) {
    return CompareTraffic(mode, a, b) < 0;
  });

  context.Console.WriteLine(context.Lang.LangEchoCount + " - " + std::to_string(list.size()));
  if (list.empty() && !config.CreateEmptyStat) {
    // The old report goes even when no new one follows: it would tell of another
    // period. A new one replaces it whole instead, so that it is never missing.
    (void)context.Files.DeleteFile(config.TrfStatName);
    return true;
  }

  // 64-bit, so that a long period cannot wrap the totals.
  uint64_t totalMsgs = 0;
  uint64_t totalSize = 0;
  for (const TTrf& entry : list) {
    totalMsgs += entry.Msgs;
    totalSize += entry.Size;
  }
  char separator = platform::SystemDecimalSeparator();
  TStatValues values;
  values.PeriodText = period.Text;
  values.EntryCount = list.size();
  values.EntryMacros = [&](size_t index) {
    return EntryMacros(list[index], index, totalMsgs, separator);
  };
  values.Totals = {
      {"%SummSize%", std::to_string(totalSize)},
      {"%SummMsgs%", std::to_string(totalMsgs)},
      {"%SummAverSize%", std::to_string(totalMsgs == 0 ? 0 : totalSize / totalMsgs)},
      {"%SummPercent%", FormatPercent(totalMsgs, totalMsgs, separator)},
      {"%SummEcho%", std::to_string(list.size())},
  };
  return WriteStatReport(context.Files, context.Console, config.TrfStatName,
                         ExpandStatTemplate(tpl.Body, values));
}

}  // namespace kestal
