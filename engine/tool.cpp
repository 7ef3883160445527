// The built-in tool, the evaluation of a tool, value formatting and the
// day-number conversions. Everything works in caller-owned buffers and fixed
// locals: no heap.

#include "engine/tool.h"

#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/formula.h"
#include "engine/numtext.h"
#include "engine/text.h"
#include "reports/report.h"

const char16_t PARTIAL_RESULT_NOTE[] = u"（部分结果无法计算，请检查输入是否合理）\r\n";
const char16_t DEFAULT_VERDICT[] = u"请核对输入参数后重新计算";
static_assert(sizeof(DEFAULT_VERDICT) / sizeof(DEFAULT_VERDICT[0]) == 13,
              "the verdict buffer of every caller holds the default verdict whole");

namespace {

const char16_t CANNOT_SHOW[] = u"--";

const InputField BUILTIN_INPUTS[] = {
    {"crp", u"CRP", u"mg/L", 8.0, 0.0},
};

const OutputField BUILTIN_OUTPUTS[] = {
    {"level", u"分级", u"级", "crp<10?0:crp<40?1:crp<100?2:3", "f0"},
};

const VerdictRule BUILTIN_RULES[] = {
    {"crp>=100", 2, u"明显升高，警惕细菌感染与组织损伤"},
    {"crp>=10", 1, u"轻度升高，结合症状复查"},
    {"", 0, u"CRP 正常"},
};

template <typename T, size_t N>
constexpr int countOf(const T (&)[N]) { return static_cast<int>(N); }
static_assert(countOf(BUILTIN_INPUTS) <= MAX_INPUTS && countOf(BUILTIN_OUTPUTS) <= MAX_OUTPUTS);

const ToolDefinition BUILTIN_TOOL = {
    112,
    u"Ostrivel",
    u"按 CRP 水平评估炎症程度",
    u"感染指标",
    u"CRP 10-40mg/L 提示中度炎症，>100 提示明显细菌感染",
    u"CRP 升高非特异，术后、创伤、自身免疫病均可升高。",
    countOf(BUILTIN_INPUTS), BUILTIN_INPUTS,
    countOf(BUILTIN_OUTPUTS), BUILTIN_OUTPUTS,
    countOf(BUILTIN_RULES), BUILTIN_RULES,
    0,
};

constexpr int VALUE_SCRATCH = 128;   // one formatted value
constexpr int LINE_SCRATCH = 256;    // one output line
constexpr int NARROW_SCRATCH = 80;   // the narrow text of one number

// Never more than the 16 values a caller keeps, whatever a definition claims.
int clampCount(int32_t count, int limit) {
    if (count < 0) return 0;
    return count < limit ? count : limit;
}

void clearText(char16_t* text, int capacity) {
    if (text != nullptr && capacity >= 1) text[0] = u'\0';
}

bool isEmptyText(const char16_t* text) { return text == nullptr || text[0] == u'\0'; }

// Narrow ASCII becomes one code unit a byte, cut to the capacity.
void widenAscii(const char* narrow, char16_t* out, int capacity) {
    if (out == nullptr || capacity < 1) return;
    int i = 0;
    for (; i < capacity - 1 && narrow[i] != '\0'; ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(narrow[i]));
    }
    out[i] = u'\0';
}

struct FixedFormat {
    const char* code;
    int precision;
    bool percent;
};

// Compared exactly, in this order; anything else (also "f2", "" and "F2")
// shows two decimals.
const FixedFormat FIXED_FORMATS[] = {
    {"f0", 0, false},
    {"f1", 1, false},
    {"f3", 3, false},
    {"int", 0, false},   // rounded to nearest, ties to even: 2.5 gives 2
    {"pct", 1, true},    // the value itself, not times 100
};
static_assert(countOf(FIXED_FORMATS) == 5);
constexpr FixedFormat DEFAULT_FORMAT = {"f2", 2, false};

// 2^63: the first double above every int64_t.
constexpr double INT64_LIMIT = 9223372036854775808.0;

}  // namespace

const ToolDefinition& builtinTool() { return BUILTIN_TOOL; }

void formatValue(const char* formatCode, double value, char16_t* out, int capacity) {
    if (out == nullptr || capacity < 1) return;
    if (!std::isfinite(value)) {
        textCopy(out, capacity, CANNOT_SHOW);
        return;
    }
    const char* code = formatCode != nullptr ? formatCode : "f2";

    if (std::strcmp(code, "date") == 0) {
        // Truncation toward zero is defined only inside the int64_t range
        // [-2^63, 2^63); a day number beyond it cannot be shown.
        if (!(value >= -INT64_LIMIT && value < INT64_LIMIT)) {
            textCopy(out, capacity, CANNOT_SHOW);
            return;
        }
        civilFromDays(static_cast<int64_t>(value), out, capacity);
        return;
    }

    FixedFormat format = DEFAULT_FORMAT;
    for (const FixedFormat& candidate : FIXED_FORMATS) {
        if (std::strcmp(candidate.code, code) == 0) {
            format = candidate;
            break;
        }
    }
    char narrow[NARROW_SCRATCH];
    // Leave room for the percent sign, so the whole text fits the scratch.
    const int room = format.percent ? NARROW_SCRATCH - 1 : NARROW_SCRATCH;
    const int length = formatFixed(narrow, room, value, format.precision);
    if (length < 0) {
        // A finite value too long for the scratch (f0 of 1e300 has 301 digits).
        textCopy(out, capacity, CANNOT_SHOW);
        return;
    }
    if (format.percent) {
        narrow[length] = '%';
        narrow[length + 1] = '\0';
    }
    widenAscii(narrow, out, capacity);
}

