// Bounded text and number text: the building blocks every writer relies on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "engine/numtext.h"
#include "engine/text.h"

namespace {

std::u16string str(const char16_t* s) { return std::u16string(s); }

// A buffer with guard units behind the capacity, to catch overruns.
struct Guarded {
    static constexpr int GUARD = 8;
    char16_t units[600 + GUARD];
    int capacity;
    explicit Guarded(int cap) : capacity(cap) {
        for (auto& u : units) u = u'#';
    }
    bool guardsIntact() const {
        for (int i = capacity; i < capacity + GUARD; ++i) {
            if (units[i] != u'#') return false;
        }
        return true;
    }
};

TEST(BoundedText, FormatCutsAtCapacityMinusOneAndReportsIt) {
    struct Case {
        int capacity;
        const char16_t* expected;
        int result;
    } cases[] = {
        {1, u"", -1}, {2, u"a", -1}, {6, u"abc12", -1}, {7, u"abc123", 6}, {50, u"abc123", 6},
    };
    for (const Case& c : cases) {
        Guarded g(c.capacity);
        int r = formatText(g.units, c.capacity, u"abc%d", 123);
        EXPECT_EQ(r, c.result) << c.capacity;
        EXPECT_EQ(str(g.units), str(c.expected)) << c.capacity;
        EXPECT_TRUE(g.guardsIntact()) << c.capacity;
    }
}

TEST(BoundedText, ZeroCapacityWritesNothing) {
    char16_t unit = u'#';
    EXPECT_EQ(formatText(&unit, 0, u"x"), -1);
    textCopy(&unit, 0, u"x");
    EXPECT_EQ(unit, u'#');
}

TEST(BoundedText, AppendStopsAtCapacityMinusOne) {
    Guarded g(6);
    textCopy(g.units, 6, u"abc");
    EXPECT_EQ(textAppend(g.units, 6, u"de"), 0);
    EXPECT_EQ(str(g.units), u"abcde");
    EXPECT_EQ(textAppend(g.units, 6, u"f"), -1);
    EXPECT_EQ(str(g.units), u"abcde");
    EXPECT_TRUE(g.guardsIntact());
    // An unterminated buffer is cut at its capacity, never read past it.
    Guarded h(4);
    for (int i = 0; i < 4; ++i) h.units[i] = u'x';
    textAppend(h.units, 4, u"y");
    EXPECT_EQ(str(h.units), u"xxx");
    EXPECT_TRUE(h.guardsIntact());
}

TEST(BoundedText, CopyKeepsCapacityMinusOne) {
    Guarded g(4);
    textCopy(g.units, 4, u"感染指标X");
    EXPECT_EQ(str(g.units), u"感染指");
    EXPECT_TRUE(g.guardsIntact());
    textCopy(g.units, 4, nullptr);
    EXPECT_EQ(str(g.units), u"");
}

TEST(BoundedText, Conversions) {
    struct Case {
        const char16_t* expected;
        const char16_t* format;
        double value;
    } doubles[] = {
        {u"2", u"%.0f", 2.5},          {u"4", u"%.0f", 3.5},         {u"-0", u"%.0f", -0.4},
        {u"0.12", u"%.2f", 0.125},     {u"36.8", u"%.1f", 36.75},    {u"3.142", u"%.3f", 3.14159},
        {u"12.3%", u"%.1f%%", 12.34},  {u"8", u"%.6g", 8.0},         {u"0.5", u"%.6g", 0.5},
        {u"1.23457e+06", u"%g", 1234567.0}, {u"1e-07", u"%.6g", 0.0000001}, {u"1e-05", u"%g", 0.00001},
        {u"12.5", u"%g", 12.5},        {u"inf", u"%g", HUGE_VAL},    {u"-inf", u"%.2f", -HUGE_VAL},
        {u"100000", u"%g", 100000.0},  {u"1e+06", u"%g", 1e6},        {u"0.0001", u"%g", 0.0001},
        {u"1e+300", u"%g", 1e300},     {u"4.94066e-324", u"%g", 5e-324},
    };
    for (const auto& c : doubles) {
        char16_t out[128];
        formatText(out, 128, c.format, c.value);
        EXPECT_EQ(str(out), str(c.expected)) << c.value;
    }
    char16_t out[256];
    formatText(out, 256, u"%04lld-%02lld-%02lld|%03d|%ls|%s|%c|%5d|%-3d|%x", 2024LL, 1LL, 2LL, 7, u"感染", "crp",
               static_cast<int>(u'床'), 42, 7, 255u);
    EXPECT_EQ(str(out), u"2024-01-02|007|感染|crp|床|   42|7  |ff");
    formatText(out, 256, u"%04lld|%02d|%ls", -1LL, -3, static_cast<const char16_t*>(nullptr));
    EXPECT_EQ(str(out), u"-001|-3|");
    // Percent signs only where the format has %%; a lone % at the end vanishes.
    formatText(out, 256, u"10%% %");
    EXPECT_EQ(str(out), u"10% ");
}

TEST(NumberText, FixedOfHugeValuesFitsOrFailsCleanly) {
    char small[8];
    EXPECT_EQ(formatFixed(small, sizeof small, 1e300, 0), -1);
    EXPECT_STREQ(small, "");
    char big[400];
    EXPECT_EQ(formatFixed(big, sizeof big, 1e300, 0), 301);
    EXPECT_EQ(formatGeneral(big, sizeof big, -0.0, 6), 2);
    EXPECT_STREQ(big, "-0");
}

TEST(NumberText, ShortestDecimalsAreCountedWithoutExponent) {
    struct Case {
        double value;
        int decimals;
    } cases[] = {
        {0.125, 3}, {-0.125, 3}, {250.0, 0}, {12.5, 1}, {1e-7, 7}, {1.5e-7, 8}, {1e21, 0}, {-0.0, 0},
        {1.0 / 3.0, 16}, {5e-324, 324}, {HUGE_VAL, 0}, {std::nan(""), 0},
    };
    for (const Case& c : cases) EXPECT_EQ(shortestDecimals(c.value), c.decimals) << c.value;
}

TEST(NumberText, ReadsNumbersAsStrtodDoes) {
    struct Case {
        const char* text;
        size_t consumed;
        double value;
    } cases[] = {
        {"0x10", 4, 16.0},     {".5", 2, 0.5},       {"5.", 2, 5.0},          {"1e3", 3, 1000.0},
        {"1e", 1, 1.0},        {"1e+", 1, 1.0},      {"1e-2x", 4, 0.01},      {"0x", 1, 0.0},
        {"0xg", 1, 0.0},       {"0x.8", 4, 0.5},     {"0x1p4", 5, 16.0},      {"0x1.8p1", 7, 3.0},
        {"0x1p", 3, 1.0},      {"1e999", 5, HUGE_VAL}, {"1e-999", 6, 0.0},   {"0x1p99999", 9, HUGE_VAL},
        {".", 0, 0.0},         {"x", 0, 0.0},        {"", 0, 0.0},            {"12abc", 2, 12.0},
        {"0.1", 3, 0.1},       {"123456789012345678901234567890", 30, 1.2345678901234568e29},
        {"4.9e-324", 8, 4.9e-324}, {"2.2250738585072011e-308", 23, 2.2250738585072011e-308},
        {"9007199254740993", 16, 9007199254740992.0}, {"1.5e1", 5, 15.0}, {"00012", 5, 12.0},
        {"0.000000000000000000000001", 26, 1e-24},
    };
    for (const Case& c : cases) {
        double v = -1.0;
        size_t n = readUnsignedNumber(c.text, nullptr, &v);
        EXPECT_EQ(n, c.consumed) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
    // An end pointer bounds the reading.
    double v = 0;
    EXPECT_EQ(readUnsignedNumber("123", "123" + 2, &v), 2u);
    EXPECT_EQ(v, 12.0);
}

TEST(NumberText, ReadsInputBoxTextsAsWcstodDoes) {
    struct Case {
        const char16_t* text;
        double value;
    } accepted[] = {
        {u"12abc", 12.0}, {u"abc", 0.0}, {u"1,5", 1.0},   {u".5", 0.5}, {u"  3e2", 300.0},
        {u"0x1A", 26.0},  {u"1e-400", 0.0}, {u"\t-7", -7.0}, {u"+8", 8.0}, {u"-", 0.0}, {u"８", 0.0},
    };
    for (const auto& c : accepted) EXPECT_EQ(readWideNumber(c.text, nullptr), c.value);
    const char16_t* refused[] = {u"inf", u"-Infinity", u"NAN", u"1e400", u"-1e999", u"nan(123)", u" iNf"};
    for (const char16_t* t : refused) EXPECT_FALSE(std::isfinite(readWideNumber(t, nullptr)));
    size_t consumed = 0;
    readWideNumber(u"  -infinityx", &consumed);
    EXPECT_EQ(consumed, 11u);
    readWideNumber(u"nan(abc_1)z", &consumed);
    EXPECT_EQ(consumed, 10u);
    readWideNumber(u"nan(ab", &consumed);
    EXPECT_EQ(consumed, 3u);
    readWideNumber(u"   ", &consumed);
    EXPECT_EQ(consumed, 0u);
    EXPECT_TRUE(std::signbit(readWideNumber(u"-0", nullptr)));
}

TEST(Utf8, EncodesEveryFormAndReplacesLoneSurrogates) {
    struct Case {
        std::u16string text;
        std::string utf8;
    } cases[] = {
        {u"A|1", "A|1"},
        {u"é", "\xC3\xA9"},
        {u"级", "\xE7\xBA\xA7"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
        {std::u16string(1, char16_t(0xD800)) + u"x", "\xEF\xBF\xBDx"},
        {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD"},
        {u"\r\n", "\r\n"},
    };
    for (const Case& c : cases) {
        char out[16];
        int n = utf16ToUtf8(c.text.data(), c.text.size(), out, sizeof out);
        ASSERT_GE(n, 0);
        EXPECT_EQ(std::string(out, static_cast<size_t>(n)), c.utf8);
        EXPECT_EQ(utf8Size(c.text.data(), c.text.size()), c.utf8.size());
    }
    char tiny[2];
    EXPECT_EQ(utf16ToUtf8(u"级", 1, tiny, sizeof tiny), -1);
}

}  // namespace
