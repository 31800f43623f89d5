#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ConfigFixture.h"
#include "Platform/FaultySystemCalls.h"
#include "RoConfig/ConfigFile.h"
#include "Utils/Address.h"
#include "Utils/Text.h"

namespace kestal::test {
namespace {

// ---------------------------------------------------------------------------
// The syntax pass

struct KeywordCase {
  std::string text;
  std::vector<std::string> messages;
};

TEST(CheckKeywords, ReportsEveryUnknownKeyWithItsPhysicalLine) {
  const KeywordCase cases[] = {
      {"; comment\r\n"
       "[General]\r\n"
       "  address = 2:5020/1\r\n"  // blanks are dropped
       "AKA12=1\r\n"
       "AKA50=2:5020/2\r\n"         // digits are dropped
       "Report To Main=x\r\n"
       "\tLog=x\r\n"                // tabs count as blanks
       "Log\x01Level\t=2\r\n"       // other control bytes are kept
       "Bogus=1\r\n"
       "Safe;Mode=1\r\n"            // a comment before the "=": no key
       "Bad2Key=3;x=y\r\n"
       "\r\n"
       "[Ro]=1\r\n"
       "[Other]=1\r\n"
       "=value\r\n",
       {"ERROR on line 8: KeyWord \"Log\x01Level\" is unknown",
        "ERROR on line 9: KeyWord \"Bogus\" is unknown",
        "ERROR on line 11: KeyWord \"BadKey\" is unknown",
        "ERROR on line 14: KeyWord \"[Other]\" is unknown"}},
      // Lone CRs end lines; a last line without an end counts; Ctrl-Z ends the text.
      {"A=1\rSubj=2\rB=3", {"ERROR on line 1: KeyWord \"A\" is unknown",
                            "ERROR on line 3: KeyWord \"B\" is unknown"}},
      {"Name=x\n\x1A" "After=1\n", {}},
      {"", {}},
  };
  for (const KeywordCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CheckKeywords(c.text), c.messages);
  }
}

TEST(CheckKeywords, KnowsAllSeventyTwoKeywordsInAnyCase) {
  EXPECT_EQ(kConfigKeywords.size(), 72u);
  for (std::string_view keyword : kConfigKeywords) {
    EXPECT_TRUE(IsKnownKeyword(keyword)) << keyword;
    EXPECT_TRUE(IsKnownKeyword(UpperCaseAscii(keyword))) << keyword;
  }
  EXPECT_FALSE(IsKnownKeyword("Addresses"));
  EXPECT_FALSE(IsKnownKeyword("[general]"));
}

// ---------------------------------------------------------------------------
// Sections and value readers

TEST(ConfigFile, FindsSectionsByHeaderAndConsumesThemInOrder) {
  ConfigFile file(
      "Address=before any header\n"  // 1
      "[ro]\n"                        // 2
      "Area=A\n"                      // 3
      "[Genral]\n"                    // 4 misspelt: no header
      "Address=2:1/1\n"               // 5
      "[GENERAL] ;main\n"             // 6
      "Address = 2:5020/1\n"          // 7 blanks around "=" belong to neither side
      "LogLevel=3 ;more\n"            // 8 nor do blanks before a comment
      "SafeMode=Yes;more\n"           // 9
      "[Ro]\n"                        // 10
      "; only a comment\n"            // 11
      "[Ro]\n"                        // 12
      "Area=B\n",                     // 13
      "/nonexistent");
  ASSERT_TRUE(file.LoadSection("[General]"));
  EXPECT_EQ(file.SectionLine(), 6);
  EXPECT_EQ(file.ReadValue("Address", "none"), "2:5020/1");
  EXPECT_EQ(file.KeyLine(), 7);
  EXPECT_EQ(file.ReadInteger("LogLevel", 2), 3);
  EXPECT_TRUE(file.ReadYesNo("SafeMode", false));

  ASSERT_TRUE(file.LoadSection("[Ro]"));
  EXPECT_EQ(file.SectionLine(), 2);
  EXPECT_EQ(file.ReadValue("Area", ""), "A");
  EXPECT_EQ(file.ReadValue("Address", ""), "");  // line 5 belongs to no section read
  EXPECT_FALSE(file.LoadSection("[Ro]"));         // line 10: nothing but a comment
  ASSERT_TRUE(file.LoadSection("[Ro]"));
  EXPECT_EQ(file.SectionLine(), 12);
  EXPECT_EQ(file.ReadValue("AREA", ""), "B");
  EXPECT_FALSE(file.LoadSection("[Ro]"));
  EXPECT_FALSE(file.LoadSection("[General]"));
}

TEST(ConfigFile, ValueReadersConsumeWhatTheyTake) {
  ScratchDir dir;
  WriteBytes(dir / "list.txt", "x\r\n\r\n y;z \n\x1A" "w\n");
  ConfigFile file(
      "[General]\n"
      "Key=one\n"                   // 2
      "key=two\n"                   // 3
      "KEY=three\n"                 // 4
      "List=a\n"                    // 5
      "List=\n"                     // 6
      "List=file://list.txt\n"      // 7
      "List=FILE://missing.txt\n"   // 8
      "List=b  c\n"                 // 9
      "Next=1\n"                    // 10
      "Next=2\n"                    // 11
      "Empty=\n"                    // 12
      "Gone=file://missing.txt\n",  // 13
      dir.path());
  ASSERT_TRUE(file.LoadSection("[General]"));
  EXPECT_EQ(file.ReadValue("Key", "d"), "three");
  EXPECT_EQ(file.KeyLine(), 4);
  EXPECT_EQ(file.ReadValue("Key", "d"), "d");
  EXPECT_EQ(file.KeyLine(), 0);

  // Lines of a list file are taken as they stand; empty ones are left out.
  EXPECT_EQ(file.ReadList("List", " ", "*"), "a  x  y;z  b  c");
  EXPECT_EQ(file.KeyLine(), 9);
  EXPECT_EQ(file.ReadList("List", " ", "*"), "*");
  EXPECT_EQ(file.ReadList("Empty", " ", "*"), "");
  EXPECT_EQ(file.ReadList("Gone", " ", "*"), "*");
  EXPECT_EQ(file.KeyLine(), 13);

  EXPECT_EQ(file.ReadNextValue("Next", "d"), "1");
  EXPECT_EQ(file.KeyLine(), 10);
  EXPECT_EQ(file.ReadNextValue("Next", "d"), "2");
  EXPECT_EQ(file.KeyLine(), 11);
  EXPECT_EQ(file.ReadNextValue("Next", "d"), "d");
  EXPECT_EQ(file.KeyLine(), 0);
}

// A list at the size limit is still read; a read that fails names the file and the
// system's reason, and the next ReadList starts without the fault.
TEST(ConfigFile, ListFaultNamesTheFileAndTheReason) {
  ScratchDir dir;
  WriteBytes(dir / "full.lst", "");
  std::filesystem::resize_file(dir / "full.lst", ConfigFile::kMaxListFileSize);
  WriteBytes(dir / "bad.lst", "x\n");
  platform::FaultySystemCalls calls;
  calls.FailOn(platform::FaultySystemCalls::Call::Read, "bad.lst", EIO);
  const platform::FileSystem files(calls);
  ConfigFile file("[General]\nFull=file://full.lst\nBad=file://bad.lst\nBad=y\nOther=z\n",
                  dir.path(), files);
  ASSERT_TRUE(file.LoadSection("[General]"));

  EXPECT_EQ(file.ReadList("Full", " ", "*").size(), ConfigFile::kMaxListFileSize);
  EXPECT_FALSE(file.LastListFault());
  EXPECT_EQ(file.ReadList("Bad", " ", "*"), "y");
  ASSERT_TRUE(file.LastListFault());
  EXPECT_EQ(file.LastListFault()->Path, dir / "bad.lst");
  EXPECT_EQ(file.LastListFault()->Reason, std::strerror(EIO));
  EXPECT_EQ(file.ReadList("Other", " ", "*"), "z");
  EXPECT_FALSE(file.LastListFault());
}

TEST(ConfigFile, ReadIntegerTakesOnlyAWholeNumber) {
  struct Case {
    std::string value;  // the rest of the line
    int32_t expected;   // kDefault: the default applies
  };
  constexpr int32_t kDefault = 42;
  const Case cases[] = {
      {"3", 3},          {" 7", 7},          {"+7", 7},           {"-5", -5},
      {"$1F", 31},       {"0x1f", 31},       {"-$10", -16},       {"0", 0},
      {"-0", 0},         {"$0", 0},          {"000", 0},          {"0x", kDefault},
      {"$", kDefault},   {"3 ;c", 3},          {"3x", kDefault},    {"", kDefault},
      {"-", kDefault},   {"1.5", kDefault},  {"3 4", kDefault},  {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},           {"2147483648", kDefault},
      {"99999999999999999999", kDefault},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ConfigFile file("[General]\nValue=" + c.value + "\n", "/");
    file.LoadSection("[General]");
    EXPECT_EQ(file.ReadInteger("Value", kDefault), c.expected);
  }
  ConfigFile absent("[General]\nOther=1\n", "/");
  absent.LoadSection("[General]");
  EXPECT_EQ(absent.ReadInteger("Value", kDefault), kDefault);
}

TEST(ConfigFile, ReadYesNoTakesOnlyYesOrNo) {
  struct Case {
    std::string value;              // the rest of the line
    std::optional<bool> expected;  // nullopt: the default applies
  };
  const Case cases[] = {{"Yes", true},           {"yes", true},       {"YES", true},
                        {"No", false},           {"nO", false},       {"1", std::nullopt},
                        {"Yes ;c", true},        {"No\t;c", false},  {"Y es", std::nullopt},
                        {"Y", std::nullopt},     {"", std::nullopt}};
  for (const Case& c : cases) {
    for (bool defaultValue : {false, true}) {
      SCOPED_TRACE(c.value + (defaultValue ? " default yes" : " default no"));
      ConfigFile file("[General]\nValue=" + c.value + "\n", "/");
      file.LoadSection("[General]");
      EXPECT_EQ(file.ReadYesNo("Value", defaultValue), c.expected.value_or(defaultValue));
    }
  }
}

// ---------------------------------------------------------------------------
// Reading a whole configuration

TEST(LoadConfig, ErrorsEndTheRunWithTheirTextAndCode) {
  struct Case {
    std::string name;
    std::string ini;
    int code;
    std::string console;  // the closing lines of a run left out
  };
  const std::string minimal = kMinimalGeneral;
  const Case cases[] = {
      {"unknown keys", "[General]\nAddress=2:5020/1\nFoo=1\n\nBar Baz 2=2\n", 5,
       "ERROR on line 3: KeyWord \"Foo\" is unknown\n"
       "ERROR on line 5: KeyWord \"BarBaz\" is unknown\n"},
      {"language missing", "[General]\n\nLanguage=C:\\lang\\nope.lng\n", 1,
       "ERROR: \"nope.lng\" not found ( 3)\n"},
      {"language empty", "[General]\nLanguage=\n", 1, "ERROR: \"\" not found ( 2)\n"},
      {"no address", "[General]\nEchoMailPath=in\n", 2, "Keyword \"Address\" is missing\n"},
      {"misspelled header", "[Genral]\nAddress=2:5020/1\nEchoMailPath=in\n", 2,
       "Keyword \"Address\" is missing\n"},
      {"address empty", "[General]\nAddress=\nEchoMailPath=in\n", 2,
       "Keyword \"Address\" is missing\n"},
      {"address bad", "[General]\nEchoMailPath=in\nAddress=2:*/1\n", 2,
       "Keyword \"Address\" is wrong (line 3)\n"},
      {"report path", minimal + "ReportPath=nodir\n", 2,
       "Keyword \"ReportPath\" is wrong (line 4)\n"},
      {"traffic path", minimal + "TrfPath=nodir\n", 2,
       "Keyword \"TrfPath\" is wrong (line 4)\n"},
      {"no inbound", "[General]\nAddress=2:5020/1\n", 2,
       "Keyword \"EchoMailPath\" is missing\n"},
      {"first inbound empty", "[General]\nAddress=2:5020/1\nEchoMailPath=\nEchoMailPath=in\n",
       2, "Keyword \"EchoMailPath\" is missing\n"},
      {"inbound bad", minimal + "EchoMailPath=in\nEchoMailPath=nodir\n", 2,
       "Keyword \"EchoMailPath\" is wrong (line 5)\n"},
      {"inbound is a file", minimal + "EchoMailPath=save.tpl\n", 2,
       "Keyword \"EchoMailPath\" is wrong (line 4)\n"},
      {"report out path", minimal + "ReportOutPath=nodir\n", 2,
       "Keyword \"ReportOutPath\" is wrong (line 4)\n"},
      {"report template", minimal + "ReportToMain=C:\\tpl\\main.tpl\n", 4,
       "ERROR: \"main.tpl\" not found (line 4)\n"},
      {"no templates needed", minimal + "TemplatePath=in\nStatTemplate=\nTrfTemplate=\n", -1, ""},
      {"default template missing", minimal + "TemplatePath=in\nTrfTemplate=\n", 4,
       "ERROR: \"stat.tpl\" not found (line 0)\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    EXPECT_EQ(home.Load(c.ini), c.code);
    EXPECT_EQ(home.ConsoleLines(), c.console);
  }
}

TEST(LoadConfig, LogThatCannotBeOpenedEndsTheRunWithCodeOne) {
  ConfigHome home;
  EXPECT_EQ(home.Load("[General]\nLog=nodir/Kestal.Log\n"), 1);
  EXPECT_EQ(home.ConsoleLines(), "\aERROR:  " + home / "nodir/Kestal.Log\n");
  EXPECT_EQ(home.DetailLines(), home / "nodir/Kestal.Log: No such file or directory\n");
  EXPECT_EQ(home.console.errors, home.console.output.substr(0, home.console.errors.size()));
}

TEST(LoadConfig, MissingConfigurationEndsTheRunAtOnce) {
  for (const char* name : {"Absent.Ini", "in"}) {  // a directory is no configuration either
    ConfigHome home;
    home.run.ConfigPath = home / name;
    EXPECT_EQ(home.LoadWritten(), 2);
    EXPECT_EQ(home.ConsoleLines(), home.run.ConfigPath + " not found\n");
    EXPECT_EQ(home.DetailLines(), home.run.ConfigPath + ": " +
                                      (std::string(name) == "in" ? "Is a directory"
                                                                 : "No such file or directory") +
                                      "\n");
  }
}

// Unknown keys stop the run before the configuration is read, but the log it
// names still gets them: a mailer's hook throws the console away.
TEST(LoadConfig, LogsErrorsOnlyOnceTheLogIsOpen) {
  ConfigHome syntax;
  EXPECT_EQ(syntax.Load("[General]\nBogus=1\n"), 5);
  const std::string syntaxLog = ReadBytes(syntax / "Kestal.Log");
  EXPECT_NE(syntaxLog.find(" ERROR on line 2: KeyWord \"Bogus\" is unknown\r\n"),
            std::string::npos)
      << syntaxLog;
  EXPECT_EQ(syntax.console.errors, "ERROR on line 2: KeyWord \"Bogus\" is unknown\n");

  ConfigHome language;
  EXPECT_EQ(language.Load("[General]\nLanguage=nope.lng\n"), 1);
  EXPECT_FALSE(Exists(language / "Kestal.Log"));

  ConfigHome path;
  EXPECT_EQ(path.Load(std::string(kMinimalGeneral) + "ReportPath=nodir\n"), 2);
  const std::string log = ReadBytes(path / "Kestal.Log");
  EXPECT_NE(log.find("--- Kestal 2.15/W32 started\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" Keyword \"ReportPath\" is wrong (line 4)\r\n"), std::string::npos) << log;
}

// The keys stand in the file in the reverse of their reading order, each one
// faulty: fixing the faults one by one brings up the next in reading order.
TEST(LoadConfig, ReadingOrderDecidesWhichErrorComesFirst) {
  struct Fault {
    std::string bad;
    std::string good;
    int code;
    std::string message;
  };
  const Fault faults[] = {
      {"Language=nope.lng", "", 1, "ERROR: \"nope.lng\" not found"},
      {"Log=nodir/Kestal.Log", "", 1, "nodir/Kestal.Log"},
      {"Address=bad", "Address=2:5020/1", 2, "Keyword \"Address\" is wrong"},
      {"ReportPath=nodir", "", 2, "Keyword \"ReportPath\" is wrong"},
      {"TrfPath=nodir", "", 2, "Keyword \"TrfPath\" is wrong"},
      {"EchoMailPath=nodir", "EchoMailPath=in", 2, "Keyword \"EchoMailPath\" is wrong"},
      {"ReportOutPath=nodir", "", 2, "Keyword \"ReportOutPath\" is wrong"},
      {"ReportToMain=none.tpl", "", 4, "ERROR: \"none.tpl\" not found"},
      {"StatTemplate=nostat.tpl", "", 4, "ERROR: \"nostat.tpl\" not found"},
      {"[Ro]\nName=x", "", 3, "Keyword \"Area\""},
  };
  const size_t count = std::size(faults);
  for (size_t first = 0; first < count; ++first) {
    SCOPED_TRACE(faults[first].bad);
    std::string ini = "[General]\n";
    for (size_t i = count - 1; i > 0; --i) {  // the [Ro] section comes last
      ini += (i - 1 >= first ? faults[i - 1].bad : faults[i - 1].good) + "\n";
    }
    ini += faults[count - 1].bad + "\n";
    ConfigHome home;
    EXPECT_EQ(home.Load(ini), faults[first].code);
    EXPECT_NE(home.console.output.find(faults[first].message), std::string::npos)
        << home.console.output;
  }
}

TEST(LoadConfig, MinimalConfigurationTakesTheDefaults) {
  ConfigHome home;
  ASSERT_EQ(home.Load(kMinimalGeneral), -1) << home.console.output;
  const Settings& config = home.run.Config;
  const std::string exeDir = home.dir.path();
  EXPECT_EQ(config.Language, "english.lng");
  EXPECT_EQ(config.Log, exeDir + "/Kestal.Log");
  EXPECT_EQ(config.LogLevel, 2);
  EXPECT_EQ(config.PktBackupPath, "");
  EXPECT_EQ(config.ReportPath, exeDir + "/");
  EXPECT_FALSE(config.ReportError);
  EXPECT_EQ(config.TrfPath, "");
  EXPECT_EQ(config.PasswordFile, "");
  EXPECT_EQ(config.TrfStatName, exeDir + "/trf.txt");
  EXPECT_EQ(config.StatName, exeDir + "/stat.txt");
  EXPECT_EQ(config.EchoMailPath, std::vector<std::string>{exeDir + "/in"});
  EXPECT_EQ(config.ReportOutPath, exeDir + "/");
  EXPECT_FALSE(config.NetMail);
  EXPECT_FALSE(config.KeepEmpty);
  EXPECT_TRUE(config.RemoveRe);
  EXPECT_FALSE(config.SafeMode);
  EXPECT_EQ(config.Ext, "*.pkt");
  EXPECT_EQ(config.TemplatePath, exeDir + "/");
  EXPECT_EQ(config.Tagline, "");
  EXPECT_EQ(config.Tearline, "Kestal 2.15/W32");
  EXPECT_EQ(config.Origin, "");
  EXPECT_EQ(config.KestalName, "Kestal");
  EXPECT_EQ(home.run.Carried.FromName, "Kestal");
  EXPECT_EQ(config.SkipPktFrom + config.SkipPktTo + config.DelPktFrom + config.DelPktTo, "");
  EXPECT_EQ(config.ReportToMain + config.ReportToRo + config.ReportToUplink +
                config.ReportToMainEnd + config.ReportToRoEnd + config.ReportToUplinkEnd +
                config.ReportToPktFrom + config.ReportToPktTo,
            "");
  EXPECT_EQ(config.TrfTemplate, "trf.tpl");
  EXPECT_EQ(config.StatTemplate, "stat.tpl");
  EXPECT_FALSE(config.CreateEmptyStat);
  EXPECT_FALSE(config.UseSystemDateFormat);
  EXPECT_EQ(config.SysopName, "Sysop");
  EXPECT_EQ(home.run.Own.Main(), (TFidoAddr{2, 5020, 1, 0, 0}));
  EXPECT_EQ(home.run.Own.AkaCount, 0);
  EXPECT_TRUE(home.run.Passwords.empty());
  EXPECT_TRUE(home.run.Rules.empty());
  EXPECT_FALSE(home.run.Switch.ExpireRequested);
  // The program's own date format replaces the system's.
  EXPECT_EQ(home.run.Day.DateFmt, (DateFormat{DateOrder::DayMonthYear, '.'}));
  EXPECT_EQ(home.run.Day.TodayText, "10.12.2026");
  EXPECT_TRUE(home.run.Log.IsOpen());
}

// One or more lines of a [General] section and the check of what they load.
struct GeneralKeyCase {
  std::string lines;
  std::function<void(const kestal::Run&)> check;
};

// The members of Settings's bases included.
template <typename Record, typename Member, typename Value>
std::function<void(const kestal::Run&)> Is(Member Record::*member, Value expected) {
  return [member, expected](const kestal::Run& run) { EXPECT_EQ(run.Config.*member, expected); };
}

TEST(LoadConfig, ReadsEveryGeneralKey) {
  ConfigHome home;
  const std::string exeDir = home.dir.path();
  for (const char* sub : {"net", "out", "tpl", "trf", "backup"}) {
    std::filesystem::create_directories(home / sub);
  }
  WriteBytes(home / "tpl/main.tpl", "x");
  WriteBytes(home / "tpl/end.tpl", "x");
  WriteBytes(home / "tpl/echo.tpl", "x");
  WriteBytes(home / "tpl/names.tpl", "x");
  WriteBytes(home / "pw/passwords.lst", "2:5020/2 secret123\r\n2:5020/3\r\n");
  const std::vector<GeneralKeyCase> keys = {
      {"language=D:\\lang\\english.lng\n", Is(&Settings::Language, "english.lng")},
      {"log=logs.txt ; relative to the program\n",
       [&](const kestal::Run& run) {
         EXPECT_EQ(run.Config.Log, exeDir + "/logs.txt");
         EXPECT_TRUE(Exists(home / "logs.txt"));
       }},
      {"LOGLEVEL=3;more\n", Is(&Settings::LogLevel, 3)},
      {"PktBackupPath=backup\n", Is(&Settings::PktBackupPath, exeDir + "/backup/")},
      {"Address=2:5020/1.0\nAddress=2:5020/9\n",  // only the first counts
       [](const kestal::Run& run) { EXPECT_EQ(run.Own.Main(), (TFidoAddr{2, 5020, 1, 0, 0})); }},
      {"ReportPath=" + exeDir + "/net\n", Is(&Settings::ReportPath, exeDir + "/net/")},
      {"ReportError=yes\n", Is(&Settings::ReportError, true)},
      {"TrfPath=trf/\n", Is(&Settings::TrfPath, exeDir + "/trf/")},
      {"PasswordFile=pw/passwords.lst\n",
       [&](const kestal::Run& run) {
         EXPECT_EQ(run.Config.PasswordFile, exeDir + "/pw/passwords.lst");
         ASSERT_EQ(run.Passwords.size(), 1u);
         EXPECT_EQ(run.Passwords[0].Address, "2:5020/2");
       }},
      {"TrfStatName=stats/trf.txt\n", Is(&Settings::TrfStatName, exeDir + "/stats/trf.txt")},
      {"StatName=/var/stat.txt\n", Is(&Settings::StatName, "/var/stat.txt")},
      {"EchoMailPath=in\nEchoMailPath=" + exeDir + "/net\n",
       Is(&Settings::EchoMailPath, std::vector<std::string>{exeDir + "/in", exeDir + "/net"})},
      {"ReportOutPath=out\n", Is(&Settings::ReportOutPath, exeDir + "/out/")},
      {"NetMail=Yes\n", Is(&Settings::NetMail, true)},
      {"KeepEmpty=Yes\n", Is(&Settings::KeepEmpty, true)},
      {"RemoveRe=No\n", Is(&Settings::RemoveRe, false)},
      {"SafeMode=YES\n", Is(&Settings::SafeMode, true)},
      {"Ext=*.pkt *.PKT\n", Is(&Settings::Ext, "*.pkt *.PKT")},
      {"TemplatePath=tpl\n", Is(&Settings::TemplatePath, exeDir + "/tpl/")},
      {"Tagline=Read only!\n", Is(&Settings::Tagline, "Read only!")},
      {"Tearline=tear\n", Is(&Settings::Tearline, "tear")},
      {"Origin=Somewhere\n", Is(&Settings::Origin, "Somewhere")},
      {"KestalName=Robot\n",
       [](const kestal::Run& run) {
         EXPECT_EQ(run.Config.KestalName, "Robot");
         EXPECT_EQ(run.Carried.FromName, "Robot");
       }},
      {"SkipPktFrom=1:*/*\n", Is(&Settings::SkipPktFrom, "1:*/*")},
      {"SkipPktTo=2:*/*\n", Is(&Settings::SkipPktTo, "2:*/*")},
      {"DelPktFrom=3:*/*\n", Is(&Settings::DelPktFrom, "3:*/*")},
      {"DelPktTo=%MainAddr%\n", Is(&Settings::DelPktTo, "%MainAddr%")},  // no macros in [General]
      {"ReportToMain=C:\\tpl\\main.tpl\n", Is(&Settings::ReportToMain, "main.tpl")},
      {"ReportToRo=main.tpl\n", Is(&Settings::ReportToRo, "main.tpl")},
      {"ReportToUplink=main.tpl\n", Is(&Settings::ReportToUplink, "main.tpl")},
      {"ReportToMainEnd=end.tpl\n", Is(&Settings::ReportToMainEnd, "end.tpl")},
      {"ReportToRoEnd=end.tpl\n", Is(&Settings::ReportToRoEnd, "end.tpl")},
      {"ReportToUplinkEnd=end.tpl\n", Is(&Settings::ReportToUplinkEnd, "end.tpl")},
      {"ReportToPktFrom=main.tpl\n", Is(&Settings::ReportToPktFrom, "main.tpl")},
      {"ReportToPktTo=main.tpl\n", Is(&Settings::ReportToPktTo, "main.tpl")},
      {"TrfTemplate=echo.tpl\n", Is(&Settings::TrfTemplate, "echo.tpl")},
      {"StatTemplate=names.tpl\n", Is(&Settings::StatTemplate, "names.tpl")},
      {"CreateEmptyStat=Yes\n", Is(&Settings::CreateEmptyStat, true)},
      {"UseSystemDateFormat=Yes\n",
       [](const kestal::Run& run) {
         EXPECT_TRUE(run.Config.UseSystemDateFormat);
         // The system's format stays in force.
         EXPECT_EQ(run.Day.DateFmt, (DateFormat{DateOrder::MonthDayYear, '/'}));
         EXPECT_EQ(run.Day.TodayText, "12/10/2026");
       }},
      {"SysopName=Boss\n", Is(&Settings::SysopName, "Boss")},
  };
  std::string ini = "[general]\n";
  for (const GeneralKeyCase& key : keys) ini += key.lines;
  ASSERT_EQ(home.Load(ini), -1) << home.console.output;
  for (const GeneralKeyCase& key : keys) {
    SCOPED_TRACE(key.lines);
    key.check(home.run);
  }
}

TEST(LoadConfig, EmptyDirectoryValuesMeanTheProgramDirectory) {
  ConfigHome home;
  ASSERT_EQ(home.Load(std::string(kMinimalGeneral) +
                      "PktBackupPath=\nReportPath=\nTrfPath=\nTemplatePath=\nPasswordFile=\n"),
            -1);
  const Settings& config = home.run.Config;
  EXPECT_EQ(config.PktBackupPath, "");  // off
  EXPECT_EQ(config.TrfPath, "");        // off
  EXPECT_EQ(config.PasswordFile, "");   // off
  EXPECT_EQ(config.ReportPath, home.dir.path() + "/");
  EXPECT_EQ(config.ReportOutPath, home.dir.path() + "/");
  EXPECT_EQ(config.TemplatePath, home.dir.path() + "/");
}

TEST(LoadConfig, InboundListEndsAtAnEmptyValue) {
  ConfigHome home;
  std::filesystem::create_directories(home / "in2");
  ASSERT_EQ(home.Load("[General]\nAddress=2:5020/1\nEchoMailPath=in/\n"
                      "EchoMailPath=" + home.dir.path() + "/in2\n"
                      "EchoMailPath=\nEchoMailPath=nodir\n"),
            -1)
      << home.console.output;
  EXPECT_EQ(home.run.Config.EchoMailPath,
            (std::vector<std::string>{home.dir.path() + "/in/", home.dir.path() + "/in2"}));
}

TEST(LoadConfig, CollectsAkasNumberedFirstThenInFileOrder) {
  ConfigHome home;
  ASSERT_EQ(home.Load(std::string(kMinimalGeneral) +
                      "AKA=2:5020/10\n"
                      "AKA7=2:5020/7\n"
                      "aka7=2:5020/77\n"  // the later one counts
                      "AKA1=12\n"
                      "AKA2=999/12\n"
                      "AKA3=.3\n"
                      "AKA4=2:5020\n"      // a zone and net without a node
                      "AKA50=2:5020/50\n"  // no such key is read
                      "AKA=3:1/1\n"
                      "AKA=\n"             // ends the plain AKA lines
                      "AKA=4:1/1\n"),
            -1)
      << home.console.output;
  const OwnAddresses& own = home.run.Own;
  const std::vector<std::string> expected = {"2:5020/12",   "2:999/12",   "2:5020/1.3",
                                             "2:5020/77", "2:5020/10", "3:1/1"};
  ASSERT_EQ(own.AkaCount, expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(FormatAddress(own.Slots[i + 1]), expected[i]) << i;
  }
}

TEST(LoadConfig, KeepsAtMostAHundredAkas) {
  ConfigHome home;
  std::string ini = kMinimalGeneral;
  for (int n = 1; n <= 49; ++n) ini += "AKA" + std::to_string(n) + "=1:1/" + std::to_string(n) + "\n";
  for (int n = 1; n <= 60; ++n) ini += "AKA=1:2/" + std::to_string(n) + "\n";
  ASSERT_EQ(home.Load(ini), -1);
  EXPECT_EQ(home.run.Own.AkaCount, 100);
  EXPECT_EQ(FormatAddress(home.run.Own.Slots[49]), "1:1/49");
  EXPECT_EQ(FormatAddress(home.run.Own.Slots[100]), "1:2/51");
}

TEST(LoadConfig, RemoveOldRoDecidesOverTheSwitch) {
  struct Case {
    bool switchGiven;
    std::string line;
    bool expire;
  };
  const Case cases[] = {{false, "", false},          {true, "", true},
                        {true, "RemoveOldRo=No", false}, {false, "RemoveOldRo=Yes", true},
                        {true, "RemoveOldRo=1", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line + (c.switchGiven ? " with -D" : ""));
    ConfigHome home;
    home.run.Switch.ExpireRequested = c.switchGiven;
    ASSERT_EQ(home.Load(std::string(kMinimalGeneral) + c.line + "\n"), -1);
    EXPECT_EQ(home.run.Switch.ExpireRequested, c.expire);
  }
}

// Whatever the bytes, the reading ends in a result or a known error.
TEST(LoadConfig, SurvivesOddFiles) {
  using namespace std::string_literals;
  struct Case {
    std::string name;
    std::string ini;
    int code;
  };
  const std::string minimal = kMinimalGeneral;
  std::string binary;  // every byte value but "="
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>(i % 256 == '=' ? 0 : i % 256);
  const Case cases[] = {
      {"empty", "", 2},
      {"binary", binary, 2},
      {"binary key", "\x01\xff\x80=1\n", 5},
      {"lone CRs, no final end", "[General]\rAddress=2:5020/1\rEchoMailPath=in", -1},
      {"Ctrl-Z", minimal + "\x1A" "Bogus=1\n[Ro]\nName=x\n", -1},
      {"bytes 0 in a value",
       "[General]\nAddress=2:5020/1\0junk\nEchoMailPath=in\n"s, -1},
      {"huge line", minimal + "Origin=" + std::string(1 << 20, 'x') + "\n", -1},
      {"only a rule", "[Ro]\nArea=A\n", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConfigHome home;
    EXPECT_EQ(home.Load(c.ini), c.code) << home.console.output.substr(0, 200);
  }
}

// The documented sample is what the demo runs with: it must load as it stands.
TEST(LoadConfig, SampleConfigurationLoads) {
  ConfigHome home;
  namespace fs = std::filesystem;
  fs::copy(SourceDir() + "/templates", home / "templates");
  for (const char* sub : {"inbound", "netmail", "backup", "trf"}) fs::create_directories(home / sub);
  WriteBytes(home.run.ConfigPath, ReadBytes(SourceDir() + "/examples/Kestal.Ini"));
  ASSERT_EQ(home.LoadWritten(), -1) << home.console.output;
  EXPECT_EQ(FormatAddress(home.run.Own.Main()), "2:5020/100");
  EXPECT_EQ(home.run.Config.EchoMailPath, std::vector<std::string>{home / "inbound"});
  EXPECT_EQ(home.run.Config.TemplatePath, home / "templates/");
  ASSERT_EQ(home.run.Rules.size(), 4u);
  EXPECT_EQ(home.run.Rules[1].Copy, "RU.TEST.ARCHIVE");
  EXPECT_EQ(home.run.Rules[3].DateTo, (TDate{2030, 12, 31}));
}

}  // namespace
}  // namespace kestal::test
