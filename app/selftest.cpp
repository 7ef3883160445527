#include "app/selftest.h"

#include "engine/formula.h"
#include "engine/text.h"

namespace {

constexpr char16_t SELFTEST_KEYWORD[] = u"--selftest";
constexpr int SELFTEST_PATH_LIMIT = 519;
constexpr char16_t DEFAULT_REPORT_PATH[] = u"selftest.txt";
constexpr char16_t REPORT_TOOL_OUT_LINE[] = u"OUT|报告文本|见 DETAIL|\r\n";

constexpr int RESULT_CAPACITY = 8192;
constexpr int VERDICT_CAPACITY = 512;
constexpr int LAST_RESULT_CAPACITY = 8192;
constexpr int VALUE_CAPACITY = 128;
constexpr int OUT_LINE_CAPACITY = 512;
constexpr int LEVEL_LINE_CAPACITY = 256;
constexpr int ERRORS_LINE_CAPACITY = 128;

// Case-sensitive search anywhere in the line, without regard to word
// boundaries (the program's own path included).
const char16_t* findKeyword(const char16_t* line, const char16_t* keyword, size_t keywordLength) {
    for (const char16_t* p = line; *p != 0; ++p) {
        size_t i = 0;
        while (i < keywordLength && p[i] == keyword[i]) ++i;
        if (i == keywordLength) return p;
    }
    return nullptr;
}

}  // namespace

bool findSelfTestPath(const char16_t* commandLine, char16_t* path, int pathCapacity) {
    return findPathAfterKeyword(commandLine, SELFTEST_KEYWORD, DEFAULT_REPORT_PATH, path, pathCapacity, nullptr);
}

bool findPathAfterKeyword(const char16_t* commandLine, const char16_t* keyword, const char16_t* defaultPath,
                          char16_t* path, int pathCapacity, bool* tooLong) {
    if (path != nullptr && pathCapacity > 0) path[0] = 0;
    if (tooLong != nullptr) *tooLong = false;
    if (commandLine == nullptr) return false;
    const size_t keywordLength = textLength(keyword);
    const char16_t* found = findKeyword(commandLine, keyword, keywordLength);
    if (found == nullptr) return false;

    const char16_t* p = found + keywordLength;
    while (*p == u' ') ++p;   // spaces only: a tab becomes part of the path
    char16_t stop = u' ';
    if (*p == u'"') {
        stop = u'"';
        ++p;
    }
    size_t length = 0;
    while (p[length] != 0 && p[length] != stop) ++length;
    if (length > SELFTEST_PATH_LIMIT) {
        length = SELFTEST_PATH_LIMIT;
        if (tooLong != nullptr) *tooLong = true;
    }

    TextAccum acc;
    accumStart(acc, path, pathCapacity);
    if (length == 0) accumAppendText(acc, defaultPath);
    else accumAppend(acc, p, length);
    return true;
}

int buildSelfTestReport(const ToolDefinition& tool, char16_t* report, int reportCapacity) {
    double inputValues[MAX_INPUTS] = {};
    for (int i = 0; i < tool.inputCount && i < MAX_INPUTS; ++i) inputValues[i] = tool.inputs[i].defaultValue;

    char16_t resultText[RESULT_CAPACITY];
    char16_t verdictText[VERDICT_CAPACITY];
    char16_t lastResult[LAST_RESULT_CAPACITY];
    Level level = 0;
    evaluateTool(tool, inputValues, resultText, RESULT_CAPACITY, verdictText, VERDICT_CAPACITY, &level,
                 lastResult, LAST_RESULT_CAPACITY);

    TextAccum acc;
    accumStart(acc, report, reportCapacity);
    accumFormat(acc, u"TOOL|%d|%ls|%ls\r\n", tool.id, tool.name, tool.category);

    char16_t line[OUT_LINE_CAPACITY];
    formatText(line, LEVEL_LINE_CAPACITY, u"LEVEL|%d\r\n", level);
    accumAppendText(acc, line);

    int errorCount = 0;
    if (tool.kind != 0) {
        accumAppendText(acc, REPORT_TOOL_OUT_LINE);
    } else {
        for (int i = 0; i < tool.outputCount && i < MAX_OUTPUTS; ++i) {
            const OutputField& output = tool.outputs[i];
            // Each output on its own: references to other outputs read 0.
            double outputValues[MAX_OUTPUTS] = {};
            int failed = 0;
            double value = evaluateFormula(tool, output.formula, inputValues, outputValues, &failed);
            if (failed != 0) ++errorCount;
            char16_t formatted[VALUE_CAPACITY];
            formatValue(output.formatCode, value, formatted, VALUE_CAPACITY);
            formatText(line, OUT_LINE_CAPACITY, u"OUT|%ls|%ls|%ls\r\n", output.label, formatted,
                       output.unit != nullptr ? output.unit : u"");
            accumAppendText(acc, line);
        }
    }

    accumAppendText(acc, u"VERDICT|");
    accumAppendText(acc, verdictText);
    accumAppendText(acc, u"\r\n");

    // The result text flattened to one line: CR dropped, LF as a space.
    accumAppendText(acc, u"DETAIL|");
    int appended = 0;
    for (const char16_t* p = resultText; *p != 0 && appended < SELFTEST_DETAIL_LIMIT; ++p) {
        if (*p == u'\r') continue;
        accumAppendUnit(acc, *p == u'\n' ? u' ' : *p);
        ++appended;
    }
    accumAppendText(acc, u"\r\n");

    formatText(line, ERRORS_LINE_CAPACITY, u"ERRORS|%d\r\n", errorCount);
    accumAppendText(acc, line);
    return errorCount;
}

int selfTestExitCode(int errorCount, bool written) {
    if (!written) return SELFTEST_WRITE_FAILED;
    return errorCount != 0 ? SELFTEST_FORMULA_FAILED : SELFTEST_OK;
}
