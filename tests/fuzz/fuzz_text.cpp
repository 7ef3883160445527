// The bounded text operations with capacities from 1 up.
//
// For every operation: nothing is written past the capacity (guard units on
// both sides), the text is terminated inside the capacity, the text equals
// the first capacity - 1 units of what an unbounded write would give, and the
// -1 cut report comes exactly when something did not fit.
//
// formatText is driven with a format of six conversions in a fixed order
// (%ls, an int conversion, a long long one, a double one, %s, %c) whose
// flags, widths and precisions and the literal runs and "%%" between them
// come from the input; the unbounded text is built independently (snprintf
// in the "C" locale for the numbers, plain padding for the texts).
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/text.h"
#include "engine/tool.h"
#include "fuzz_support.h"

namespace {

using fuzz::GuardedText;

std::u16string units(FuzzedDataProvider& in, size_t maxLength, bool allowPercent = true) {
    const size_t n = in.ConsumeIntegralInRange<size_t>(0, maxLength);
    std::u16string s;
    for (size_t i = 0; i < n && in.remaining_bytes() > 0; ++i) {
        char16_t c = in.ConsumeIntegral<char16_t>();
        if (c == 0) c = u'.';
        if (!allowPercent && c == u'%') c = u'#';
        s.push_back(c);
    }
    return s;
}

int capacityFrom(FuzzedDataProvider& in) {
    // Mostly small, sometimes large.
    return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(1, 40) : in.ConsumeIntegralInRange<int>(1, 5000);
}

std::u16string prefix(const std::u16string& s, int capacity) {
    return s.substr(0, static_cast<size_t>(capacity - 1));
}

void expectText(const GuardedText& out, const std::u16string& expected, const char* what) {
    FUZZ_CHECK(out.guardsIntact(), "%s wrote past capacity %d", what, out.capacity);
    FUZZ_CHECK(out.terminatedLength() >= 0, "%s left the text unterminated (capacity %d)", what, out.capacity);
    FUZZ_CHECK(out.text() == expected, "%s (capacity %d) gave \"%s\", expected \"%s\"", what, out.capacity,
               fuzz::narrowForMessage(out.text()).c_str(), fuzz::narrowForMessage(expected).c_str());
}

// Puts an existing text into a buffer: terminated when it fits, filling the
// whole capacity without terminator when it does not.
void preload(GuardedText& buffer, const std::u16string& text) {
    for (int i = 0; i < buffer.capacity; ++i) {
        buffer.data()[i] = static_cast<size_t>(i) < text.size() ? text[static_cast<size_t>(i)]
                         : static_cast<size_t>(i) == text.size() ? char16_t(0) : char16_t(0xAAAA);
    }
}

void checkCopy(FuzzedDataProvider& in) {
    const int capacity = capacityFrom(in);
    const std::u16string source = units(in, 300);
    GuardedText out(capacity);
    textCopy(out.data(), capacity, source.c_str());
    expectText(out, prefix(source, capacity), "textCopy");
    GuardedText empty(capacity);
    textCopy(empty.data(), capacity, nullptr);
    expectText(empty, u"", "textCopy of null");
}

void checkAppend(FuzzedDataProvider& in, bool countGiven) {
    const int capacity = capacityFrom(in);
    const std::u16string existing = units(in, 60);
    const std::u16string source = units(in, 300);
    const size_t count = countGiven ? in.ConsumeIntegralInRange<size_t>(0, source.size()) : source.size();
    GuardedText out(capacity);
    preload(out, existing);
    const int result = countGiven ? textAppendUnits(out.data(), capacity, source.c_str(), count)
                                  : textAppend(out.data(), capacity, source.c_str());
    // An existing text that fills the capacity without a terminator counts as
    // its first capacity - 1 units.
    const std::u16string kept = prefix(existing, capacity);
    const size_t room = static_cast<size_t>(capacity - 1) - kept.size();
    const std::u16string added = source.substr(0, count).substr(0, room);
    expectText(out, kept + added, countGiven ? "textAppendUnits" : "textAppend");
    FUZZ_CHECK(result == (count > room ? -1 : 0), "append returned %d (count %zu, room %zu)", result, count, room);
}

const char* const TEXT_SPECS[] = {"%ls", "%5ls", "%-7ls", "%.3ls", "%-4.2ls", "%0ls"};
const char* const INT_SPECS[] = {"%d", "%02d", "%03d", "%04d", "%i", "%+d", "% d", "%-5d", "%u", "%x", "%X", "%08x", "%+05d"};
const char* const LONG_SPECS[] = {"%lld", "%+lld", "%5lld", "%03lld", "%-20lld", "%llu", "%04lld"};
const char* const DOUBLE_SPECS[] = {"%f", "%.2f", "%g", "%.6g", "%e", "%.0f", "%.3f", "%10.2f", "%-12g", "%+f",
                                    "%010.3f", "%.17g", "%G", "%E", "%F", "% .1e", "%.0g", "%#x"};
const char* const ASCII_SPECS[] = {"%s", "%4s", "%-4s", "%.2s"};
const char* const CHAR_SPECS[] = {"%c", "%3c", "%-2c"};

template <size_t N>
const char* pick(FuzzedDataProvider& in, const char* const (&table)[N]) {
    return table[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// Padding of a text conversion as printf does it: width, '-', precision.
std::u16string padded(const char* spec, const std::u16string& text) {
    bool left = false;
    const char* p = spec + 1;
    while (*p == '-' || *p == '0') left |= *p++ == '-';
    int width = 0;
    while (*p >= '0' && *p <= '9') width = width * 10 + (*p++ - '0');
    size_t length = text.size();
    if (*p == '.') {
        int precision = 0;
        ++p;
        while (*p >= '0' && *p <= '9') precision = precision * 10 + (*p++ - '0');
        if (length > static_cast<size_t>(precision)) length = static_cast<size_t>(precision);
    }
    const std::u16string body = text.substr(0, length);
    const std::u16string pad(width > static_cast<int>(length) ? static_cast<size_t>(width) - length : 0, u' ');
    return left ? body + pad : pad + body;
}

std::u16string printed(const char* spec, ...) __attribute__((format(printf, 1, 2)));
std::u16string printed(const char* spec, ...) {
    char text[1024];
    va_list args;
    va_start(args, spec);
    std::vsnprintf(text, sizeof text, spec, args);
    va_end(args);
    return fuzz::widen(text);
}

double anyDouble(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: return fuzz::doubleOf(in.ConsumeIntegral<uint64_t>());
    case 1: return static_cast<double>(in.ConsumeIntegral<int32_t>()) / 64.0;
    case 2: return in.ConsumeFloatingPoint<double>();
    default: return static_cast<double>(in.ConsumeIntegral<int16_t>()) / 1000.0;
    }
}

std::u16string formatWithPercent(FuzzedDataProvider& in, const std::u16string& literal, std::u16string& expected) {
    std::u16string format = literal;
    expected += literal;
    if (in.ConsumeBool()) {
        format += u"%%";
        expected += u"%";
    }
    return format;
}

void checkFormat(FuzzedDataProvider& in) {
    const int capacity = capacityFrom(in);
    std::u16string format;
    std::u16string expected;
    std::u16string literal[7];
    for (std::u16string& l : literal) l = units(in, 12, false);

    const char* textSpec = pick(in, TEXT_SPECS);
    const std::u16string textArg = units(in, 20);
    const char* intSpec = pick(in, INT_SPECS);
    const int intArg = in.ConsumeIntegral<int>();
    const char* longSpec = pick(in, LONG_SPECS);
    const long long longArg = in.ConsumeIntegral<long long>();
    const char* doubleSpec = pick(in, DOUBLE_SPECS);
    if (std::string(doubleSpec) == "%#x") doubleSpec = "%.1f";   // no '#' flag in the program's formatter
    const double doubleArg = anyDouble(in);
    const char* asciiSpec = pick(in, ASCII_SPECS);
    std::string asciiArg;
    for (size_t n = in.ConsumeIntegralInRange<size_t>(0, 10); n > 0; --n) {
        asciiArg.push_back(static_cast<char>(in.ConsumeIntegralInRange<int>(1, 127)));
    }
    const char* charSpec = pick(in, CHAR_SPECS);
    char16_t charArg = in.ConsumeIntegral<char16_t>();
    if (charArg == 0) charArg = u'?';

    format += formatWithPercent(in, literal[0], expected);
    format += fuzz::widen(textSpec);
    expected += padded(textSpec, textArg);
    format += formatWithPercent(in, literal[1], expected);
    format += fuzz::widen(intSpec);
    expected += printed(intSpec, intArg);
    format += formatWithPercent(in, literal[2], expected);
    format += fuzz::widen(longSpec);
    expected += printed(longSpec, longArg);
    format += formatWithPercent(in, literal[3], expected);
    format += fuzz::widen(doubleSpec);
    expected += printed(doubleSpec, doubleArg);
    format += formatWithPercent(in, literal[4], expected);
    format += fuzz::widen(asciiSpec);
    expected += printed(asciiSpec, asciiArg.c_str());
    format += formatWithPercent(in, literal[5], expected);
    format += fuzz::widen(charSpec);
    expected += padded(charSpec, std::u16string(1, charArg));
    format += formatWithPercent(in, literal[6], expected);

    GuardedText out(capacity);
    const int result = formatText(out.data(), capacity, format.c_str(), textArg.c_str(), intArg, longArg,
                                  doubleArg, asciiArg.c_str(), static_cast<int>(charArg));
    expectText(out, prefix(expected, capacity), "formatText");
    const bool cut = expected.size() > static_cast<size_t>(capacity - 1);
    FUZZ_CHECK(result == (cut ? -1 : static_cast<int>(expected.size())), "formatText returned %d for %zu units in %d",
               result, expected.size(), capacity);
}

void checkDate(FuzzedDataProvider& in) {
    const int capacity = capacityFrom(in);
    const int64_t day = in.ConsumeBool() ? in.ConsumeIntegral<int64_t>() : in.ConsumeIntegralInRange<int64_t>(-800000, 3000000);
    GuardedText full(64);
    const int fullResult = civilFromDays(day, full.data(), 64);
    FUZZ_CHECK(fullResult > 0 && fullResult == static_cast<int>(full.text().size()), "civilFromDays returned %d", fullResult);
    GuardedText out(capacity);
    const int result = civilFromDays(day, out.data(), capacity);
    expectText(out, prefix(full.text(), capacity), "civilFromDays");
    FUZZ_CHECK(result == (fullResult > capacity - 1 ? -1 : fullResult), "civilFromDays returned %d", result);
}

// A sequence of accumulator operations against a model string.
void checkAccum(FuzzedDataProvider& in) {
    const int capacity = capacityFrom(in);
    GuardedText out(capacity);
    TextAccum acc;
    std::u16string model;
    if (in.ConsumeBool()) {
        accumStart(acc, out.data(), capacity);
    } else {
        const std::u16string existing = units(in, 40);
        preload(out, existing);
        accumContinue(acc, out.data(), capacity);
        model = prefix(existing, capacity);
    }
    for (int step = in.ConsumeIntegralInRange<int>(0, 12); step > 0 && in.remaining_bytes() > 0; --step) {
        std::u16string piece;
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            piece = units(in, 30);
            accumAppend(acc, piece.data(), piece.size());
            break;
        case 1:
            piece = units(in, 1);
            if (piece.empty()) piece = u"x";
            accumAppendUnit(acc, piece[0]);
            break;
        case 2: {
            std::string ascii;
            for (size_t n = in.ConsumeIntegralInRange<size_t>(0, 20); n > 0; --n) {
                ascii.push_back(static_cast<char>(in.ConsumeIntegralInRange<int>(1, 255)));
            }
            accumAppendAscii(acc, ascii.data(), ascii.size());
            piece = fuzz::widen(ascii);
            break;
        }
        default: {
            const int n = in.ConsumeIntegral<int>();
            accumFormat(acc, u"[%d]", n);
            piece = printed("[%d]", n);
            break;
        }
        }
        model += piece;
        const std::u16string kept = prefix(model, capacity);
        FUZZ_CHECK(acc.length == kept.size(), "accumulator length %zu, expected %zu", acc.length, kept.size());
        FUZZ_CHECK(acc.cut == (model.size() > kept.size()), "accumulator cut flag %d wrong", acc.cut);
        expectText(out, kept, "accumulator");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 0: checkCopy(in); break;
    case 1: checkAppend(in, false); break;
    case 2: checkAppend(in, true); break;
    case 3: checkFormat(in); break;
    case 4: checkDate(in); break;
    default: checkAccum(in); break;
    }
    return 0;
}
