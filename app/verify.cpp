#include "app/verify.h"

#include "app/selftest.h"
#include "engine/formula.h"
#include "engine/text.h"
#include "records/record_text.h"
#include "ui/command_text.h"
#include "ui/theme.h"

namespace {

constexpr char16_t VERIFY_KEYWORD[] = u"--verify";
constexpr char16_t DEFAULT_VERIFY_PATH[] = u"verify.txt";
constexpr char16_t PROGRAM_NAME[] = u"Ostrivel";
#ifndef OSTRIVEL_PROGRAM_VERSION
#error "the build passes the project version (CMakeLists.txt)"
#endif
constexpr char16_t PROGRAM_VERSION[] = u"" OSTRIVEL_PROGRAM_VERSION;
constexpr char16_t CUT_MARK[] = u"…（已截断）";
constexpr char16_t FAILED_VALUE[] = u"失败";
constexpr char16_t REFUSED_PREFIX[] = u"拒绝：";
constexpr char16_t ACCEPTED_FORMAT[] = u"已接受：%.17g";

// Every actual and expected text fits, with room to spare: a text that
// fills its buffer may have been cut and never counts as equal.
constexpr int TEXT_CAPACITY = 2048;
constexpr int COPY_CAPACITY = 1024;        // as the window keeps it
constexpr int LAST_RESULT_CAPACITY = 8192; // as the window keeps it
constexpr int CASE_FIELD_LIMIT = 600;      // units of one CASE field in the report
constexpr int LINE_CAPACITY = 1024;

// The expectations, written out by hand. Nothing here is taken from the
// tool definition or computed by the code under test.
constexpr char32_t GRADE_WHAT[] = U"分级边界：结果文本的分级行";
constexpr char32_t VERDICT_WHAT[] = U"结论边界：结论文本";
constexpr char32_t LEVEL_WHAT[] = U"结论边界：严重程度";
constexpr char32_t COLOUR_WHAT[] = U"结论边界：结论显示颜色";
constexpr char32_t NORMAL[] = U"CRP 正常";
constexpr char32_t RAISED[] = U"轻度升高，结合症状复查";
constexpr char32_t HIGH[] = U"明显升高，警惕细菌感染与组织损伤";
constexpr char32_t NOT_A_NUMBER[] = U"第 1 项“CRP”请输入数字。";
constexpr char32_t MUST_FAIL[] = U"失败";

#define BOUNDARY(box, grade, verdict, level, colour)                      \
    {CHECK_GRADE_LINE, GRADE_WHAT, box, nullptr, 0.0, U"分级：" grade},   \
    {CHECK_VERDICT, VERDICT_WHAT, box, nullptr, 0.0, verdict},            \
    {CHECK_LEVEL, LEVEL_WHAT, box, nullptr, 0.0, level},                  \
    {CHECK_COLOUR, COLOUR_WHAT, box, nullptr, 0.0, colour}

const VerifyCase VERIFY_CASES[] = {
    BOUNDARY(U"9.99", U"0 级", NORMAL, U"0", U"#008060"),
    BOUNDARY(U"10", U"1 级", RAISED, U"1", U"#B08400"),
    BOUNDARY(U"39.99", U"1 级", RAISED, U"1", U"#B08400"),
    BOUNDARY(U"40", U"2 级", RAISED, U"1", U"#B08400"),
    BOUNDARY(U"99.99", U"2 级", RAISED, U"1", U"#B08400"),
    BOUNDARY(U"100", U"3 级", HIGH, U"2", U"#D66C00"),
    BOUNDARY(U"100000", U"3 级", HIGH, U"2", U"#D66C00"),
    {CHECK_LEVEL_COLOUR, U"严重程度 3 的显示颜色", U"3", nullptr, 0.0, U"#BE1E2D"},

    {CHECK_READ, U"输入框：全角数字", U"１５０", nullptr, 0.0, U"150"},
    {CHECK_READ, U"输入框：前后空格", U" 50 ", nullptr, 0.0, U"50"},
    {CHECK_REFUSED, U"输入框拒绝：空白", U"", nullptr, 0.0, NOT_A_NUMBER},
    {CHECK_REFUSED, U"输入框拒绝：字母", U"abc", nullptr, 0.0, NOT_A_NUMBER},
    {CHECK_REFUSED, U"输入框拒绝：字母 O 代替 0", U"1O0", nullptr, 0.0, NOT_A_NUMBER},
    {CHECK_REFUSED, U"输入框拒绝：无穷大", U"inf", nullptr, 0.0, NOT_A_NUMBER},
    {CHECK_REFUSED, U"输入框拒绝：负数", U"-150", nullptr, 0.0, U"第 1 项“CRP”不能小于 0。"},

    {CHECK_RESULT_TEXT, U"一次计算：结果文本", U"50", nullptr, 0.0, U"分级：2 级\r\n"},
    {CHECK_COPY_TEXT, U"一次计算：复制文本", U"50", nullptr, 0.0, U"分级：2 级\r\n—— 轻度升高，结合症状复查"},
    {CHECK_CLIPBOARD, U"一次计算：剪贴板文本", U"50", nullptr, 0.0,
     U"Ostrivel\r\n分级：2 级\r\n—— 轻度升高，结合症状复查"},
    {CHECK_RECORD_LINE, U"一次计算：记录文件的一行（时间固定）", U"50", nullptr, 0.0,
     U"2026-01-02 03:04:05,Ostrivel,CRP=50,分级：2 级\r\n\r\n"},
    {CHECK_SELFTEST, U"自检报告（默认输入）", U"默认值", nullptr, 0.0,
     U"TOOL|112|Ostrivel|感染指标\r\nLEVEL|0\r\nOUT|分级|0|级\r\nVERDICT|CRP 正常\r\n"
     U"DETAIL|分级：0 级 \r\nERRORS|0\r\n"},
    {CHECK_WINDOW_TEXT, U"窗口文本：参考依据", U"参考依据", "reference", 0.0,
     U"参考依据：CRP 10-40mg/L 提示中度炎症，>100 提示明显细菌感染"},
    {CHECK_WINDOW_TEXT, U"窗口文本：提示", U"提示", "note", 0.0, U"CRP 升高非特异，术后、创伤、自身免疫病均可升高。"},
    {CHECK_WINDOW_TEXT, U"窗口文本：标题下的一行", U"标题行", "header", 0.0, U"感染指标  ·  按 CRP 水平评估炎症程度"},

    {CHECK_FORMULA, U"公式：^ 右结合", U"2^3^2", "f0", 0.0, U"512"},
    {CHECK_FORMULA, U"公式：双精度舍入", U"(1e16+1)-1e16", "f0", 0.0, U"0"},
    {CHECK_FORMULA, U"公式：除法与小数", U"10/4", "f2", 0.0, U"2.50"},
    {CHECK_FORMULA, U"公式：必须失败（除以 0）", U"1/0", "f2", 0.0, MUST_FAIL},
    {CHECK_FORMAT, U"格式：中间值取偶（f1）", U"0.25", "f1", 0.25, U"0.2"},
    {CHECK_FORMAT, U"格式：中间值取偶（int）", U"2.5", "int", 2.5, U"2"},
    {CHECK_FORMAT, U"格式：二进制略小于中间值（f2）", U"2.675", "f2", 2.675, U"2.67"},
    {CHECK_FORMAT, U"格式：百分数", U"12.25", "pct", 12.25, U"12.2%"},
    {CHECK_FORMAT, U"格式：日期", U"20000", "date", 20000.0, U"2024-10-04"},
};
#undef BOUNDARY

// 1 + 1 is not 3: the comparison must say so.
const VerifyCase VERIFY_CONTROL = {CHECK_FORMULA, U"对照：有意写错的期望值", U"1+1", "f0", 0.0, U"3"};

// UTF-32 to UTF-16, bounded; false when it did not fit.
bool widen(const char32_t* source, char16_t* out, int capacity) {
    TextAccum acc;
    accumStart(acc, out, capacity);
    for (const char32_t* p = source; p != nullptr && *p != 0; ++p) {
        char32_t c = *p;
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            accumAppendUnit(acc, static_cast<char16_t>(0xD800 + (c >> 10)));
            accumAppendUnit(acc, static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            accumAppendUnit(acc, c <= 0xFFFF ? static_cast<char16_t>(c) : u'\uFFFD');
        }
    }
    return !acc.cut && acc.length + 1 < acc.capacity;
}

// ASCII formulas and format codes only; anything else cannot be one.
bool narrow(const char32_t* source, char* out, int capacity) {
    int i = 0;
    for (; source[i] != 0; ++i) {
        if (i + 1 >= capacity || source[i] > 0x7E) return false;
        out[i] = static_cast<char>(source[i]);
    }
    out[i] = 0;
    return true;
}

bool textsEqual(const char16_t* actual, const char16_t* expected, int capacity) {
    const size_t fullLength = static_cast<size_t>(capacity - 1);
    return textLength(actual) < fullLength && textEquals(actual, expected);
}

// What the calculate command does with the boxes: every box read, a refused
// one named in the message the window shows, otherwise evaluateTool on the
// values read. The first box holds the case's text, any other its default.
struct BoxCalculation {
    bool refused;
    double values[MAX_INPUTS];
    char16_t message[REFUSED_MESSAGE_CAPACITY];
    char16_t result[RESULT_TEXT_CAPACITY];
    char16_t verdict[VERDICT_TEXT_CAPACITY];
    char16_t lastResult[LAST_RESULT_CAPACITY];
    Level level;
};

void calculateFromBox(const ToolDefinition& tool, const char32_t* boxText, BoxCalculation& out) {
    out = BoxCalculation{};
    const int inputCount = tool.inputCount < MAX_INPUTS ? tool.inputCount : MAX_INPUTS;
    char16_t texts[MAX_INPUTS][INPUT_TEXT_CAPACITY];
    const char16_t* textOf[MAX_INPUTS];
    for (int i = 0; i < inputCount; ++i) {
        if (i == 0) widen(boxText, texts[i], INPUT_TEXT_CAPACITY);
        else formatDefaultValue(tool.inputs[i].defaultValue, texts[i], INPUT_TEXT_CAPACITY);
        textOf[i] = texts[i];
    }
    bool belowMinimum = false;
    const int refused = readInputTexts(tool.inputs, textOf, inputCount, out.values, &belowMinimum);
    if (refused >= 0) {
        out.refused = true;
        formatInputRefusal(refused, tool.inputs[refused], belowMinimum, out.message, REFUSED_MESSAGE_CAPACITY);
        return;
    }
    evaluateTool(tool, out.values, out.result, RESULT_TEXT_CAPACITY, out.verdict, VERDICT_TEXT_CAPACITY, &out.level,
                 out.lastResult, LAST_RESULT_CAPACITY);
}

void formatColour(Rgb colour, char16_t* out, int capacity) {
    formatText(out, capacity, u"#%06X", static_cast<unsigned>(colour));
}

void boxActual(const ToolDefinition& tool, const VerifyCase& c, char16_t* actual, int capacity) {
    static BoxCalculation box;   // 26 KB: kept off the stack
    calculateFromBox(tool, c.input, box);
    if (c.kind == CHECK_READ || c.kind == CHECK_REFUSED) {
        if (box.refused) textCopy(actual, capacity, box.message);
        else formatText(actual, capacity, c.kind == CHECK_READ ? u"%.17g" : ACCEPTED_FORMAT, box.values[0]);
        return;
    }
    if (box.refused) {
        formatText(actual, capacity, u"%ls%ls", REFUSED_PREFIX, box.message);
        return;
    }
    switch (c.kind) {
    case CHECK_GRADE_LINE: {
        size_t end = 0;
        while (box.result[end] != 0 && box.result[end] != u'\r' && box.result[end] != u'\n') ++end;
        actual[0] = 0;
        textAppendUnits(actual, capacity, box.result, end);
        break;
    }
    case CHECK_VERDICT: textCopy(actual, capacity, box.verdict); break;
    case CHECK_LEVEL: formatText(actual, capacity, u"%d", static_cast<int>(box.level)); break;
    case CHECK_COLOUR: formatColour(verdictColour(box.level), actual, capacity); break;
    case CHECK_RESULT_TEXT: textCopy(actual, capacity, box.result); break;
    case CHECK_COPY_TEXT:
    case CHECK_CLIPBOARD: {
        char16_t copy[COPY_CAPACITY];
        buildCopyText(tool.kind, box.result, box.verdict, copy, COPY_CAPACITY);
        if (c.kind == CHECK_COPY_TEXT) textCopy(actual, capacity, copy);
        else formatClipboardText(tool.name, copy, actual, capacity);
        break;
    }
    case CHECK_RECORD_LINE: {
        const VerifyRecordTime& t = VERIFY_RECORD_TIME;
        const RecordTime time{t.year, t.month, t.day, t.hour, t.minute, t.second};
        char16_t line[RECORD_LINE_CAPACITY];
        buildRecordLine(tool, time, box.values, box.lastResult, line, RECORD_LINE_CAPACITY);
        textCopy(actual, capacity, line);
        break;
    }
    default: textCopy(actual, capacity, u"?"); break;
    }
}

void formulaActual(const ToolDefinition& tool, const VerifyCase& c, char16_t* actual, int capacity) {
    char formula[TEXT_CAPACITY];
    if (!narrow(c.input, formula, TEXT_CAPACITY)) {
        textCopy(actual, capacity, u"?");
        return;
    }
    double inputs[MAX_INPUTS] = {};
    for (int i = 0; i < tool.inputCount && i < MAX_INPUTS; ++i) inputs[i] = tool.inputs[i].defaultValue;
    const double outputs[MAX_OUTPUTS] = {};
    int failed = 0;
    const double value = evaluateFormula(tool, formula, inputs, outputs, &failed);
    if (failed != 0) textCopy(actual, capacity, FAILED_VALUE);
    else formatValue(c.format, value, actual, capacity);
}

void windowTextActual(const ToolDefinition& tool, const VerifyCase& c, char16_t* actual, int capacity) {
    const char* which = c.format != nullptr ? c.format : "";
    char16_t name[16];
    for (int i = 0;; ++i) {
        name[i] = static_cast<char16_t>(which[i]);
        if (which[i] == 0 || i == 14) {
            name[i] = 0;
            break;
        }
    }
    if (textEquals(name, u"reference")) formatReferenceText(tool.reference, actual, capacity);
    else if (textEquals(name, u"note")) textCopy(actual, capacity, noteText(tool));
    else if (textEquals(name, u"header")) formatHeaderLine(tool, actual, capacity);
    else textCopy(actual, capacity, u"?");
}

int levelOf(const char32_t* text) {
    int level = 0;
    for (const char32_t* p = text; *p >= U'0' && *p <= U'9' && level < 1000; ++p) level = level * 10 + (*p - U'0');
    return level;
}

// CASE fields: a backslash, CR, LF, tab and "|" are written as escapes, so
// every field stays on its line and a script can split at "|" and read the
// texts back exactly. A field longer than its limit is cut and marked.
void appendCaseField(TextAccum& acc, const char16_t* text) {
    int written = 0;
    for (const char16_t* p = text; *p != 0; ++p) {
        char16_t escaped[8];
        switch (*p) {
        case u'\\': textCopy(escaped, 8, u"\\\\"); break;
        case u'\r': textCopy(escaped, 8, u"\\r"); break;
        case u'\n': textCopy(escaped, 8, u"\\n"); break;
        case u'\t': textCopy(escaped, 8, u"\\t"); break;
        case u'|': textCopy(escaped, 8, u"\\x7C"); break;
        default:
            if (*p < 0x20) formatText(escaped, 8, u"\\x%02X", static_cast<unsigned>(*p));
            else {
                escaped[0] = *p;
                escaped[1] = 0;
            }
        }
        const int length = static_cast<int>(textLength(escaped));
        if (written + length > CASE_FIELD_LIMIT) {
            accumAppendText(acc, CUT_MARK);
            return;
        }
        accumAppendText(acc, escaped);
        written += length;
    }
}

// Machine fields come from the system: "|" and line breaks (which no path or
// Windows name holds) become spaces, and a cut field is marked.
void appendMachineField(TextAccum& acc, const char16_t* text, bool cut) {
    for (const char16_t* p = text; *p != 0; ++p) {
        accumAppendUnit(acc, (*p == u'|' || *p < 0x20) ? u' ' : *p);
    }
    if (cut) accumAppendText(acc, CUT_MARK);
}

void appendMachineLines(TextAccum& acc, const VerifyMachine& m) {
    accumFormat(acc, u"PROGRAM|%ls|%ls|", PROGRAM_NAME, PROGRAM_VERSION);
    appendMachineField(acc, m.programPath.text, m.programPath.cut);
    accumAppendText(acc, u"\r\n");
    if (m.hashed) {
        accumAppendText(acc, u"SHA256|");
        for (unsigned char byte : m.sha256) accumFormat(acc, u"%02x", static_cast<unsigned>(byte));
        accumFormat(acc, u"\r\nSIZE|%llu\r\n", static_cast<unsigned long long>(m.size));
    } else {
        accumAppendText(acc, u"SHA256|未能计算（程序文件无法读取）\r\nSIZE|未能读取\r\n");
    }

    switch (m.signature) {
    case SIGNATURE_VALID:
        accumAppendText(acc, u"SIGNATURE|VALID|签名有效|签名者：");
        appendMachineField(acc, m.signer.text, m.signer.cut);
        accumAppendText(acc, u"\r\n");
        break;
    case SIGNATURE_NONE: accumAppendText(acc, u"SIGNATURE|NONE|无数字签名\r\n"); break;
    case SIGNATURE_UNCHECKED: accumAppendText(acc, u"SIGNATURE|UNCHECKED|未能检查签名（系统的签名组件无法加载）\r\n"); break;
    default:
        accumFormat(acc, u"SIGNATURE|INVALID|签名无效或不受信任|0x%08X\r\n", static_cast<unsigned>(m.signatureCode));
        break;
    }

    accumAppendText(acc, u"COMPUTER|");
    appendMachineField(acc, m.computer.text, m.computer.cut);
    accumAppendText(acc, u"\r\nUSER|");
    appendMachineField(acc, m.user.text, m.user.cut);
    if (m.windowsKnown) {
        accumFormat(acc, u"\r\nWINDOWS|%u.%u.%u\r\n", static_cast<unsigned>(m.windowsMajor),
                    static_cast<unsigned>(m.windowsMinor), static_cast<unsigned>(m.windowsBuild));
    } else {
        accumAppendText(acc, u"\r\nWINDOWS|未知\r\n");
    }
    const int offset = m.utcOffsetMinutes < 0 ? -m.utcOffsetMinutes : m.utcOffsetMinutes;
    accumFormat(acc, u"TIME|%04d-%02d-%02d %02d:%02d:%02d UTC%c%02d:%02d\r\n", m.year, m.month, m.day, m.hour,
                m.minute, m.second, m.utcOffsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);

    accumAppendText(acc, u"LOG|");
    appendMachineField(acc, m.logPath.text, m.logPath.cut);
    switch (m.log) {
    case LOG_APPENDABLE: accumAppendText(acc, u"|EXISTS|存在，可以追加记录\r\n"); break;
    case LOG_ABSENT: accumAppendText(acc, u"|ABSENT|不存在（本账户尚未保存过记录）\r\n"); break;
    case LOG_LOCKED: accumAppendText(acc, u"|LOCKED|存在，但无法以追加方式打开\r\n"); break;
    default: accumAppendText(acc, u"|NOFOLDER|无法取得本地应用数据文件夹\r\n"); break;
    }
}

}  // namespace

