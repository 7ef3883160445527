// Output value formatting and the day-number calendar.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "engine/tool.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();

std::string narrow(const char16_t* s) {
    std::string out;
    for (; *s != 0; ++s) out += *s < 128 ? static_cast<char>(*s) : '?';
    return out;
}

std::string format(const char* code, double value, int capacity = 128) {
    char16_t out[257];
    for (char16_t& u : out) u = u'#';
    out[256] = 0;   // so that even a buffer left unterminated reads safely
    formatValue(code, value, out, capacity);
    // Nothing is written past the capacity.
    for (int i = capacity; i < 256; ++i) EXPECT_EQ(out[i], u'#') << "unit " << i;
    return narrow(out);
}

std::string civil(int64_t day, int capacity = 64, int* returned = nullptr) {
    char16_t out[128];
    for (char16_t& u : out) u = u'#';
    out[127] = 0;
    const int r = civilFromDays(day, out, capacity);
    if (returned != nullptr) *returned = r;
    bool intact = true;
    for (int i = capacity; i < 127; ++i) intact = intact && out[i] == u'#';
    EXPECT_TRUE(intact) << "written past capacity " << capacity;
    return narrow(out);
}

TEST(FormatValue, Codes) {
    struct Case {
        const char* code;
        double value;
        const char* text;
    } const cases[] = {
        {"f0", 8, "8"},
        {"f0", -0.4, "-0"},
        {"f0", 0.5, "0"},          // halfway goes to the even digit
        {"f0", 1.5, "2"},
        {"f0", -2.5, "-2"},
        {"f1", 36.75, "36.8"},
        {"f1", 0.05, "0.1"},       // 0.05 is a little above the half
        {"f3", 3.14159, "3.142"},
        {"int", 2.5, "2"},         // rounded, not truncated
        {"int", 3.5, "4"},
        {"int", 2.7, "3"},
        {"pct", 12.34, "12.3%"},   // not multiplied by 100
        {"pct", -0.04, "-0.0%"},
        {"f2", 0.125, "0.12"},
        {nullptr, 0.125, "0.12"},  // absent code: two decimals
        {"F2", 1, "1.00"},         // case-sensitive: no code matches
        {"", 1, "1.00"},
        {"f4", 1, "1.00"},
        {"f00", 1, "1.00"},
        {"f2", 1234567.891, "1234567.89"},   // no digit grouping
        {"date", 19723, "2024-01-01"},
        {"date", 19723.9, "2024-01-01"},     // truncated toward zero
        {"date", -0.5, "1970-01-01"},
        {"date", -1.5, "1969-12-31"},
        {"date", 0, "1970-01-01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(format(c.code, c.value), c.text) << (c.code ? c.code : "(null)") << " " << c.value;
    }
}

TEST(FormatValue, ValuesThatCannotBeShown) {
    const char* const codes[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", nullptr, "xyz"};
    for (const char* code : codes) {
        for (const double v : {NaN, INF, -INF}) {
            EXPECT_EQ(format(code, v), "--") << (code ? code : "(null)") << " " << v;
        }
    }
    // Day numbers outside the 64-bit range, and numbers too long for the
    // 80-byte narrow scratch, show as "--" as well.
    EXPECT_EQ(format("date", 9223372036854775808.0), "--");
    EXPECT_EQ(format("date", 1e300), "--");
    EXPECT_EQ(format("date", -9223372036854777856.0), "--");   // the double below -2^63
    EXPECT_EQ(format("f0", 1e300), "--");
    EXPECT_EQ(format("f0", 5e79), "--");     // 80 digits
    EXPECT_EQ(format("f0", -5e78), "--");    // sign and 79 digits
    EXPECT_EQ(format("f0", 5e78).size(), 79u);
    EXPECT_EQ(format("pct", 5e76), "--");    // 77 digits, ".0" and '%'
    EXPECT_EQ(format("pct", 5e75).size(), 79u);
}

TEST(FormatValue, DateAtTheEndsOfTheRange) {
    EXPECT_EQ(format("date", -9223372036854775808.0), civil(INT64_MIN));
    EXPECT_EQ(format("date", 9223372036854774784.0), "25252734927768521-10-08");
}

TEST(FormatValue, HonoursEveryCapacity) {
    EXPECT_EQ(format("f2", 12.34, 1), "");
    EXPECT_EQ(format("f2", 12.34, 2), "1");
    EXPECT_EQ(format("f2", 12.34, 5), "12.3");
    EXPECT_EQ(format("f2", 12.34, 6), "12.34");
    EXPECT_EQ(format("pct", 12.34, 5), "12.3");
    EXPECT_EQ(format("f0", NaN, 2), "-");
    EXPECT_EQ(format("date", 19723, 8), "2024-01");
    // Capacity 0: nothing at all is written.
    EXPECT_EQ(format("f2", 1, 0).substr(0, 1), "#");
}

TEST(Calendar, CivilFromDays) {
    struct Case {
        int64_t day;
        const char* text;
    } const cases[] = {
        {0, "1970-01-01"},
        {-1, "1969-12-31"},
        {19723, "2024-01-01"},
        {11017, "2000-03-01"},
        {19782, "2024-02-29"},
        {-719468, "0000-03-01"},
        {-719469, "0000-02-29"},        // year 0 is a leap year
        {-719528, "0000-01-01"},
        {-719529, "-001-12-31"},        // %04lld of -1
        {2932896, "9999-12-31"},
        {2932897, "10000-01-01"},
        // The ends of the 64-bit range: exact, no overflow on the way.
        {INT64_MAX, "25252734927768524-07-27"},
        {INT64_MIN, "-25252734927764585-06-07"},
    };
    for (const auto& c : cases) {
        int returned = 0;
        EXPECT_EQ(civil(c.day, 64, &returned), c.text) << c.day;
        EXPECT_EQ(returned, static_cast<int>(std::string(c.text).size())) << c.day;
    }
}

TEST(Calendar, CivilFromDaysCutsAndReportsIt) {
    const struct {
        int capacity;
        const char* text;
        int returned;
    } cases[] = {{1, "", -1}, {2, "2", -1}, {5, "2024", -1}, {10, "2024-01-0", -1}, {11, "2024-01-01", 10}};
    for (const auto& c : cases) {
        int returned = 0;
        EXPECT_EQ(civil(19723, c.capacity, &returned), c.text) << c.capacity;
        EXPECT_EQ(returned, c.returned) << c.capacity;
    }
}

TEST(Calendar, DaysFromCivil) {
    struct Case {
        int32_t year, month, day;
        int64_t expected;
    } const cases[] = {
        {1970, 1, 1, 0},
        {2000, 3, 1, 11017},
        {2024, 1, 1, 19723},
        {2024, 1, 32, 19754},           // rolls into February
        {2024, 2, 1, 19754},
        {2024, 2, 30, 19783},           // 2024-03-01
        {2023, 2, 29, 19417},           // 2023-03-01
        {0, 3, 1, -719468},
        {0, 1, 1, -719528},
        {-1, 12, 31, -719529},
        {9999, 12, 31, 2932896},
        {2024, 3, 0, 19782},            // day 0: the day before
        // Any int32_t argument: 64-bit arithmetic, no overflow.
        {INT32_MIN, 1, 1, -784353015833},
        {INT32_MAX, 12, 31, 784351576776},
        {2024, INT32_MIN, INT32_MIN, -67860463585},
        {2024, INT32_MAX, INT32_MAX, 67860502935},
        {INT32_MIN, INT32_MAX, INT32_MIN, -720787499916},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(daysFromCivil(c.year, c.month, c.day), c.expected)
            << c.year << "-" << c.month << "-" << c.day;
    }
}

// Reads "Y-MM-DD" back (Y may be negative or longer than four digits).
bool parseCivil(const char16_t* s, int64_t* y, int64_t* m, int64_t* d) {
    bool negative = false;
    if (*s == u'-') {
        negative = true;
        ++s;
    }
    int64_t* fields[] = {y, m, d};
    for (int f = 0; f < 3; ++f) {
        int64_t v = 0;
        int digits = 0;
        for (; *s >= u'0' && *s <= u'9'; ++s, ++digits) v = v * 10 + (*s - u'0');
        if (digits == 0) return false;
        *fields[f] = v;
        if (f < 2 && *s++ != u'-') return false;
    }
    if (negative) *y = -*y;
    return *s == 0;
}

// Every day over more than ten thousand years (year 0000 included), and a
// sparse sweep far beyond: the text reads back to the same day number, and
// consecutive days are consecutive dates.
TEST(Calendar, RoundTrip) {
    struct Date {
        int64_t y, m, d;
    };
    auto convert = [](int64_t day, Date* date) {
        char16_t text[64];
        if (civilFromDays(day, text, 64) < 0 || !parseCivil(text, &date->y, &date->m, &date->d)) return false;
        return date->m >= 1 && date->m <= 12 && date->d >= 1 && date->d <= 31 &&
               daysFromCivil(static_cast<int32_t>(date->y), static_cast<int32_t>(date->m),
                             static_cast<int32_t>(date->d)) == day;
    };
    Date prev{};
    ASSERT_TRUE(convert(-800001, &prev));
    for (int64_t day = -800000; day <= 3000000; ++day) {
        Date now{};
        if (!convert(day, &now)) {
            ADD_FAILURE() << "day " << day << ": " << civil(day);
            return;
        }
        const bool nextDay = now.y == prev.y && now.m == prev.m && now.d == prev.d + 1;
        const bool nextMonth = now.y == prev.y && now.m == prev.m + 1 && now.d == 1;
        const bool nextYear = now.y == prev.y + 1 && now.m == 1 && now.d == 1 && prev.m == 12 && prev.d == 31;
        if (!(nextDay || nextMonth || nextYear)) {
            ADD_FAILURE() << "day " << day << ": " << civil(day) << " after " << civil(day - 1);
            return;
        }
        prev = now;
    }
    // Years up to about +-5.8 million, within the reach of a 32-bit year.
    for (int64_t day = -2100000000; day <= 2100000000; day += 999983) {
        Date now{};
        if (!convert(day, &now)) {
            ADD_FAILURE() << "day " << day << ": " << civil(day);
            return;
        }
    }
}

}  // namespace
