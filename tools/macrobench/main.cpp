// macrobench: times the expansion of report and statistics templates whose texts
// are full of macro names, at growing sizes, and prints the figures. It asserts
// nothing: the time per megabyte should stay flat as the size doubles.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "FReport/Macros.h"
#include "RoTrf/StatTemplate.h"

namespace {

constexpr size_t kMegabyte = 1024 * 1024;
constexpr int kTrials = 3;

std::string RepeatToSize(const std::string& unit, size_t size) {
  std::string out;
  out.reserve(size + unit.size());
  while (out.size() < size) out += unit;
  return out;
}

template <typename Work>
double MedianSeconds(Work&& work) {
  std::vector<double> seconds;
  for (int trial = 0; trial < kTrials; ++trial) {
    const auto start = std::chrono::steady_clock::now();
    work();
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  return seconds[kTrials / 2];
}

void PrintRow(const char* what, size_t size, size_t outSize, double seconds) {
  const double megabytes = static_cast<double>(size) / kMegabyte;
  std::printf("%-32s %6.1f %9.1f %9.4f %10.4f\n", what, megabytes,
              static_cast<double>(outSize) / kMegabyte, seconds, seconds / megabytes);
}

// A caught message whose text is the macro name over and over, quoted by %MsgText%.
void BenchReport(size_t size) {
  const kestal::ReportingRule rule{"Kestal", 1, "Uplink Sysop", {}};
  const kestal::TDateTime now{{2026, 12, 10}, 12, 0, 0, 0};
  kestal::TPktMsgHeader message;
  message.Body = RepeatToSize("%UplinkName% %Date%\r", size);
  std::string out;
  const double seconds = MedianSeconds([&] {
    out = "Caught:\r\n%MsgText%\r\n%UplinkName%\r\n";
    kestal::ExpandMessageMacros(out, message, rule, now);
  });
  PrintRow("report, message text of macros", size, out.size(), seconds);
}

// A statistics template of totals with suffixes around a block whose entries
// have names that are macro names.
void BenchStatistics(size_t size) {
  const std::string name = RepeatToSize("%SummMsgs%", 100);
  kestal::TStatValues values;
  values.PeriodText = "01.12.2026-09.12.2026";
  values.EntryCount = size / kMegabyte * 1000;
  values.EntryMacros = [&](size_t index) {
    return kestal::MacroValues{{"%Num%", std::to_string(index + 1)}, {"%EchoName%", name}};
  };
  values.Totals = {{"%SummMsgs%", "12345"}, {"%SummSize%", "678901"}};
  const std::string text = RepeatToSize("%Period% %SummMsgs%(R,8) %SummSize%\r\n", size) +
                           ">---<\r\n%Num%(R,4) %EchoName%\r\n>+++<\r\n";
  std::string out;
  const double seconds = MedianSeconds([&] { out = kestal::ExpandStatTemplate(text, values); });
  PrintRow("statistics, template of macros", size, out.size(), seconds);
}

}  // namespace

int main() {
  std::printf("Median of %d runs; input MB, output MB, seconds and seconds per input MB.\n",
              kTrials);
  std::printf("%-32s %6s %9s %9s %10s\n", "", "in MB", "out MB", "s", "s/MB");
  for (size_t megabytes : {1, 2, 4, 8, 16}) BenchReport(megabytes * kMegabyte);
  for (size_t megabytes : {1, 2, 4, 8, 16}) BenchStatistics(megabytes * kMegabyte);
  return 0;
}
