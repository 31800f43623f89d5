#include "Utils/Dates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestal {
namespace {

const DateFormat kDots{DateOrder::DayMonthYear, '.'};
const DateFormat kUs{DateOrder::MonthDayYear, '/'};
const DateFormat kIso{DateOrder::YearMonthDay, '-'};

TEST(DatesTest, ParseDateReadsTwoOrThreeNumbersInTheFormatsOrder) {
  struct Case {
    std::string text;
    DateFormat format;
    std::optional<TDate> expected;
  };
  const std::vector<Case> cases = {
      {"25.12.2002", kDots, TDate{2002, 12, 25}},
      {"  1.2.2026 ", kDots, TDate{2026, 2, 1}},
      {"1 . 2 . 2026", kDots, TDate{2026, 2, 1}},
      {"1.2", kDots, TDate{2026, 2, 1}},          // the current year
      {"1.2.03", kDots, TDate{2003, 2, 1}},
      {"1.2.76", kDots, TDate{1976, 2, 1}},       // the window is 1976..2075
      {"1.2.75", kDots, TDate{2075, 2, 1}},
      {"1.2.77", kDots, TDate{1977, 2, 1}},
      {"1.2.7", kDots, TDate{2007, 2, 1}},
      {"1.2.203", kDots, TDate{203, 2, 1}},       // three digits are the year itself
      {"29.02.2024", kDots, TDate{2024, 2, 29}},
      {"29.02.2025", kDots, std::nullopt},
      {"31.04.2026", kDots, std::nullopt},
      {"31.02", kDots, std::nullopt},
      {"0.1.2026", kDots, std::nullopt},
      {"1.13.2026", kDots, std::nullopt},
      {"1.1.0", kDots, TDate{2000, 1, 1}},
      {"1.1.0000", kDots, std::nullopt},
      {"1.2.3.4", kDots, std::nullopt},
      {"1", kDots, std::nullopt},
      {"", kDots, std::nullopt},
      {"   ", kDots, std::nullopt},
      {"1..2026", kDots, std::nullopt},
      {"1.2.", kDots, std::nullopt},
      {".1.2", kDots, std::nullopt},
      {"1.x.2026", kDots, std::nullopt},
      {"-1.2.2026", kDots, std::nullopt},
      {"1.2.20266", kDots, std::nullopt},
      {"1/2/2026", kDots, std::nullopt},          // another separator
      {"12/25/2002", kUs, TDate{2002, 12, 25}},
      {"12/25", kUs, TDate{2026, 12, 25}},
      {"2002-12-25", kIso, TDate{2002, 12, 25}},
      {"12-25", kIso, TDate{2026, 12, 25}},
      {"02-12-25", kIso, TDate{2002, 12, 25}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseDate(c.text, c.format, 2026), c.expected) << '"' << c.text << '"';
  }
}

TEST(DatesTest, FormatDateWritesTheFormatsOrderWithFixedWidths) {
  const TDate date{2026, 3, 7};
  EXPECT_EQ(FormatDate(date, kDots), "07.03.2026");
  EXPECT_EQ(FormatDate(date, kUs), "03/07/2026");
  EXPECT_EQ(FormatDate(date, kIso), "2026-03-07");
  EXPECT_EQ(FormatDate(TDate{203, 1, 2}, kDots), "02.01.0203");
  for (const DateFormat& format : {kDots, kUs, kIso}) {
    EXPECT_EQ(ParseDate(FormatDate(date, format), format, 1990), date);
  }
}

TEST(DatesTest, DayNumbersCountFromTheEpochAcrossLeapYears) {
  EXPECT_EQ(DaysFromCivil(TDate{1970, 1, 1}), 0);
  EXPECT_EQ(DaysFromCivil(TDate{1969, 12, 31}), -1);
  EXPECT_EQ(DaysFromCivil(TDate{2000, 3, 1}), 11017);
  EXPECT_EQ(CivilFromDays(11017), (TDate{2000, 3, 1}));
  EXPECT_EQ(AddDays(TDate{2024, 2, 28}, 1), (TDate{2024, 2, 29}));
  EXPECT_EQ(AddDays(TDate{2023, 2, 28}, 1), (TDate{2023, 3, 1}));
  EXPECT_EQ(AddDays(TDate{2026, 1, 1}, -1), (TDate{2025, 12, 31}));
  EXPECT_EQ(AddDays(TDate{2100, 2, 28}, 1), (TDate{2100, 3, 1}));
  EXPECT_EQ(AddDays(TDate{2026, 12, 10}, -365), (TDate{2025, 12, 10}));

  // Every day of four centuries goes there and back, one day apart.
  TDate expected{1900, 1, 1};
  for (int64_t day = DaysFromCivil(expected); day < DaysFromCivil(TDate{2300, 1, 1}); ++day) {
    const TDate date = CivilFromDays(day);
    ASSERT_EQ(date, expected);
    ASSERT_TRUE(IsValidDate(date));
    ASSERT_EQ(DaysFromCivil(date), day);
    expected = AddDays(date, 1);
  }
}

TEST(DatesTest, IsValidDateChecksMonthLengths) {
  EXPECT_TRUE(IsValidDate(TDate{2000, 2, 29}));
  EXPECT_FALSE(IsValidDate(TDate{1900, 2, 29}));
  EXPECT_FALSE(IsValidDate(TDate{2026, 6, 31}));
  EXPECT_FALSE(IsValidDate(TDate{2026, 0, 1}));
  EXPECT_FALSE(IsValidDate(TDate{0, 1, 1}));
  EXPECT_FALSE(IsValidDate(TDate{}));
}

TEST(DatesTest, FixedFormsHaveTheirExactWidths) {
  const TDateTime morning{TDate{2002, 12, 5}, 7, 5, 9, 123};
  EXPECT_EQ(FormatDotDate(morning.Date), "05.12.2002");
  EXPECT_EQ(FormatCompactDate(morning.Date), "20021205");
  EXPECT_EQ(FormatClockTime(morning), "07:05:09");
  EXPECT_EQ(FormatMessageDateTime(morning), "05 Dec 02  07:05:09");
  EXPECT_EQ(FormatLogDateTime(morning), "05 Dec 2002 07:05:09");
  EXPECT_EQ(FormatMessageDateTime(TDateTime{TDate{2026, 1, 31}, 23, 59, 0, 0}),
            "31 Jan 26  23:59:00");

  const std::vector<std::string> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int month = 1; month <= 12; ++month) EXPECT_EQ(MonthAbbreviation(month), months[month - 1]);
  EXPECT_EQ(MonthAbbreviation(0).size(), 3u);
  EXPECT_EQ(MonthAbbreviation(13).size(), 3u);
}

}  // namespace
}  // namespace kestal
