// Kills kestal with SIGKILL at random moments while it rewrites packets and
// writes reports, run after run, and checks what a sysop would find afterwards:
// each packet is the old one or the new one, never a mix; every N.msg is a whole
// report; no later run writes over a report an earlier run left; the
// configuration whose expired rule a run removes, and its backup, are each the
// old or the new text; the day's traffic file holds whole records; and the
// statistics reports, when there, are whole.

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
#include <string_view>
#include <thread>
#include <vector>

#include "FReport/MsgFormat.h"
#include "Platform/Files.h"
#include "RoTrf/TrafficFormat.h"
#include "RoTypes/Version.h"
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
// The last line of every statistics report.
const std::string kStatClosing = std::string(32, ' ') + std::string(kProgramVersion) + "\r\n";
const std::vector<std::string> kStatArgs = {"-S0", "-E0"};

// One writer in fifty is caught: a few dozen reports spread over the run, and no
// packet loses every message. The last rule ended long ago: every whole run
// removes it, after the packets and before the statistics.
constexpr std::string_view kConfig =
    "[General]\n"
    "Address=2:5020/100\n"
    "RemoveOldRo=Yes\n"
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
    "ReportToRo=r.tpl\n"
    "[Ro]\n"
    "Area=ENDED.AREA\n"
    "DateTo=01.01.2000\n";

// Starts kestal in its own directory with the statistics switches, its output
// discarded.
pid_t StartKestal(const KestalHome& home) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null < 0 || chdir(home.path().c_str()) != 0) _exit(127);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>("kestal")};
    for (const std::string& arg : kStatArgs) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(home.exe().c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

void SetUpHome(const KestalHome& home, const std::map<std::string, std::string>& packets) {
  WriteBytes(home / "Kestal.Ini", std::string(kConfig));
  WriteBytes(home / "tpl/r.tpl",
             std::string("Caught\r\n%FromName% in %Area%\r\n%MsgText%\r\n") + kEndOfReport +
                 "\r\n");
  WriteBytes(home / "tpl/trf.tpl", ">---<\r\n%EchoName% %Msgs% %Size%\r\n>+++<\r\n");
  WriteBytes(home / "tpl/stat.tpl", ">---<\r\n%NameFrom% %EchoName% %Subj%\r\n>+++<\r\n");
  WriteBytes(home / "tpl/save.tpl", "");
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

// Absent, or the body and the closing line: never empty, never cut short.
bool IsAbsentOrWholeStatReport(const std::string& path) {
  return !Exists(path) || (Bytes(path).ends_with(kStatClosing) && Bytes(path) != kStatClosing);
}

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
    newConfig_ = Bytes(reference / "Kestal.Ini");
    ASSERT_NE(newConfig_, kConfig) << "the ended rule was not removed";
    ASSERT_EQ(Bytes(reference / "Kestal.Ini.bak"), kConfig);
    for (const char* report : {"trf.txt", "stat.txt"}) {
      ASSERT_TRUE(Exists(reference / report) && IsAbsentOrWholeStatReport(reference / report))
          << report;
    }
  }

  std::map<std::string, std::string> old_;
  std::map<std::string, std::string> new_;
  std::string newConfig_;  // Kestal.Ini without the ended rule
  Clock::duration runTime_{};
};

TEST_F(FaultTest, KilledRunsLeaveWholePacketsAndWholeReports) {
  KestalHome home;
  SetUpHome(home, old_);
  std::mt19937 random(2026);
  std::map<std::string, std::string> reports;  // every N.msg seen, as first seen
  int oldSeen = 0;  // packets found old after a killed run
  int newSeen = 0;  // and new
  int oldConfigSeen = 0;  // Kestal.Ini found old after a killed run
  int newConfigSeen = 0;  // and new
  int trafficSeen = 0;  // runs after which the day's traffic file was there

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
      const std::string bytes = Bytes(home / ("trf/" + name));
      EXPECT_TRUE(!bytes.empty() && bytes.size() % trf::daily::kRecordSize == 0)
          << name << " holds " << bytes.size() << " bytes";
      ++trafficSeen;
    }
    // The backup holds the old text from the first expiry on; the configuration
    // is put back to the old text so that the next run expires the rule again.
    const std::string config = Bytes(home / "Kestal.Ini");
    ASSERT_TRUE(config == kConfig || config == newConfig_)
        << "Kestal.Ini is neither the old nor the new text (" << config.size() << " bytes)";
    if (killed) ++(config == kConfig ? oldConfigSeen : newConfigSeen);
    if (config != kConfig) WriteBytes(home / "Kestal.Ini", std::string(kConfig));
    const std::string backup = home / "Kestal.Ini.bak";
    EXPECT_TRUE(!Exists(backup) || Bytes(backup) == kConfig)
        << "Kestal.Ini.bak is not the old text (" << Bytes(backup).size() << " bytes)";
    for (const char* report : {"trf.txt", "stat.txt"}) {
      EXPECT_TRUE(IsAbsentOrWholeStatReport(home / report))
          << report << " is not a whole report (" << Bytes(home / report).size() << " bytes)";
    }
  }

  for (const auto& [path, bytes] : reports) {
    EXPECT_TRUE(Bytes(path) == bytes) << path << " was written over by a later run";
  }
  EXPECT_GT(reports.size(), 0u);
  EXPECT_GT(oldSeen, 0);
  EXPECT_GT(newSeen, 0);
  EXPECT_GT(oldConfigSeen, 0);
  EXPECT_GT(newConfigSeen, 0);
  EXPECT_GT(trafficSeen, 0);
}

}  // namespace
}  // namespace kestal::test
