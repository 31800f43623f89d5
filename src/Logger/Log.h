#pragma once

#include <string_view>

namespace kestal {

struct Run;

// Cleans the text (CR and LF to blanks, runs of blanks to one, no leading blank),
// echoes it to the console when asked, appends it to the log when `level` is within
// LogLevel, and mails error texts to the sysop when ReportError is on.
void WriteLog(Run& run, std::string_view text, bool echo, int level);
// Opens the log (when LogLevel > 0) and writes the start line; ends the run with
// code 1 when it cannot be opened.
void OpenLog(Run& run);
// Writes the run time, the exit code and the stop line, and closes the log.
void CloseLog(Run& run, int exitCode);

}  // namespace kestal
