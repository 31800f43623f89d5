#include "Pkt/Bundles.h"
#include "Platform/FaultySystemCalls.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "ToolsLib/PacketWriter.h"
#include "TestSupport.h"
#include "Utils/BundleName.h"

namespace fs = std::filesystem;

namespace kestal {
namespace {

using test::ListNames;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

constexpr BundleLimits kLimits{1 << 20, 4 << 20};
const std::string kBundle = "0000ff9d.mo0";

std::string PacketFrom(const std::string& fromName) {
  MessageDraft message;
  message.Area = "RU.TEST";
  message.FromName = fromName;
  message.Lines = {"Hello from " + fromName};
  return PacketBytes(PacketHeaderDraft{}, {message});
}

const std::string kPacketA = PacketFrom("Alice");
const std::string kPacketB = PacketFrom("Bob");
const std::string kPacketC = PacketFrom("Carol");

struct Member {
  std::string Name;
  std::string Bytes;
  mode_t Type = AE_IFREG;
};

enum class Format { Zip, StoredZip, SevenZip, GzipStream };

la_ssize_t AppendToString(archive*, void* out, const void* bytes, size_t size) {
  static_cast<std::string*>(out)->append(static_cast<const char*>(bytes), size);
  return static_cast<la_ssize_t>(size);
}

int SetFormat(archive* writer, Format format) {
  switch (format) {
    case Format::Zip:
      return archive_write_set_format_zip(writer);
    case Format::StoredZip:
      return archive_write_set_format_zip(writer) |
             archive_write_set_options(writer, "zip:compression=store");
    case Format::SevenZip:
      return archive_write_set_format_7zip(writer);
    case Format::GzipStream:
      return archive_write_set_format_raw(writer) | archive_write_add_filter_gzip(writer);
  }
  return ARCHIVE_FATAL;
}

// An archive as a packer writes it, through libarchive's writer.
std::string ArchiveOf(const std::vector<Member>& members, Format format = Format::Zip) {
  std::string out;
  archive* writer = archive_write_new();
  // No padding after the archive's end, so that cutting a byte cuts the archive.
  EXPECT_EQ(SetFormat(writer, format) | archive_write_set_bytes_in_last_block(writer, 1) |
                archive_write_open(writer, &out, nullptr, AppendToString, nullptr),
            ARCHIVE_OK);
  for (const Member& member : members) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, member.Name.c_str());
    archive_entry_set_filetype(entry, member.Type);
    archive_entry_set_perm(entry, 0644);
    if (member.Type == AE_IFLNK) archive_entry_set_symlink(entry, "/etc/passwd");
    archive_entry_set_size(entry, static_cast<la_int64_t>(member.Bytes.size()));
    EXPECT_EQ(archive_write_header(writer, entry), ARCHIVE_OK) << archive_error_string(writer);
    if (!member.Bytes.empty()) {
      EXPECT_EQ(archive_write_data(writer, member.Bytes.data(), member.Bytes.size()),
                static_cast<la_ssize_t>(member.Bytes.size()));
    }
    archive_entry_free(entry);
  }
  EXPECT_EQ(archive_write_close(writer), ARCHIVE_OK);
  archive_write_free(writer);
  return out;
}

// Where the second member's local header starts: the end of the first member.
size_t SecondMemberOffset(const std::string& zip) {
  return zip.find(std::string("PK\x03\x04", 4), 1);
}

void MakeOld(const std::string& path) {
  fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(1));
}

class BundleTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_ / name; }
  void Put(const std::string& name, const std::string& bytes) const {
    WriteBytes(Path(name), bytes);
  }
  BundleOutcome Unpack(const std::string& name = kBundle,
                       const BundleLimits& limits = kLimits) const {
    return UnpackBundle(platform::FileSystem(calls_), dir_.path(), name, limits);
  }
  std::vector<std::string> Files() const { return ListNames(dir_.path()); }

  mutable platform::FaultySystemCalls calls_;

  ScratchDir dir_;
};

TEST(BundleNameTest, AcceptsTheOutboundNamesOfBundlesOnly) {
  for (const char* name : {"0000ff9d.mo0", "0000FF9D.WE1", "0000ff9d.fra", "abcdef01.Su9",
                           "12345678.sAz", "00000000.th0", "ffffffff.tuZ"}) {
    EXPECT_TRUE(IsBundleName(name)) << name;
  }
  for (const char* name : {"", "0000ff9d.pkt", "0000ff9d.mo", "0000ff9d.mo00", "0000ff9.mo0",
                           "00000ff9d.mo0", "0000ff9g.mo0", "0000ff9d.xy0", "0000ff9d.mo!",
                           "0000ff9d.mo.", "0000ff9d_mo0", "0000ff9d.mo0 ", ".0000ff9d.mo0",
                           "0000ff9d.m0o", "+000ff9d.mo0"}) {
    EXPECT_FALSE(IsBundleName(name)) << name;
  }
}

