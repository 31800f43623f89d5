// pktdump over real and damaged packets: it names each break in the framing, exits
// with 0 (sound), 1 (broken) or 2 (unreadable), and never changes the file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ToolsLib/PacketWriter.h"
#include "TestSupport.h"

namespace kestal {
namespace {

std::string PktDump() { return test::BuildDir() + "/pktdump"; }
std::string Corpus(const std::string& name) {
  return test::SourceDir() + "/tests/data/corpus/" + name;
}

bool Has(const test::ProgramResult& result, const std::string& text) {
  return result.output.find(text) != std::string::npos;
}

// Dumps `bytes` from a scratch file and checks the file is left as it was.
test::ProgramResult DumpBytes(const std::string& bytes,
                              const std::vector<std::string>& options = {}) {
  test::ScratchDir dir;
  test::WriteBytes(dir / "in.pkt", bytes);
  std::vector<std::string> args = options;
  args.push_back("in.pkt");
  test::ProgramResult result = test::RunProgram(PktDump(), args, dir.path());
  EXPECT_EQ(test::ReadBytes(dir / "in.pkt"), bytes);
  return result;
}

struct Expectation {
  std::string name;
  int exitCode;
  std::vector<std::string> lines;
};

TEST(PktDump, DescribesRealPackets) {
  const Expectation cases[] = {
      {"crashmail-larsks/15bba400.pkt",
       0,
       {"  From        99:99/99\n", "  Capability  0001, copy 0100: type 2+\n",
        "  Password    none\n", "Message 1 at offset 58, 225 bytes, echomail\n",
        "  Area        testarea\n", "  To          Test Sysop, address unknown\n",
        "  Kludge      MSGID: 99:99/99.0 15bba400\n", "End word at offset 283\n",
        "Framing sound, 1 message\n"}},
      {"fidogate-oldprogs/ti.pkt-misc/t-bad.pkt",
       0,
       {"  Area        XXX.GER\n", "  Area        YYY.GER\n", "  Area        LINUX.GER\n",
        "Framing sound, 6 messages\n"}},
      {"ftn-packet-perl/46926700.pkt",
       0,
       {"  Password    set\n", ", netmail\n", "  Kludge      INTL "}},
      {"python-ftn/sample.pkt",
       1,
       {"  Zones 46/48 1 -> 99 (kestal reads the zones at offsets 34/36)\n",
        "!! 18 bytes after the end word, from offset 239: kestal logs a size mismatch",
        "Framing BROKEN (1 problem), 1 message\n"}},
      {"python-ftn/sample.msg",
       1,
       {"!! the type word at offset 58 is 0x", "not a type 2 packet, kestal renames it to .BAD\n",
        "Framing BROKEN (1 problem), 0 messages\n"}},
  };
  for (const Expectation& c : cases) {
    SCOPED_TRACE(c.name);
    test::ProgramResult result = DumpBytes(test::ReadBytes(Corpus(c.name)));
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& line : c.lines)
      EXPECT_TRUE(Has(result, line)) << line << "\n" << result.output;
  }
}

TEST(PktDump, NamesWhereACutPacketEnds) {
  const std::string packet = test::ReadBytes(Corpus("fidogate-oldprogs/ti.pkt-misc/t-bad.pkt"));
  ASSERT_EQ(packet.size(), 8924u);
  const Expectation cases[] = {
      {"30", 1, {"!! the file is 30 bytes, shorter than the 58-byte packet header\n"}},
      {"58",
       1,
       {"no room for a message: kestal deletes it as empty",
        "!! the end word is missing: the packet ends at offset 58, right after its header\n"}},
      {"59", 1, {"!! the end word is cut short: one byte at offset 58\n"}},
      {"80",
       1,
       {"!! message 1 is cut short: the packet ends inside its fixed header (22 of 34 bytes)\n"}},
      {"100",
       1,
       {"  To          Uwe Kolz\n",
        "!! message 1 is cut short: the packet ends inside its to-name"}},
      {"500",
       1,
       {"  Area        XXX.GER\n", "!! message 1 is cut short: the packet ends inside its text",
        "!! the end word is missing: the packet ends at offset 500, after message 1\n",
        "Framing BROKEN (2 problems), 1 message\n"}},
      {"8922",
       1,
       {"!! the end word is missing: the packet ends at offset 8922, after message 6\n"}},
      {"8923", 1, {"!! the end word is cut short: one byte at offset 8922\n"}},
  };
  for (const Expectation& c : cases) {
    SCOPED_TRACE("cut to " + c.name + " bytes");
    test::ProgramResult result = DumpBytes(packet.substr(0, std::stoul(c.name)));
    EXPECT_EQ(result.exitCode, c.exitCode) << result.output;
    for (const std::string& line : c.lines)
      EXPECT_TRUE(Has(result, line)) << line << "\n" << result.output;
  }
}

TEST(PktDump, ShowsTextWithVerboseAndEscapesControlBytes) {
  MessageDraft first;
  first.Area = "RU.TEST";
  first.FromName = "Evil\x1B[2JName";
  first.Subject = "Hi";
  first.Kludges = {"MSGID: 2:5020/1.5 0badcafe", "CHRS: CP866 2"};
  first.Lines = {"First line", "Second line"};
  first.Origin = "Somewhere (2:5020/1.5)";
  MessageDraft second = first;
  std::string packet = PacketBytes(PacketHeaderDraft{}, {first, second});
  size_t secondType = packet.size() - 2 - PackedMessageBytes(second).size();
  packet[secondType] = '\x03';  // a later odd type word: kestal reads the message all the same

  test::ProgramResult plain = DumpBytes(packet);
  EXPECT_EQ(plain.exitCode, 1);
  EXPECT_TRUE(Has(plain, "  From        Evil\\x1B[2JName, 2:5020/1.5\n")) << plain.output;
  EXPECT_FALSE(Has(plain, "\x1B"));
  EXPECT_TRUE(Has(plain, "  Text        3 lines\n")) << plain.output;
  EXPECT_FALSE(Has(plain, "  | First line"));
  EXPECT_TRUE(Has(plain, "is 0x0003, not 0x0002: kestal reads message 2 from it all the same\n"))
      << plain.output;
  EXPECT_TRUE(Has(plain, "Message 2 at offset"));

  test::ProgramResult verbose = DumpBytes(packet, {"-v"});
  EXPECT_TRUE(Has(verbose,
                  "  | @MSGID: 2:5020/1.5 0badcafe\n  | @CHRS: CP866 2\n  | First line\n"
                  "  | Second line\n  |  * Origin: Somewhere (2:5020/1.5)\n"))
      << verbose.output;
}

TEST(PktDump, ExitCodeCoversEveryFile) {
  test::ScratchDir dir;
  test::WriteBytes(dir / "good.pkt", PacketBytes(PacketHeaderDraft{}, {}));
  test::WriteBytes(dir / "short.pkt", "abc");
  EXPECT_EQ(test::RunProgram(PktDump(), {"good.pkt"}, dir.path()).exitCode, 0);
  EXPECT_EQ(test::RunProgram(PktDump(), {"good.pkt", "short.pkt"}, dir.path()).exitCode, 1);
  test::ProgramResult missing =
      test::RunProgram(PktDump(), {"short.pkt", "missing.pkt"}, dir.path());
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_TRUE(Has(missing, "pktdump: cannot read missing.pkt"));
  EXPECT_EQ(test::RunProgram(PktDump(), {}, dir.path()).exitCode, 2);
  EXPECT_EQ(test::RunProgram(PktDump(), {"-x", "good.pkt"}, dir.path()).exitCode, 2);
}

// The whole shared corpus, where this machine has it.
TEST(PktDump, FramesEveryPacketOfTheSharedCorpus) {
  const std::filesystem::path corpus = "/work/shared/corpus/real";
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no shared corpus here";
  for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    SCOPED_TRACE(entry.path().string());
    std::string name = entry.path().filename().string();
    test::ProgramResult result = DumpBytes(test::ReadBytes(entry.path().string()));
    bool broken = name == "sample.pkt" || name == "sample.msg";
    EXPECT_EQ(result.exitCode, broken ? 1 : 0) << result.output;
    EXPECT_TRUE(Has(result, broken ? "Framing BROKEN" : "Framing sound"));
  }
}

}  // namespace
}  // namespace kestal
