#include "install/tab_time.h"

#include "support/archive_bytes.h"

#include <gtest/gtest.h>

TEST(TabTime, TicksCountFrom1601AsFileTimesDo)
{
    uint64_t ticks = 0;
    ASSERT_TRUE(TimestampToTicks({1970, 1, 1, 0, 0, 0, 0, 0}, &ticks));
    EXPECT_EQ(ticks, kUnixEpochTicks);
    // 14 July 2023 09:30 UTC is Unix time 1689327000.
    ASSERT_TRUE(TimestampToTicks({2023, 7, 14, 99, 9, 30, 0, 250}, &ticks)); // DayOfWeek is not read
    EXPECT_EQ(ticks, kUnixEpochTicks + 1689327000ull * kTicksPerSecond + 250 * kTicksPerMillisecond);

    TabTimestamp stamp = {};
    ASSERT_TRUE(TicksToTimestamp(ticks + 9999, &stamp)); // below a millisecond is dropped
    EXPECT_EQ(StampText(stamp), "2023-07-14(5) 09:30:00.250");
    ASSERT_TRUE(TicksToTimestamp(0, &stamp));
    EXPECT_EQ(StampText(stamp), "1601-01-01(1) 00:00:00.000");
    ASSERT_TRUE(TimestampToTicks({30827, 12, 31, 0, 23, 59, 59, 999}, &ticks));
    ASSERT_TRUE(TicksToTimestamp(ticks, &stamp));
    EXPECT_EQ(StampText(stamp), "30827-12-31(5) 23:59:59.999");
    EXPECT_FALSE(TicksToTimestamp(0x8000000000000000ull, &stamp));
}

TEST(TabTime, FieldsAreValidatedAsSystemTimeToFileTimeDoes)
{
    EXPECT_TRUE(IsValidTimestamp({2024, 2, 29, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimestamp({2023, 2, 29, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimestamp({1900, 2, 29, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(IsValidTimestamp({2000, 2, 29, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimestamp({1600, 12, 31, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimestamp({2023, 4, 31, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(IsValidTimestamp({0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(TabTime, ShiftingCrossesDaysMonthsAndYears)
{
    TabTimestamp shown = {};
    ASSERT_TRUE(ShiftTimestamp({2023, 12, 31, 0, 23, 30, 0, 0}, 3600, &shown));
    EXPECT_EQ(StampText(shown), "2024-01-01(1) 00:30:00.000");
    ASSERT_TRUE(ShiftTimestamp({2024, 3, 1, 5, 0, 15, 0, 0}, -3600, &shown));
    EXPECT_EQ(StampText(shown), "2024-02-29(4) 23:15:00.000");
    EXPECT_FALSE(ShiftTimestamp({1601, 1, 1, 1, 0, 0, 0, 0}, -1, &shown));
    EXPECT_FALSE(ShiftTimestamp({2023, 2, 30, 0, 0, 0, 0, 0}, 0, &shown));
}
