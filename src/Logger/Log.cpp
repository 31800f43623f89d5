#include "Logger/Log.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "Utils/Dates.h"
#include "Utils/Text.h"
#include "RoTypes/Version.h"

namespace kestal {

namespace {

constexpr char kBell = '\a';

std::string LogBanner() { return "--- " + std::string(kProgramVersion) + " "; }

// CR and LF become blanks, every run of blanks one blank, and a leading blank goes,
// so that a text spread over lines is logged as one line.
std::string CleanLogText(std::string_view text) {
  std::string line(text);
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  line = CollapseBlankRuns(line);
  if (!line.empty() && line.front() == ' ') line.erase(0, 1);
  return line;
}

int64_t MillisecondsOf(const TDateTime& time) {
  int64_t seconds = DaysFromCivil(time.Date) * 86400 + time.Hour * 3600 + time.Minute * 60 +
                    time.Second;
  return seconds * 1000 + time.Millisecond;
}

// Minutes and seconds of the run, "nn:ss": whole hours are not shown, and a run
// that shows as "00:00" is reported as one second. A clock set back counts as zero.
std::string ElapsedText(const TDateTime& start, const TDateTime& now) {
  int64_t seconds = std::max<int64_t>(0, (MillisecondsOf(now) - MillisecondsOf(start)) / 1000);
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(seconds / 60 % 60),
                static_cast<int>(seconds % 60));
  return std::string(text) == "00:00" ? "00:01" : text;
}

}  // namespace

// An empty error word would make every line an error and mail the whole log.
bool Logger::IsErrorText(std::string_view text) const {
  const std::string& errorWord = lang_.LangError;
  return !errorWord.empty() && text.starts_with(errorWord);
}

// The report writer may log, and a logged error would ask for another report.
void Logger::ReportErrorOnce(const std::string& line) {
  if (reporter_ == nullptr || reportingError_) return;
  struct ClearOnExit {
    bool& Flag;
    ~ClearOnExit() { Flag = false; }
  } clear{reportingError_};
  reportingError_ = true;
  reporter_->ReportError(line);
}

bool Logger::OpenFile() {
  const std::string& path = config_.Log;
  // One empty line separates the runs in an existing log.
  bool existed = files_.FileExists(path);
  if (!file_.Open(files_, path)) return false;
  if (existed && !file_.Write("\r\n")) {
    file_.Close();
    return false;
  }
  return true;
}

void Logger::Write(std::string_view text, bool echo, int level) {
  Emit(text, echo, false, level);
}

void Logger::WriteStop(std::string_view text) { Emit(text, true, true, 1); }

void Logger::Emit(std::string_view text, bool echo, bool onStandardError, int level) {
  std::string line = CleanLogText(text);
  const bool error = IsErrorText(line);
  if (echo && (error || onStandardError)) {
    console_.WriteError(line);
  } else if (echo) {
    console_.WriteLine(line);
  }
  if (file_.IsOpen() && config_.LogLevel >= level) {
    // A log line that cannot be written has nowhere else to go: the console
    // has shown the lines that matter.
    (void)file_.Write(FormatLogDateTime(clock_.Now()) + " " + line + "\r\n");
  }
  if (config_.ReportError && error) ReportErrorOnce(line);
}

bool Logger::Open() {
  if (config_.LogLevel > 0 && !OpenFile()) {
    const int error = errno;
    console_.WriteError(kBell + lang_.LangError + " " + lang_.LangLogOpenFailed + " " +
                        config_.Log);
    console_.WriteError(config_.Log + ": " + std::strerror(error));
    return false;
  }
  Write(LogBanner() + lang_.LangLogStarted, false, 1);
  return true;
}

void Logger::Close(const TDateTime& startTime, int exitCode) {
  console_.WriteLine("");
  Write(lang_.LangElapsed + " " + ElapsedText(startTime, clock_.Now()), true, 1);
  Write(lang_.LangExitCode + " " + std::to_string(exitCode), false, 1);
  Write(LogBanner() + lang_.LangLogStopped, false, 1);
  file_.Close();
}

}  // namespace kestal