TEST_F(BundleTest, ListsTheBundlesOfADirectorySorted) {
  for (const char* name : {"0000ff9d.we1", "00000001.MO0", "0000ff9d.mo0", "0000ff9d.pkt",
                           "readme.txt", ".0000ff9d.mo0.Xa1b2c"}) {
    Put(name, "x");
  }
  fs::create_directory(Path("0000aaaa.sa0"));
  EXPECT_EQ(ListBundles(platform::FileSystem(), dir_.path()),
            (std::vector<std::string>{"00000001.MO0", "0000ff9d.mo0", "0000ff9d.we1"}));
}

TEST_F(BundleTest, AGoodBundleBecomesItsPacketsUnderFreshNamesAndGoes) {
  const std::vector<Member> members = {
      {"mail/", "", AE_IFDIR}, {"mail/1234abcd.PKT", kPacketA}, {"5678ef01.pkt", kPacketB}};
  for (Format format : {Format::Zip, Format::StoredZip, Format::SevenZip}) {
    SCOPED_TRACE(static_cast<int>(format));
    Put(kBundle, ArchiveOf(members, format));
    const BundleOutcome outcome = Unpack();
    EXPECT_EQ(outcome.Status, BundleStatus::Unpacked) << outcome.Error;
    EXPECT_EQ(outcome.Bundle, kBundle);
    EXPECT_EQ(outcome.Error, "");
    ASSERT_EQ(outcome.Packets, (std::vector<std::string>{"0000ff9d.pkt", "0000ff9e.pkt"}));
    EXPECT_EQ(Files(), outcome.Packets);  // the bundle is gone, nothing else is left
    EXPECT_EQ(ReadBytes(Path("0000ff9d.pkt")), kPacketA);
    EXPECT_EQ(ReadBytes(Path("0000ff9e.pkt")), kPacketB);
    for (const std::string& name : Files()) fs::remove(Path(name));
  }
}

TEST_F(BundleTest, ABundleMadeByTheZipCommandIsUnpacked) {
  Put("work/a.pkt", kPacketA);
  Put("work/b.pkt", kPacketB);
  const test::ProgramResult zip =
      test::RunProgram("zip", {"-q", "-j", Path("bundle.zip"), "a.pkt", "b.pkt"}, Path("work"));
  ASSERT_EQ(zip.exitCode, 0) << zip.output;
  fs::rename(Path("bundle.zip"), Path("0000FF9D.WE1"));

  const BundleOutcome outcome = Unpack("0000FF9D.WE1");
  EXPECT_EQ(outcome.Status, BundleStatus::Unpacked) << outcome.Error;
  ASSERT_EQ(outcome.Packets, (std::vector<std::string>{"0000ff9d.pkt", "0000ff9e.pkt"}));
  EXPECT_EQ(ReadBytes(Path("0000ff9d.pkt")), kPacketA);
  EXPECT_EQ(ReadBytes(Path("0000ff9e.pkt")), kPacketB);
  EXPECT_FALSE(test::Exists(Path("0000FF9D.WE1")));
}

TEST_F(BundleTest, PacketsOfTheSameNameInTwoBundlesAreBothKept) {
  Put("0000ff9d.mo0", ArchiveOf({{"00000001.pkt", kPacketA}}));
  Put("0000ff9d.mo1", ArchiveOf({{"00000001.pkt", kPacketB}}));
  const BundleOutcome first = Unpack("0000ff9d.mo0");
  const BundleOutcome second = Unpack("0000ff9d.mo1");
  EXPECT_EQ(first.Packets, std::vector<std::string>{"0000ff9d.pkt"});
  EXPECT_EQ(second.Packets, std::vector<std::string>{"0000ff9e.pkt"});
  EXPECT_EQ(Files(), (std::vector<std::string>{"0000ff9d.pkt", "0000ff9e.pkt"}));
  EXPECT_EQ(ReadBytes(Path("0000ff9d.pkt")), kPacketA);
  EXPECT_EQ(ReadBytes(Path("0000ff9e.pkt")), kPacketB);
}

