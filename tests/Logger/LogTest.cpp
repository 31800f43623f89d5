#include <gtest/gtest.h>

#include <string>

#include "Logger/Log.h"
#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoSystem/Run.h"
#include "TestSupport.h"

namespace kestal {
namespace {

constexpr TDateTime kNow{{2026, 3, 5}, 14, 7, 9, 250};

class LogTest : public ::testing::Test {
 protected:
  LogTest() : clock_(kNow), run_(clock_, console_) {
    run_.ExeDir = dir_.path();
    run_.StartTime = kNow;
    run_.Config.Log = dir_ / "Kestal.Log";
    run_.Lang.LangError = "ERROR:";
    run_.Lang.LangLogOpenFailed = "cannot open the log file";
    run_.Lang.LangLogStarted = "started";
    run_.Lang.LangLogStopped = "stopped";
    run_.Lang.LangElapsed = "Run time";
    run_.Lang.LangExitCode = "Exit code";
  }

  std::string LogFile() const { return test::ReadBytes(run_.Config.Log); }

  test::ScratchDir dir_;
  platform::FixedClock clock_;
  platform::CapturingConsole console_;
  kestal::Run run_;
};

TEST_F(LogTest, TextIsCleanedIntoOneLineOnConsoleAndLog) {
  struct Case {
    std::string text;
    std::string cleaned;
  } cases[] = {
      {"two\r\nlines   and  blanks", "two lines and blanks"},
      {"\r\nstarts with a line break", "starts with a line break"},
      {"   leading blanks", "leading blanks"},
      {"trailing blanks  ", "trailing blanks "},
      {"lone\rCR and lone\nLF", "lone CR and lone LF"},
      {"tab\tstays \x80\xFF", "tab\tstays \x80\xFF"},
      {"\r\n", ""},
  };
  ASSERT_TRUE(run_.Log.Open());
  std::string expectedLog = "05 Mar 2026 14:07:09 --- Kestal 2.15/W32 started\r\n";
  std::string expectedConsole;
  for (const Case& c : cases) {
    run_.Log.Write(c.text, true, 2);
    expectedLog += "05 Mar 2026 14:07:09 " + c.cleaned + "\r\n";
    expectedConsole += c.cleaned + "\n";
  }
  EXPECT_EQ(LogFile(), expectedLog);
  EXPECT_EQ(console_.output, expectedConsole);
}

TEST_F(LogTest, LevelDecidesTheLogAndEchoTheConsole) {
  run_.Config.LogLevel = 1;
  ASSERT_TRUE(run_.Log.Open());
  run_.Log.Write("level one, quiet", false, 1);
  run_.Log.Write("level two, echoed", true, 2);
  EXPECT_EQ(LogFile(),
            "05 Mar 2026 14:07:09 --- Kestal 2.15/W32 started\r\n"
            "05 Mar 2026 14:07:09 level one, quiet\r\n");
  EXPECT_EQ(console_.output, "level two, echoed\n");
}

TEST_F(LogTest, LevelZeroCreatesNoLogFile) {
  run_.Config.LogLevel = 0;
  ASSERT_TRUE(run_.Log.Open());
  run_.Log.Write("echoed", true, 1);
  run_.Log.Close(run_.StartTime, 0);
  EXPECT_FALSE(test::Exists(run_.Config.Log));
  EXPECT_EQ(console_.output, "echoed\n\nRun time 00:01\n");
}

TEST_F(LogTest, LaterRunAppendsAfterOneEmptyLine) {
  test::WriteBytes(run_.Config.Log, "earlier run\r\n");
  ASSERT_TRUE(run_.Log.Open());
  EXPECT_EQ(LogFile(), "earlier run\r\n\r\n05 Mar 2026 14:07:09 --- Kestal 2.15/W32 started\r\n");
}

TEST_F(LogTest, LogThatCannotBeOpenedIsRefusedWithALine) {
  run_.Config.Log = dir_ / "no-such-dir/Kestal.Log";
  EXPECT_FALSE(run_.Log.Open());
  EXPECT_EQ(console_.output.substr(0, console_.output.find('\n')),
            "\aERROR: cannot open the log file " + run_.Config.Log);
  EXPECT_FALSE(test::Exists(run_.Config.Log));
}

TEST_F(LogTest, CloseLogWritesRunTimeExitCodeAndStopLine) {
  ASSERT_TRUE(run_.Log.Open());
  clock_.Set({{2026, 3, 5}, 15, 9, 12, 250});
  run_.Log.Close(run_.StartTime, 3);
  EXPECT_EQ(LogFile(),
            "05 Mar 2026 14:07:09 --- Kestal 2.15/W32 started\r\n"
            "05 Mar 2026 15:09:12 Run time 02:03\r\n"
            "05 Mar 2026 15:09:12 Exit code 3\r\n"
            "05 Mar 2026 15:09:12 --- Kestal 2.15/W32 stopped\r\n");
  EXPECT_EQ(console_.output, "\nRun time 02:03\n");
  EXPECT_FALSE(run_.Log.IsOpen());
}

TEST_F(LogTest, RunTimeShowsMinutesAndSecondsAndAtLeastOneSecond) {
  struct Case {
    TDateTime start;
    TDateTime end;
    std::string elapsed;
  } cases[] = {
      {{{2026, 3, 5}, 10, 0, 0, 0}, {{2026, 3, 5}, 11, 2, 3, 0}, "02:03"},
      {{{2026, 3, 5}, 10, 0, 0, 0}, {{2026, 3, 5}, 10, 0, 0, 500}, "00:01"},
      {{{2026, 3, 5}, 10, 0, 0, 800}, {{2026, 3, 5}, 10, 0, 1, 300}, "00:01"},
      {{{2026, 3, 5}, 10, 0, 0, 0}, {{2026, 3, 5}, 10, 0, 59, 999}, "00:59"},
      {{{2026, 3, 5}, 10, 0, 0, 0}, {{2026, 3, 5}, 11, 0, 0, 0}, "00:01"},
      {{{2026, 12, 31}, 23, 59, 30, 0}, {{2027, 1, 1}, 0, 0, 45, 0}, "01:15"},
      {{{2026, 3, 5}, 10, 0, 5, 0}, {{2026, 3, 5}, 10, 0, 0, 0}, "00:01"},
  };
  run_.Config.LogLevel = 0;
  for (const Case& c : cases) {
    console_.output.clear();
    run_.StartTime = c.start;
    clock_.Set(c.end);
    run_.Log.Close(run_.StartTime, 0);
    EXPECT_EQ(console_.output, "\nRun time " + c.elapsed + "\n");
  }
}

TEST_F(LogTest, MonthsAreEnglishAbbreviations) {
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  ASSERT_TRUE(run_.Log.Open());
  std::string expected = LogFile();
  for (int month = 1; month <= 12; ++month) {
    clock_.Set({{2027, month, 9}, 8, 5, 4, 0});
    run_.Log.Write("tick", false, 1);
    expected += std::string("09 ") + months[month - 1] + " 2027 08:05:04 tick\r\n";
  }
  EXPECT_EQ(LogFile(), expected);
}

TEST_F(LogTest, ErrorTextIsMailedWhateverItsLevel) {
  run_.Config.ReportError = true;
  run_.Config.LogLevel = 1;
  run_.Config.ReportPath = dir_ / "netmail/";
  run_.Config.ReportOutPath = run_.Config.ReportPath;
  run_.Own.Slots[0] = TFidoAddr{2, 5020, 1, 0, 0};
  test::WriteBytes(dir_ / "netmail/keep", "");
  ASSERT_TRUE(run_.Log.Open());

  run_.Log.Write("Packet in01.pkt: ERROR: inside the text", false, 2);
  run_.Log.Write("error: another case", false, 2);
  EXPECT_EQ(test::ListNames(dir_ / "netmail"), (std::vector<std::string>{"keep"}));

  run_.Log.Write("\r\nERROR: the packet is short", false, 200);
  std::vector<std::string> names = test::ListNames(dir_ / "netmail");
  ASSERT_EQ(names.size(), 2u);
  std::string report = test::ReadBytes(dir_ / "netmail/" + (names[0] == "keep" ? names[1] : names[0]));
  EXPECT_NE(report.find("ERROR: the packet is short"), std::string::npos);
  EXPECT_EQ(LogFile().find("the packet is short"), std::string::npos);

  run_.Config.ReportError = false;
  run_.Log.Write("ERROR: not mailed", false, 1);
  EXPECT_EQ(test::ListNames(dir_ / "netmail").size(), 2u);

  // Without an error word no line can be told to be an error.
  run_.Config.ReportError = true;
  run_.Lang.LangError = "";
  run_.Log.Write("any line at all", false, 1);
  EXPECT_EQ(test::ListNames(dir_ / "netmail").size(), 2u);
}

}  // namespace
}  // namespace kestal
