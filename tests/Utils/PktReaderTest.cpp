#include "Utils/PktReader.h"

#include <gtest/gtest.h>

#include <string>

namespace kestal {
namespace {

using namespace std::string_literals;

TEST(PktReaderTest, ReadByteDeliversEveryByteValueThenZerosAtTheLimit) {
  const std::string data = "\x1A\x00\xFF" "abc"s;
  PktReader reader(data, 4);
  EXPECT_EQ(reader.ReadByte(), 0x1A);
  EXPECT_EQ(reader.ReadByte(), 0x00);
  EXPECT_EQ(reader.ReadByte(), 0xFF);
  EXPECT_EQ(reader.ReadByte(), 'a');
  EXPECT_EQ(reader.BytesRead(), 4);
  EXPECT_EQ(reader.ReadByte(), 0);  // the limit, though the buffer holds more
  EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_EQ(reader.BytesRead(), 4);
  EXPECT_EQ(reader.Position(), 4);
}

TEST(PktReaderTest, ReadUntilConsumesTheTerminatorAndStopsAtTheLimit) {
  const std::string data = "To\0From\0Subj\0AREA:TEST\rtext"s;
  PktReader reader(data, static_cast<int32_t>(data.size()));
  EXPECT_EQ(reader.ReadUntil(0), "To");
  EXPECT_EQ(reader.ReadUntil(0), "From");
  EXPECT_EQ(reader.ReadUntil(0), "Subj");
  EXPECT_EQ(reader.BytesRead(), 13);
  EXPECT_EQ(reader.ReadUntil(' '), "AREA:TEST\rtext");  // no blank before the limit
  EXPECT_EQ(reader.BytesRead(), static_cast<int32_t>(data.size()));
  EXPECT_EQ(reader.ReadUntil(0), "");

  PktReader limited(data, 5);
  EXPECT_EQ(limited.ReadUntil(0), "To");
  EXPECT_EQ(limited.ReadUntil(0), "Fr");  // what was read up to the limit
  EXPECT_EQ(limited.BytesRead(), 5);
  EXPECT_EQ(limited.ReadUntil(0), "");

  PktReader atTerminator(data, 3);
  EXPECT_EQ(atTerminator.ReadUntil(0), "To");
  EXPECT_EQ(atTerminator.BytesRead(), 3);
}

TEST(PktReaderTest, BufferEndActsLikeTheLimitWithoutCountingInventedBytes) {
  // The file shrank after it was listed: the limit lies beyond the buffer.
  const std::string data = "ab\0c"s;
  PktReader reader(data, 10);
  EXPECT_EQ(reader.ReadUntil(0), "ab");
  EXPECT_EQ(reader.ReadUntil('\r'), "c");
  EXPECT_EQ(reader.ReadUntil('\r'), "");
  for (int i = 0; i < 20; ++i) EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_EQ(reader.BytesRead(), 4);  // below the limit, so the size mismatch shows
  EXPECT_EQ(reader.Position(), 4);
}

TEST(PktReaderTest, ByteAndStringReadsShareOnePositionAndNeverReadTwice) {
  const std::string data = "0123456789";
  PktReader reader(data, 10);
  for (int i = 0; i < 7; ++i) reader.ReadByte();
  EXPECT_EQ(reader.ReadUntil('8'), "7");
  EXPECT_EQ(reader.BytesRead(), 9);
  EXPECT_EQ(reader.Position(), 9);
  EXPECT_EQ(reader.ReadByte(), '9');

  // Reads at the end of the data invent zeros and give back nothing already read.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_EQ(reader.ReadUntil(0), "");
  EXPECT_EQ(reader.BytesRead(), 10);
  EXPECT_EQ(reader.Position(), 10);
}

TEST(PktReaderTest, LimitCutsAStringReadAndHoldsForEveryLaterRead) {
  const std::string data = "0123456789";
  PktReader reader(data, 4);
  EXPECT_EQ(reader.ReadByte(), '0');
  EXPECT_EQ(reader.ReadUntil('x'), "123");
  EXPECT_EQ(reader.BytesRead(), 4);
  EXPECT_EQ(reader.ReadByte(), 0);
  EXPECT_EQ(reader.ReadUntil('9'), "");
  EXPECT_EQ(reader.BytesRead(), 4);
  EXPECT_EQ(reader.Position(), 4);
}

TEST(PktReaderTest, EmptyBufferAndNonPositiveLimitReadNothing) {
  PktReader empty("", 58);
  EXPECT_EQ(empty.ReadByte(), 0);
  EXPECT_EQ(empty.ReadUntil(0), "");
  EXPECT_EQ(empty.BytesRead(), 0);

  PktReader noLimit("abc", -1);
  EXPECT_EQ(noLimit.ReadByte(), 0);
  EXPECT_EQ(noLimit.ReadUntil(0), "");
  EXPECT_EQ(noLimit.BytesRead(), 0);
}

}  // namespace
}  // namespace kestal
