// The self-test's command line and report text.
#include <gtest/gtest.h>

#include <string>

#include "app/selftest.h"
#include "engine/text.h"

namespace {

struct PathCase {
    const char16_t* commandLine;
    bool found;
    std::u16string path;
};

TEST(SelfTestCommandLine, FindsThePathAfterTheKeyword) {
    const std::u16string long519(519, u'a');
    const std::u16string long600 = u"C:\\x.exe --selftest " + std::u16string(600, u'a');
    const PathCase cases[] = {
        {u"C:\\Ostrivel.exe --selftest", true, u"selftest.txt"},
        {u"C:\\Ostrivel.exe --selftest    ", true, u"selftest.txt"},
        {u"C:\\Ostrivel.exe --selftest out.txt more", true, u"out.txt"},
        {u"C:\\Ostrivel.exe --selftest \"C:\\my dir\\r.txt\" x", true, u"C:\\my dir\\r.txt"},
        {u"C:\\Ostrivel.exe --selftest C:\\my dir\\r.txt", true, u"C:\\my"},
        {u"C:\\Ostrivel.exe --selftest \"C:\\no end quote", true, u"C:\\no end quote"},
        {u"C:\\Ostrivel.exe --selftest \"\"", true, u"selftest.txt"},
        {u"C:\\Ostrivel.exe --selftestout.txt", true, u"out.txt"},
        {u"C:\\Ostrivel.exe --selftest\tx.txt", true, u"\tx.txt"},
        {u"C:\\Ostrivel.exe --SELFTEST", false, u""},
        {u"C:\\Ostrivel.exe", false, u""},
        {u"C:\\--selftest\\Ostrivel.exe", true, u"\\Ostrivel.exe"},
        {u"a --selftest one --selftest two", true, u"one"},
        {long600.c_str(), true, long519},
    };
    for (const PathCase& c : cases) {
        char16_t path[SELFTEST_PATH_CAPACITY + 4];
        bool found = findSelfTestPath(c.commandLine, path, SELFTEST_PATH_CAPACITY);
        EXPECT_EQ(found, c.found) << std::string(c.commandLine, c.commandLine + textLength(c.commandLine));
        if (found) {
            EXPECT_EQ(std::u16string(path), c.path);
        }
    }
    char16_t path[4];
    EXPECT_FALSE(findSelfTestPath(nullptr, path, 4));
}

TEST(SelfTestReport, BuiltinToolReportIsExact) {
    static char16_t report[SELFTEST_REPORT_CAPACITY];
    int errors = buildSelfTestReport(builtinTool(), report, SELFTEST_REPORT_CAPACITY);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(std::u16string(report),
              u"TOOL|112|Ostrivel|感染指标\r\n"
              u"LEVEL|0\r\n"
              u"OUT|分级|0|级\r\n"
              u"VERDICT|CRP 正常\r\n"
              u"DETAIL|分级：0 级 \r\n"
              u"ERRORS|0\r\n");
    EXPECT_EQ(selfTestExitCode(errors, true), 0);
}

TEST(SelfTestReport, OutputsAreEvaluatedOnTheirOwn) {
    static const InputField inputs[] = {{"x", u"X", nullptr, 3.0}};
    static const OutputField outputs[] = {
        {"a", u"A", u"", "x*2", "f0"},
        {"b", u"B", nullptr, "a+1", "f1"},     // reads 0 for a here, 7 in DETAIL
        {"c", u"C", u"u", "1/0", nullptr},     // fails: counted, value shown
        {"d", u"D", u"u", "1e999", "f0"},      // fails: "--"
    };
    static const ToolDefinition tool = {7, u"T", nullptr, u"cat", u"ref", nullptr, 1, inputs, 4, outputs, 0, nullptr, 0};
    static char16_t report[SELFTEST_REPORT_CAPACITY];
    int errors = buildSelfTestReport(tool, report, SELFTEST_REPORT_CAPACITY);
    EXPECT_EQ(errors, 2);
    EXPECT_EQ(selfTestExitCode(errors, true), 2);
    EXPECT_EQ(std::u16string(report),
              u"TOOL|7|T|cat\r\n"
              u"LEVEL|0\r\n"
              u"OUT|A|6|\r\n"
              u"OUT|B|1.0|\r\n"
              u"OUT|C|0.00|u\r\n"
              u"OUT|D|--|u\r\n"
              u"VERDICT|请核对输入参数后重新计算\r\n"
              u"DETAIL|A：6 B：7.0 C：0.00 u D：-- u （部分结果无法计算，请检查输入是否合理） \r\n"
              u"ERRORS|2\r\n");
}

TEST(SelfTestReport, DetailIsLimitedAndTheReportStaysInItsBuffer) {
    // A long unit makes each result line about 250 units long: 16 outputs
    // give some 4000 units of DETAIL.
    static const std::u16string longUnit(240, u'单');
    static OutputField outputs[MAX_OUTPUTS];
    for (auto& o : outputs) o = {"o", u"L", longUnit.c_str(), "1", "f0"};
    static const ToolDefinition tool = {1, u"T", nullptr, u"c", u"r", nullptr, 0, nullptr, MAX_OUTPUTS, outputs, 0, nullptr, 0};
    static char16_t report[SELFTEST_REPORT_CAPACITY];
    EXPECT_EQ(buildSelfTestReport(tool, report, SELFTEST_REPORT_CAPACITY), 0);
    std::u16string text(report);
    size_t detail = text.find(u"DETAIL|");
    ASSERT_NE(detail, std::u16string::npos);
    size_t end = text.find(u"\r\n", detail);
    EXPECT_LE(end - detail - 7, static_cast<size_t>(SELFTEST_DETAIL_LIMIT));
    EXPECT_NE(text.find(u"ERRORS|0\r\n"), std::u16string::npos);

    // A small report buffer is cut and terminated, never overrun.
    char16_t small[40 + 4];
    for (auto& u : small) u = u'#';
    buildSelfTestReport(builtinTool(), small, 40);
    EXPECT_EQ(textLength(small), 39u);
    for (int i = 40; i < 44; ++i) EXPECT_EQ(small[i], u'#');
}

TEST(SelfTestReport, ExitCodes) {
    struct Case {
        int errors;
        bool written;
        int code;
    } cases[] = {{0, true, 0}, {1, true, 2}, {5, true, 2}, {0, false, 3}, {3, false, 3}};
    for (const Case& c : cases) EXPECT_EQ(selfTestExitCode(c.errors, c.written), c.code);
}

}  // namespace