TEST_F(BundleTest, AnExistingFileIsNeverReplaced) {
  // Taken when the directory is listed, in either letter case.
  Put("0000ff9d.pkt", "first");
  Put("0000FF9E.PKT", "second");
  Put(kBundle, ArchiveOf({{"a.pkt", kPacketA}, {"b.pkt", kPacketB}}));
  BundleOutcome outcome = Unpack();
  EXPECT_EQ(outcome.Packets, (std::vector<std::string>{"0000ff9f.pkt", "0000ffa0.pkt"}));
  EXPECT_EQ(ReadBytes(Path("0000ff9d.pkt")), "first");
  EXPECT_EQ(ReadBytes(Path("0000FF9E.PKT")), "second");
  EXPECT_EQ(ReadBytes(Path("0000ff9f.pkt")), kPacketA);

  // Taken after the listing, by another program, just before the packet is created.
  Put(kBundle, ArchiveOf({{"c.pkt", kPacketC}}));
  bool raced = false;
  calls_.Before = [&](platform::FaultySystemCalls::Call call, const std::string& path) {
    if (call != platform::FaultySystemCalls::Call::Link || raced) return;
    WriteBytes(path, "theirs");
    raced = true;
  };
  outcome = Unpack();
  EXPECT_EQ(outcome.Status, BundleStatus::Unpacked) << outcome.Error;
  EXPECT_EQ(outcome.Packets, std::vector<std::string>{"0000ffa2.pkt"});
  EXPECT_EQ(ReadBytes(Path("0000ffa1.pkt")), "theirs");
  EXPECT_EQ(ReadBytes(Path("0000ffa2.pkt")), kPacketC);
}

struct RefusedCase {
  const char* Label;
  std::string Bytes;
  const char* Reason;  // a part of the error
  BundleLimits Limits = kLimits;
};

std::vector<RefusedCase> RefusedCases(const std::string& scratch) {
  const std::string two = ArchiveOf({{"a.pkt", kPacketA}, {"b.pkt", kPacketB}});
  std::string badChecksum = ArchiveOf({{"a.pkt", kPacketA}}, Format::StoredZip);
  badChecksum[badChecksum.find("Hello from")] ^= 1;
  const std::string sevenZip = ArchiveOf({{"a.pkt", kPacketA}}, Format::SevenZip);
  WriteBytes(scratch + "/local.pkt", kPacketC);
  return {
      {"a byte flipped in a member", badChecksum, "CRC"},
      {"garbage", std::string(4096, 'x'), "Unrecognized archive format"},
      {"cut at the half", two.substr(0, two.size() / 2), "format"},
      {"cut after the first member", two.substr(0, SecondMemberOffset(two)), "format"},
      {"cut by one byte", two.substr(0, two.size() - 1), "format"},
      {"7-Zip cut by one byte", sevenZip.substr(0, sevenZip.size() - 1), "7-Zip"},
      {"a member not a packet", ArchiveOf({{"a.pkt", kPacketA}, {"readme.txt", kPacketB}}),
       "\"readme.txt\" is not a packet"},
      {"a member shorter than a header", ArchiveOf({{"a.pkt", kPacketA.substr(0, 57)}}),
       "\"a.pkt\" is shorter than a packet header"},
      {"a link member", ArchiveOf({{"a.pkt", "", AE_IFLNK}}), "\"a.pkt\" is not a regular file"},
      {"no packet", ArchiveOf({{"mail/", "", AE_IFDIR}}), "holds no packet"},
      {"an empty file", "", "format"},
      {"a bare packet", kPacketA, "Unrecognized archive format"},
      {"a compressed packet", ArchiveOf({{"a.pkt", kPacketA}}, Format::GzipStream),
       "Unrecognized archive format"},
      // An mtree listing would take the member's bytes from the named local file.
      {"a listing of local files",
       "#mtree\na.pkt type=file size=" + std::to_string(kPacketC.size()) +
           " contents=" + scratch + "/local.pkt\n",
       "Unrecognized archive format"},
      {"a member over the limit", ArchiveOf({{"a.pkt", kPacketB}, {"b.pkt", kPacketA}}),
       "\"b.pkt\" declares more than", BundleLimits{kPacketA.size() - 1, 1 << 20}},
      {"a small zip bomb", ArchiveOf({{"a.pkt", kPacketA + std::string(32 << 20, '\0')}}),
       "larger than 4194304 bytes in all", BundleLimits{64 << 20, 4 << 20}},
  };
}

