// The number readers against glibc in the "C" locale.
//
//   readUnsignedNumber vs strtod_l: for texts that start with a digit or '.',
//     the same value bits and the same characters consumed; for any other
//     first character nothing is read. Read once from a terminated copy and
//     once from an exact-size buffer without terminator (end pointer given),
//     so a read past the end is an AddressSanitizer report.
//   readWideNumber vs wcstod_l: the same value bits (NaN: both NaN with the
//     same sign; glibc keeps a "nan(chars)" payload the program has no use
//     for) and the same characters consumed.
//   readInputText (the input boxes): a text of at most 127 units, full-width
//     forms of ASCII mapped to ASCII, is accepted exactly when it is U+0020
//     spaces, one decimal number (sign, digits with at most one point, an
//     exponent with digits), U+0020 spaces, and the number is finite; then
//     with wcstod's value. Anything else is refused.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "engine/numtext.h"
#include "ui/command_text.h"
#include "fuzz_support.h"

namespace {

bool sameNumber(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return fuzz::bitsOf(a) == fuzz::bitsOf(b);
}

void checkNarrow(const uint8_t* data, size_t size) {
    // Exact-size copy, no terminator: the reader must stop at `end`.
    std::vector<char> exact(data, data + size);
    const char* begin = exact.empty() ? nullptr : exact.data();
    std::string terminated(reinterpret_cast<const char*>(data), size);

    double withEnd = -1.0;
    const size_t usedWithEnd = begin == nullptr ? 0 : readUnsignedNumber(begin, begin + size, &withEnd);
    if (begin == nullptr) withEnd = 0.0;
    double plain = -1.0;
    const size_t usedPlain = readUnsignedNumber(terminated.c_str(), nullptr, &plain);

    const char first = size > 0 ? terminated[0] : '\0';
    if ((first >= '0' && first <= '9') || first == '.') {
        char* end = nullptr;
        const double expected = strtod_l(terminated.c_str(), &end, fuzz::cLocale());
        const size_t expectedUsed = static_cast<size_t>(end - terminated.c_str());
        FUZZ_CHECK(usedPlain == expectedUsed && fuzz::bitsOf(plain) == fuzz::bitsOf(expected),
                   "readUnsignedNumber read %zu chars as %a, strtod %zu chars as %a", usedPlain, plain,
                   expectedUsed, expected);
    } else {
        FUZZ_CHECK(usedPlain == 0 && fuzz::bitsOf(plain) == 0, "a number read where none starts");
    }
    // An embedded NUL ends the number as the terminator does.
    FUZZ_CHECK(usedWithEnd == usedPlain && fuzz::bitsOf(withEnd) == fuzz::bitsOf(plain),
               "end pointer changes the reading: %zu/%a vs %zu/%a", usedWithEnd, withEnd, usedPlain, plain);
}

// Spaces, one decimal number, spaces: the number's span in [*begin, *end).
bool oneDecimalNumber(const std::u16string& t, size_t* begin, size_t* end) {
    const size_t n = t.size();
    auto digit = [&](size_t k) { return k < n && t[k] >= u'0' && t[k] <= u'9'; };
    size_t i = 0;
    while (i < n && t[i] == u' ') ++i;
    *begin = i;
    if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
    size_t digits = 0;
    for (; digit(i); ++i) ++digits;
    if (i < n && t[i] == u'.') {
        for (++i; digit(i); ++i) ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
        if (!digit(i)) return false;
        while (digit(i)) ++i;
    }
    *end = i;
    while (i < n && t[i] == u' ') ++i;
    return i == n;
}

void checkWide(const std::u16string& text) {
    std::wstring wide;
    for (char16_t c : text) wide.push_back(static_cast<wchar_t>(c));

    size_t used = 12345;
    const double value = readWideNumber(text.c_str(), &used);
    wchar_t* end = nullptr;
    const double expected = wcstod_l(wide.c_str(), &end, fuzz::cLocale());
    const size_t expectedUsed = static_cast<size_t>(end - wide.c_str());
    FUZZ_CHECK(used == expectedUsed && sameNumber(value, expected),
               "readWideNumber read %zu units as %a, wcstod %zu units as %a: \"%s\"", used, value, expectedUsed,
               expected, fuzz::narrowForMessage(text).c_str());
    FUZZ_CHECK(sameNumber(readWideNumber(text.c_str(), nullptr), value), "consumed pointer changes the value");

    // The input box, by its own rule.
    constexpr size_t BOX_LIMIT = 127;
    std::u16string box = text;
    for (char16_t& c : box) {
        if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFF01 + 0x21);
        if (c == 0x3000) c = u' ';
    }
    size_t numberBegin = 0, numberEnd = 0;
    const bool one = box.size() <= BOX_LIMIT && oneDecimalNumber(box, &numberBegin, &numberEnd);
    double boxExpected = 0.0;
    if (one) {
        const std::wstring number(box.begin() + static_cast<std::ptrdiff_t>(numberBegin),
                                  box.begin() + static_cast<std::ptrdiff_t>(numberEnd));
        wchar_t* numberStop = nullptr;
        boxExpected = wcstod_l(number.c_str(), &numberStop, fuzz::cLocale());
        FUZZ_CHECK(numberStop == number.c_str() + number.size(), "wcstod stops inside \"%s\"",
                   fuzz::narrowForMessage(text).c_str());
    }
    const bool accept = one && std::isfinite(boxExpected);
    std::vector<char16_t> exact(text.begin(), text.end());
    exact.push_back(0);
    const InputReading reading = readInputText(exact.data());
    FUZZ_CHECK(reading.accepted == accept &&
                   (accept ? sameNumber(reading.value, boxExpected) : std::isnan(reading.value) != 0),
               "input box read %a (accepted %d), expected %a (accepted %d): \"%s\"", reading.value,
               reading.accepted, boxExpected, accept, fuzz::narrowForMessage(text).c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkNarrow(data, size);

    // The same bytes as UTF-16 units (pairs, little-endian) up to the first
    // zero unit, and as one unit per byte (so ASCII seeds read as text).
    std::u16string pairs;
    for (size_t i = 0; i + 1 < size; i += 2) {
        const char16_t unit = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        pairs.push_back(unit);
    }
    checkWide(pairs);
    std::u16string bytes;
    for (size_t i = 0; i < size && data[i] != 0; ++i) bytes.push_back(static_cast<char16_t>(data[i]));
    checkWide(bytes);
    return 0;
}
