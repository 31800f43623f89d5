// The README's cookbook: each rule of docs/cookbook/ is loaded as written, under a
// plain [General] section, and tried on the messages it claims to catch and on
// those it must let through. The README must quote each file as it stands.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ConfigFixture.h"
#include "Pkt/Message.h"
#include "ToolsLib/PacketWriter.h"
#include "Pkt/RuleMatch.h"
#include "Utils/PktReader.h"

namespace kestal {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kCookbookFiles = {"moderator.ini", "banned-writer.ini",
                                                 "archive-copy.ini", "trial.ini", "body-text.ini"};

std::string CookbookText(const std::string& name) {
  return test::ReadBytes(test::SourceDir() + "/docs/cookbook/" + name);
}

// An echomail message whose writer's address comes from its MSGID.
MessageDraft Message(const std::string& area, const std::string& fromName,
                    const std::string& fromAddr, const std::string& subject = "Hello",
                    const std::string& line = "Some text") {
  MessageDraft draft;
  draft.Area = area;
  draft.FromName = fromName;
  draft.Subject = subject;
  draft.Kludges = {"MSGID: " + fromAddr + " 0badcafe"};
  draft.Lines = {line};
  draft.Tearline = "GoldED";
  draft.Origin = "A node (" + fromAddr + ")";
  return draft;
}

struct Case {
  std::string what;
  MessageDraft message;
  bool caught;
};

class Cookbook : public ::testing::Test {
 protected:
  // Loads the rule file under a [General] section that keeps the sample templates.
  void Load(const std::string& name) {
    fs::create_directories(home_ / "templates");
    for (const auto& entry : fs::directory_iterator(test::SourceDir() + "/templates")) {
      fs::copy_file(entry.path(), home_ / ("templates/" + entry.path().filename().string()),
                    fs::copy_options::overwrite_existing);
    }
    const std::string general =
        "[General]\nAddress=2:5020/1\nEchoMailPath=in\nTemplatePath=templates\n\n";
    ASSERT_EQ(home_.Load(general + CookbookText(name)), -1) << home_.ConsoleLines();
    ASSERT_EQ(home_.run.Rules.size(), 1u);
  }

  const TRo& Rule() const { return home_.run.Rules.front(); }

  bool Catches(const MessageDraft& draft) {
    const TFidoAddr packetOrig{2, 5020, 1, 0, 0};
    const TFidoAddr packetDest{2, 5020, 2, 0, 0};
    const std::string bytes = PackedMessageBytes(draft);
    PktReader reader(std::string_view(bytes).substr(2), static_cast<int32_t>(bytes.size() - 2));
    TPktMsgHeader header;
    const PackedMessage packed = ReadPackedMessage(reader, bytes[0], bytes[1], header);
    MessageUnderTest message(header, packed, packetOrig);
    home_.run.PrepareRules();
    PacketRules rules(home_.run.ForScan(), packetOrig, packetDest);
    return rules.Matches(0, message);
  }

  void ExpectCatches(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      EXPECT_EQ(Catches(c.message), c.caught) << c.what;
    }
  }

  void SetToday(int year, int month, int day) { home_.run.Day.Today = TDate{year, month, day}; }

  test::ConfigHome home_;
};

TEST_F(Cookbook, ModeratorAloneWritesInTheArea) {
  Load("moderator.ini");
  ExpectCatches({
      {"another node", Message("RU.ANNOUNCE", "Ann", "2:5020/200"), true},
      {"another node, tag in lower case", Message("ru.announce", "Ann", "2:5020/200"), true},
      {"another zone", Message("RU.ANNOUNCE", "Bob", "1:100/1"), true},
      {"the moderator", Message("RU.ANNOUNCE", "Moder", "2:5020/100"), false},
      {"the moderator's point", Message("RU.ANNOUNCE", "Moder", "2:5020/100.7"), false},
      {"another area", Message("RU.TALK", "Ann", "2:5020/200"), false},
  });
  EXPECT_EQ(Rule().ReportToRo, "ro.tpl");
  EXPECT_EQ(Rule().ReportToMain, "main.tpl");
  EXPECT_FALSE(Rule().ReportOnly);
}