const VerifyRecordTime VERIFY_RECORD_TIME = {2026, 1, 2, 3, 4, 5};

bool findVerifyPath(const char16_t* commandLine, char16_t* path, int pathCapacity, bool* tooLong) {
    return findPathAfterKeyword(commandLine, VERIFY_KEYWORD, DEFAULT_VERIFY_PATH, path, pathCapacity, tooLong);
}

const VerifyCase* verifyCases(int* count) {
    *count = static_cast<int>(sizeof VERIFY_CASES / sizeof VERIFY_CASES[0]);
    return VERIFY_CASES;
}

const VerifyCase& verifyControl() { return VERIFY_CONTROL; }

bool runVerifyCase(const ToolDefinition& tool, const VerifyCase& c, char16_t* actual, int capacity) {
    if (actual == nullptr || capacity < 2) return false;
    actual[0] = 0;
    switch (c.kind) {
    case CHECK_LEVEL_COLOUR: formatColour(verdictColour(levelOf(c.input)), actual, capacity); break;
    case CHECK_SELFTEST: {
        static char16_t report[SELFTEST_REPORT_CAPACITY];
        buildSelfTestReport(tool, report, SELFTEST_REPORT_CAPACITY);
        textCopy(actual, capacity, report);
        break;
    }
    case CHECK_FORMULA: formulaActual(tool, c, actual, capacity); break;
    case CHECK_FORMAT: formatValue(c.format, c.number, actual, capacity); break;
    case CHECK_WINDOW_TEXT: windowTextActual(tool, c, actual, capacity); break;
    default: boxActual(tool, c, actual, capacity); break;
    }
    if (c.expected == nullptr) return false;
    char16_t expected[TEXT_CAPACITY];
    return widen(c.expected, expected, TEXT_CAPACITY) && textsEqual(actual, expected, capacity);
}

