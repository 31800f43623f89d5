#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "Platform/Clock.h"
#include "Platform/Files.h"
#include "RoTypes/ActionResult.h"
#include "RoTypes/FidoAddr.h"
#include "RoTypes/Settings.h"

namespace kestal {

// What the report writer keeps from one message to the next within a run.
struct NetmailState {
  int32_t LastMsgIdSerial = 0;
  // The next free N.msg per directory, found by one listing and kept up to date.
  std::map<std::string, int> NextMsgNumber;
  // The subject of the last report: a report whose template went missing keeps it.
  std::string LastSubject;
};

// What writing reports needs: the settings (paths, tagline, tearline, origin),
// the own addresses, the clock and the files, and the writer's state.
struct ReportContext {
  const Settings& Config;
  const OwnAddresses& Own;
  const DateFormat& DateFmt;
  const platform::Clock& Clock;
  const platform::FileSystem& Files;
  NetmailState& Netmail;
};

// The 190-byte stored-message header followed by the INTL, FMPT, TOPT, MSGID and
// PID kludge lines. Names and subject are cut to fit their fields.
std::string BuildMsgHead(const ReportContext& context, const std::string& fromName,
                         const TFidoAddr& origin, const std::string& toName,
                         const TFidoAddr& destination, const std::string& subject);
// Appends the blank line, tagline, tearline, origin line and the closing zero byte.
void AppendTail(const Settings& config, const TFidoAddr& origin, std::string& text);
// Eight lower-case hex digits, strictly increasing within the run.
std::string MakeMsgIdSerial(const platform::Clock& clock, NetmailState& netmail);
// The next free message number of the directory ("dir/" as configured): one past
// the highest N.msg, and never 1. The directory is listed once per run; later
// calls use the number kept in `netmail`.
int NextMsgNumber(const ReportContext& context, const std::string& directory);
// Stores the message as the next free N.msg of ReportPath (own addresses) or
// ReportOutPath. Never overwrites a file.
ActionResult WriteNetmail(const ReportContext& context, const TFidoAddr& destination,
                          const std::string& text);

}  // namespace kestal
