#include "Utils/Address.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestal {
namespace {

TFidoAddr Addr(int zone, int net, int node, int point = 0) {
  TFidoAddr address;
  address.Zone = zone;
  address.Net = net;
  address.Node = node;
  address.Point = point;
  return address;
}

struct ParseCase {
  TFidoAddr preset;
  std::string text;
  bool ok;
  TFidoAddr expected;  // checked only when ok
};

TEST(AddressTest, ParseAddressReadsTheUsualFormsOverThePresetRecord) {
  const TFidoAddr zero;
  const TFidoAddr home = Addr(2, 5020, 100, 5);  // the point is never kept
  const std::vector<ParseCase> cases = {
      {zero, "2:5020/100", true, Addr(2, 5020, 100)},
      {zero, "1:2/3.4", true, Addr(1, 2, 3, 4)},
      {zero, "2:5020/100@fidonet", true, Addr(2, 5020, 100)},
      {zero, "2:5020/100.7@fidonet.org", true, Addr(2, 5020, 100, 7)},
      {zero, "2:5020/123456", true, Addr(2, 5020, 12345)},
      {zero, "2:5020/", true, Addr(2, 5020, 0)},
      {zero, "2:5020/100 and more words", true, Addr(2, 5020, 100)},
      {zero, "2:5020/100 *", false, {}},
      {zero, "!2:5020/100", false, {}},
      {zero, "2:5020", false, {}},
      {zero, "2/5020:100", false, {}},
      {zero, "2:5020/1.2.3", false, {}},
      {zero, "", false, {}},       // zone and net stay 0
      {zero, "5020/100", false, {}},  // no zone
      {home, "", true, Addr(2, 5020, 100)},
      {home, "7", true, Addr(2, 5020, 7)},
      {home, "999/12", true, Addr(2, 999, 12)},
      {home, ".3", true, Addr(2, 5020, 100, 3)},
      {home, "3:", false, {}},
  };
  for (const ParseCase& c : cases) {
    TFidoAddr address = c.preset;
    EXPECT_EQ(ParseAddress(c.text, address), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(address, c.expected) << c.text;
    }
  }
}

TEST(AddressTest, ParseAddressDefaultTakesMissingPartsFromTheDefault) {
  const TFidoAddr main = Addr(2, 5020, 100);
  const std::vector<ParseCase> cases = {
      {main, "12", true, Addr(2, 5020, 12)},
      {main, "999/12", true, Addr(2, 999, 12)},
      {main, ".3", true, Addr(2, 5020, 100, 3)},
      {main, "1:2/3.4@net", true, Addr(1, 2, 3, 4)},
      {main, "", true, main},
      {main, "2:5020/7 8", true, Addr(2, 5020, 8)},  // not cut: the blank is a delimiter
      {main, "2:5020", false, {}},
      {main, "2:*/1", false, {}},
      {main, "!12", false, {}},
  };
  for (const ParseCase& c : cases) {
    TFidoAddr address = Addr(9, 9, 9, 9);
    address.Exclude = 1;
    EXPECT_EQ(ParseAddressDefault(c.text, address, c.preset), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(address, c.expected) << c.text;
    }
  }
}

TEST(AddressTest, ParseAddressMaskAdmitsWildcardsAndExclusion) {
  const TFidoAddr main = Addr(2, 5020, 100);
  TFidoAddr excluded = Addr(2, 5020, 7);
  excluded.Exclude = 1;
  const std::vector<ParseCase> cases = {
      {main, "2:5020/100.&", true, Addr(2, 5020, 100, -2)},
      {main, "2:5020/100.*", true, Addr(2, 5020, 100, -1)},
      {main, "2:*/*", true, Addr(2, -1, -1)},
      {main, "*", true, Addr(2, 5020, -1)},
      {main, "12*", true, Addr(2, 5020, -1)},    // a wildcard replaces the digits before it
      {main, "*34", true, Addr(2, 5020, -1)},    // and the rest of its part has no effect
      {main, "1.&5", true, Addr(2, 5020, 1, -2)},
      {main, "!7", true, excluded},
      {main, "&", false, {}},
      {main, "2:&/1", false, {}},
      {main, "2:*", false, {}},
      {main, "2:5020", false, {}},
  };
  for (const ParseCase& c : cases) {
    TFidoAddr mask;
    EXPECT_EQ(ParseAddressMask(c.text, mask, c.preset), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(mask, c.expected) << c.text;
    }
  }
}

TEST(AddressTest, FormatAddressWritesThePointOnlyWhenThereIsOne) {
  EXPECT_EQ(FormatAddress(Addr(2, 5020, 100)), "2:5020/100");
  EXPECT_EQ(FormatAddress(Addr(2, 5020, 100, 7)), "2:5020/100.7");
  EXPECT_EQ(FormatAddress(Addr(-1, -1, -1, -1)), "-1:-1/-1.-1");
  EXPECT_EQ(FormatAddress(2, 5020, -1, -2), "2:5020/-1.-2");
}

OwnAddresses MakeOwn(const std::vector<TFidoAddr>& addresses) {
  OwnAddresses own;
  for (size_t i = 0; i < addresses.size(); ++i) own.Slots[i] = addresses[i];
  own.AkaCount = static_cast<uint8_t>(addresses.size() - 1);
  return own;
}

TEST(AddressTest, AddressInMaskListWorksLeftToRight) {
  const OwnAddresses own = MakeOwn({Addr(2, 5020, 1)});
  struct Case {
    std::string list;
    TFidoAddr address;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"*", Addr(3, 1, 1, 1), true},
      {"*", Addr(-1, -1, -1, -1), true},
      {"2:5020/100.&", Addr(2, 5020, 100, 1), true},
      {"2:5020/100.&", Addr(2, 5020, 100), false},
      {"2:5020/100.*", Addr(2, 5020, 100, 1), true},
      {"2:5020/100.*", Addr(2, 5020, 100), true},
      {"2:5020/100", Addr(2, 5020, 100), true},
      {"2:5020/100", Addr(2, 5020, 100, 1), false},
      {"2:*/*", Addr(2, 1, 1), true},
      {"2:*/*", Addr(2, 1, 1, 3), false},
      {"2:5020/100 200 300", Addr(2, 5020, 300), true},
      {"2:5020/100 200 300", Addr(2, 5021, 300), false},
      {"100", Addr(2, 5020, 100), true},  // missing parts from the main address
      {"2:5020/* !2:5020/100", Addr(2, 5020, 100), false},
      {"2:5020/* !2:5020/100", Addr(2, 5020, 7), true},
      {"!2:5020/100 2:5020/*", Addr(2, 5020, 100), true},
      {"  2:5020/100  200 ", Addr(2, 5020, 200), true},
      {"2:5020 2:* &", Addr(2, 5020, 1), false},
      {"2:5020 100", Addr(2, 5020, 100), true},  // a failed token leaves the default alone
      {"", Addr(2, 5020, 1), false},
      {"   ", Addr(2, 5020, 1), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AddressInMaskList(c.address, c.list, own), c.expected)
        << c.list << " / " << FormatAddress(c.address);
  }
}

TEST(AddressTest, OwnAddressesAreFoundAndChosenByZone) {
  const OwnAddresses own = MakeOwn({Addr(2, 5020, 1), Addr(2, 5020, 1, 5), Addr(1, 100, 2),
                                    Addr(1, 200, 3), Addr(3, 3, 3)});
  EXPECT_TRUE(IsOwnAddress(Addr(2, 5020, 1), own));
  EXPECT_TRUE(IsOwnAddress(Addr(3, 3, 3), own));
  EXPECT_FALSE(IsOwnAddress(Addr(2, 5020, 1, 4), own));

  OwnAddresses mainOnly = own;
  mainOnly.AkaCount = 0;
  EXPECT_FALSE(IsOwnAddress(Addr(3, 3, 3), mainOnly));  // slots past AkaCount do not count

  EXPECT_EQ(OwnAddressFor(Addr(2, 1, 1), own), Addr(2, 5020, 1));
  EXPECT_EQ(OwnAddressFor(Addr(1, 5, 5), own), Addr(1, 100, 2));
  EXPECT_EQ(OwnAddressFor(Addr(4, 5, 5), own), Addr(2, 5020, 1));
}

}  // namespace
}  // namespace kestal
