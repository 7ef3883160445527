// The report dispatcher and every generator work in caller-owned buffers
// and fixed scratch only: not one heap allocation for any kind.
#include <gtest/gtest.h>

#include <limits>

#include "alloc_counter.h"
#include "engine/tool.h"
#include "reports/report.h"

namespace {

// Every input name the generators read, with values that take the longest
// paths (full roster, thirty doses, twenty visits, thirty beds).
const InputField INPUTS[] = {
    {"nurses", u"人数", nullptr, 40}, {"days", u"天数", nullptr, 31},     {"start", u"起始", nullptr, 7.5},
    {"interval", u"间隔", nullptr, 0.25}, {"times", u"次数", nullptr, 30}, {"kind", u"类别", nullptr, 2},
    {"drugA", u"药A", nullptr, 1},     {"drugB", u"药B", nullptr, 2},     {"gap", u"间隔", nullptr, 7},
    {"beds", u"床数", nullptr, 30},    {"bed", u"床号", nullptr, 12},     {"dose", u"药量", nullptr, 0.5},
    {"volume", u"溶媒", nullptr, 250}, {"gtt", u"滴速", nullptr, 40},     {"panel", u"套餐", nullptr, 3},
};
constexpr int INPUT_COUNT = static_cast<int>(sizeof INPUTS / sizeof INPUTS[0]);
static_assert(INPUT_COUNT <= MAX_INPUTS, "fits the value arrays");

ToolDefinition reportTool(ReportKind kind)
{
    return ToolDefinition{901, u"报告", nullptr, u"测试", u"测试", nullptr, INPUT_COUNT, INPUTS,
                          0,   nullptr, 0,      nullptr, kind};
}

char16_t g_result[8192];
char16_t g_verdict[512];
char16_t g_last[8192];

TEST(ReportAllocations, NoKindAllocates)
{
    double values[MAX_INPUTS] = {};
    for (int i = 0; i < INPUT_COUNT; ++i) values[i] = INPUTS[i].defaultValue;
    const CivilDate today{2024, 2, 28};
    setReportTodayForTesting(&today);
    for (ReportKind kind = -1; kind <= REPORT_KIND_COUNT + 1; ++kind) {
        const ToolDefinition tool = reportTool(kind);
        const long direct = allocationsDuring([&] {
            runReport(kind, tool, values, g_result, 8192, g_verdict, 512);
        });
        EXPECT_EQ(direct, 0) << "kind " << kind;
        Level level = 0;
        const long evaluated = allocationsDuring([&] {
            evaluateTool(tool, values, g_result, 4096, g_verdict, 512, &level, g_last, 8192);
        });
        EXPECT_EQ(evaluated, 0) << "kind " << kind;
        EXPECT_NE(g_verdict[0], u'\0') << "kind " << kind;
    }
    setReportTodayForTesting(nullptr);
}

TEST(ReportAllocations, HostileValuesAndTinyBuffersDoNotAllocate)
{
    const double hostile[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -1e300, 1e300, 1e11};
    const CivilDate today{2025, 12, 31};
    setReportTodayForTesting(&today);
    for (double value : hostile) {
        double values[MAX_INPUTS];
        for (double& v : values) v = value;
        for (ReportKind kind = 1; kind <= REPORT_KIND_COUNT; ++kind) {
            const ToolDefinition tool = reportTool(kind);
            const long count = allocationsDuring([&] {
                runReport(kind, tool, values, g_result, 13, g_verdict, 21);
                runReport(kind, tool, values, g_result, 8192, g_verdict, 512);
            });
            EXPECT_EQ(count, 0) << "kind " << kind << " value " << value;
        }
    }
    setReportTodayForTesting(nullptr);
}

TEST(ReportAllocations, FollowUpOnTheClockDoesNotAllocate)
{
    double values[MAX_INPUTS] = {};
    const ToolDefinition tool = reportTool(7);
    setReportTodayForTesting(nullptr);
    // The C library may load the time-zone data on its first local-time call;
    // that one-off belongs to the C library, not to the report.
    runReport(7, tool, values, g_result, 8192, g_verdict, 512);
    const long count = allocationsDuring([&] { runReport(7, tool, values, g_result, 8192, g_verdict, 512); });
    EXPECT_EQ(count, 0);
}

}  // namespace
