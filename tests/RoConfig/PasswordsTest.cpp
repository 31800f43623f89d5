#include "RoConfig/Passwords.h"

#include <gtest/gtest.h>

#include <string>

#include "Platform/Console.h"
#include "TestSupport.h"

namespace kestal {
namespace {

using namespace std::string_literals;

PasswordBytes Bytes(const std::string& text) {
  PasswordBytes bytes{};
  for (size_t i = 0; i < text.size() && i < bytes.size(); ++i) {
    bytes[i] = static_cast<unsigned char>(text[i]);
  }
  return bytes;
}

TEST(PasswordsTest, LoadPasswordsKeepsParsableLinesInFileOrder) {
  test::ScratchDir dir;
  test::WriteBytes(dir / "pkt.pwd",
                   "2:5020/100 secret\r\n"
                   "2:5020/200  two\n"            // a password that begins with a blank
                   "2:5020/300 longpassword\r"    // cut to eight
                   "2:5020/400.0 zero\n"          // kept as written
                   "5020/500 nozone\n"            // no zone: skipped
                   "2:5020/600\n"                 // no blank: skipped
                   " 2:5020/700 lead\n"           // nothing before the blank: skipped
                   "2:*/* star\n"                 // masks are no addresses: skipped
                   "2:5020/800 \xE0\xA0x\n"       // only a-z is upper-cased
                   "2:5020/900 a\0b\n"s           // bytes pass unchanged
                   "2:5020/999 last\x1A" "2:5020/1000 after\n");
  PasswordList passwords = {TPassword{"1:1/1", Bytes("OLD")}};
  LoadPasswords(platform::FileSystem(), dir / "pkt.pwd", passwords);

  ASSERT_EQ(passwords.size(), 8u);
  EXPECT_EQ(passwords[0].Address, "1:1/1");
  EXPECT_EQ(passwords[1].Address, "2:5020/100");
  EXPECT_EQ(passwords[1].Password, Bytes("SECRET"));
  EXPECT_EQ(passwords[2].Password, Bytes(" TWO"));
  EXPECT_EQ(passwords[3].Password, Bytes("LONGPASS"));
  EXPECT_EQ(passwords[4].Address, "2:5020/400.0");
  EXPECT_EQ(passwords[5].Address, "2:5020/800");
  EXPECT_EQ(passwords[5].Password, Bytes("\xE0\xA0X"));
  EXPECT_EQ(passwords[6].Password, Bytes("A\0B"s));
  EXPECT_EQ(passwords[7].Address, "2:5020/999");
}

TEST(PasswordsTest, MissingFileAddsNothing) {
  test::ScratchDir dir;
  PasswordList passwords;
  LoadPasswords(platform::FileSystem(), dir / "absent.pwd", passwords);
  EXPECT_TRUE(passwords.empty());
}

TEST(PasswordsTest, PasswordForTakesTheFirstExactAddressAndShowsEachEntryExamined) {
  const PasswordList passwords = {TPassword{"2:5020/100", Bytes("ONE")},
                                  TPassword{"2:5020/200", Bytes("TWO")},
                                  TPassword{"2:5020/200", Bytes("THREE")},
                                  TPassword{"2:5020/300", Bytes("FOUR")}};
  platform::CapturingConsole console;
  EXPECT_EQ(PasswordFor(passwords, "2:5020/200", console), Bytes("TWO"));
  EXPECT_EQ(console.output, "2:5020/100\n2:5020/200\n");

  platform::CapturingConsole missConsole;
  EXPECT_EQ(PasswordFor(passwords, "2:5020/200.0", missConsole), PasswordBytes{});
  EXPECT_EQ(missConsole.output, "2:5020/100\n2:5020/200\n2:5020/200\n2:5020/300\n");

  platform::CapturingConsole emptyConsole;
  EXPECT_EQ(PasswordFor({}, "2:5020/100", emptyConsole), PasswordBytes{});
  EXPECT_EQ(emptyConsole.output, "");
}

}  // namespace
}  // namespace kestal
