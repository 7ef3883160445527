// The verification run: its command line, its comparison and its report.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/selftest.h"
#include "app/verify.h"
#include "engine/text.h"

namespace {

struct PathCase {
    const char16_t* commandLine;
    bool found;
    std::u16string path;
    bool tooLong;
};

TEST(VerifyCommandLine, TakesThePathByTheSelfTestRules) {
    const std::u16string long600 = u"x.exe --verify " + std::u16string(600, u'a');
    const PathCase cases[] = {
        {u"x.exe --verify", true, u"verify.txt", false},
        {u"x.exe --verify \"\"", true, u"verify.txt", false},
        {u"x.exe --verify \"C:\\a b\\r.txt\"", true, u"C:\\a b\\r.txt", false},
        {u"x.exe --verify one --verify two", true, u"one", false},
        {u"x.exe --VERIFY r.txt", false, u"", false},
        {long600.c_str(), true, std::u16string(519, u'a'), true},
    };
    for (const PathCase& c : cases) {
        char16_t path[VERIFY_PATH_CAPACITY];
        bool tooLong = false;
        EXPECT_EQ(findVerifyPath(c.commandLine, path, VERIFY_PATH_CAPACITY, &tooLong), c.found);
        if (c.found) {
            EXPECT_EQ(std::u16string(path), c.path);
        }
        EXPECT_EQ(tooLong, c.tooLong);
    }
}

VerifyMachine sampleMachine() {
    static VerifyMachine m;
    m = VerifyMachine{};
    setVerifyText(m.programPath, u"C:\\Program Files\\Ostrivel\\Ostrivel.exe");
    m.hashed = true;
    for (int i = 0; i < 32; ++i) m.sha256[i] = static_cast<unsigned char>(i * 8 + 1);
    m.size = 445952;
    m.signature = SIGNATURE_NONE;
    setVerifyName(m.computer, u"WARD-07");
    setVerifyName(m.user, u"nurse");
    m.windowsKnown = true;
    m.windowsMajor = 6;
    m.windowsMinor = 1;
    m.windowsBuild = 7601;
    m.year = 2026;
    m.month = 12;
    m.day = 10;
    m.hour = 15;
    m.minute = 2;
    m.second = 3;
    m.utcOffsetMinutes = -330;
    m.log = LOG_ABSENT;
    setVerifyText(m.logPath, u"C:\\Users\\n\\AppData\\Local\\KelvoMedSuite\\records\\T112.csv");
    return m;
}

struct Outcome {
    std::u16string report;
    VerifyOutcome outcome;
};

Outcome verify(const ToolDefinition& tool, const VerifyCase* cases, int count, const VerifyCase& control) {
    static char16_t report[VERIFY_REPORT_CAPACITY];
    const VerifyMachine machine = sampleMachine();
    Outcome r;
    r.outcome = buildVerifyReport(tool, cases, count, control, machine, report, VERIFY_REPORT_CAPACITY);
    r.report = report;
    return r;
}

Outcome verifyBuiltin(const ToolDefinition& tool) {
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    return verify(tool, cases, count, verifyControl());
}

std::vector<std::u16string> lines(const std::u16string& text) {
    std::vector<std::u16string> out;
    size_t start = 0;
    for (size_t end; (end = text.find(u"\r\n", start)) != std::u16string::npos; start = end + 2) {
        out.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "the report ends with CR LF";
    return out;
}

TEST(VerifyReport, TheBuiltinToolPassesEveryCaseInAReportOfFixedShape) {
    const Outcome r = verifyBuiltin(builtinTool());
    EXPECT_GE(r.outcome.total, 40);
    EXPECT_EQ(r.outcome.passed, r.outcome.total);
    EXPECT_TRUE(r.outcome.controlCaught);
    EXPECT_EQ(verifyExitCode(r.outcome, true), VERIFY_PASSED);

    ASSERT_EQ(r.report[0], u'\uFEFF');
    const std::vector<std::u16string> l = lines(r.report.substr(1));
    const char16_t* heads[] = {u"VERIFY|", u"PROGRAM|Ostrivel|", u"SHA256|", u"SIZE|", u"SIGNATURE|",
                               u"COMPUTER|", u"USER|", u"WINDOWS|", u"TIME|", u"LOG|"};
    ASSERT_EQ(l.size(), std::size(heads) + r.outcome.total + 4);
    for (size_t i = 0; i < std::size(heads); ++i) EXPECT_EQ(l[i].rfind(heads[i], 0), 0u) << i;
    EXPECT_EQ(l[2], u"SHA256|0109111921293139414951596169717981899199a1a9b1b9c1c9d1d9e1e9f1f9");
    EXPECT_EQ(l[3], u"SIZE|445952");
    EXPECT_EQ(l[4], u"SIGNATURE|NONE|无数字签名");
    EXPECT_EQ(l[7], u"WINDOWS|6.1.7601");
    EXPECT_EQ(l[8], u"TIME|2026-12-10 15:02:03 UTC-05:30");
    EXPECT_EQ(l[9], u"LOG|C:\\Users\\n\\AppData\\Local\\KelvoMedSuite\\records\\T112.csv|ABSENT|不存在（本账户尚未保存过记录）");
    // Texts with line breaks stay on their line, written as escapes.
    EXPECT_NE(r.report.find(u"|一次计算：结果文本|50|分级：2 级\\r\\n|分级：2 级\\r\\n|PASS\r\n"), std::u16string::npos);
    const size_t end = l.size();
    EXPECT_EQ(l[end - 4], u"CONTROL|PASS");
    const std::string total = std::to_string(r.outcome.total);
    EXPECT_EQ(l[end - 3], u"RESULT|PASS|" + std::u16string(total.begin(), total.end()) + u"/" +
                              std::u16string(total.begin(), total.end()));
    EXPECT_EQ(l[end - 2].rfind(u"SIGNOFF|执行人：", 0), 0u);
    EXPECT_EQ(l[end - 1].rfind(u"SIGNOFF|审核人：", 0), 0u);
}

// Each signature state has its own line; none of them changes the exit
// code, which the cases alone decide. Unchecked (WinTrust could not be
// loaded from System32) is never written as valid.
TEST(VerifyReport, EachSignatureStateHasItsLineAndLeavesTheExitCode) {
    struct SignatureCase {
        SignatureState state;
        uint32_t code;
        const char16_t* line;
    };
    const SignatureCase table[] = {
        {SIGNATURE_VALID, 0, u"SIGNATURE|VALID|签名有效|签名者：KelvoMed"},
        {SIGNATURE_NONE, 0x800B0100u, u"SIGNATURE|NONE|无数字签名"},
        {SIGNATURE_INVALID, 0x80096010u, u"SIGNATURE|INVALID|签名无效或不受信任|0x80096010"},
        {SIGNATURE_UNCHECKED, 0x7Eu, u"SIGNATURE|UNCHECKED|未能检查签名（系统的签名组件无法加载）"},
    };
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    static char16_t report[VERIFY_REPORT_CAPACITY];
    for (const SignatureCase& c : table) {
        VerifyMachine m = sampleMachine();
        m.signature = c.state;
        m.signatureCode = c.code;
        setVerifyName(m.signer, u"KelvoMed");
        const VerifyOutcome outcome =
            buildVerifyReport(builtinTool(), cases, count, verifyControl(), m, report, VERIFY_REPORT_CAPACITY);
        EXPECT_EQ(lines(std::u16string(report).substr(1))[4], c.line) << c.state;
        EXPECT_EQ(verifyExitCode(outcome, true), VERIFY_PASSED) << c.state;
    }
}

// A damaged definition (one byte of the built exe changed) must fail cases
// while the self-test still passes it.
TEST(VerifyReport, ADamagedDefinitionFailsCases) {
    static OutputField output;
    static VerdictRule rules[3];
    static ToolDefinition tool;
    struct Damage {
        const char* name;
        const char* formula;
        const char16_t* raisedVerdict;
        const char16_t* toolName;
        int failedAtLeast;
    } damages[] = {
        {"grade formula digit", "crp<10?0:crp<50?1:crp<100?2:3", nullptr, nullptr, 1},
        {"verdict character", nullptr, u"轻度升高，结合症状复诊", nullptr, 6},
        {"tool name", nullptr, nullptr, u"Ostrivek", 3},
    };
    for (const Damage& d : damages) {
        tool = builtinTool();
        output = tool.outputs[0];
        for (int i = 0; i < 3; ++i) rules[i] = tool.rules[i];
        if (d.formula != nullptr) output.formula = d.formula;
        if (d.raisedVerdict != nullptr) rules[1].verdict = d.raisedVerdict;
        if (d.toolName != nullptr) tool.name = d.toolName;
        tool.outputs = &output;
        tool.rules = rules;

        const Outcome r = verifyBuiltin(tool);
        EXPECT_LE(r.outcome.passed, r.outcome.total - d.failedAtLeast) << d.name;
        EXPECT_EQ(verifyExitCode(r.outcome, true), VERIFY_FAILED) << d.name;
        EXPECT_NE(r.report.find(u"|FAIL\r\n"), std::u16string::npos) << d.name;
        EXPECT_NE(r.report.find(u"\r\nRESULT|FAIL|"), std::u16string::npos) << d.name;
        EXPECT_NE(r.report.find(u"\r\nCONTROL|PASS\r\n"), std::u16string::npos) << d.name;
        static char16_t selftest[SELFTEST_REPORT_CAPACITY];
        if (d.toolName == nullptr) {
            EXPECT_EQ(buildSelfTestReport(tool, selftest, SELFTEST_REPORT_CAPACITY), 0) << d.name;
        }
    }
}

TEST(VerifyReport, TheControlFailsTheRunWhenItsWrongExpectationIsRemovedOrMadeRight) {
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    VerifyCase control = verifyControl();
    const char32_t* plantedWrong[] = {nullptr, U"2"};
    for (const char32_t* expected : plantedWrong) {
        control.expected = expected;
        const Outcome r = verify(builtinTool(), cases, count, control);
        EXPECT_EQ(r.outcome.passed, r.outcome.total);
        EXPECT_FALSE(r.outcome.controlCaught);
        EXPECT_NE(r.report.find(u"\r\nCONTROL|FAIL\r\nRESULT|FAIL|"), std::u16string::npos);
        EXPECT_EQ(verifyExitCode(r.outcome, true), VERIFY_FAILED);
    }
}

TEST(VerifyReport, AWrongExpectationIsAFailWithBothTextsShown) {
    const VerifyCase cases[] = {
        {CHECK_GRADE_LINE, U"分级", U"40", nullptr, 0.0, U"分级：1 级"},
        {CHECK_REFUSED, U"拒绝", U"50", nullptr, 0.0, U"第 1 项“CRP”请输入数字。"},
        {CHECK_VERDICT, U"被拒绝的输入", U"abc", nullptr, 0.0, U"CRP 正常"},
        {CHECK_FORMAT, U"竖线", U"x", "f2", 1.0, U"a|b"},
        {CHECK_FORMULA, U"无期望值", U"1", "f0", 0.0, nullptr},
    };
    const Outcome r = verify(builtinTool(), cases, 5, verifyControl());
    EXPECT_EQ(r.outcome.passed, 0);
    EXPECT_EQ(verifyExitCode(r.outcome, true), VERIFY_FAILED);
    for (const char16_t* line : {u"CASE|1|分级|40|分级：1 级|分级：2 级|FAIL\r\n",
                                 u"CASE|2|拒绝|50|第 1 项“CRP”请输入数字。|已接受：50|FAIL\r\n",
                                 u"CASE|3|被拒绝的输入|abc|CRP 正常|拒绝：第 1 项“CRP”请输入数字。|FAIL\r\n",
                                 u"CASE|4|竖线|x|a\\x7Cb|1.00|FAIL\r\n",
                                 u"CASE|5|无期望值|1|（无期望值）|1|FAIL\r\n"}) {
        EXPECT_NE(r.report.find(line), std::u16string::npos) << std::string(line, line + textLength(line));
    }
}

// An actual text that fills its buffer may have been cut: it never counts as
// equal, even when it is exactly what the expectation says.
TEST(VerifyCompare, AnActualThatFillsItsBufferIsNeverAPass) {
    struct Row {
        int capacity;
        const char32_t* expected;
        bool passes;
    };
    const Row rows[] = {
        {6, U"12345", false},       // "12345.00" cut to its first five units
        {9, U"12345.00", false},    // whole, but filling the buffer: cannot be told from a cut
        {10, U"12345.00", true},
    };
    for (const Row& row : rows) {
        const VerifyCase c{CHECK_FORMAT, U"格式", U"12345", "f2", 12345.0, row.expected};
        char16_t actual[16];
        EXPECT_EQ(runVerifyCase(builtinTool(), c, actual, row.capacity), row.passes) << row.capacity;
    }
}

TEST(VerifyReport, LongFieldsAreCutAndMarkedAndTheReportStaysInItsBuffer) {
    VerifyMachine m = sampleMachine();
    const std::u16string longPath(2000, u'p');
    const std::u16string longName(300, u'n');
    setVerifyText(m.programPath, longPath.c_str());
    setVerifyText(m.logPath, longPath.c_str());
    setVerifyName(m.computer, longName.c_str());
    setVerifyName(m.user, longName.c_str());
    setVerifyName(m.signer, longName.c_str());
    m.signature = SIGNATURE_VALID;
    EXPECT_TRUE(m.programPath.cut && m.computer.cut);
    int count = 0;
    const VerifyCase* cases = verifyCases(&count);
    static char16_t report[VERIFY_REPORT_CAPACITY + 8];
    for (auto& u : report) u = u'#';
    VerifyOutcome outcome = buildVerifyReport(builtinTool(), cases, count, verifyControl(), m, report,
                                              VERIFY_REPORT_CAPACITY);
    EXPECT_TRUE(outcome.complete);
    const std::u16string text(report);
    EXPECT_NE(text.find(u"|" + std::u16string(VERIFY_FIELD_CAPACITY - 1, u'p') +
                        u"…（已截断）\r\n"),
              std::u16string::npos);
    EXPECT_NE(text.find(u"COMPUTER|" + std::u16string(VERIFY_NAME_CAPACITY - 1, u'n') + u"…（已截断）\r\n"),
              std::u16string::npos);
    // The UTF-8 form fits the file buffer the self-test's writer has.
    EXPECT_LE(utf8Size(report, text.size()), size_t(SELFTEST_REPORT_CAPACITY) * 3);

    // A buffer too small: cut, terminated, never overrun, and not a pass.
    for (auto& u : report) u = u'#';
    outcome = buildVerifyReport(builtinTool(), cases, count, verifyControl(), m, report, 3000);
    EXPECT_FALSE(outcome.complete);
    EXPECT_EQ(textLength(report), 2999u);
    EXPECT_EQ(report[3001], u'#');
    EXPECT_EQ(verifyExitCode(outcome, true), VERIFY_FAILED);
    EXPECT_EQ(verifyExitCode(outcome, false), VERIFY_WRITE_FAILED);
}

}  // namespace
