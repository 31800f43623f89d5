#pragma once

// Shared by the fuzz targets: a private scratch directory that stands in for the
// executable's directory, a console that drops what it is given, and a run with
// a fixed clock. Like the tests, the targets may use <filesystem> directly.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoConfig/Language.h"
#include "RoSystem/Run.h"
#include "Utils/Dates.h"

namespace kestal::fuzz {

// 10 Dec 2026 12:00:00: rules, traffic files and periods are dated around it.
inline constexpr TDateTime kFuzzNow{{2026, 12, 10}, 12, 0, 0, 0};

// Millions of inputs pass through a target: keeping their console lines would
// only fill the memory.
class NullConsole final : public platform::Console {
 public:
  void WriteLine(std::string_view) override {}
  void WriteProgress(std::string_view) override {}
  void SetTitle(std::string_view) override {}
  void WriteError(std::string_view) override {}
};

// A fresh directory in memory (/dev/shm, else /tmp), removed when the process ends
// normally. Named after the target and the process, so that parallel runs keep apart.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& target) {
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    path_ = (base / ("kestal-fuzz-" + target + "-" + std::to_string(getpid()))).string();
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.good()) std::abort();  // the harness itself is broken: stop at once
}

// Removes what an input left in a directory, keeping the directory.
inline void EmptyDirectory(const std::string& directory) {
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(directory, ignored)) {
    std::filesystem::remove_all(entry.path(), ignored);
  }
}

// A run whose executable's directory is `exeDir`, dated kFuzzNow in the
// program's own date format, started in the current directory.
struct FuzzRun {
  explicit FuzzRun(const std::string& exeDir) : clock(kFuzzNow), run(clock, console) {
    run.ExeDir = exeDir;
    // The end of a run returns here, as kestal returns to where it was started:
    // libFuzzer reads and writes its corpus by the paths it was given.
    run.StartDir = std::filesystem::current_path().string();
    run.ConfigPath = exeDir + "/Kestal.Ini";
    run.StartTime = kFuzzNow;
    run.Day.Today = kFuzzNow.Date;
    run.Day.DateFmt = DateFormat{DateOrder::DayMonthYear, '.'};
    run.Day.TodayText = FormatDate(run.Day.Today, run.Day.DateFmt);
    run.Traffic.RunDate = FormatDotDate(run.Day.Today);
    run.Traffic.RunTime = FormatClockTime(kFuzzNow);
  }

  platform::FixedClock clock;
  NullConsole console;
  kestal::Run run;
};

// Language texts that name their own positions, so a fuzzed run's output shows
// which text it used; the error word is the real one, since the logger keys on it.
inline LangFile LanguageTexts() {
  LangFile lang;
  for (const LangPosition& position : kLangPositions) {
    lang.*position.Text = std::string(position.Name);
  }
  lang.LangError = "ERROR:";
  return lang;
}

}  // namespace kestal::fuzz
