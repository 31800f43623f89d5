#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Utils/MacroText.h"

#include "Platform/Console.h"
#include "Platform/Files.h"

namespace kestal {


// A statistics template after its sort line.
struct TStatTemplate {
  // The 7 characters after "%Sort%" and a separator; empty without a sort line.
  std::string SortKey;
  std::string Body;  // the template without the sort line
};

// A sort line is recognised only at the very start of the text; it is dropped
// with its line end.
TStatTemplate SplitSortLine(std::string_view text);

// What a statistics report fills into its template.
struct TStatValues {
  std::string PeriodText;
  size_t EntryCount = 0;
  // The per-entry macros of the entry at `index` (from 0) of the sorted list.
  std::function<MacroValues(size_t index)> EntryMacros;
  MacroValues Totals;
};

// "%Period%", then each block between the lines ">---<" and ">+++<" repeated once
// per entry with that entry's macros, and the totals in and outside the blocks;
// spaces before line ends are removed. Each piece of the template is expanded in
// one pass, and no value is searched again: names, subjects and area tags come
// from messages.
std::string ExpandStatTemplate(std::string text, const TStatValues& values);
// Replaces the report by the expanded text and the centred closing line, so that
// the file is always a whole report. The log is closed by the time statistics
// are built, so a failure is an error line on the console; false then.
bool WriteStatReport(const platform::FileSystem& files, platform::Console& console,
                     const std::string& path, const std::string& text);

// The percentage right-aligned in 3 characters and "%", for a progress line.
std::string ProgressText(int percent);
// Shows the percentage as the progress line when it is above `shown`, the one
// shown last (0 before the first), and keeps it there.
void ShowProgress(platform::Console& console, int percent, int& shown);

// part * 100 / total to three significant digits and at most two decimals, always
// written with two decimals and the locale's decimal separator; 100 when total is 0.
std::string FormatPercent(uint64_t part, uint64_t total, char decimalSeparator);

}  // namespace kestal
