// The statistics template engine: the sort line, the repeated blocks and the
// aligned macros, with values as hostile as the area tags, names and subjects
// that traffic files hold.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "RoTrf/StatTemplate.h"

namespace {

constexpr size_t kMaxValue = 128;
constexpr size_t kMaxEntries = 16;
constexpr const char* kEntryMacros[] = {"%Num%",  "%EchoName%", "%Size%",    "%Msgs%",
                                        "%Subj%", "%NameFrom%", "%Percent%", "%AverSize%"};
constexpr const char* kTotalMacros[] = {"%SummSize%", "%SummMsgs%", "%SummAverSize%",
                                        "%SummPercent%", "%SummEcho%"};

std::string Value(FuzzedDataProvider& data) { return data.ConsumeRandomLengthString(kMaxValue); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  kestal::TStatValues values;
  values.PeriodText = Value(data);
  const size_t entryCount = data.ConsumeIntegralInRange<size_t>(0, kMaxEntries);
  std::vector<kestal::MacroValues> entries(entryCount);
  for (kestal::MacroValues& entry : entries) {
    for (const char* macro : kEntryMacros) entry.push_back({macro, Value(data)});
  }
  values.EntryCount = entryCount;
  values.EntryMacros = [&entries](size_t index) { return entries.at(index); };
  for (const char* macro : kTotalMacros) values.Totals.push_back({macro, Value(data)});
  // Parts and totals as the reports count them: 32-bit counters summed in 64 bits.
  const uint64_t part = data.ConsumeIntegral<uint32_t>();
  const uint64_t total = part + data.ConsumeIntegral<uint32_t>() * uint64_t{kMaxEntries};
  const char separator = data.ConsumeIntegral<char>();
  const int percent = data.ConsumeIntegralInRange<int>(-1, 1000);

  const kestal::TStatTemplate tpl = kestal::SplitSortLine(data.ConsumeRemainingBytesAsString());
  kestal::ExpandStatTemplate(tpl.Body, values);
  kestal::FormatPercent(part, total, separator);
  kestal::ProgressText(percent);
  return 0;
}
