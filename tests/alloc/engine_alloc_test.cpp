// The tool engine allocates nothing: a batch of evaluations, formats and
// calendar conversions runs with every heap allocation counted.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "alloc_counter.h"
#include "engine/formula.h"
#include "engine/tool.h"

namespace {

// The counter itself must see what it is meant to see.
TEST(AllocationCounter, SeesNewAndMalloc) {
    int* volatile p = nullptr;
    EXPECT_EQ(allocationsDuring([&] { p = new int(3); }), 1);
    delete p;
    void* volatile q = nullptr;
    EXPECT_GE(allocationsDuring([&] { q = std::malloc(24); }), 1);
    std::free(q);
    std::string* volatile s = nullptr;
    EXPECT_GE(allocationsDuring([&] { s = new std::string(100, 'x'); }), 2);
    delete s;
    EXPECT_EQ(allocationsDuring([] {}), 0);
}

const InputField INPUTS[] = {{"x", u"X", nullptr, 1.0}, {"crp", u"CRP", u"mg/L", 8.0}};
const OutputField OUTPUTS[] = {
    {"a", u"甲", u"mg", "x * 2 + b", "f1"},
    {"b", u"乙", nullptr, "exp(1000)", "pct"},
    {"c", u"丙", u"", "", "date"},
    {"d", u"丁", u"天", "19723 + x", "date"},
    {"e", u"戊", nullptr, "1e300", "f0"},
};
const VerdictRule RULES[] = {{"nope", 3, u"不该"}, {"a > 100", 2, u"高"}, {"sqrt(-1)", 1, u"不该"}};

TEST(NoHeap, EvaluateFormula) {
    const ToolDefinition& tool = builtinTool();
    const std::string deepParens(100000, '(');
    const std::string deepPrefixes = std::string(100000, '-') + "1";
    const std::string longName(500, 'q');
    const char* const formulas[] = {
        "crp<10?0:crp<40?1:crp<100?2:3",
        "crp>=100",
        "-2^2 + 2^3^2 * 10 % 3 ^ 2",
        "sqrt(4) + abs(-1) + log(2) + log10(5) + exp(1) + floor(1.5) + ceil(1.5)",
        "round(2.5) + cbrt(-27) + sign(-3) + min(1, 2) + max(1, 2) + pow(2, 3) + mod(5, 3)",
        "0x1p4 + .5 + 5. + 1e3 + 1e999 + 1e-999 + 123456789012345678901234567890",
        "1/0 + 5",
        "2**3",
        "min(1,2,3)",
        "foo(1) + bar",
        "1 ? 2",
        "(1+2",
        "   ",
        "",
        nullptr,
        deepParens.c_str(),
        deepPrefixes.c_str(),
        longName.c_str(),
    };
    const double inputs[MAX_INPUTS] = {50.0};
    const double outputs[MAX_OUTPUTS] = {};
    volatile double sink = 0.0;
    const long count = allocationsDuring([&] {
        for (int round = 0; round < 3; ++round) {
            for (const char* f : formulas) {
                int failed = 0;
                sink = sink + evaluateFormula(tool, f, inputs, outputs, &failed) + failed;
            }
        }
    });
    EXPECT_EQ(count, 0);
}

TEST(NoHeap, EvaluateTool) {
    const ToolDefinition formulaTool = {9, u"t", nullptr, u"c", u"r", nullptr, 2, INPUTS, 5, OUTPUTS, 3, RULES, 0};
    ToolDefinition reportTool = formulaTool;
    reportTool.kind = 99;   // the dispatcher's no-report texts
    static char16_t result[8192];
    static char16_t verdict[512];
    static char16_t last[8192];
    const int capacities[] = {1, 2, 5, 13, 40, 4096};
    volatile Level sink = 0;
    const long count = allocationsDuring([&] {
        for (const double crp : {8.0, 9.99, 10.0, 40.0, 100.0, -1.0, 1e308}) {
            const double inputs[MAX_INPUTS] = {crp};
            Level level = 0;
            sink = sink + evaluateTool(builtinTool(), inputs, result, 4096, verdict, 512, &level, last, 8192);
        }
        for (const int cap : capacities) {
            const double inputs[MAX_INPUTS] = {1.0, 50.0};
            Level level = 0;
            sink = sink + evaluateTool(formulaTool, inputs, result, cap, verdict, cap, &level, last, cap);
            sink = sink + evaluateTool(reportTool, inputs, result, cap, verdict, cap, &level, last, cap);
        }
    });
    EXPECT_EQ(count, 0);
}

TEST(NoHeap, FormatValueAndCalendar) {
    const char* const codes[] = {"f0", "f1", "f2", "f3", "int", "pct", "date", nullptr, "F2", ""};
    const double values[] = {0.0, -0.4, 2.5, 12.34, 19723.9, -1e19, 1e300, -1e300, 5e78,
                             std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::infinity(),
                             std::numeric_limits<double>::denorm_min()};
    const int64_t days[] = {0, -1, 19723, -719468, 2932896, INT64_MAX, INT64_MIN};
    static char16_t out[128];
    volatile int64_t sink = 0;
    const long count = allocationsDuring([&] {
        for (const char* code : codes) {
            for (const double v : values) {
                for (const int cap : {1, 3, 128}) formatValue(code, v, out, cap);
            }
        }
        for (const int64_t d : days) {
            for (const int cap : {1, 5, 64}) sink = sink + civilFromDays(d, out, cap);
        }
        for (int32_t y = -400; y <= 2400; y += 7) {
            sink = sink + daysFromCivil(y, y % 14, y % 40);
        }
        sink = sink + daysFromCivil(INT32_MIN, INT32_MAX, INT32_MIN);
    });
    EXPECT_EQ(count, 0);
}

}  // namespace