void setVerifyText(VerifyText& field, const char16_t* source) {
    textCopy(field.text, VERIFY_FIELD_CAPACITY, source);
    field.cut = textLength(source) >= static_cast<size_t>(VERIFY_FIELD_CAPACITY);
}

void setVerifyName(VerifyName& field, const char16_t* source) {
    textCopy(field.text, VERIFY_NAME_CAPACITY, source);
    field.cut = textLength(source) >= static_cast<size_t>(VERIFY_NAME_CAPACITY);
}

VerifyOutcome buildVerifyReport(const ToolDefinition& tool, const VerifyCase* cases, int caseCount,
                                const VerifyCase& control, const VerifyMachine& machine, char16_t* report,
                                int reportCapacity) {
    VerifyOutcome outcome{0, 0, false, false};
    TextAccum acc;
    accumStart(acc, report, reportCapacity);
    accumAppendUnit(acc, u'\uFEFF');   // Notepad reads the file as UTF-8
    accumAppendText(acc, u"VERIFY|运行验证报告|安装与运行确认：已知病例经本程序自身的计算与显示函数\r\n");
    appendMachineLines(acc, machine);

    static char16_t actual[TEXT_CAPACITY];
    static char16_t expected[TEXT_CAPACITY];
    for (int i = 0; i < caseCount; ++i) {
        const VerifyCase& c = cases[i];
        const bool passed = runVerifyCase(tool, c, actual, TEXT_CAPACITY);
        if (passed) ++outcome.passed;
        ++outcome.total;
        char16_t text[LINE_CAPACITY];
        accumFormat(acc, u"CASE|%d|", i + 1);
        widen(c.what, text, LINE_CAPACITY);
        appendCaseField(acc, text);
        accumAppendUnit(acc, u'|');
        widen(c.input, text, LINE_CAPACITY);
        appendCaseField(acc, text);
        accumAppendUnit(acc, u'|');
        widen(c.expected, expected, TEXT_CAPACITY);
        appendCaseField(acc, c.expected != nullptr ? expected : u"（无期望值）");
        accumAppendUnit(acc, u'|');
        appendCaseField(acc, actual);
        accumAppendText(acc, passed ? u"|PASS\r\n" : u"|FAIL\r\n");
    }

    // The control: its expectation is wrong on purpose. Only a comparison
    // that reports it as different can be trusted with the cases above.
    outcome.controlCaught = control.expected != nullptr && !runVerifyCase(tool, control, actual, TEXT_CAPACITY);
    accumAppendText(acc, outcome.controlCaught ? u"CONTROL|PASS\r\n" : u"CONTROL|FAIL\r\n");

    const bool allPassed = outcome.total > 0 && outcome.passed == outcome.total && outcome.controlCaught;
    accumFormat(acc, u"RESULT|%ls|%d/%d\r\n", allPassed ? u"PASS" : u"FAIL", outcome.passed, outcome.total);
    accumAppendText(acc, u"SIGNOFF|执行人：____________________|日期：____________\r\n");
    accumAppendText(acc, u"SIGNOFF|审核人：____________________|日期：____________\r\n");
    outcome.complete = !acc.cut;
    return outcome;
}

int verifyExitCode(const VerifyOutcome& outcome, bool written) {
    if (!written) return VERIFY_WRITE_FAILED;
    const bool passed = outcome.complete && outcome.controlCaught && outcome.total > 0 &&
                        outcome.passed == outcome.total;
    return passed ? VERIFY_PASSED : VERIFY_FAILED;
}