int64_t daysFromCivil(int32_t year, int32_t month, int32_t day) {
    // All in 64 bits: no int32_t argument can overflow the arithmetic.
    const int64_t m = month;
    const int64_t y = static_cast<int64_t>(year) - (m <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int civilFromDays(int64_t dayNumber, char16_t* out, int capacity) {
    // z = dayNumber + 719468 would overflow near the ends of the int64_t
    // range, so whole eras are taken off first: dayNumber = q * 146097 + r
    // with |r| < 146097 makes r + 719468 positive, and the era and the day of
    // the era come out the same as from z. Every int64_t gives its exact
    // proleptic Gregorian date (the year stays below 2^55).
    const int64_t q = dayNumber / 146097;
    const int64_t z = dayNumber % 146097 + 719468;
    const int64_t era = q + z / 146097;
    const int64_t doe = z % 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return formatText(out, capacity, u"%04lld-%02lld-%02lld",
                      static_cast<long long>(year), static_cast<long long>(month),
                      static_cast<long long>(day));
}

Level evaluateTool(const ToolDefinition& tool, const double* inputValues,
                   char16_t* resultText, int resultCapacity,
                   char16_t* verdictText, int verdictCapacity,
                   Level* level,
                   char16_t* lastResult, int lastResultCapacity) {
    clearText(resultText, resultCapacity);
    clearText(verdictText, verdictCapacity);
    clearText(lastResult, lastResultCapacity);
    Level result = 0;

    if (tool.kind != 0) {
        // The report generators own the whole job: no outputs, no rules, no
        // default verdict.
        result = runReport(tool.kind, tool, inputValues, resultText, resultCapacity,
                           verdictText, verdictCapacity);
    } else {
        double outputValues[MAX_OUTPUTS] = {};
        const int outputCount = tool.outputs == nullptr ? 0 : clampCount(tool.outputCount, MAX_OUTPUTS);

        // Stored as computed, failed or not: a formula reads every output
        // before it, and 0 for itself and the ones after it.
        bool anyFailed = false;
        for (int i = 0; i < outputCount; ++i) {
            int failed = 0;
            outputValues[i] = evaluateFormula(tool, tool.outputs[i].formula, inputValues,
                                              outputValues, &failed);
            if (failed != 0) anyFailed = true;
        }

        for (int i = 0; i < outputCount; ++i) {
            const OutputField& output = tool.outputs[i];
            char16_t value[VALUE_SCRATCH];
            formatValue(output.formatCode, outputValues[i], value, VALUE_SCRATCH);
            char16_t line[LINE_SCRATCH];
            if (!isEmptyText(output.unit)) {
                formatText(line, LINE_SCRATCH, u"%ls：%ls %ls\r\n", output.label, value, output.unit);
            } else {
                formatText(line, LINE_SCRATCH, u"%ls：%ls\r\n", output.label, value);
            }
            textAppend(resultText, resultCapacity, line);
        }
        if (anyFailed) textAppend(resultText, resultCapacity, PARTIAL_RESULT_NOTE);

        // First match wins; a condition that fails to evaluate never matches.
        const int ruleCount = tool.rules == nullptr || tool.ruleCount < 0 ? 0 : tool.ruleCount;
        for (int i = 0; i < ruleCount; ++i) {
            const VerdictRule& rule = tool.rules[i];
            bool matches = true;
            if (rule.condition != nullptr && rule.condition[0] != '\0') {
                int failed = 0;
                const double value = evaluateFormula(tool, rule.condition, inputValues,
                                                     outputValues, &failed);
                matches = failed == 0 && value != 0.0;
            }
            if (matches) {
                textCopy(verdictText, verdictCapacity, rule.verdict);
                result = rule.level;
                break;
            }
        }
        if (verdictText != nullptr && verdictCapacity >= 1 && verdictText[0] == u'\0') {
            textCopy(verdictText, verdictCapacity, DEFAULT_VERDICT);
        }
    }

    if (lastResult != nullptr && resultText != nullptr && resultCapacity >= 1) {
        textCopy(lastResult, lastResultCapacity, resultText);
    }
    if (level != nullptr) *level = result;
    return result;
}
