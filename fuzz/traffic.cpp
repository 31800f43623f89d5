// The traffic files as earlier runs (or anything else) left them: the daily
// file is loaded, counted into, merged and saved; the record file is appended to
// after whatever fragment it ends with; then both statistics reports read them
// back over a period and sort them with every sort key.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzHome.h"
#include "RoTrf/Period.h"
#include "RoTrf/Statistics.h"
#include "RoTrf/Traffic.h"
#include "RoTrf/TrafficFormat.h"

namespace {

using kestal::fuzz::WriteBytes;

constexpr const char* kSortKeys[] = {"EchoAsc", "EchoDsc", "MsgsAsc", "MsgsDsc",
                                     "SizeAsc", "SizeDsc", "NameAsc", "NameDsc"};
constexpr const char* kTodayFile = "20261210.trf";
constexpr const char* kYesterdayFile = "20261209.trf";

std::string EchoTemplate(const std::string& sortKey) {
  return "%Sort% " + sortKey + "\r\n%Period%\r\n>---<\r\n" +
         "%Num%(R,3) %EchoName%(L,40) %Msgs%(R,6) %Size%(R,10) %AverSize% %Percent%(R,6)\r\n" +
         ">+++<\r\n%SummEcho% %SummMsgs% %SummSize% %SummAverSize% %SummPercent%\r\n";
}

std::string NameTemplate(const std::string& sortKey) {
  return "comment\r\n%Sort% " + sortKey + "\r\n%Period%\r\n>---<\r\n" +
         "%Num% %NameFrom%(L,25) %NameTo% %EchoName% %Subj%(C,20) %Address% %Size%\r\n" +
         ">+++<\r\n%SummMsgs% %SummSize% %SummAverSize%\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static kestal::fuzz::ScratchDir scratch("traffic");
  kestal::fuzz::EmptyDirectory(scratch.path());
  kestal::fuzz::FuzzRun home(scratch.path());
  kestal::Run& run = home.run;
  kestal::Settings& config = run.Config;
  config.TrfPath = scratch.path() + "/";
  config.TemplatePath = scratch.path() + "/";
  config.TrfStatName = scratch / "trf.txt";
  config.StatName = scratch / "stat.txt";

  FuzzedDataProvider data(bytes, size);
  const std::string sortKey = data.PickValueInArray(kSortKeys);
  config.CreateEmptyStat = data.ConsumeBool();
  // Up to three days back: each day of a period is one file to look for.
  const int first = data.ConsumeIntegralInRange(0, 3);
  const int last = data.ConsumeIntegralInRange(0, first);
  const std::string period = std::to_string(first) + "-" + std::to_string(last);
  const std::string periodText = data.ConsumeRandomLengthString(16);
  const std::string echo = data.ConsumeRandomLengthString(64);
  const std::string name = data.ConsumeRandomLengthString(64);
  const size_t dailySize = data.ConsumeIntegralInRange<size_t>(0, data.remaining_bytes());
  const std::string daily = data.ConsumeBytesAsString(dailySize);
  const std::string records = data.ConsumeRemainingBytesAsString();

  WriteBytes(scratch / "trf.tpl", EchoTemplate(sortKey));
  WriteBytes(scratch / "stat.tpl", NameTemplate(sortKey));
  WriteBytes(scratch / kTodayFile, daily);
  WriteBytes(scratch / kYesterdayFile, daily.substr(daily.size() / 2));
  WriteBytes(scratch / kestal::trf::name::kFileName, records);

  kestal::ParsePeriod(periodText, run.StartTime.Date, run.Day.DateFmt);
  const std::string today = scratch / kTodayFile;
  run.Traffic.TodayTrafficFile = today;
  kestal::LoadRunTraffic(run.ForTraffic(), today);
  kestal::CountTraffic(run.Traffic.List, echo, run.Traffic.RunDate, static_cast<uint32_t>(records.size()));
  kestal::AppendNameRecord(run.ForTraffic(), echo, run.Traffic.RunDate, run.Traffic.RunTime, name, name, echo,
                           name, static_cast<uint32_t>(daily.size()), "2:5020/1.5");
  kestal::SaveTrafficFile(run.ForTraffic());
  kestal::BuildEchoStatistics(run.ForStatistics(), period);
  kestal::BuildNameStatistics(run.ForStatistics(), period);
  return 0;
}
