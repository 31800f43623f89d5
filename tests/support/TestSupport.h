#pragma once

// Shared fixtures of the unit and whole-program tests.

#include <string>
#include <vector>

#include "RoSystem/Exit.h"
#include "RoSystem/Run.h"
#include "RoTypes/RunExit.h"

namespace kestal::test {

// A fresh directory under /tmp, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Writes bytes to a file, creating parent directories; aborts the test on failure.
void WriteBytes(const std::string& path, const std::string& bytes);
// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
// Names of the regular files of a directory, sorted; the record of checked
// packets left out.
std::vector<std::string> ListNames(const std::string& directory);

// The exit code with which `action` ends the run, or -1 when it returns.
template <typename Action>
int ExitCodeOf(Action action) {
  try {
    action();
  } catch (const RunExit& exit) {
    return exit.Code;
  }
  return -1;
}

// The same, ending the run as the run driver does: through the finish sequence
// when the run asked for it.
template <typename Action>
int EndCodeOf(Run& run, Action action) {
  try {
    action();
  } catch (const RunExit& exit) {
    return EndRun(run, exit);
  }
  return -1;
}

// The build directory (holding kestal, english.lng and the tools) and the source tree.
std::string BuildDir();
std::string SourceDir();

struct ProgramResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
};
// Runs a program with arguments in `workDir`. When `fakeTime` is not empty
// (e.g. "2026-12-10 12:00:00") the program runs under faketime at that time.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& fakeTime = "");

// A copy of build/kestal and its english.lng in a scratch directory, so that a
// test owns the executable's directory (Kestal.Ini, Kestal.Log, templates...).
class KestalHome {
 public:
  KestalHome();
  const std::string& path() const { return dir_.path(); }
  std::string operator/(const std::string& name) const { return dir_ / name; }
  std::string exe() const { return dir_ / "kestal"; }
  ProgramResult Run(const std::vector<std::string>& args = {},
                    const std::string& fakeTime = "2026-12-10 12:00:00") const;

 private:
  ScratchDir dir_;
};

}  // namespace kestal::test
