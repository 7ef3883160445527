// Regression cases found by the fuzz targets (tests/fuzz), kept as unit
// tests so every build checks them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/numtext.h"

namespace {

std::u16string wide(const std::string& s) { return std::u16string(s.begin(), s.end()); }

// The exact decimal value of 1 + 2^-53, the midpoint between 1 and the next
// double.
const std::string MIDPOINT_ABOVE_ONE = "1.00000000000000011102230246251565404236316680908203125";

// readWideNumber once copied the number into a 4096-byte buffer, so a number
// longer than that lost its tail: "1" and 4100 zeros "e-4100" read as
// infinity, 4095 units. Every length now reads as wcstod reads it.
TEST(HardeningRegression, WideNumbersOfAnyLength) {
    struct Case {
        const char* name;
        std::string text;
        double value;
        size_t consumed;
    };
    const std::string zeros4100(4100, '0');
    const Case cases[] = {
        {"long integer part, negative exponent", "1" + zeros4100 + "e-4100", 1.0, 4107},
        {"long fraction", "0." + zeros4100 + "5e4101", 5.0, 4108},
        {"long integer part", "2" + zeros4100 + "x", HUGE_VAL, 4101},
        {"tie beyond the kept digits: to even", MIDPOINT_ABOVE_ONE + std::string(5000, '0'), 1.0,
         MIDPOINT_ABOVE_ONE.size() + 5000},
        {"just above the tie", MIDPOINT_ABOVE_ONE + std::string(5000, '0') + "1", std::nextafter(1.0, 2.0),
         MIDPOINT_ABOVE_ONE.size() + 5001},
        {"long hexadecimal", "0x1." + std::string(13, '0') + "8" + std::string(5000, '0') + "1p0", std::nextafter(1.0, 2.0),
         4 + 13 + 1 + 5000 + 1 + 2},
        {"long hexadecimal integer", "0x" + std::string(5000, '0') + "10", 16.0, 5004},
        {"many leading zeros", std::string(6000, '0') + "7", 7.0, 6001},
        {"long run of number characters", "1e5" + std::string(5000, 'e'), 1e5, 3},
    };
    for (const Case& c : cases) {
        const std::u16string text = wide(c.text);
        size_t consumed = 0;
        const double value = readWideNumber(text.c_str(), &consumed);
        EXPECT_EQ(value, c.value) << c.name;
        EXPECT_EQ(consumed, c.consumed) << c.name;
        // The same digits as a short text agree with the long one.
        const std::u16string negative = u"  -" + text;
        EXPECT_EQ(readWideNumber(negative.c_str(), &consumed), -c.value) << c.name;
        EXPECT_EQ(consumed, c.consumed + 3) << c.name;
    }
}

}  // namespace
