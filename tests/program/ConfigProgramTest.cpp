// What a sysop sees when the configuration is wrong: build/kestal's exit code, its
// console line and, once the log is open, the log's lines.

#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"

namespace kestal::test {
namespace {

struct ConfigErrorCase {
  const char* what;
  std::string ini;
  int exitCode;
  std::string consoleLine;
  bool logged;  // the error comes after the log was opened
};

const std::string kGood = "Address=2:5020/100\r\nEchoMailPath=in\r\n";

TEST(ConfigProgramTest, EachErrorEndsTheRunWithItsCodeAndText) {
  const ConfigErrorCase cases[] = {
      {"unknown keys", "[General]\r\nFoo=1\r\n\r\nBar Baz=2\r\n" + kGood, 5,
       "ERROR on line 2: KeyWord \"Foo\" is unknown\n", true},
      {"language missing", "[General]\r\nLanguage=x/none.lng\r\n" + kGood, 1,
       "ERROR: \"none.lng\" not found ( 2)\n", false},
      {"language wrong", "[General]\r\nLanguage=bad.lng\r\n" + kGood, 5, "bad.lng is incorrect\n",
       false},
      {"address missing", "[General]\r\nAddress=\r\nEchoMailPath=in\r\n", 2,
       "Keyword \"Address\" is missing\n", true},
      {"address wrong", "[General]\r\nAddress=5020/100\r\nEchoMailPath=in\r\n", 2,
       "Keyword \"Address\" has a wrong value (line 2)\n", true},
      {"report path", "[General]\r\n" + kGood + "ReportPath=nowhere\r\n", 2,
       "Keyword \"ReportPath\" has a wrong value (line 4)\n", true},
      {"echomail missing", "[General]\r\nAddress=2:5020/100\r\n", 2,
       "Keyword \"EchoMailPath\" is missing\n", true},
      {"area missing", "[General]\r\n" + kGood + "[Ro]\r\nName=Ann\r\n", 3,
       "Keyword \"Area\" is missing or wrong in [Ro] section 1 (line 4, 0)\n", true},
      {"date wrong", "[General]\r\n" + kGood + "[Ro]\r\nArea=A\r\nDateTo=31.02.2026\r\n", 3,
       "Keyword \"DateTo\" is missing or wrong in [Ro] section 1 (line 4, 6)\n", true},
      {"template missing", "[General]\r\n" + kGood + "ReportToMain=tpl/main.tpl\r\n", 4,
       "ERROR: \"main.tpl\" not found (line 4)\n", true},
  };
  for (const ConfigErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    KestalHome home;
    WriteBytes(home / "in/readme.txt", "");
    WriteBytes(home / "bad.lng", "no signature here");
    for (const char* name : {"save.tpl", "trf.tpl", "stat.tpl"}) WriteBytes(home / name, "");
    WriteBytes(home / "Kestal.Ini", c.ini);

    const ProgramResult result = home.Run();
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    EXPECT_NE(result.output.find(c.consoleLine), std::string::npos) << result.output;

    const std::string log = ReadBytes(home / "Kestal.Log");
    if (!c.logged) {
      EXPECT_FALSE(Exists(home / "Kestal.Log"));
      continue;
    }
    std::string errorLine = c.consoleLine.substr(0, c.consoleLine.size() - 1) + "\r\n";
    EXPECT_NE(log.find(errorLine), std::string::npos) << log;
    EXPECT_NE(log.find(" --- Kestal 2.15/W32 started\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" Exit code " + std::to_string(c.exitCode) + "\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find(" --- Kestal 2.15/W32 stopped\r\n"), std::string::npos) << log;
  }
}

TEST(ConfigProgramTest, MissingConfigurationNamesItsPath) {
  KestalHome home;
  const ProgramResult result = home.Run({"-C" + home.path() + "/Other.Ini"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.output.find(home.path() + "/Other.Ini not found\n"), std::string::npos)
      << result.output;
  EXPECT_FALSE(Exists(home / "Kestal.Log"));
}

}  // namespace
}  // namespace kestal::test
