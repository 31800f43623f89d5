#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ToolsLib/PacketDescription.h"
#include "ToolsLib/PacketWriter.h"
#include "TestSupport.h"

namespace kestal {
namespace {

TEST(PacketDescription, GivesTheBytesOfTheWriter) {
  const std::string description = R"(# two messages
orig 2:463/1.2
dest 2:5020/100
password Secret
  message
  area RU.TEST
  from Ann
  to Bob
  subject Hi\x21
  fromaddr 2:463/1
  toaddr 2:5020/100
  date 01 Jan 26  00:00:00
  attr 257
  kludge MSGID: 2:463/1.2 1
  line first
  line tab\there
  tearline
  origin Node (2:463/1.2)
  seenby 463/1
  path 463/1
message
text AREA:X\rno CR
)";
  PacketHeaderDraft header;
  header.Orig = {2, 463, 1, 2, 0};
  header.Dest = {2, 5020, 100, 0, 0};
  header.Password = "Secret";
  MessageDraft first;
  first.Area = "RU.TEST";
  first.FromName = "Ann";
  first.ToName = "Bob";
  first.Subject = "Hi!";
  first.From = {2, 463, 1, 0, 0};
  first.To = {2, 5020, 100, 0, 0};
  first.DateTime = "01 Jan 26  00:00:00";
  first.Attribute = 257;
  first.Kludges = {"MSGID: 2:463/1.2 1"};
  first.Lines = {"first", "tab\there"};
  first.Tearline = "";
  first.Origin = "Node (2:463/1.2)";
  first.SeenBy = {"463/1"};
  first.Path = {"463/1"};
  MessageDraft second;
  second.RawText = "AREA:X\rno CR";

  std::string packet, error;
  ASSERT_TRUE(BuildPacketFromDescription(description, packet, error)) << error;
  EXPECT_EQ(packet, PacketBytes(header, {first, second}));
}

TEST(PacketDescription, RawBytesAndNoEndWord) {
  std::string packet, error;
  ASSERT_TRUE(BuildPacketFromDescription("raw \\x01\\x00ab\\\\\r\nnoend\n", packet, error));
  EXPECT_EQ(packet, PacketHeaderBytes({}) + std::string("\x01\x00" "ab\\", 5));
}

TEST(PacketDescription, ErrorsNameTheLine) {
  const char* const broken[] = {
      "area RU.TEST",                  // a message key before any message
      "message\nsubjekt Hi",           // unknown keyword
      "orig 2:5020",                   // no node
      "message\nline bad \\q escape",  // unknown escape
      "raw \\x4",                      // cut escape
      "message\nattr 70000",           // not a 16-bit word
  };
  for (const char* description : broken) {
    SCOPED_TRACE(description);
    std::string packet, error;
    EXPECT_FALSE(BuildPacketFromDescription(description, packet, error));
    EXPECT_EQ(error.rfind("line ", 0), 0u);
  }
}

TEST(Pktgen, DemoAndRandomInbounds) {
  test::ScratchDir dir;
  const std::string pktgen = test::BuildDir() + "/pktgen";
  ASSERT_EQ(test::RunProgram(pktgen, {"demo", dir.path()}, dir.path()).exitCode, 0);
  EXPECT_EQ(test::ListNames(dir.path()),
            (std::vector<std::string>{"0a1b2c01.pkt", "0a1b2c02.pkt", "0a1b2c03.pkt"}));

  for (const char* sub : {"a", "b"}) {
    test::WriteBytes(dir / (std::string(sub) + "/.keep"), "");
    const test::ProgramResult result = test::RunProgram(
        pktgen, {"random", "--seed", "42", "--size-mb", "1", "--writers", "10", "--out", dir / sub},
        dir.path());
    ASSERT_EQ(result.exitCode, 0) << result.output;
  }
  const std::vector<std::string> names = test::ListNames(dir / "a");
  EXPECT_EQ(test::ListNames(dir / "b"), names);
  size_t total = 0;
  for (const std::string& name : names) {
    EXPECT_EQ(test::ReadBytes(dir / ("a/" + name)), test::ReadBytes(dir / ("b/" + name)));
    total += test::ReadBytes(dir / ("a/" + name)).size();
  }
  EXPECT_GE(total, 1024u * 1024u);

  EXPECT_EQ(test::RunProgram(pktgen, {"random", "--seed", "1"}, dir.path()).exitCode, 2);
}

}  // namespace
}  // namespace kestal
