#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "Platform/Files.h"
#include "RoTypes/ActionResult.h"
#include "RoTypes/Date.h"
#include "RoTypes/Settings.h"
#include "RoTypes/Traffic.h"

namespace kestal {

// The traffic counting of one run.
struct TrafficState {
  bool Enabled = false;  // TrfPath is set
  std::string TodayTrafficFile;
  std::string RunDate;   // "dd.mm.yyyy" of the start time
  std::string RunTime;   // "hh:nn:ss" of the start time
  TrafficList List;      // the day's counts: the file's, then this run's
  // Daily files that exist but could not be read: a save never replaces them.
  std::set<std::string> UnreadableFiles;
};

// What counting and saving traffic needs.
struct TrafficContext {
  const Settings& Config;
  const platform::FileSystem& Files;
  const TDate& Today;
  TrafficState& State;
};

// Appends the records of a daily traffic file to `list`, unmerged. A missing file
// changes nothing; false when the file exists but cannot be read.
[[nodiscard]] bool LoadTrafficFile(const platform::FileSystem& files, const std::string& fileName,
                                   TrafficList& list);
// A daily file into the run's list; an unreadable one is noted, so that the
// save leaves it alone.
void LoadRunTraffic(const TrafficContext& context, const std::string& fileName);
// Counts one caught message for its area (tag compared case-sensitively).
void CountTraffic(TrafficList& list, const std::string& echoName, const std::string& date,
                  uint32_t size);
// Appends one record to "statecho.trf" in TrfPath; the record is lost when the
// file cannot be written.
void AppendNameRecord(const TrafficContext& context, const std::string& echoName, const std::string& date,
                      const std::string& time, const std::string& msgDateTime,
                      const std::string& fromName, const std::string& toName,
                      const std::string& subject, uint32_t size, const std::string& address);
// Sorts the list in name order and folds the entries of each area tag (identical
// byte for byte) into one. Dates without a year of their own ("dd.mm") are read
// in `currentYear`.
void MergeTrafficList(TrafficList& list, int currentYear);
// Writes the run's list, merged, as the day's traffic file; deletes the file
// when the list is empty.
ActionResult SaveTrafficFile(const TrafficContext& context);

// Negative, zero or positive; a-z taken as A-Z, then unsigned bytes, a proper
// prefix first.
int CompareNamesIgnoringCase(std::string_view a, std::string_view b);
// The name order: names without regard to case, then byte for byte (so that tags
// differing only in case stay apart but neighbours), then Msgs, then Size.
bool PrecedesInNameOrder(const TTrf& a, const TTrf& b);
// A date stored in a traffic file: "dd.mm.yyyy", as every writer stores it
// whatever date format is in force.
std::optional<TDate> ParseTrafficDate(std::string_view text, int currentYear);

}  // namespace kestal
