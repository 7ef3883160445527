// Report tools as the self-test and the window's copy command see them.
#include <gtest/gtest.h>

#include <string>

#include "app/selftest.h"
#include "engine/tool.h"
#include "reports/report.h"
#include "reports_test_support.h"
#include "ui/command_text.h"

using namespace reports_test;

namespace {

std::u16string flattened(const std::u16string& text)
{
    std::u16string out;
    for (char16_t unit : text) {
        if (unit == u'\r') continue;
        out += unit == u'\n' ? u' ' : unit;
    }
    return out;
}

TEST(ReportSelfTest, OneOutLineAndTheWholeReportInDetail)
{
    TestTool t(6, {{"drugA", 1}, {"drugB", 2}});
    static char16_t report[SELFTEST_REPORT_CAPACITY];
    EXPECT_EQ(buildSelfTestReport(t.tool, report, SELFTEST_REPORT_CAPACITY), 0);
    const std::u16string expectedReport =
        std::u16string(u"TOOL|900|报告测试|测试\r\n"
                       u"LEVEL|3\r\n"
                       u"OUT|报告文本|见 DETAIL|\r\n"
                       u"VERDICT|禁忌：不可同瓶输注，需间隔冲管\r\n"
                       u"DETAIL|待查：1 号 头孢曲松  +  2 号 葡萄糖酸钙  "
                       u"编号：1头孢曲松 2葡萄糖酸钙 3万古霉素 4呋塞米 5氨溴索 "
                       u"      6奥美拉唑 7维生素C 8胰岛素 9碳酸氢钠 10多巴胺  "
                       u"结论：禁忌配伍。头孢曲松与含钙注射液可形成不溶性沉淀；钙剂与碳酸氢钠亦不宜同瓶。 \r\n"
                       u"ERRORS|0\r\n");
    EXPECT_EQ(utf8(report), utf8(expectedReport));
    EXPECT_EQ(selfTestExitCode(0, true), 0);
}

TEST(ReportSelfTest, LongestRosterFitsDetail)
{
    TestTool t(1, {{"nurses", 40}, {"days", 31}});
    static char16_t report[SELFTEST_REPORT_CAPACITY];
    EXPECT_EQ(buildSelfTestReport(t.tool, report, SELFTEST_REPORT_CAPACITY), 0);
    const std::u16string text(report);
    EXPECT_EQ(count(text, u"OUT|"), 1u);
    EXPECT_NE(text.find(u"\r\nOUT|报告文本|见 DETAIL|\r\n"), std::u16string::npos);

    const std::u16string roster = runKind(1, {{"nurses", 40}, {"days", 31}}).result;
    const std::u16string detail = flattened(roster);
    EXPECT_EQ(detail.size(), 6390u - 85u);   // 85 lines, each losing its CR
    EXPECT_NE(text.find(u"\r\nDETAIL|" + detail + u"\r\nERRORS|0\r\n"), std::u16string::npos);
}

TEST(ReportCopyText, ReportAloneCutTo1023Units)
{
    const ReportRun run = runKind(1, {{"nurses", 40}, {"days", 31}});
    char16_t copy[1024];
    buildCopyText(1, run.result.c_str(), run.verdict.c_str(), copy, 1024);
    EXPECT_EQ(std::u16string(copy), run.result.substr(0, 1023));

    const ReportRun small = runKind(5, {{"kind", 1}});
    buildCopyText(5, small.result.c_str(), small.verdict.c_str(), copy, 1024);
    EXPECT_EQ(std::u16string(copy), small.result);   // no verdict, no dashes
}

}  // namespace
