// The day-number conversions against C++20 std::chrono (years -32767..32767)
// and gmtime_r (64-bit time_t, years to about +-2^31), outside and around
// the range that compare_calendar.py covers with Python.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>

#include "engine/tool.h"

namespace {

using namespace std::chrono;

std::string civil(int64_t day) {
    char16_t text[64];
    const int n = civilFromDays(day, text, 64);
    std::string out;
    for (int i = 0; i < n; ++i) out.push_back(static_cast<char>(text[i]));
    return out;
}

std::string expected(long long year, unsigned month, unsigned day) {
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", year, month, day);
    return text;
}

std::string chronoCivil(int64_t day) {
    const year_month_day date{sys_days{days{day}}};
    return expected(static_cast<int>(date.year()), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
}

int64_t chronoDays(int year, unsigned month, unsigned day) {
    // For a valid year and month, a day past the month's end (or 0) is
    // offset from the month's last day, as daysFromCivil rolls it over.
    return sys_days{std::chrono::year{year} / std::chrono::month{month} / std::chrono::day{day}}.time_since_epoch().count();
}

// Every day of the years -1000..0 and 9999..11000 (year 0000 included), and
// the first and last 400-year era chrono knows.
TEST(CalendarVsChrono, WholeYearsAroundThePythonRange) {
    long long compared = 0;
    const int ranges[][2] = {{-1000, 0}, {9999, 11000}, {-32767, -32367}, {32367, 32767}};
    for (const auto& r : ranges) {
        const int64_t first = sys_days{std::chrono::year{r[0]} / January / 1}.time_since_epoch().count();
        const int64_t last = sys_days{std::chrono::year{r[1]} / December / 31}.time_since_epoch().count();
        EXPECT_EQ(daysFromCivil(r[0], 1, 1), first);
        EXPECT_EQ(daysFromCivil(r[1], 12, 31), last);
        for (int64_t day = first; day <= last; ++day) {
            const std::string want = chronoCivil(day);
            ASSERT_EQ(civil(day), want) << "day " << day;
            ++compared;
        }
    }
    EXPECT_GT(compared, 1000000);
}

TEST(CalendarVsChrono, RandomDaysAcrossChronosRange) {
    std::mt19937_64 random(112);
    const int64_t first = sys_days{std::chrono::year{-32767} / January / 1}.time_since_epoch().count();
    const int64_t last = sys_days{std::chrono::year{32767} / December / 31}.time_since_epoch().count();
    std::uniform_int_distribution<int64_t> pick(first, last);
    for (int i = 0; i < 300000; ++i) {
        const int64_t day = pick(random);
        ASSERT_EQ(civil(day), chronoCivil(day)) << "day " << day;
    }
}

// daysFromCivil for every year chrono knows, every month, and days 0..255:
// days outside the month roll over by the same arithmetic.
TEST(CalendarVsChrono, DaysFromCivilWithRollover) {
    for (int year = -32767; year <= 32767; year += (year >= -500 && year <= 2500) ? 1 : 37) {
        for (unsigned month = 1; month <= 12; ++month) {
            for (unsigned day = 0; day <= 255; day += (year % 5 == 0) ? 1 : 17) {
                ASSERT_EQ(daysFromCivil(year, static_cast<int32_t>(month), static_cast<int32_t>(day)),
                          chronoDays(year, month, day))
                    << year << "-" << month << "-" << day;
            }
        }
    }
}

// Far beyond chrono: gmtime_r on 64-bit time_t, years up to about 2^31.
TEST(CalendarVsGmtime, RandomDaysToTwoBillionYears) {
    std::mt19937_64 random(7);
    std::uniform_int_distribution<int64_t> pick(-780000000000LL, 780000000000LL);
    int compared = 0;
    for (int i = 0; i < 200000; ++i) {
        const int64_t day = i % 2 == 0 ? pick(random) : pick(random) / 100000;
        const std::time_t seconds = static_cast<std::time_t>(day) * 86400;
        std::tm tm{};
        ASSERT_NE(gmtime_r(&seconds, &tm), nullptr) << day;
        const long long year = static_cast<long long>(tm.tm_year) + 1900;
        ASSERT_EQ(civil(day), expected(year, static_cast<unsigned>(tm.tm_mon + 1), static_cast<unsigned>(tm.tm_mday)))
            << "day " << day;
        if (year >= INT32_MIN && year <= INT32_MAX) {
            ASSERT_EQ(daysFromCivil(static_cast<int32_t>(year), tm.tm_mon + 1, tm.tm_mday), day) << "day " << day;
        }
        ++compared;
    }
    EXPECT_EQ(compared, 200000);
}

// Over the whole 64-bit range: whole eras of 146097 days shift only the
// year, by 400 each, so every day maps onto a day in chrono's range.
TEST(CalendarEras, WholeInt64RangeByEraShift) {
    std::mt19937_64 random(9);
    for (int i = 0; i < 200000; ++i) {
        int64_t day = static_cast<int64_t>(random());
        if (i < 8) {
            const int64_t ends[] = {INT64_MIN, INT64_MIN + 1, INT64_MAX, INT64_MAX - 1,
                                    INT64_MIN + 146096, INT64_MAX - 146096, -1, 0};
            day = ends[i];
        }
        // |eras| < 2^63 / 146097, so neither product overflows.
        const int64_t eras = day / 146097;
        const int64_t inRange = day - eras * 146097;
        const year_month_day date{sys_days{days{inRange}}};
        const int64_t year = static_cast<int64_t>(static_cast<int>(date.year())) + eras * 400;
        ASSERT_EQ(civil(day), expected(static_cast<long long>(year), static_cast<unsigned>(date.month()),
                                       static_cast<unsigned>(date.day())))
            << "day " << day;
    }
}

}  // namespace
