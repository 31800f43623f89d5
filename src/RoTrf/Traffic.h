#pragma once

#include <cstdint>
#include <string>

namespace kestal {

struct Run;

// Appends the records of a daily traffic file to run.Traffic.List.
void LoadTrafficFile(Run& run, const std::string& fileName);
// Counts one caught message for its area.
void CountTraffic(Run& run, const std::string& echoName, const std::string& date, uint32_t size);
// Appends one record to "statecho.trf" in TrfPath.
void AppendNameRecord(Run& run, const std::string& echoName, const std::string& date,
                      const std::string& time, const std::string& msgDateTime,
                      const std::string& fromName, const std::string& toName,
                      const std::string& subject, uint32_t size, const std::string& address);
// Folds entries of the same area.
void MergeTrafficList(Run& run);
// Writes run.Traffic.List as the day's traffic file.
void SaveTrafficFile(Run& run, const std::string& fileName);

}  // namespace kestal
