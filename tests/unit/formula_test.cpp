// The formula language: values, failures and the cursor rules they imply.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine/formula.h"

namespace {

const char NAME_63[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
static_assert(sizeof(NAME_63) == 64);

// Inputs: crp, x, an input named like a function, a name shared with an
// output (the input hides it), and a name of exactly 63 characters.
const InputField TEST_INPUTS[] = {
    {"crp", u"CRP", u"mg/L", 8.0},
    {"x", u"x", nullptr, 0.0},
    {"sqrt", u"s", nullptr, 0.0},
    {"dup", u"d", nullptr, 0.0},
    {NAME_63, u"long", nullptr, 0.0},
    {"nan_in", u"n", nullptr, 0.0},
};
const OutputField TEST_OUTPUTS[] = {
    {"out1", u"o1", nullptr, "", nullptr},
    {"dup", u"o2", nullptr, "", nullptr},
};
const ToolDefinition TEST_TOOL = {
    1, u"t", nullptr, u"c", u"r", nullptr,
    6, TEST_INPUTS, 2, TEST_OUTPUTS, 0, nullptr, 0,
};

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double INF = std::numeric_limits<double>::infinity();
const double THIRD = 0.3333333333333333;

struct Result {
    double value;
    int failed;
};

Result evaluate(const char* text, double crp = 8.0, double x = 0.0) {
    const double inputs[MAX_INPUTS] = {crp, x, 9.0, 41.0, 63.0, NaN};
    const double outputs[MAX_OUTPUTS] = {5.0, 77.0};
    Result r{};
    r.failed = -1;
    r.value = evaluateFormula(TEST_TOOL, text, inputs, outputs, &r.failed);
    return r;
}

bool sameValue(double a, double b) {
    if (std::isnan(b)) return std::isnan(a);
    return a == b && std::signbit(a) == std::signbit(b);
}

struct Case {
    const char* text;
    double crp;
    double value;
    int failed;
};

void runCases(const Case* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const Case& c = cases[i];
        const Result r = evaluate(c.text, c.crp);
        EXPECT_TRUE(sameValue(r.value, c.value))
            << "formula \"" << c.text << "\" crp " << c.crp << ": got " << r.value << ", want " << c.value;
        EXPECT_EQ(r.failed, c.failed) << "formula \"" << c.text << "\" crp " << c.crp;
    }
}

const char GRADING[] = "crp<10?0:crp<40?1:crp<100?2:3";

TEST(Formula, GradingAndRuleConditions) {
    const Case cases[] = {
        {GRADING, 8, 0, 0},     {GRADING, 9.99, 0, 0}, {GRADING, 10, 1, 0},  {GRADING, 39.9, 1, 0},
        {GRADING, 40, 2, 0},    {GRADING, 99.9, 2, 0}, {GRADING, 100, 3, 0}, {GRADING, 250, 3, 0},
        {"crp>=100", 100, 1, 0}, {"crp>=100", 99.9, 0, 0}, {"crp>=10", 8, 0, 0}, {"crp>=10", 10, 1, 0},
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, PrecedenceAndAssociativity) {
    const Case cases[] = {
        {"-2^2", 0, 4, 0},          // prefixes bind tighter than ^
        {"2^3^2", 0, 512, 0},       // ^ is right-associative
        {"2*3^2", 0, 18, 0},
        {"2^3*2", 0, 16, 0},
        {"2 - -3^2", 0, -7, 0},
        {"10 % 3 ^ 2", 0, 1, 0},
        {"-7 % 3", 0, -1, 0},       // fmod: sign of the left operand
        {"7 % -3", 0, 1, 0},
        {"2^-1", 0, 0.5, 0},
        {"1 + 2 * 3 - 4 / 2", 0, 5, 0},
        {"10 - 4 - 3", 0, 3, 0},    // left-associative
        {"64 / 4 / 2", 0, 8, 0},
        {"1 ? 2 : 3 + 4", 0, 2, 0}, // a branch is a whole conditional
        {"0 ? 2 : 3 + 4", 0, 7, 0},
        {"0 ? 1 : 0 ? 2 : 3", 0, 3, 0},
        {"0 ? 1 : 1 ? 2 : 3", 0, 2, 0},
        {"1 ? 0 ? 5 : 6 : 7", 0, 6, 0},
        // True branches that are plain integers, and ones that only start like one.
        {"1 ? 12 : 3", 0, 12, 0},
        {"1 ? 7\t\n: 3", 0, 7, 0},
        {"1 ? 12 + 1 : 3", 0, 13, 0},
        {"1 ? 12e1 : 3", 0, 120, 0},
        {"1 ? 0x10 : 3", 0, 16, 0},
        {"1 ? 2. : 3", 0, 2, 0},
        {"1 ? 1234567890123456 : 3", 0, 1234567890123456.0, 0},
        {"1 ? 5 3", 0, 5, 1},
        {"0 ? 5 : 3", 0, 3, 0},
        {"0 || 0 ? 5 : 6", 0, 6, 0},
        {"1 && 0 || 1", 0, 1, 0},
        {"1 || 0 && 0", 0, 1, 0},   // && before ||
        {"1 + 1 == 2", 0, 1, 0},    // comparison below additive
        {"2 < 3 && 3 < 2", 0, 0, 0},
        {"(1<2)<3", 0, 1, 0},
        {"--5", 0, 5, 0},
        {"- - 5", 0, 5, 0},
        {"!!3", 0, 1, 0},
        {"!0", 0, 1, 0},
        {"!-2", 0, 0, 0},
        {"+5", 0, 5, 0},
        {"-0", 0, -0.0, 0},         // a sign flip, so negative zero
        {"-(2+3)*2", 0, -10, 0},
        {"!0 + 1", 0, 2, 0},
        {"\t1\r\n+\n2 ", 0, 3, 0},  // space, tab, LF and CR are whitespace
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, ComparisonsAndLogicYieldZeroOrOne) {
    const Case cases[] = {
        {"3 <= 3", 0, 1, 0}, {"3 <= 2", 0, 0, 0}, {"3 >= 3", 0, 1, 0}, {"2 >= 3", 0, 0, 0},
        {"2 == 2", 0, 1, 0}, {"2 == 3", 0, 0, 0}, {"2 != 3", 0, 1, 0}, {"2 != 2", 0, 0, 0},
        {"2 < 3", 0, 1, 0},  {"3 < 3", 0, 0, 0},  {"3 > 2", 0, 1, 0},  {"3 > 3", 0, 0, 0},
        {"5 && -2", 0, 1, 0}, {"0 && 1", 0, 0, 0}, {"0 || -3", 0, 1, 0}, {"0 || 0", 0, 0, 0},
        {"-1 ? 4 : 5", 0, 4, 0},
        // NaN: every relation but != is false, and NaN counts as true.
        {"nan_in < 1", 0, 0, 0}, {"nan_in >= 1", 0, 0, 0}, {"nan_in == nan_in", 0, 0, 0},
        {"nan_in != nan_in", 0, 1, 0}, {"!nan_in", 0, 0, 0}, {"nan_in ? 1 : 2", 0, 1, 0},
        {"nan_in || 0", 0, 1, 0}, {"nan_in && 1", 0, 1, 0},
        {"min(nan_in, 1)", 0, 1, 0}, {"max(1, nan_in)", 0, NaN, 1}, {"sign(nan_in)", 0, 0, 0},
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, Numbers) {
    const Case cases[] = {
        {"0x10", 0, 16, 0}, {"0X1f", 0, 31, 0}, {"0x1p4", 0, 16, 0}, {"0x.8", 0, 0.5, 0},
        {".5", 0, 0.5, 0},  {"5.", 0, 5, 0},    {"1e3", 0, 1000, 0}, {"1E-2", 0, 0.01, 0},
        {"1e+2", 0, 100, 0}, {"007", 0, 7, 0},   {"1.25e1", 0, 12.5, 0},
        {"1e", 0, 1, 1},    // the 'e' is left over
        {"1e+", 0, 1, 1},
        {"0x", 0, 0, 1},    // reads 0, leaves the x
        {"0xg", 0, 0, 1},
        {".", 0, 0, 1},     // a '.' that starts no number
        {". 5", 0, 0, 1},
        {"1..2", 0, 1, 1},
        {"1e999 > 0", 0, 1, 0}, // infinity fails only if it reaches the result
        {"1e999", 0, INF, 1},
        {"-1e999", 0, -INF, 1},
        {"1e-999", 0, 0, 0},
        {"-2^0.5", 0, NaN, 1},
        {"inf", 0, 0, 1},   // names, not numbers
        {"nan", 0, 0, 1},
        {"9007199254740993", 0, 9007199254740992.0, 0},   // rounded like strtod
        {"123456789012345", 0, 123456789012345.0, 0},     // the longest plain integer read directly
        {"000000000000000000001", 0, 1, 0},
        {"12e1", 0, 120, 0},
        {"12.5", 0, 12.5, 0},
        {"12x", 0, 12, 1},
        {"0.1 + 0.2", 0, 0.1 + 0.2, 0},
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, Functions) {
    const double inputs[MAX_INPUTS] = {};
    (void)inputs;
    const Case cases[] = {
        {"sqrt(4)", 0, 2, 0},       {"sqrt (4)", 0, 2, 0},     {"sqrt(-1)", 0, 0, 1},
        {"sqrt(-1) + 2", 0, 2, 1},  {"sqrt(0)", 0, 0, 0},      {"abs(-3)", 0, 3, 0},
        {"log(1)", 0, 0, 0},        {"log(0)", 0, 0, 1},       {"log(-1)", 0, 0, 1},
        {"log10(1000)", 0, 3, 0},   {"log10(0)", 0, 0, 1},     {"exp(0)", 0, 1, 0},
        {"exp(1000)", 0, INF, 1},   {"floor(-1.5)", 0, -2, 0}, {"ceil(-1.5)", 0, -1, 0},
        {"round(-2.5)", 0, -2, 0},  {"round(2.5)", 0, 3, 0},   {"round(-0.5)", 0, 0, 0},
        {"round(1.4)", 0, 1, 0},    {"sign(0)", 0, 0, 0},      {"sign(-3)", 0, -1, 0},
        {"sign(7)", 0, 1, 0},       {"cbrt(8)", 0, std::pow(8.0, THIRD), 0},
        {"cbrt(-27)", 0, -std::pow(27.0, THIRD), 0},
        {"min(1, 2)", 0, 1, 0},     {"max(1, 2)", 0, 2, 0},    {"pow(2, 10)", 0, 1024, 0},
        {"mod(5.5, 2)", 0, 1.5, 0}, {"mod(-7, 3)", 0, -1, 0},  {"mod(5, 0)", 0, 0, 1},
        {"sign(pow(-8, 0.5))", 0, 0, 0},   // the NaN inside never reaches the result
        {"max(min(3, 4), 2) * 2", 0, 6, 0},
        {"min(1,2,3)", 0, 1, 1},    // the ')' is missing where the ',' stands
        {"min(3)", 0, 0, 1},        // no one-argument min
        {"sqrt(1,2)", 0, 0, 1},     // no two-argument sqrt
        {"sqrt()", 0, 0, 1},        // the argument has no primary
        {"foo(1)", 0, 0, 1},
        {"foo(1) + 2", 0, 2, 1},    // the reading goes on after the call
        {"Sqrt(4)", 0, 0, 1},       // case-sensitive
        {"sqrt(4", 0, 2, 1},        // call computed, ')' missing
        {"pow(2, 3", 0, 8, 1},
        {"sqrt(4] + 1", 0, 2, 1},
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, Variables) {
    const Case cases[] = {
        {"crp", 8, 8, 0},
        {"CRP", 8, 0, 1},          // case-sensitive
        {"crp2", 8, 0, 1},
        {"out1", 0, 5, 0},         // outputs after inputs
        {"dup", 0, 41, 0},         // an input hides an output of the same name
        {"sqrt", 0, 9, 0},         // an input may bear a function's name...
        {"sqrt + 1", 0, 10, 0},
        {"sqrt(16)", 0, 4, 0},     // ...and a following '(' still makes a call
        {"crp(2)", 8, 0, 1},       // a call of an input's name is unknown
        {"foo + 2", 0, 2, 1},      // an unknown name reads 0 and the reading goes on
        {"_", 0, 0, 1},
        {NAME_63, 0, 63, 0},
    };
    runCases(cases, std::size(cases));

    // 64 characters: the first 63 name the input, the 64th is left over.
    const std::string longer = std::string(NAME_63) + "x";
    const Result r = evaluate(longer.c_str());
    EXPECT_EQ(r.value, 63);
    EXPECT_EQ(r.failed, 1);
    const std::string muchLonger = std::string(NAME_63) + std::string(1000, 'q');
    EXPECT_EQ(evaluate(muchLonger.c_str()).failed, 1);
}

TEST(Formula, FailuresKeepTheValueComputed) {
    const Case cases[] = {
        {"1/0 + 5", 0, 5, 1},        // the product is 0, the sum goes on
        {"2**3", 0, 2, 1},           // '**' is no operator
        {"2* *3", 0, 0, 1},          // the second '*' starts no primary
        {"2 + 1/0*3", 0, 2, 1},      // product cut at the zero divisor
        {"2*3/0 + 4", 0, 4, 1},      // the whole product so far becomes 0
        {"6 % 0", 0, 0, 1},
        {"6 / 0^2", 0, 0, 1},        // the divisor after its exponent
        {"6 / -0", 0, 0, 1},
        {"6 / (1-1)", 0, 0, 1},
        {"1 || 1/0", 0, 1, 1},       // both sides are always read
        {"0 && 1/0", 0, 0, 1},
        {"1 < 2 < 3", 0, 1, 1},      // comparisons do not chain
        {"1 ? 2", 0, 2, 1},          // ':' missing, the false branch has no primary
        {"0 ? 2 3", 0, 3, 1},        // ':' missing, the false branch read from there
        {"(1+2", 0, 3, 1},           // ')' missing
        {"(1+2]", 0, 3, 1},
        {"()", 0, 0, 1},
        {"a = 1", 0, 0, 1},
        {"1 = 1", 0, 1, 1},
        {"1 & 2", 0, 1, 1},
        {"1 | 2", 0, 1, 1},
        {"1 < = 2", 0, 0, 1},        // two-character operators must be adjacent
        {"1 | | 1", 0, 1, 1},
        {"1,5", 0, 1, 1},
        {"2 crp", 8, 2, 1},
        {"1 +", 0, 1, 1},
        {"1\v", 0, 1, 1},            // vertical tab and form feed are not whitespace
        {"\f1", 0, 0, 1},
        {"1 + \xC3\xA9", 0, 1, 1},   // bytes 128..255 are neither letters nor digits
        {")", 0, 0, 1},
        {"   ", 0, 0, 1},
        {"", 0, 0, 1},
    };
    runCases(cases, std::size(cases));
}

TEST(Formula, BranchNotChosenStillFails) {
    const Result r = evaluate("x == 0 ? 0 : 1/x", 8, 0.0);
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.failed, 1);
    const Result ok = evaluate("x == 0 ? 0 : 1/x", 8, 4.0);
    EXPECT_EQ(ok.value, 0.25);
    EXPECT_EQ(ok.failed, 0);
}

TEST(Formula, NullTextFailsWithZero) {
    const Result r = evaluate(nullptr);
    EXPECT_EQ(r.value, 0);
    EXPECT_EQ(r.failed, 1);
}

TEST(Formula, FailedFlagIsWrittenOnSuccessToo) {
    const double inputs[MAX_INPUTS] = {};
    const double outputs[MAX_OUTPUTS] = {};
    int failed = 1;
    EXPECT_EQ(evaluateFormula(TEST_TOOL, "1+1", inputs, outputs, &failed), 2);
    EXPECT_EQ(failed, 0);
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Nesting of each kind: a formula at the bound evaluates, one level past it
// fails with the flag, and one far past it fails without exhausting the stack.
TEST(Formula, NestingBound) {
    struct Shape {
        const char* name;
        std::string (*build)(int levels);
        double value;   // at or below the bound
    };
    const Shape shapes[] = {
        {"parentheses", [](int n) { return repeat("(", n) + "1" + repeat(")", n); }, 1},
        {"calls", [](int n) { return repeat("abs(", n) + "1" + repeat(")", n); }, 1},
        {"prefixes", [](int n) { return repeat("-", n) + "1"; }, 1},   // n is even below
        {"exponents", [](int n) { return repeat("1^", n) + "1"; }, 1},
        {"conditionals", [](int n) { return repeat("0?1:", n) + "7"; }, 7},
        {"mixed", [](int n) { return repeat("-(", n / 2) + "1" + repeat(")", n / 2); }, 1},
    };
    for (const Shape& shape : shapes) {
        const std::string atBound = shape.build(FORMULA_MAX_DEPTH);
        const Result ok = evaluate(atBound.c_str());
        EXPECT_EQ(ok.failed, 0) << shape.name << " at the bound";
        EXPECT_EQ(ok.value, shape.value) << shape.name << " at the bound";

        const std::string past = shape.build(FORMULA_MAX_DEPTH + 2);
        EXPECT_EQ(evaluate(past.c_str()).failed, 1) << shape.name << " past the bound";
    }
    // One level past, for the shapes where one more is well-formed.
    EXPECT_EQ(evaluate((repeat("(", FORMULA_MAX_DEPTH + 1) + "1" + repeat(")", FORMULA_MAX_DEPTH + 1)).c_str()).failed, 1);
    EXPECT_EQ(evaluate((repeat("-", FORMULA_MAX_DEPTH + 1) + "1").c_str()).failed, 1);
    EXPECT_EQ(evaluate((repeat("1^", FORMULA_MAX_DEPTH + 1) + "1").c_str()).failed, 1);

    // Far past the bound: a clean failure, not a stack overflow.
    const std::string farPast[] = {
        std::string(100000, '('),
        std::string(100000, '-'),
        std::string(100000, '-') + "1",
        std::string(100000, '!') + "1",
        repeat("(", 100000) + "1" + repeat(")", 100000),
        repeat("sqrt(", 50000),
        repeat("2^", 50000) + "1",
        repeat("1?", 50000),
        repeat("1?1:", 50000) + "1",
    };
    for (const std::string& text : farPast) {
        const Result r = evaluate(text.c_str());
        EXPECT_EQ(r.failed, 1) << text.substr(0, 12);
    }
}

// Long flat formulas are loops, not recursion: no bound applies.
TEST(Formula, LongFlatFormulaHasNoBound) {
    const std::string sum = "1" + repeat("+1", 100000);
    const Result r = evaluate(sum.c_str());
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(r.value, 100001);
}

// Malformed text of every shape: always a value and a flag, never a read
// past the terminator (the sanitizer build checks that), and a success is
// always finite. Deterministic, so a failure reproduces.
TEST(Formula, RandomTextNeverMisbehaves) {
    const char alphabet[] = "0123456789.eExXpP+-*/%^()<>=!&|?:, \t\nabcrpqsit_(((";
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    std::string text;
    for (int round = 0; round < 20000; ++round) {
        text.clear();
        const uint32_t length = next() % 40;
        for (uint32_t i = 0; i < length; ++i) text += alphabet[next() % (sizeof(alphabet) - 1)];
        // An exact-size heap copy, so that any read past the end is caught.
        std::unique_ptr<char[]> exact(new char[text.size() + 1]);
        std::memcpy(exact.get(), text.c_str(), text.size() + 1);
        const Result r = evaluate(exact.get(), 50.0, 2.0);
        ASSERT_TRUE(r.failed == 0 || r.failed == 1) << text;
        if (r.failed == 0) {
            ASSERT_TRUE(std::isfinite(r.value)) << text;
        }
    }
}

}  // namespace
