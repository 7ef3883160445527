// The report dispatcher and the rules every report generator shares.
#pragma once

#include <cstdint>

#include "engine/tool.h"

constexpr int REPORT_KIND_COUNT = 11;   // kinds 1..11

extern const char16_t NO_REPORT_TEXT[];      // "（该工具暂无自定义报告）"
extern const char16_t NO_REPORT_VERDICT[];   // "暂无报告内容"

// Empties both texts, then runs the generator of kind 1..11, or writes the
// no-report texts for any other kind. Returns the level.
Level runReport(ReportKind kind, const ToolDefinition& tool, const double* values,
                char16_t* result, int resultCapacity,
                char16_t* verdict, int verdictCapacity);

// The value of the first input whose ASCII name equals `name` exactly; 0 when
// the tool has no such input.
double lookupInput(const ToolDefinition& tool, const double* values, const char* name);

// Truncates toward zero to 32 bits; NaN, infinities and values outside the
// 32-bit range give INT32_MIN, so they fall under every lower clamp.
int32_t reportInteger(double value);

// Formats one line (512-unit scratch, cut at 511 units), bounded-appends it
// and then "\r\n".
void appendLine(char16_t* buffer, int capacity, const char16_t* format, ...);
// Appends a fixed line verbatim (not read as a format), then "\r\n".
void appendFixedLine(char16_t* buffer, int capacity, const char16_t* line);

// Today's local date for the follow-up schedule. The Windows build reads it
// with GetLocalTime; tests set it through setReportTodayForTesting.
struct CivilDate {
    int32_t year;
    int32_t month;
    int32_t day;
};
CivilDate reportToday();
void setReportTodayForTesting(const CivilDate* today);   // null: the clock again
