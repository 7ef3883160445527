// formatValue for every format code against glibc's snprintf in the "C"
// locale, and "date" against std::chrono.
//
// Input layout: one byte of mode (how the value is made), eight bytes for
// the value, two bytes of capacity, one byte choosing the code; any further
// bytes are an arbitrary code text.
//
// Expected: NaN and the infinities "--" under every code; "f0"/"int" "%.0f",
// "f1" "%.1f", "f3" "%.3f", "pct" "%.1f%%", anything else "%.2f", when the
// text fits the 80-byte scratch (79 characters), "--" when it does not;
// "date" the proleptic Gregorian date of the day number truncated toward
// zero, "--" beyond the 64-bit range. The output holds the first capacity - 1
// units of that text, terminated, and nothing is written past the capacity.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/tool.h"
#include "fuzz_support.h"

namespace {

constexpr int NARROW_SCRATCH = 80;

const char* const CODES[] = {nullptr, "f0", "f1", "f2", "f3", "int", "pct", "date", "F2", "", "f4", "pct ", "dat"};
constexpr size_t CODE_COUNT = sizeof CODES / sizeof CODES[0];

// The date of a day number by std::chrono, moved into its range by whole
// 400-year eras (146097 days each), which shift only the year.
std::string civilText(int64_t day) {
    // |eras| < 2^63 / 146097: neither product below overflows.
    constexpr int64_t ERA = 146097;
    constexpr int64_t LIMIT = 4 * ERA;   // well inside chrono's +-32767 years
    int64_t d = day;
    int64_t eras = 0;
    if (d > LIMIT || d < -LIMIT) {
        eras = d / ERA;
        d -= eras * ERA;
    }
    using namespace std::chrono;
    const year_month_day date{sys_days{days{d}}};
    const int64_t year = static_cast<int64_t>(static_cast<int>(date.year())) + eras * 400;
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u", static_cast<long long>(year),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
    return text;
}

std::string expectedText(const char* code, double value) {
    if (!std::isfinite(value)) return "--";
    const char* c = code != nullptr ? code : "f2";
    if (std::strcmp(c, "date") == 0) {
        if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0)) return "--";
        return civilText(static_cast<int64_t>(value));
    }
    const char* format = "%.2f";
    if (std::strcmp(c, "f0") == 0 || std::strcmp(c, "int") == 0) format = "%.0f";
    else if (std::strcmp(c, "f1") == 0) format = "%.1f";
    else if (std::strcmp(c, "f3") == 0) format = "%.3f";
    else if (std::strcmp(c, "pct") == 0) format = "%.1f%%";
    char text[400];
    const int n = std::snprintf(text, sizeof text, format, value);
    if (n < 0 || n >= NARROW_SCRATCH) return "--";
    return text;
}

double makeValue(uint8_t mode, uint64_t bits) {
    switch (mode % 6) {
    case 0: return fuzz::doubleOf(bits);                                        // any bit pattern
    case 1: return static_cast<double>(static_cast<int32_t>(bits)) / 1000.0;    // everyday values
    case 2: {                                                                   // ties k / 2^m
        const int m = static_cast<int>((bits >> 56) % 64);
        return std::ldexp(static_cast<double>(static_cast<int64_t>(bits << 8) >> 8), -m);
    }
    case 3: {                                                                   // next to ties
        const double tie = std::ldexp(static_cast<double>(static_cast<int32_t>(bits) | 1), -static_cast<int>((bits >> 32) % 12));
        return (bits >> 63) != 0 ? std::nextafter(tie, HUGE_VAL) : std::nextafter(tie, -HUGE_VAL);
    }
    case 4: return static_cast<double>(static_cast<int64_t>(bits));             // day numbers, big integers
    default: return std::ldexp(static_cast<double>(bits >> 11), static_cast<int>((bits & 0x7ff) % 360) - 200);
    }
}

void check(const char* code, double value, int capacity) {
    const std::u16string expected = fuzz::widen(expectedText(code, value));
    fuzz::GuardedText out(capacity);
    formatValue(code, value, out.data(), capacity);
    FUZZ_CHECK(out.guardsIntact(), "formatValue wrote past capacity %d", capacity);
    const size_t keep = expected.size() < static_cast<size_t>(capacity - 1) ? expected.size() : static_cast<size_t>(capacity - 1);
    const std::u16string got = out.text();
    FUZZ_CHECK(out.terminatedLength() >= 0 && got == expected.substr(0, keep),
               "formatValue(%s, %a, cap %d) gave \"%s\", expected \"%s\"", code ? code : "(null)", value, capacity,
               fuzz::narrowForMessage(got).c_str(), fuzz::narrowForMessage(expected.substr(0, keep)).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    uint64_t bits = 0;
    std::memcpy(&bits, data + 1, size - 1 < 8 ? size - 1 : 8);
    const double value = makeValue(data[0], bits);
    int capacity = 128;
    if (size >= 11) capacity = 1 + (data[9] | (data[10] << 8)) % 160;
    const size_t codeChoice = size >= 12 ? data[11] : 0;

    // The capacity the callers pass, and the one drawn from the input.
    for (size_t i = 0; i < CODE_COUNT; ++i) check(CODES[i], value, 128);
    check(CODES[codeChoice % CODE_COUNT], value, capacity);
    if (size > 12) {
        const std::string code(reinterpret_cast<const char*>(data + 12), size - 12);
        check(code.c_str(), value, capacity);
    }
    return 0;
}