TEST_F(Cookbook, BannedWriterUntilADate) {
  Load("banned-writer.ini");
  const std::vector<Case> whileBanned = {
      {"in RU.FLAME", Message("RU.FLAME", "Vasily Pupkin", "2:5020/555"), true},
      {"in a sub-area", Message("RU.FLAME.POLITICS", "vasily pupkin", "2:5020/555"), true},
      {"in another area", Message("RU.FLAMENCO", "Vasily Pupkin", "2:5020/555"), false},
      {"someone else", Message("RU.FLAME", "Ivan Petrov", "2:5020/555"), false},
      {"his name from another node", Message("RU.FLAME", "Vasily Pupkin", "2:5020/556"), false},
  };
  ExpectCatches(whileBanned);
  SetToday(2027, 3, 31);
  ExpectCatches(whileBanned);
  SetToday(2027, 4, 1);
  EXPECT_FALSE(Catches(whileBanned.front().message)) << "the day after DateTo";
  EXPECT_EQ(Rule().ReportToMainEnd, "mainend.tpl");
  EXPECT_EQ(Rule().ReportToRoEnd, "roend.tpl");
}

TEST_F(Cookbook, ArchiveCopyOfOneArea) {
  Load("archive-copy.ini");
  ExpectCatches({
      {"any writer", Message("RU.SYSOP", "Ann", "2:5020/200"), true},
      {"another zone", Message("RU.SYSOP", "Bob", "1:100/1"), true},
      {"the archive area itself", Message("RU.SYSOP.ARCHIVE", "Ann", "2:5020/200"), false},
      {"another area", Message("RU.TALK", "Ann", "2:5020/200"), false},
  });
  EXPECT_EQ(Rule().Copy, "RU.SYSOP.ARCHIVE");
  EXPECT_TRUE(Rule().Move.empty());
}

TEST_F(Cookbook, TrialRuleOnlyReports) {
  Load("trial.ini");
  ExpectCatches({
      {"an advert", Message("RU.TECH.MODEMS", "Ann", "2:5020/200", "Modem for sale"), true},
      {"a reply to it", Message("RU.TECH.PC", "Bob", "2:5020/300", "Re: CPU FOR SALE, cheap"),
       true},
      {"no advert", Message("RU.TECH.MODEMS", "Ann", "2:5020/200", "Modem wanted"), false},
      {"an advert elsewhere", Message("RU.TALK", "Ann", "2:5020/200", "Modem for sale"), false},
  });
  EXPECT_TRUE(Rule().ReportOnly);
  EXPECT_EQ(Rule().ReportToMain, "main.tpl");
}

TEST_F(Cookbook, BodyTextRule) {
  Load("body-text.ini");
  ExpectCatches({
      {"in the text, any case",
       Message("RU.TALK", "Ann", "2:5020/200", "Hi", "Please make Money Fast today"), true},
      {"in another area", Message("SU.GENERAL", "Bob", "1:100/1", "Hi", "MAKE MONEY FAST"), true},
      {"part of the phrase", Message("RU.TALK", "Ann", "2:5020/200", "Hi", "make money"), false},
      {"in the subject only", Message("RU.TALK", "Ann", "2:5020/200", "Make money fast"), false},
  });
  MessageDraft inKludge = Message("RU.TALK", "Ann", "2:5020/200");
  inKludge.Kludges.push_back("X-NOTE: MAKE MONEY FAST");
  EXPECT_FALSE(Catches(inKludge)) << "a kludge is not the text";
  EXPECT_EQ(Rule().SaveToFile, "/var/spool/fido/kestal/chainletters.txt");
  EXPECT_EQ(Rule().SaveTemplate, "save.tpl");
}

TEST(CookbookText, ReadmeQuotesEveryRuleAsWritten) {
  const std::string readme = test::ReadBytes(test::SourceDir() + "/README.md");
  for (const std::string& name : kCookbookFiles) {
    const std::string text = CookbookText(name);
    ASSERT_FALSE(text.empty()) << name;
    EXPECT_NE(readme.find("```ini\n" + text + "```\n"), std::string::npos)
        << "README.md does not quote docs/cookbook/" << name;
  }
}

}  // namespace
}  // namespace kestal
