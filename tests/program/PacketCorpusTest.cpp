#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "PacketFixture.h"

namespace kestal::test {
namespace {

namespace fs = std::filesystem;

// Every packet of the directory tree (not the notes, not the bare message).
std::vector<fs::path> PacketsUnder(const fs::path& root) {
  std::vector<fs::path> packets;
  if (!fs::is_directory(root)) return packets;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const fs::path& path = entry.path();
    if (entry.is_regular_file() && path.extension() != ".md" && path.extension() != ".msg") {
      packets.push_back(path);
    }
  }
  return packets;
}

// The packets kept in the repository, and the whole shared corpus where it exists.
std::vector<fs::path> CorpusPackets() {
  std::vector<fs::path> packets = PacketsUnder(SourceDir() + "/tests/data/corpus");
  for (const fs::path& path : PacketsUnder(SourceDir() + "/../shared/corpus/real")) {
    packets.push_back(path);
  }
  return packets;
}

class PacketCorpusTest : public PacketFixture {
 protected:
  // Scans the packet under the name "in.pkt" and gives its bytes afterwards.
  std::string ScanAs(const std::string& bytes, const RuleList& rules) {
    run_.Rules = rules;
    Put("in.pkt", bytes);
    Scan("in.pkt");
    return Get("in.pkt");
  }
};

TEST_F(PacketCorpusTest, MessageCountsOfKnownPackets) {
  struct Case {
    const char* file;
    int messages, netmail;
  };
  const Case cases[] = {
      {"fidogate-oldprogs/ti.pkt-z2/01172288.PKT", 30, 0},
      {"fidogate-oldprogs/ti.pkt-mail/1a.pkt", 1, 1},
      {"fidogate-ykaliuta/tests_ftn2rfc/test001/input", 1, 0},
      {"libftn/bundle.pkt", 27, 3},
      {"wwiv/0e7c5b69.pkt", 3, 0},
      {"ftn-packet-perl/46926700.pkt", 1, 1},
      {"crashmail-larsks/15bba400.pkt", 1, 0},
      {"python-ftn/sample.pkt", 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    Reset();
    const std::string original = ReadBytes(SourceDir() + "/tests/data/corpus/" + c.file);
    ASSERT_FALSE(original.empty());
    EXPECT_EQ(ScanAs(original, {Rule("NO.SUCH.AREA")}), original);
    EXPECT_EQ(run_.Counters.MessagesScanned, c.messages);
    EXPECT_EQ(run_.Counters.NetMailMessages, c.netmail);
    EXPECT_EQ(run_.Counters.PacketsBad + run_.Counters.PacketsDeleted, 0);
  }
}

// Every echomail message copied under a new tag, then the copies removed again:
// what is left must be the packet as it came, byte for byte (bytes after the
// end word excepted, which a rewrite drops).
TEST_F(PacketCorpusTest, CopyAndRemoveGivesBackEveryPacketByteForByte) {
  const std::vector<fs::path> packets = CorpusPackets();
  ASSERT_FALSE(packets.empty());
  TRo copy = Rule("*");
  copy.Copy = "KESTAL.COPY";
  for (const fs::path& path : packets) {
    SCOPED_TRACE(path.string());
    Reset();
    const std::string original = ReadBytes(path.string());
    const std::string copied = ScanAs(original, {copy});
    const bool echomail = run_.Counters.MessagesScanned > run_.Counters.NetMailMessages;
    EXPECT_EQ(copied != original, echomail);
    EXPECT_EQ(run_.Counters.MessagesCopied,
              run_.Counters.MessagesScanned - run_.Counters.NetMailMessages);

    const std::string restored = ScanAs(copied, {Rule("KESTAL.COPY")});
    if (ConsoleHas("size mismatch") && echomail) {
      EXPECT_EQ(restored, original.substr(0, restored.size()));
      EXPECT_EQ(restored.substr(restored.size() - 2), std::string(2, '\0'));
    } else {
      EXPECT_EQ(restored, original);
    }
  }
}

}  // namespace
}  // namespace kestal::test
