// The tool definition model, the built-in tool and the evaluation of a tool.
#pragma once

#include <cstdint>
#include <limits>

// 0 is normal; 1, 2, 3 are increasingly severe.
using Level = int32_t;

// 0: formula tool (outputs and rules). 1..11: one of the built-in report
// generators. Any other value goes to the report dispatcher, which answers it
// with its no-report texts.
using ReportKind = int32_t;

constexpr int MAX_INPUTS = 16;
constexpr int MAX_OUTPUTS = 16;

struct InputField {
    const char* name;          // formula identifier, ASCII, at most 63 characters
    const char16_t* label;     // caption left of the box; CSV column caption
    const char16_t* unit;      // may be null or empty
    double defaultValue;
    // The smallest value the window's box accepts (a CRP cannot be below 0).
    // Only the reading of the boxes uses it; without a bound every finite
    // number is taken.
    double minValue = -std::numeric_limits<double>::infinity();
};

struct OutputField {
    const char* name;          // formula identifier
    const char16_t* label;
    const char16_t* unit;      // may be null or empty
    const char* formula;
    const char* formatCode;    // may be null: "f2"
};

struct VerdictRule {
    const char* condition;     // never null; "" matches always
    Level level;
    const char16_t* verdict;
};

struct ToolDefinition {
    int32_t id;
    const char16_t* name;
    const char16_t* subtitle;  // may be null
    const char16_t* category;
    const char16_t* reference;
    const char16_t* note;      // may be null
    int32_t inputCount;
    const InputField* inputs;
    int32_t outputCount;
    const OutputField* outputs;
    int32_t ruleCount;
    const VerdictRule* rules;
    ReportKind kind;
};

extern const char16_t PARTIAL_RESULT_NOTE[];
extern const char16_t DEFAULT_VERDICT[];

// Tool 112, "Ostrivel": constant, lives for the whole run.
const ToolDefinition& builtinTool();

// Evaluates the tool on one value per input (in input order). Fills the
// result text (one line per output, CR LF ends), the verdict text and the
// last-result copy, each within its capacity (units, terminator included) and
// terminated, stores the level in *level and returns it. Allocates nothing.
Level evaluateTool(const ToolDefinition& tool, const double* inputValues,
                   char16_t* resultText, int resultCapacity,
                   char16_t* verdictText, int verdictCapacity,
                   Level* level,
                   char16_t* lastResult, int lastResultCapacity);

// Writes a value in the display format of a format code ("f0", "f1", "f2",
// "f3", "int", "pct", "date"; null or anything else: "f2"); NaN and the
// infinities show as "--".
void formatValue(const char* formatCode, double value, char16_t* out, int capacity);

// Day numbers count from 1970-01-01 (day 0), proleptic Gregorian calendar.
// No range test on month and day: 2024-01-32 is 2024-02-01.
int64_t daysFromCivil(int32_t year, int32_t month, int32_t day);
// Writes "%04lld-%02lld-%02lld"; returns the units written or -1 when cut.
int civilFromDays(int64_t dayNumber, char16_t* out, int capacity);