TEST_F(BundleTest, ABundleThatIsNotAWholeArchiveOfPacketsStaysAsItWas) {
  for (const RefusedCase& refused : RefusedCases(Path("elsewhere"))) {
    SCOPED_TRACE(refused.Label);
    Put(kBundle, refused.Bytes);
    MakeOld(Path(kBundle));
    const BundleOutcome outcome = Unpack(kBundle, refused.Limits);
    EXPECT_EQ(outcome.Status, BundleStatus::Refused);
    EXPECT_NE(outcome.Error.find(Path(kBundle) + ": "), std::string::npos) << outcome.Error;
    EXPECT_NE(outcome.Error.find(refused.Reason), std::string::npos) << outcome.Error;
    EXPECT_EQ(outcome.Packets, std::vector<std::string>{});
    EXPECT_EQ(Files(), std::vector<std::string>{kBundle});
    EXPECT_EQ(ReadBytes(Path(kBundle)), refused.Bytes);
  }
}

TEST_F(BundleTest, TheLimitsHoldWhenTheDeclaredSizesLie) {
  std::string zip = ArchiveOf({{"a.pkt", kPacketA + std::string(8 << 20, '\0')}});
  // Declares 100 bytes as the uncompressed size: in the local header (offset 22),
  // the central directory's entry (offset 24) and the data descriptor (offset 12).
  const size_t central = zip.find(std::string("PK\x01\x02", 4));
  ASSERT_NE(central, std::string::npos);
  const std::string declared("\x64\x00\x00\x00", 4);
  zip.replace(22, 4, declared);
  zip.replace(central + 24, 4, declared);
  const size_t descriptor = zip.rfind(std::string("PK\x07\x08", 4), central);
  if (descriptor != std::string::npos) zip.replace(descriptor + 12, 4, declared);
  Put(kBundle, zip);
  MakeOld(Path(kBundle));

  const BundleOutcome outcome = Unpack(kBundle, BundleLimits{1 << 20, 4 << 20});
  EXPECT_EQ(outcome.Status, BundleStatus::Refused);
  EXPECT_NE(outcome.Error.find("\"a.pkt\" is larger than 1048576 bytes"), std::string::npos)
      << outcome.Error;
  EXPECT_EQ(Files(), std::vector<std::string>{kBundle});
}

TEST_F(BundleTest, ARecentBundleCutShortIsStillArriving) {
  const std::string two = ArchiveOf({{"a.pkt", kPacketA}, {"b.pkt", kPacketB}});
  Put(kBundle, two.substr(0, SecondMemberOffset(two)));
  BundleOutcome outcome = Unpack();
  EXPECT_EQ(outcome.Status, BundleStatus::Arriving);
  EXPECT_NE(outcome.Error.find(Path(kBundle) + ": "), std::string::npos) << outcome.Error;
  EXPECT_EQ(Files(), std::vector<std::string>{kBundle});

  // The rest arrives: whole now, and recent, it is unpacked.
  Put(kBundle, two);
  outcome = Unpack();
  EXPECT_EQ(outcome.Status, BundleStatus::Unpacked) << outcome.Error;
  EXPECT_EQ(Files(), (std::vector<std::string>{"0000ff9d.pkt", "0000ff9e.pkt"}));
}

// The disk fills up at the third packet's bytes.
TEST_F(BundleTest, AFailedWriteTakesBackThePacketsAndKeepsTheBundle) {
  const std::string bundle =
      ArchiveOf({{"a.pkt", kPacketA}, {"b.pkt", kPacketB}, {"c.pkt", kPacketC}});
  Put(kBundle, bundle);
  calls_.FailOn(platform::FaultySystemCalls::Call::Write, dir_.path(), ENOSPC, 3);
  const BundleOutcome outcome = Unpack();
  EXPECT_EQ(outcome.Status, BundleStatus::Failed);
  EXPECT_EQ(outcome.Error, Path("0000ff9f.pkt") + ": " + std::strerror(ENOSPC));
  EXPECT_EQ(outcome.Packets, std::vector<std::string>{});
  EXPECT_EQ(Files(), std::vector<std::string>{kBundle});
  EXPECT_EQ(ReadBytes(Path(kBundle)), bundle);
}

TEST_F(BundleTest, AMissingBundleOrANameThatIsNoBundleIsRefused) {
  BundleOutcome outcome = Unpack("0000ff9d.su0");
  EXPECT_EQ(outcome.Status, BundleStatus::Refused);
  EXPECT_EQ(outcome.Error, Path("0000ff9d.su0") + ": " + std::strerror(ENOENT));

  Put("bundle.zip", ArchiveOf({{"a.pkt", kPacketA}}));
  outcome = Unpack("bundle.zip");
  EXPECT_EQ(outcome.Status, BundleStatus::Refused);
  EXPECT_EQ(outcome.Error, Path("bundle.zip") + ": not a bundle name");
  EXPECT_EQ(Files(), std::vector<std::string>{"bundle.zip"});
}

}  // namespace
}  // namespace kestal
