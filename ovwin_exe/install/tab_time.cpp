#include "install/tab_time.h"

namespace
{
constexpr uint16_t kFirstYear = 1601;
constexpr uint16_t kLastYear = 30827;
constexpr int64_t kSecondsPerDay = 86400;
// A FILETIME above this is refused by FileTimeToSystemTime.
constexpr uint64_t kLargestTicks = 0x7FFFFFFFFFFFFFFFull;

bool IsLeapYear(int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int64_t year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1 January 1601 (the proleptic Gregorian calendar; 1601 starts a
// 400-year cycle, which keeps the arithmetic free of negative numbers).
int64_t DaysSince1601(int64_t year, int month, int day)
{
    const int64_t y = year - kFirstYear;
    int64_t days = y * 365 + y / 4 - y / 100 + y / 400;
    for (int m = 1; m < month; ++m)
    {
        days += DaysInMonth(year, m);
    }
    return days + day - 1;
}
} // namespace

bool IsValidTimestamp(const TabTimestamp& stamp)
{
    if (stamp.Year < kFirstYear || stamp.Year > kLastYear || stamp.Month < 1 || stamp.Month > 12)
    {
        return false;
    }
    return stamp.Day >= 1 && stamp.Day <= DaysInMonth(stamp.Year, stamp.Month) && stamp.Hour < 24 &&
           stamp.Minute < 60 && stamp.Second < 60 && stamp.Milliseconds < 1000;
}

bool TimestampToTicks(const TabTimestamp& stamp, uint64_t* ticks)
{
    if (!IsValidTimestamp(stamp))
    {
        return false;
    }
    const int64_t seconds = DaysSince1601(stamp.Year, stamp.Month, stamp.Day) * kSecondsPerDay +
                            stamp.Hour * 3600 + stamp.Minute * 60 + stamp.Second;
    *ticks = static_cast<uint64_t>(seconds) * kTicksPerSecond + stamp.Milliseconds * kTicksPerMillisecond;
    return true;
}

bool TicksToTimestamp(uint64_t ticks, TabTimestamp* stamp)
{
    if (ticks > kLargestTicks)
    {
        return false;
    }
    int64_t days = static_cast<int64_t>(ticks / kTicksPerSecond / kSecondsPerDay);
    const int64_t secondOfDay = static_cast<int64_t>(ticks / kTicksPerSecond % kSecondsPerDay);
    // 1 January 1601 was a Monday.
    const int dayOfWeek = static_cast<int>((days + 1) % 7);

    int64_t year = kFirstYear + 400 * (days / 146097);
    days %= 146097;
    while (days >= (IsLeapYear(year) ? 366 : 365))
    {
        days -= IsLeapYear(year) ? 366 : 365;
        ++year;
    }
    int month = 1;
    while (days >= DaysInMonth(year, month))
    {
        days -= DaysInMonth(year, month);
        ++month;
    }
    if (year > kLastYear)
    {
        return false;
    }
    stamp->Year = static_cast<uint16_t>(year);
    stamp->Month = static_cast<uint16_t>(month);
    stamp->Day = static_cast<uint16_t>(days + 1);
    stamp->DayOfWeek = static_cast<uint16_t>(dayOfWeek);
    stamp->Hour = static_cast<uint16_t>(secondOfDay / 3600);
    stamp->Minute = static_cast<uint16_t>(secondOfDay / 60 % 60);
    stamp->Second = static_cast<uint16_t>(secondOfDay % 60);
    stamp->Milliseconds = static_cast<uint16_t>(ticks / kTicksPerMillisecond % 1000);
    return true;
}

bool ShiftTimestamp(const TabTimestamp& stamp, int64_t offsetSeconds, TabTimestamp* shifted)
{
    uint64_t ticks = 0;
    if (!TimestampToTicks(stamp, &ticks))
    {
        return false;
    }
    const int64_t offsetTicks = offsetSeconds * static_cast<int64_t>(kTicksPerSecond);
    if (offsetTicks < 0 && ticks < static_cast<uint64_t>(-offsetTicks))
    {
        return false;
    }
    return TicksToTimestamp(ticks + static_cast<uint64_t>(offsetTicks), shifted);
}
