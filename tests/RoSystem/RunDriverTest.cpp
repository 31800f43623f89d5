#include <gtest/gtest.h>

#include "Platform/Clock.h"
#include "Platform/Console.h"
#include "RoSystem/RunDriver.h"
#include "RoSystem/Run.h"

namespace kestal {
namespace {

struct SwitchCase {
  std::vector<std::string> args;
  std::string configPath;
  bool expire;
  bool echoStats;
  std::string echoArgument;
  bool nameStats;
  std::string nameArgument;
};

TEST(ReadSwitches, ExaminesArgumentsLeftToRight) {
  const SwitchCase cases[] = {
      {{}, "default", false, false, "", false, ""},
      {{"-w", "-d"}, "default", false, false, "", false, ""},
      {{"-d", "-W", "-s"}, "default", true, false, "", false, ""},
      {{"/s3-1", "-Sx"}, "default", false, true, "X", false, ""},
      {{"-E0"}, "default", false, false, "", true, "0"},
      {{"-C"}, "", false, false, "", false, ""},
      {{"-C/Some/Path/Kestal.Ini"}, "/Some/Path/Kestal.Ini", false, false, "", false, ""},
      {{"-", "D", "--D", "+D"}, "default", false, false, "", false, ""},
      {{"-x", "-Ca", "-cb"}, "b", false, false, "", false, ""},
  };
  for (const SwitchCase& c : cases) {
    platform::FixedClock clock({});
    platform::CapturingConsole console;
    kestal::Run run(clock, console);
    run.ConfigPath = "default";
    ReadSwitches(run, c.args);
    SCOPED_TRACE(testing::PrintToString(c.args));
    EXPECT_EQ(run.ConfigPath, c.configPath);
    EXPECT_EQ(run.Switch.ExpireRequested, c.expire);
    EXPECT_EQ(run.Switch.EchoStatsRequested, c.echoStats);
    EXPECT_EQ(run.Switch.EchoStatsArgument, c.echoArgument);
    EXPECT_EQ(run.Switch.NameStatsRequested, c.nameStats);
    EXPECT_EQ(run.Switch.NameStatsArgument, c.nameArgument);
  }
}

}  // namespace
}  // namespace kestal
