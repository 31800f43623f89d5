#include "RoTrf/StatTemplate.h"

#include "RoTypes/Version.h"
#include "Utils/MacroText.h"

namespace kestal {
namespace {

constexpr std::string_view kSortMarker = "%Sort%";
constexpr size_t kSortKeyOffset = kSortMarker.size() + 1;  // after one separator
constexpr size_t kSortKeyLength = 7;
constexpr std::string_view kBlockStart = ">---<\r\n";
constexpr std::string_view kBlockEnd = ">+++<\r\n";
constexpr std::string_view kClosingText = kProgramVersion;
constexpr size_t kReportWidth = 80;
constexpr std::string_view kPeriodMacro = "%Period%";

// One copy of the block per entry, each with that entry's values and the totals,
// expanded as it is copied: a value holding a block marker or a macro name stays
// as it is, and is never filled with another entry's value.
void AppendBlockCopies(std::string& out, std::string_view block, const TStatValues& values) {
  for (size_t index = 0; index < values.EntryCount; ++index) {
    MacroValues macros = values.EntryMacros(index);
    macros.insert(macros.end(), values.Totals.begin(), values.Totals.end());
    AppendExpanded(out, block, macros, MacroSuffix::Alignment);
  }
}

// The blocks are found in the template itself, so nothing that a value brings in
// can start one.
std::string ExpandBlocksAndTotals(std::string_view text, const TStatValues& values) {
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  size_t start;
  while ((start = text.find(kBlockStart, from)) != std::string_view::npos) {
    AppendExpanded(out, text.substr(from, start - from), values.Totals, MacroSuffix::Alignment);
    const size_t blockBegin = start + kBlockStart.size();
    // The end marker is looked for after the start marker, so that a stray end
    // marker before it stays ordinary text and leaves this block its proper end.
    const size_t end = text.find(kBlockEnd, blockBegin);
    const size_t blockEnd = end == std::string_view::npos ? text.size() : end;
    AppendBlockCopies(out, text.substr(blockBegin, blockEnd - blockBegin), values);
    from = end == std::string_view::npos ? text.size() : end + kBlockEnd.size();
  }
  AppendExpanded(out, text.substr(from), values.Totals, MacroSuffix::Alignment);
  return out;
}

// Every run of spaces that stands directly before a CR or an LF; one pass.
std::string RemoveSpacesBeforeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t spaces = 0;
  for (char c : text) {
    if (c == ' ') {
      ++spaces;
      continue;
    }
    if (c != '\r' && c != '\n') out.append(spaces, ' ');
    spaces = 0;
    out += c;
  }
  out.append(spaces, ' ');
  return out;
}

std::string ClosingLine() {
  size_t indent = kClosingText.size() < kReportWidth ? (kReportWidth - kClosingText.size()) / 2 : 0;
  return std::string(indent, ' ') + std::string(kClosingText) + "\r\n";
}

}  // namespace

TStatTemplate SplitSortLine(std::string_view text) {
  if (!text.starts_with(kSortMarker)) return {"", std::string(text)};
  TStatTemplate result;
  if (text.size() > kSortKeyOffset) result.SortKey = text.substr(kSortKeyOffset, kSortKeyLength);
  // The whole line goes, with its line end and nothing more, whatever follows the key.
  size_t lineEnd = text.find('\n');
  if (lineEnd != std::string_view::npos) result.Body = text.substr(lineEnd + 1);
  return result;
}

std::string ExpandStatTemplate(std::string text, const TStatValues& values) {
  // The period is the program's own text, a date or two: the blocks and the other
  // macros may be looked for after it is in.
  const std::string withPeriod =
      ExpandMacros(text, {{kPeriodMacro, values.PeriodText}}, MacroSuffix::Alignment);
  return RemoveSpacesBeforeLineEnds(ExpandBlocksAndTotals(withPeriod, values));
}

bool WriteStatReport(const platform::FileSystem& files, platform::Console& console,
                     const std::string& path, const std::string& text) {
  const platform::FileStatus written = files.ReplaceFile(path, text + ClosingLine());
  if (!written) console.WriteLine("ERROR: statistics not written: " + path + ": " + written.Reason());
  return written.ok();
}

std::string ProgressText(int percent) {
  std::string number = std::to_string(percent);
  if (number.size() < 3) number.insert(0, 3 - number.size(), ' ');
  return number + "%";
}

void ShowProgress(platform::Console& console, int percent, int& shown) {
  if (percent <= shown) return;
  console.WriteProgress(ProgressText(percent));
  shown = percent;
}

std::string FormatPercent(uint64_t part, uint64_t total, char decimalSeparator) {
  if (total == 0) {
    part = 1;
    total = 1;
  }
  // Exact integer arithmetic: the value in hundredths, rounded half away from
  // zero at the last decimal that three significant digits allow.
  uint64_t whole = part * 100 / total;
  uint64_t decimals = whole < 10 ? 2 : whole < 100 ? 1 : 0;
  uint64_t scale = decimals == 2 ? 1 : decimals == 1 ? 10 : 100;
  uint64_t units = (2 * part * 10000 + total * scale) / (2 * total * scale) * scale;
  std::string digits = std::to_string(units % 100);
  if (digits.size() < 2) digits.insert(0, 1, '0');
  return std::to_string(units / 100) + decimalSeparator + digits;
}

}  // namespace kestal
