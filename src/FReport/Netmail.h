#pragma once

#include <string>

#include "RoTypes/FidoAddr.h"

namespace kestal {

struct Run;

// The 190-byte stored-message header followed by the INTL, FMPT, TOPT, MSGID and
// PID kludge lines. Names and subject are cut to fit their fields.
std::string BuildMsgHead(Run& run, const std::string& fromName, const TFidoAddr& origin,
                         const std::string& toName, const TFidoAddr& destination,
                         const std::string& subject);
// Appends the blank line, tagline, tearline, origin line and the closing zero byte.
void AppendTail(const Run& run, const TFidoAddr& origin, std::string& text);
// Eight lower-case hex digits, strictly increasing within the run.
std::string MakeMsgIdSerial(Run& run);
// The next free message number of the directory ("dir/" as configured): one past
// the highest N.msg, and never 1. The directory is listed once per run; later
// calls use the number kept in run.Report.
int NextMsgNumber(Run& run, const std::string& directory);
// Stores the message as the next free N.msg of ReportPath (own addresses) or
// ReportOutPath. Never overwrites a file; false when nothing could be written.
bool WriteNetmail(Run& run, const TFidoAddr& destination, const std::string& text);
// The file's bytes as they stand; empty when the file is empty or unreadable.
std::string ReadWholeFile(const std::string& path);

}  // namespace kestal
