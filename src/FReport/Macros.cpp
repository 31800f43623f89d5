#include "FReport/Macros.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "Utils/Address.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr char kCR = '\r';

using MacroValues = std::vector<std::pair<std::string_view, std::string>>;

void ApplyInOrder(std::string& text, const MacroValues& macros) {
  for (const auto& [macro, value] : macros) ReplaceAll(text, macro, value);
}

// Statistics lines are 80 columns wide. A width far beyond any line (a slip of the
// keyboard, or a damaged template) is cut to this, instead of making every entry
// of a report gigabytes long.
constexpr int32_t kMaxAlignWidth = 1000;

// An alignment suffix such as "(R,4)" right after a macro.
struct AlignSuffix {
  size_t Length = 0;  // "(" to ")" inclusive
  char Align = 'C';
  int32_t Width = 0;
};

std::optional<AlignSuffix> ReadAlignSuffix(std::string_view text, size_t afterMacro) {
  if (afterMacro >= text.size() || text[afterMacro] != '(') return std::nullopt;
  const size_t close = text.find(')', afterMacro);
  if (close == std::string_view::npos) return std::nullopt;
  AlignSuffix suffix;
  suffix.Length = close + 1 - afterMacro;
  suffix.Align = UpperCaseAscii(text.substr(afterMacro + 1, 1))[0];
  const size_t comma = text.find(',', afterMacro);
  if (comma != std::string_view::npos && comma + 1 < close) {
    const int32_t width = ToIntOrZero(text.substr(comma + 1, close - comma - 1));
    suffix.Width = std::min(width, kMaxAlignWidth);
  }
  return suffix;
}

std::string AlignValue(std::string_view value, const AlignSuffix& suffix) {
  if (suffix.Width <= 0) return std::string(value);
  const auto width = static_cast<size_t>(suffix.Width);
  if (value.size() >= width) return std::string(value.substr(0, width));
  const size_t padding = width - value.size();
  switch (suffix.Align) {
    case 'R': return std::string(padding, ' ') + std::string(value);
    case 'L': return std::string(value) + std::string(padding, ' ');
    default:
      return std::string(padding / 2, ' ') + std::string(value) +
             std::string(padding - padding / 2, ' ');
  }
}

// "dd mmm yy" and "hh:mm:ss" out of a "dd mmm yy  hh:mm:ss" text. A packed
// message's date field may be short or zero-padded: its zero bytes are not
// taken, as one would end the stored report early.
std::pair<std::string, std::string> SplitDateTime(std::string_view dateTime) {
  dateTime = dateTime.substr(0, dateTime.find('\0'));
  const std::string_view date = dateTime.substr(0, 9);
  const std::string_view time = dateTime.size() > 11 ? dateTime.substr(11, 8) : "";
  return {std::string(date), std::string(time)};
}

std::string HeaderBlock(const TPktMsgHeader& message, const std::string& dateAndTime) {
  std::string block = "Area: " + message.Area + kCR;
  block += "From: " + message.FromName + ", " + FormatAddress(message.FromAddr) + kCR;
  block += "To:   " + message.ToName;
  if (!message.ToAddrUnknown) block += ", " + FormatAddress(message.ToAddr);
  block += kCR;
  block += "Subj: " + message.Subject + kCR;
  block += "Date: " + dateAndTime;
  return block;
}

// %DateTime%, %Date% and %Time% of the current local time.
MacroValues CurrentTimeMacros(const TDateTime& now) {
  const auto [date, time] = SplitDateTime(FormatMessageDateTime(now));
  return {{"%DateTime%", date + ", " + time}, {"%Date%", date}, {"%Time%", time}};
}

}  // namespace

void ReplaceAligned(std::string& text, std::string_view macro, std::string_view value) {
  if (macro.empty()) return;
  // As ReplaceAll: a step that shortens the text may form a new occurrence with
  // the bytes before it, which can only begin within a macro's length before the
  // replaced place, so the search resumes there. A step that does not shorten the
  // text could rebuild the macro forever, so the search never goes back into what
  // it inserted.
  size_t searchFloor = 0;
  size_t from = 0;
  size_t found;
  while ((found = text.find(macro, from)) != std::string::npos) {
    const std::optional<AlignSuffix> suffix = ReadAlignSuffix(text, found + macro.size());
    const std::string inserted = suffix ? AlignValue(value, *suffix) : std::string(value);
    const size_t replaced = macro.size() + (suffix ? suffix->Length : 0);
    text.replace(found, replaced, inserted);
    if (inserted.size() >= replaced) searchFloor = found + inserted.size();
    const size_t overlapStart = found >= macro.size() - 1 ? found - (macro.size() - 1) : 0;
    from = std::max(searchFloor, overlapStart);
  }
}

void ExpandMessageMacros(std::string& text, const TPktMsgHeader& message,
                         const ReportingRule& rule, const TDateTime& now) {
  const auto [msgDate, msgTime] = SplitDateTime(message.DateTime);
  const std::string msgDateTime = msgDate + ", " + msgTime;
  MacroValues macros = {
      {"%FromName%", message.FromName},
      {"%FromAddr%", FormatAddress(message.FromAddr)},
      {"%ToName%", message.ToName},
      {"%ToAddr%", FormatAddress(message.ToAddr)},
      {"%Subject%", message.Subject},
      {"%Area%", message.Area},
      {"%MsgDateTime%", msgDateTime},
      {"%MsgDate%", msgDate},
      {"%MsgTime%", msgTime},
      {"%RoNum%", std::to_string(rule.Number)},
      {"%MsgHeader%", HeaderBlock(message, msgDateTime)},
      {"%MsgKludges%", message.Kludges},
      {"%MsgText%", message.Body},
      {"%MsgVias%", message.Vias},
      {"%MsgBody%", message.Kludges + kCR + message.Body + kCR + message.Vias},
      {"%UplinkName%", rule.UplinkName},
      {"%UplinkAddr%", FormatAddress(rule.UplinkAddr)},
  };
  for (auto& timeMacro : CurrentTimeMacros(now)) macros.push_back(std::move(timeMacro));
  ApplyInOrder(text, macros);
}

void ExpandRuleEndMacros(const ReportContext& context, std::string& text, const std::string& toName,
                         const TFidoAddr& destination, const TRo& rule,
                         const std::string& sectionText) {
  MacroValues macros = {{"%RoSection%", sectionText}};
  for (auto& timeMacro : CurrentTimeMacros(context.Clock.Now())) macros.push_back(std::move(timeMacro));
  const MacroValues ruleMacros = {
      {"%FromName%", context.Config.SysopName},
      {"%FromAddr%", FormatAddress(OwnAddressFor(destination, context.Own))},
      {"%ToName%", toName},
      {"%ToAddr%", FormatAddress(destination)},
      {"%RoAddr%", rule.Addr},
      {"%RoAddrFrom%", rule.AddrFrom},
      {"%RoAddrTo%", rule.AddrTo},
      {"%RoName%", rule.Name},
      {"%RoNameFrom%", rule.NameFrom},
      {"%RoNameTo%", rule.NameTo},
      {"%RoArea%", rule.Area},
      {"%RoDateTo%", FormatDate(rule.DateTo, context.DateFmt)},
      {"%RoUplinkName%", rule.UplinkName},
      {"%RoUplinkAddress%", rule.UplinkAddress},
  };
  macros.insert(macros.end(), ruleMacros.begin(), ruleMacros.end());
  ApplyInOrder(text, macros);
}

}  // namespace kestal
