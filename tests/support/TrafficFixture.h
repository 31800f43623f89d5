#pragma once

// Shared by the traffic and statistics tests: a run with traffic counting on, its
// TrfPath in a scratch directory, started at a fixed time: 10 Dec 2026 12:00:00;
// and the bytes of a daily traffic file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoTrf/TrafficRecords.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"

namespace kestal::test {

inline constexpr TDateTime kTrafficStart{{2026, 12, 10}, 12, 0, 0, 0};

// The bytes of a daily traffic file holding the entries in this order.
inline std::string DailyRecords(const std::vector<TTrf>& entries) {
  std::string bytes;
  for (const TTrf& entry : entries) bytes += EncodeTrafficRecord(entry);
  return bytes;
}

// One run of the program over the directory; several may share a directory.
class TrafficRun {
 public:
  explicit TrafficRun(const std::string& trfDir) : clock_(kTrafficStart), run_(clock_, console_) {
    run_.Config.TrfPath = trfDir + "/";
    run_.Config.TemplatePath = trfDir + "/";
    run_.Config.TrfStatName = trfDir + "/trf.txt";
    run_.Config.StatName = trfDir + "/stat.txt";
    run_.StartTime = kTrafficStart;
    run_.Day.Today = kTrafficStart.Date;
    run_.Traffic.Enabled = true;
    run_.Traffic.TodayTrafficFile = trfDir + "/20261210.trf";
    run_.Traffic.RunDate = "10.12.2026";
    run_.Traffic.RunTime = "12:00:00";
    run_.Lang.LangEchoStatProgress = "Echo statistics";
    run_.Lang.LangNameStatProgress = "Name statistics";
    run_.Lang.LangEchoCount = "Areas";
    run_.Lang.LangMessages = "Messages";
  }

  kestal::Run& run() { return run_; }
  const std::string& console() const { return console_.output; }

 private:
  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  kestal::Run run_;
};

}  // namespace kestal::test
