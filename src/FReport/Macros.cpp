#include "FReport/Macros.h"

#include <utility>

#include "Utils/Address.h"
#include "Utils/Dates.h"
#include "Utils/MacroText.h"

namespace kestal {

namespace {

constexpr char kCR = '\r';

// Report templates know no alignment suffix: what follows a macro stays text.
void ExpandReportMacros(std::string& text, const MacroValues& macros) {
  text = ExpandMacros(text, macros, MacroSuffix::None);
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
  ExpandReportMacros(text, macros);
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
  ExpandReportMacros(text, macros);
}

}  // namespace kestal
