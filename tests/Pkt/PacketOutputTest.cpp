#include "Pkt/PacketOutput.h"

#include <gtest/gtest.h>

#include <string>

namespace kestal {
namespace {

using namespace std::string_literals;

TEST(PacketOutputTest, KeptFileBytesAreCopiedOnlyOnceSomethingChanges) {
  const std::string file = "HEADER-one-two-three";
  PacketOutput unchanged(file);
  unchanged.KeepFileBytes(0, 6);
  unchanged.KeepFileBytes(6, 10);
  EXPECT_EQ(unchanged.Bytes(), "HEADER-one");

  PacketOutput skipped(file);
  skipped.KeepFileBytes(0, 6);
  skipped.KeepFileBytes(10, 14);  // "-one" left out
  skipped.Append("+copy");
  skipped.KeepFileBytes(14, 20);
  EXPECT_EQ(skipped.Bytes(), "HEADER-two+copy-three");

  PacketOutput appended(file);
  appended.KeepFileBytes(0, 6);
  appended.Append("\0\0"s);
  EXPECT_EQ(appended.Bytes(), "HEADER\0\0"s);

  // Ranges beyond the file keep only what the file has.
  PacketOutput beyond(file);
  beyond.KeepFileBytes(14, 99);
  beyond.KeepFileBytes(99, 120);
  EXPECT_EQ(beyond.Bytes(), "-three");
}

}  // namespace
}  // namespace kestal
