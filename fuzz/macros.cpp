// The report templates: the macros of a caught message and of an expired rule,
// and the macro engine with the alignment suffixes of the statistics templates,
// all with hostile values (names, subjects and texts come from packets).

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "FReport/Macros.h"
#include "FuzzHome.h"
#include "RoTypes/MsgHeader.h"
#include "RoTypes/Rule.h"
#include "Utils/MacroText.h"

namespace {

constexpr size_t kMaxField = 256;

kestal::TFidoAddr Address(FuzzedDataProvider& data) {
  return kestal::TFidoAddr{data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>(),
                           data.ConsumeIntegral<int32_t>(), data.ConsumeIntegral<int32_t>(), 0};
}

kestal::TPktMsgHeader Message(FuzzedDataProvider& data) {
  kestal::TPktMsgHeader message;
  message.DateTime = data.ConsumeRandomLengthString(kMaxField);
  message.ToName = data.ConsumeRandomLengthString(kMaxField);
  message.FromName = data.ConsumeRandomLengthString(kMaxField);
  message.Subject = data.ConsumeRandomLengthString(kMaxField);
  message.Area = data.ConsumeRandomLengthString(kMaxField);
  message.FromAddr = Address(data);
  message.ToAddrUnknown = data.ConsumeBool();
  message.ToAddr = Address(data);
  message.Kludges = data.ConsumeRandomLengthString(kMaxField);
  message.Body = data.ConsumeRandomLengthString(kMaxField);
  message.Vias = data.ConsumeRandomLengthString(kMaxField);
  return message;
}

kestal::TRo Rule(FuzzedDataProvider& data) {
  kestal::TRo rule;
  rule.Area = data.ConsumeRandomLengthString(kMaxField);
  rule.Name = data.ConsumeRandomLengthString(kMaxField);
  rule.Addr = data.ConsumeRandomLengthString(kMaxField);
  rule.UplinkAddress = data.ConsumeRandomLengthString(kMaxField);
  rule.DateTo = kestal::TDate{data.ConsumeIntegral<int>(), data.ConsumeIntegral<int>(),
                              data.ConsumeIntegral<int>()};
  return rule;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  static kestal::fuzz::FuzzRun home("");  // no files: everything happens in memory
  kestal::Run& run = home.run;

  FuzzedDataProvider data(bytes, size);
  kestal::ReportingRule reporting;
  reporting.Number = data.ConsumeIntegral<int>();
  reporting.UplinkName = data.ConsumeRandomLengthString(kMaxField);
  reporting.UplinkAddr = Address(data);
  run.Config.SysopName = data.ConsumeRandomLengthString(kMaxField);
  const kestal::TPktMsgHeader message = Message(data);
  const kestal::TRo rule = Rule(data);
  const std::string toName = data.ConsumeRandomLengthString(kMaxField);
  const kestal::TFidoAddr destination = Address(data);
  const std::string section = data.ConsumeRandomLengthString(kMaxField);
  const std::string macro = data.ConsumeRandomLengthString(32);
  const std::string value = data.ConsumeRandomLengthString(kMaxField);
  const std::string tpl = data.ConsumeRemainingBytesAsString();

  std::string report = tpl;
  kestal::ExpandMessageMacros(report, message, reporting, run.Clock.Now());
  std::string ruleEnd = tpl;
  kestal::ExpandRuleEndMacros(run.ForReports(), ruleEnd, toName, destination, rule, section);
  kestal::ExpandMacros(tpl, {{macro, value}}, kestal::MacroSuffix::Alignment);
  return 0;
}
