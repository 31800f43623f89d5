#pragma once

#include <string>
#include <string_view>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "Platform/Files.h"
#include "RoTypes/Date.h"
#include "RoTypes/LangFile.h"
#include "RoTypes/Settings.h"

namespace kestal {

// Where a logged error goes when ReportError asks for it to be mailed to the
// sysop. The run driver wires the report writer in; the logger knows nothing of
// reports.
class ErrorReporter {
 public:
  virtual ~ErrorReporter() = default;
  virtual void ReportError(const std::string& line) = 0;
};

// The log of one run. It reads LogLevel, Log and ReportError from the settings
// and the error word from the language texts as they stand at each call, since
// the configuration reader fills them in while the log is already in use.
class Logger {
 public:
  Logger(const platform::Clock& clock, platform::Console& console,
         const platform::FileSystem& files, const Settings& config, const LangFile& lang)
      : clock_(clock), console_(console), files_(files), config_(config), lang_(lang) {}

  // Cleans the text (CR and LF to blanks, runs of blanks to one, no leading
  // blank), echoes it to the console when asked, appends it to the log when
  // `level` is within LogLevel, and hands error texts to the error reporter.
  void Write(std::string_view text, bool echo, int level);
  // The same for a line that tells why the run stops: echoed on standard error
  // as well, and logged at every LogLevel.
  void WriteStop(std::string_view text);
  // Opens the log (when LogLevel > 0) and writes the start line. False, with a
  // line on the console, when it cannot be opened: the run must end with code 1.
  [[nodiscard]] bool Open();
  // Writes the run time, the exit code and the stop line, and closes the log.
  void Close(const TDateTime& startTime, int exitCode);

  void SetErrorReporter(ErrorReporter* reporter) { reporter_ = reporter; }
  bool IsOpen() const { return file_.IsOpen(); }

 private:
  void Emit(std::string_view text, bool echo, bool onStandardError, int level);
  bool OpenFile();
  bool IsErrorText(std::string_view text) const;
  void ReportErrorOnce(const std::string& line);

  const platform::Clock& clock_;
  platform::Console& console_;
  const platform::FileSystem& files_;
  const Settings& config_;
  const LangFile& lang_;
  ErrorReporter* reporter_ = nullptr;
  platform::AppendStream file_;  // open from Open to Close when LogLevel > 0
  bool reportingError_ = false;  // an error report is being written; no second one
};

}  // namespace kestal
