// Fixed and %g formatting (engine/numtext.h and formatText) against glibc's
// snprintf in the "C" locale: exact ties k / 2^m, the doubles next to them,
// and random doubles. Every case must match character for character.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "engine/numtext.h"
#include "engine/text.h"

namespace {

struct Tally {
    long long cases = 0;
    long long mismatches = 0;
};

// Fixed precisions 0..3 are the display formats; 4..17 and a long one check
// the rounding further out. %g at precision 6 is the input boxes' default
// text; 1..17 the rest of the %g rules.
constexpr int FIXED_PRECISIONS[] = {0, 1, 2, 3, 4, 6, 9, 12, 17, 25};
constexpr int GENERAL_PRECISIONS[] = {6, 1, 2, 3, 5, 7, 10, 15, 16, 17};

void compareOne(Tally& tally, double value, char conversion, int precision) {
    char format[16];
    std::snprintf(format, sizeof format, "%%.%d%c", precision, conversion);
    char expected[512];
    const int expectedLength = std::snprintf(expected, sizeof expected, format, value);
    char got[512];
    const int gotLength = conversion == 'f' ? formatFixed(got, sizeof got, value, precision)
                                            : formatGeneral(got, sizeof got, value, precision);
    ++tally.cases;
    if (gotLength != expectedLength || std::strcmp(got, expected) != 0) {
        if (++tally.mismatches <= 10) {
            ADD_FAILURE() << format << " of " << std::hexfloat << value << ": \"" << got << "\", snprintf \"" << expected
                          << "\"";
        }
    }
}

void compareAll(Tally& tally, double value) {
    for (int p : FIXED_PRECISIONS) compareOne(tally, value, 'f', p);
    for (int p : GENERAL_PRECISIONS) compareOne(tally, value, 'g', p);
}

// Ties at fixed precision p are exactly the values n + odd / 2^(p+1); at
// %g precision they are k / 2^m whose decimal expansion ends in a 5 in the
// first dropped place, which random k and m hit often.
TEST(FormatVsSnprintf, ExactTiesAndTheirNeighbours) {
    std::mt19937_64 random(2024);
    Tally tally;
    for (int i = 0; i < 20000; ++i) {
        for (int p = 0; p <= 3; ++p) {
            const int magnitude = static_cast<int>(random() % (52 - p - 1));
            const double integer = static_cast<double>(random() >> (64 - magnitude - 1) >> 1);
            const double odd = static_cast<double>((random() % 1000) * 2 + 1);
            double tie = integer + std::ldexp(std::fmod(odd, std::ldexp(1.0, p + 1)), -(p + 1));
            if (random() & 1) tie = -tie;
            compareAll(tally, tie);
            compareAll(tally, std::nextafter(tie, HUGE_VAL));
            compareAll(tally, std::nextafter(tie, -HUGE_VAL));
        }
        const double k = static_cast<double>(random() >> (random() % 63));
        const double dyadic = std::ldexp(k, -static_cast<int>(random() % 80));
        compareAll(tally, dyadic);
        compareAll(tally, std::nextafter(dyadic, 0.0));
    }
    // %g ties among integers: six digits, then a 5, then zeros.
    for (int i = 0; i < 20000; ++i) {
        const double six = static_cast<double>(100000 + random() % 900000);
        const double tie = (six * 10 + 5) * std::pow(10.0, static_cast<double>(random() % 9));
        compareAll(tally, tie);
        compareAll(tally, std::nextafter(tie, 0.0));
        compareAll(tally, std::nextafter(tie, HUGE_VAL));
    }
    std::printf("ties and neighbours: %lld cases, %lld mismatches\n", tally.cases, tally.mismatches);
    EXPECT_EQ(tally.mismatches, 0);
    EXPECT_GE(tally.cases, 1000000);
}

TEST(FormatVsSnprintf, RandomDoubles) {
    std::mt19937_64 random(112);
    Tally tally;
    for (int i = 0; i < 30000; ++i) {
        // Any finite bit pattern: mostly huge or tiny magnitudes.
        double anyBits;
        do {
            const uint64_t bits = random();
            std::memcpy(&anyBits, &bits, sizeof anyBits);
        } while (!std::isfinite(anyBits));
        compareAll(tally, anyBits);
        // Everyday magnitudes, 1e-8 .. 1e12, log-uniform.
        const double everyday = std::pow(10.0, -8.0 + 20.0 * std::ldexp(static_cast<double>(random() >> 11), -53));
        compareAll(tally, random() & 1 ? everyday : -everyday);
        // Values a clinical form holds: thousandths.
        compareAll(tally, static_cast<double>(static_cast<int64_t>(random() % 2000000) - 1000000) / 1000.0);
    }
    const double specials[] = {0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1.7976931348623157e308,
                               -1.7976931348623157e308, 0.5, 1.5, 2.5, -0.5, 0.125, 0.375, 1e15, 1e16, 1e17,
                               9007199254740993.0, 123456.5, 999999.5, 9.9999995, 0.00001, 0.0001, 1e-5, 99999.95};
    for (double v : specials) compareAll(tally, v);
    std::printf("random doubles: %lld cases, %lld mismatches\n", tally.cases, tally.mismatches);
    EXPECT_EQ(tally.mismatches, 0);
}

// The same conversions through the bounded wide formatter the program uses.
TEST(FormatVsSnprintf, ThroughFormatText) {
    std::mt19937_64 random(5);
    const char* const formats[] = {"%.0f", "%.1f", "%.2f", "%.3f", "%f", "%g", "%.6g", "%.1f%%", "%e", "%.3e"};
    long long cases = 0, mismatches = 0;
    for (int i = 0; i < 20000; ++i) {
        double value;
        switch (i % 3) {
        case 0: value = static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / 1000.0; break;
        case 1: value = std::ldexp(static_cast<double>(random() % 100000), -static_cast<int>(random() % 20)); break;
        default: {
            const uint64_t bits = random();
            std::memcpy(&value, &bits, sizeof value);
            if (!std::isfinite(value)) value = 0.1;
        }
        }
        for (const char* format : formats) {
            char expected[512];
            std::snprintf(expected, sizeof expected, format, value);
            char16_t wideFormat[16];
            size_t n = 0;
            for (; format[n] != 0; ++n) wideFormat[n] = static_cast<char16_t>(format[n]);
            wideFormat[n] = 0;
            char16_t got[512];
            formatText(got, 512, wideFormat, value);
            std::string narrow;
            for (size_t k = 0; got[k] != 0; ++k) narrow.push_back(static_cast<char>(got[k]));
            ++cases;
            if (narrow != expected && ++mismatches <= 10) {
                ADD_FAILURE() << format << " of " << std::hexfloat << value << ": \"" << narrow << "\", snprintf \""
                              << expected << "\"";
            }
        }
    }
    std::printf("formatText: %lld cases, %lld mismatches\n", cases, mismatches);
    EXPECT_EQ(mismatches, 0);
}

}  // namespace
