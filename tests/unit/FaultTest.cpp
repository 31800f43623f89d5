// Kills kestal with SIGKILL at random moments while it rewrites packets and
// writes reports, run after run, and checks what a sysop would find afterwards:
// each packet is the old one or the new one, never a mix; every N.msg is a whole
// report; and no later run writes over a report an earlier run left.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FReport/MsgFormat.h"
#include "Platform/Files.h"
#include "RoTrf/TrafficFormat.h"
#include "TestSupport.h"

namespace kestal::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 200;
// Runs grow longer as reports pile up in the netmail directories: every tenth run
// is left to finish, and the kills are spread over the longest whole run seen.
// Kills that all landed before the first rewrite would test nothing.
constexpr int kWholeRunEvery = 10;
constexpr const char* kEndOfReport = "End of report";

// One writer in fifty is caught: a few dozen reports spread over the run, and no
// packet loses every message.
constexpr const char* kConfig =
    "[General]\n"
    "Address=2:5020/100\n"
    "EchoMailPath=in\n"
    "ReportPath=net\n"
    "ReportOutPath=out\n"
    "TemplatePath=tpl\n"
    "PktBackupPath=bak\n"
    "TrfPath=trf\n"
    "ReportToMain=r.tpl\n"
    "[Ro]\n"
    "Area=*\n"
    "NameFrom=Writer 1\n"
    "ReportToRo=r.tpl\n";

// Starts kestal in its own directory, its output discarded.
pid_t StartKestal(const KestalHome& home) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || chdir(home.path().c_str()) != 0) _exit(127);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execl(home.exe().c_str(), "kestal", static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

void SetUpHome(const KestalHome& home, const std::map<std::string, std::string>& packets) {
  WriteBytes(home / "Kestal.Ini", kConfig);
  WriteBytes(home / "tpl/r.tpl",
             std::string("Caught\r\n%FromName% in %Area%\r\n%MsgText%\r\n") + kEndOfReport +
                 "\r\n");
  for (const char* name : {"tpl/trf.tpl", "tpl/stat.tpl", "tpl/save.tpl"}) {
    WriteBytes(home / name, "");
  }
  for (const char* dir : {"in", "net", "out", "bak", "trf"}) fs::create_directories(home / dir);
  for (const auto& [name, bytes] : packets) WriteBytes(home / ("in/" + name), bytes);
}

std::string Bytes(const std::string& path) { return platform::FileSystem().ReadFile(path).value_or(""); }

std::map<std::string, std::string> Files(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const std::string& name : ListNames(dir)) files[name] = Bytes(dir + "/" + name);
  return files;
}

// A report as the writer finishes it: the header, the template's last line, the
// tearline after it, and one 0 byte at the very end.
bool IsWholeReport(const std::string& bytes) {
  if (bytes.size() <= msgformat::kHeaderSize || bytes.back() != '\0') return false;
  const std::string text = bytes.substr(msgformat::kHeaderSize);
  const size_t end = text.find(kEndOfReport);
  return end != std::string::npos && text.find("\r--- ", end) != std::string::npos &&
         text.find('\0') == text.size() - 1;
}

bool IsTemporaryName(const std::string& name) { return name.starts_with('.'); }

class FaultTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScratchDir generated;
    const ProgramResult pktgen =
        RunProgram(BuildDir() + "/pktgen",
                   {"random", "--seed", "4", "--size-mb", "1", "--writers", "50", "--out",
                    generated.path()},
                   generated.path());
    ASSERT_EQ(pktgen.exitCode, 0) << pktgen.output;
    old_ = Files(generated.path());
    ASSERT_FALSE(old_.empty());

    // The new packets: what a run that nobody stops makes of the old ones.
    KestalHome reference;
    SetUpHome(reference, old_);
    const Clock::time_point start = Clock::now();
    int status = 0;
    waitpid(StartKestal(reference), &status, 0);
    runTime_ = Clock::now() - start;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    new_ = Files(reference / "in");
    ASSERT_EQ(new_.size(), old_.size());
    ASSERT_TRUE(new_ != old_) << "no packet was rewritten";
  }

  std::map<std::string, std::string> old_;
  std::map<std::string, std::string> new_;
  Clock::duration runTime_{};
};

TEST_F(FaultTest, KilledRunsLeaveWholePacketsAndWholeReports) {
  KestalHome home;
  SetUpHome(home, old_);
  std::mt19937 random(2026);
  std::map<std::string, std::string> reports;  // every N.msg seen, as first seen
  int oldSeen = 0;  // packets found old after a killed run
  int newSeen = 0;  // and new

  for (int run = 0; run < kRuns; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    const bool killed = run % kWholeRunEvery != 0;
    const Clock::time_point start = Clock::now();
    const pid_t pid = StartKestal(home);
    if (killed) {
      const int64_t longest =
          std::chrono::duration_cast<std::chrono::microseconds>(runTime_).count();
      std::this_thread::sleep_for(std::chrono::microseconds(
          std::uniform_int_distribution<int64_t>(0, longest * 6 / 5)(random)));
      kill(pid, SIGKILL);
    }
    waitpid(pid, nullptr, 0);
    if (!killed) runTime_ = std::max(runTime_, Clock::now() - start);

    for (const auto& [name, bytes] : Files(home / "in")) {
      if (IsTemporaryName(name)) {
        // An interrupted rewrite's temporary file: never taken for a packet.
        EXPECT_FALSE(name.ends_with(".pkt")) << name;
        continue;
      }
      ASSERT_TRUE(old_.contains(name)) << "unexpected file " << name;
      if (bytes == old_.at(name)) {
        if (killed) ++oldSeen;
      } else {
        // Compared as a whole: the packets are far too long to be printed.
        ASSERT_TRUE(bytes == new_.at(name)) << name << " is neither the old nor the new packet";
        if (killed) ++newSeen;
        WriteBytes(home / ("in/" + name), old_.at(name));  // the next run starts from the old
      }
    }
    for (const char* dir : {"net", "out"}) {
      for (const std::string& name : ListNames(home / dir)) {
        const std::string path = home / (std::string(dir) + "/" + name);
        if (IsTemporaryName(name) || reports.contains(path)) continue;
        const std::string bytes = Bytes(path);
        ASSERT_TRUE(IsWholeReport(bytes)) << path << " is not a whole report (" << bytes.size()
                                          << " bytes)";
        reports[path] = bytes;
      }
    }
    // The daily traffic file is replaced whole; the record file may end in the
    // fragment of an interrupted append, which its readers skip.
    for (const std::string& name : ListNames(home / "trf")) {
      if (IsTemporaryName(name) || name == trf::name::kFileName) continue;
      EXPECT_EQ(Bytes(home / ("trf/" + name)).size() % trf::daily::kRecordSize, 0u) << name;
    }
  }

  for (const auto& [path, bytes] : reports) {
    EXPECT_TRUE(Bytes(path) == bytes) << path << " was written over by a later run";
  }
  EXPECT_GT(reports.size(), 0u);
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
}

}  // namespace
}  // namespace kestal::test
