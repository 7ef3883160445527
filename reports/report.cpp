// The report dispatcher and the rules all generators share.
#include "reports/report.h"

#include <cstdarg>
#include <cstring>
#include <iterator>

#include "engine/text.h"
#include "reports/generators.h"

const char16_t NO_REPORT_TEXT[] = u"（该工具暂无自定义报告）";
const char16_t NO_REPORT_VERDICT[] = u"暂无报告内容";

namespace {

// Kind n runs entry n - 1.
constexpr ReportGenerator GENERATORS[] = {
    buildNurseRoster,        // 1
    buildDosingTimes,        // 2
    buildBloodDrawOrder,     // 3
    buildCriticalValues,     // 4
    buildHighAlertDrugs,     // 5
    buildDrugCompatibility,  // 6
    buildFollowUpSchedule,   // 7
    buildSurgicalChecklist,  // 8
    buildHandoverSheet,      // 9
    buildInfusionCard,       // 10
    buildLabPanels,          // 11
};
static_assert(std::size(GENERATORS) == REPORT_KIND_COUNT, "one generator per report kind");

constexpr int LINE_SCRATCH = 512;   // a formatted line keeps its first 511 units
const char16_t LINE_END[] = u"\r\n";

}  // namespace

Level runReport(ReportKind kind, const ToolDefinition& tool, const double* values,
                char16_t* result, int resultCapacity,
                char16_t* verdict, int verdictCapacity)
{
    // A missing buffer is treated as one with no room at all.
    if (result == nullptr) resultCapacity = 0;
    if (verdict == nullptr) verdictCapacity = 0;
    if (resultCapacity > 0) result[0] = u'\0';
    if (verdictCapacity > 0) verdict[0] = u'\0';

    if (kind >= 1 && kind <= REPORT_KIND_COUNT) {
        return GENERATORS[kind - 1](tool, values, result, resultCapacity, verdict, verdictCapacity);
    }
    // Written as whole texts, not as lines: no CR LF follows.
    textCopy(result, resultCapacity, NO_REPORT_TEXT);
    textCopy(verdict, verdictCapacity, NO_REPORT_VERDICT);
    return 0;
}

double lookupInput(const ToolDefinition& tool, const double* values, const char* name)
{
    if (values == nullptr || name == nullptr || tool.inputs == nullptr) return 0.0;
    // The value arrays of every caller hold MAX_INPUTS entries; never read past them.
    const int count = tool.inputCount < MAX_INPUTS ? tool.inputCount : MAX_INPUTS;
    for (int i = 0; i < count; ++i) {
        const char* inputName = tool.inputs[i].name;
        if (inputName != nullptr && std::strcmp(inputName, name) == 0) return values[i];
    }
    return 0.0;
}

int32_t reportInteger(double value)
{
    // Written so that NaN fails the test too. Inside the bounds the truncated
    // value is representable, so the cast is defined.
    if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
    return static_cast<int32_t>(value);
}

void appendPiece(char16_t* buffer, int capacity, const char16_t* piece)
{
    if (buffer == nullptr || capacity < 1) return;
    textAppend(buffer, capacity, piece);
}

void appendLine(char16_t* buffer, int capacity, const char16_t* format, ...)
{
    char16_t line[LINE_SCRATCH];
    va_list args;
    va_start(args, format);
    formatTextV(line, LINE_SCRATCH, format, args);   // a longer line is cut, still terminated
    va_end(args);
    appendPiece(buffer, capacity, line);
    appendPiece(buffer, capacity, LINE_END);
}

void appendFixedLine(char16_t* buffer, int capacity, const char16_t* line)
{
    appendPiece(buffer, capacity, line);
    appendPiece(buffer, capacity, LINE_END);
}

void writeVerdict(char16_t* verdict, int verdictCapacity, const char16_t* text)
{
    if (verdict == nullptr || verdictCapacity < 1) return;
    textCopy(verdict, verdictCapacity, text);
}

int selectRow(int32_t selector, int numberedRows)
{
    return selector >= 1 && selector <= numberedRows ? selector - 1 : numberedRows;
}
