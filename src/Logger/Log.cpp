#include "Logger/Log.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "FReport/Reports.h"
#include "RoSystem/Exit.h"
#include "RoTypes/Run.h"
#include "Utils/Dates.h"
#include "Utils/Text.h"

namespace kestal {

namespace {

constexpr std::string_view kLogBanner = "--- Kestal 2.15/W32 ";
constexpr char kBell = '\a';

// CR and LF become blanks, every run of blanks one blank, and a leading blank goes,
// so that a text spread over lines is logged as one line.
std::string CleanLogText(std::string_view text) {
  std::string line(text);
  std::replace_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  line = CollapseBlankRuns(line);
  if (!line.empty() && line.front() == ' ') line.erase(0, 1);
  return line;
}

// An empty error word would make every line an error and mail the whole log.
bool IsErrorText(const Run& run, std::string_view text) {
  const std::string& errorWord = run.Lang.LangError;
  return !errorWord.empty() && text.starts_with(errorWord);
}

// The report writer may log, and a logged error would ask for another report.
void SendErrorReportOnce(Run& run, const std::string& text) {
  if (run.Log.SendingErrorReport) return;
  struct ClearOnExit {
    bool& Flag;
    ~ClearOnExit() { Flag = false; }
  } clear{run.Log.SendingErrorReport};
  run.Log.SendingErrorReport = true;
  SendErrorReport(run, text);
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

bool OpenLogFile(Run& run) {
  const std::string& path = run.Config.Log;
  // One empty line separates the runs in an existing log.
  bool existed = platform::FileExists(path);
  if (!run.Log.File.Open(path)) return false;
  if (existed && !run.Log.File.Write("\r\n")) {
    run.Log.File.Close();
    return false;
  }
  return true;
}

}  // namespace

void WriteLog(Run& run, std::string_view text, bool echo, int level) {
  std::string line = CleanLogText(text);
  if (echo) run.Console.WriteLine(line);
  if (run.Log.File.IsOpen() && run.Config.LogLevel >= level) {
    run.Log.File.Write(FormatLogDateTime(run.Clock.Now()) + " " + line + "\r\n");
  }
  if (run.Config.ReportError && IsErrorText(run, line)) SendErrorReportOnce(run, line);
}

void OpenLog(Run& run) {
  if (run.Config.LogLevel > 0 && !OpenLogFile(run)) {
    run.Console.WriteLine(kBell + run.Lang.LangError + " " + run.Lang.LangLogOpenFailed + " " +
                          run.Config.Log);
    FinishRun(run, 1);
  }
  WriteLog(run, std::string(kLogBanner) + run.Lang.LangLogStarted, false, 1);
}

void CloseLog(Run& run, int exitCode) {
  run.Console.WriteLine("");
  WriteLog(run, run.Lang.LangElapsed + " " + ElapsedText(run.StartTime, run.Clock.Now()), true, 1);
  WriteLog(run, run.Lang.LangExitCode + " " + std::to_string(exitCode), false, 1);
  WriteLog(run, std::string(kLogBanner) + run.Lang.LangLogStopped, false, 1);
  run.Log.File.Close();
}

}  // namespace kestal
