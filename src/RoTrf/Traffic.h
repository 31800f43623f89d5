#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "RoTypes/Date.h"
#include "RoTypes/Traffic.h"

namespace kestal {

struct Run;

// Appends the records of a daily traffic file to run.Traffic.List, unmerged. A
// missing file changes nothing; a file that exists but cannot be read is noted in
// run.Traffic.UnreadableFiles, so that the save leaves it alone.
void LoadTrafficFile(Run& run, const std::string& fileName);
// Counts one caught message for its area (tag compared case-sensitively).
void CountTraffic(Run& run, const std::string& echoName, const std::string& date, uint32_t size);
// Appends one record to "statecho.trf" in TrfPath; the record is lost when the
// file cannot be written.
void AppendNameRecord(Run& run, const std::string& echoName, const std::string& date,
                      const std::string& time, const std::string& msgDateTime,
                      const std::string& fromName, const std::string& toName,
                      const std::string& subject, uint32_t size, const std::string& address);
// Sorts run.Traffic.List in name order and folds the entries of each area tag
// (identical byte for byte) into one.
void MergeTrafficList(Run& run);
// Writes run.Traffic.List, merged, as the daily traffic file; deletes the file
// when the list is empty.
void SaveTrafficFile(Run& run, const std::string& fileName);

// Negative, zero or positive; a-z taken as A-Z, then unsigned bytes, a proper
// prefix first.
int CompareNamesIgnoringCase(std::string_view a, std::string_view b);
// The name order: names without regard to case, then byte for byte (so that tags
// differing only in case stay apart but neighbours), then Msgs, then Size.
bool PrecedesInNameOrder(const TTrf& a, const TTrf& b);
// A date stored in a traffic file: "dd.mm.yyyy", as every writer stores it
// whatever date format is in force.
std::optional<TDate> ParseTrafficDate(const Run& run, std::string_view text);

}  // namespace kestal
